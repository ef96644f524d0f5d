#include "run/banner.h"

#include <string>

#include "run/product.h"

namespace kestram {

namespace {

const std::string_view kEquals36 = "====================================";

}  // namespace

Flow show_terms_of_use(Console& console, std::string_view started_path) {
  print_line(console, started_path);
  print_empty_line(console);
  print_line(console, kEquals36);
  print_empty_line(console);
  print_line(console,
             "THE PROGRAM RESTRUCTURES THE INPUT *.TXT FILE, INDEXES IT ON EACH WORD AND CREATES THE "
             "OUTPUT *.HTM FILE.");
  print_empty_line(console);
  print_line(console, "We also used the program convertcp.exe");
  print_line(console, "Info:" + std::string(kConvertcpAddress));
  print_line(console, "We also used the program wget.exe");
  print_line(console, "Info:" + std::string(kWgetAddress));
  print_empty_line(console);
  print_line(console, "Program name:" + std::string(kProgramName));
  print_line(console, kAuthorshipLine);
  print_line(console, "Terms of use:");
  // The terms themselves are left blank.
  for (int i = 0; i < 8; ++i) print_empty_line(console);
  print_line(console, "More info: " + std::string(kProductAddress));
  print_empty_line(console);
  print_line(console, kEquals36);
  print_line(console, "Do you accept the terms of use?");
  print_empty_line(console);
  return offer_continue_or_end(console, "<1> yes, continue", "<2> no, end");
}

Flow show_console_notes(Console& console) {
  static const char* const kNotes[] = {
      "",
      "---------------------------",
      "FONT CONSOLAS OR LUCIDA CONSOLE MUST BE SELECTED IN THE PROGRAM EXECUTIVE WINDOW (command Prompt)",
      "Setting procedure (necessary for correct output):",
      "- move the mouse to the center of the upper bold edge of the runner window;",
      "- right mouse click;",
      "- select Properties from the drop-down menu;",
      "- select the Font tab;",
      "- this tab includes the Consolas or Lucida Console font.",
      "",
      "In the Layout tab, you select the size of the executable window.",
      "The size must be able to print the main commands without a break in multiple lines.",
      "The selected settings work when the program restarts.",
      "",
      "----------------------------",
      "THE PROGRAM MUST BE INSTALLED IN YOUR OWN DIRECTORY.",
      "During execution, the program creates and also deletes most *.txt and other files.",
      "",
      ("The <;> (semicolon) character is reserved as punctuation in *.csv files, so it should not be "
       "included in the table input."),
      "Files with names: f_*.txt are reserved as work files of the program.",
      "----------------------------",
      "",
  };
  for (const char* line : kNotes) print_line(console, line);
  if (offer_continue_or_end(console, "<1> continue", "<2> end") == Flow::kEndRun) return Flow::kEndRun;
  print_empty_line(console);
  return Flow::kGoOn;
}

}  // namespace kestram
