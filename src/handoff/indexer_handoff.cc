#include "handoff/indexer_handoff.h"

#include <string>

#include "run/command_line.h"
#include "run/product.h"
#include "run/work_files.h"

namespace kestram {

Flow hand_off_to_indexer(Platform& platform, RunState& state) {
  Console& console = platform.console;
  Shell& shell = platform.shell;

  print_empty_line(console);
  print_line(console, "----------------------------------");
  print_line(console, "output HTML file = " + state.html_file_name);
  print_empty_line(console);
  print_line(console, "Do you want to index the output HTML file?");
  print_empty_line(console);
  if (offer_continue_or_end(console, "<1> yes, continue", "<2> no, end of program") == Flow::kEndRun)
    return Flow::kEndRun;

  shell.run("md lexpage");
  shell.run("md lexpage\\htm_in");
  shell.run("del /q lexpage\\htm_in\\*.*");
  shell.run("copy /y " + command_word(state.html_file_name) + " lexpage\\htm_in\\");
  shell.run("copy /y wget.exe lexpage\\wget.exe");

  shell.run("dir /b /o  lexpage_*.exe > exe_files.txt");
  state.indexer_exe = last_listed_name("exe_files.txt");
  print_line(console, state.indexer_exe);
  if (state.indexer_exe.empty()) {
    // The program was there at the checks; something removed it since.
    print_line(console, "No lexpage*.exe is left in this directory: the indexing program was not started.");
  } else {
    const std::string program = command_word(state.indexer_exe);
    shell.run("copy /y " + program + " " + command_word("lexpage\\" + state.indexer_exe));
    // The interpreter takes a quoted first word of "start" for the window
    // title, so a name that needs quotes follows an empty title.
    shell.run(program == state.indexer_exe ? "start /D lexpage " + program
                                           : "start \"\" /D lexpage " + program);
  }

  print_empty_line(console);
  print_line(console, "============ INDEXING RESULTS ===========");
  print_empty_line(console);
  print_line(console, "Indexing is done with a separate program lexpage*.exe");
  print_line(console, "Indexing takes place in a subdirectory \\lexpage");
  print_empty_line(console);
  print_line(console, "view subfolder: \\lexpage\\htm_out");
  print_line(console, "view files: page*.htm, index*.htm, i_*.htm, s_*.htm");
  print_line(console, "You can access the index of all words by double-clicking on any word.");
  print_line(console, "details: " + std::string(kProductAddress));
  print_empty_line(console);
  return pause_then_end(console, "<...> any key to continue and end");
}

}  // namespace kestram
