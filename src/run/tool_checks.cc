#include "run/tool_checks.h"

#include <string>

#include "run/product.h"
#include "run/work_files.h"

namespace kestram {
namespace {

const char kDeleteCheckFiles[] = "cmd /c for %i in (check_*.txt) do del /q %i >> out_null.txt";

struct Failure {
  const char* rule;
  const char* what;
  const char* advice;
};

Flow fail(Console& console, const Failure& failure) {
  print_line(console, failure.rule);
  print_line(console, failure.what);
  print_line(console, failure.advice);
  return offer_end(console);
}

const char kPathAdvice[] = "The system path to the program is most likely to be configured.";
const char kPackageAdvice[] = "Check the contents of the kestram.7z file.";

// The find and findstr tests start from a fresh directory listing.
void list_directory_afresh(Shell& shell) {
  shell.run("dir > out_null.txt");
  shell.run(kDeleteCheckFiles);
  shell.run("cmd /c dir > check_01.txt");
}

}  // namespace

Flow run_tool_checks(Platform& platform, RunState& state) {
  Console& console = platform.console;
  Shell& shell = platform.shell;

  print_line(console, "----------------------------");
  print_line(console, "Checking the accessibility of some urgently needed programs:");
  print_line(console, "cmd.exe, find.exe, findstr.exe, sort.exe, convertcp.exe, wget.exe, lexpage*.exe");
  print_empty_line(console);

  print_line(console, "cmd");
  shell.run("cmd /c dir *. > check_01.txt");
  if (count_nonblank_lines("check_01.txt") < 1)
    return fail(console, {"--------------------", "Checking for cmd.exe", kPathAdvice});
  print_empty_line(console);

  print_line(console, "find");
  list_directory_afresh(shell);
  shell.run("cmd /c find /i \".exe\" check_01.txt >  check_02.txt");
  if (count_nonblank_lines("check_02.txt") < 2)
    return fail(console, {"---------------------", "Checking for find.exe", kPathAdvice});
  print_empty_line(console);

  print_line(console, "findstr");
  list_directory_afresh(shell);
  shell.run("cmd /c findstr /i \".exe\" check_01.txt >  check_02.txt");
  if (count_nonblank_lines("check_02.txt") < 2)
    return fail(console, {"------------------------", "Checking for findstr.exe", kPathAdvice});
  print_empty_line(console);

  print_line(console, "sort");
  shell.run("dir > check_01.txt");
  shell.run("del /q check_*.txt");
  shell.run("dir *. > check_01.txt");
  shell.run("sort check_01.txt /o check_02.txt");
  if (count_nonblank_lines("check_02.txt") < 2)
    return fail(console, {"---------------------", "Checking for sort.exe",
                          "It is probably necessary to set the system path to the program."});
  print_empty_line(console);

  print_line(console, "convertcp");
  print_line(console, "info: " + std::string(kConvertcpAddress));
  shell.run("dir > out_null.txt");
  shell.run(kDeleteCheckFiles);
  shell.run("cmd /c dir *.exe > check_01.txt");
  shell.run("cmd /c find /i \"convertcp.exe\" check_01.txt >  check_02.txt");
  if (count_nonblank_lines("check_02.txt") < 2)
    return fail(console, {"---------------------", "Checking for convertcp.exe!", kPackageAdvice});
  print_empty_line(console);

  print_line(console, "lexpage*.exe");
  shell.run("dir /b /o  lexpage_*.exe > exe_files.txt");
  state.indexer_exe = last_listed_name("exe_files.txt");
  if (state.indexer_exe.empty())
    return fail(console, {"-------------------------", "Checking for lexpage*.exe", kPackageAdvice});
  return Flow::kGoOn;
}

}  // namespace kestram
