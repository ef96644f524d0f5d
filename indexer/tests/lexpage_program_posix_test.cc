// The built program, run through the shell in a directory of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/shell_run.h"
#include "support/temp_dir.h"

namespace kestram::lexpage {
namespace {

namespace fs = std::filesystem;
using kestram::testing::ShellOutcome;
using kestram::testing::TempDir;
using kestram::testing::write_file;

ShellOutcome run_lexpage(const TempDir& dir, const std::string& arguments = "") {
  return kestram::testing::run_in_shell(dir, std::string("'") + LEXPAGE_EXE + "'" + arguments);
}

TEST(LexpageProgram, ArgumentsExitStatusAndMessages) {
  TempDir dir;
  fs::create_directories(dir.path() / "htm_in");
  write_file(dir.file("htm_in/Report_indent.htm"), "One <b>two</b> three &amp; four\r\n");
  struct Case {
    std::string arguments;
    int status;
    std::string out;  // the start of standard output
    std::string err;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", 0,
            "lexpage: took in htm_in/Report_indent.htm as page1.htm: 4 words, 4 different words, 0 chapters\n"
            "lexpage: the library holds 1 document; see htm_out/index1.htm\n",
            ""},
           {"", 0, "lexpage: no new page in htm_in\n", ""},
           {" --list", 0, "page1.htm  ", ""},
           {" --remove Other.htm", 1, "", "lexpage: Other.htm is not in the library; nothing was changed\n"},
           {" --remove Report_indent.htm", 0, "lexpage: removed Report_indent.htm from the library\n", ""},
           {" --list", 0, "the library holds no documents\n", ""},
           {" --help", 0, "usage: lexpage_1_0.exe [--list | --remove NAME | --help]\n", ""},
           {" --remove", 2, "", "usage: lexpage_1_0.exe [--list | --remove NAME | --help]\n"},
       }) {
    ShellOutcome outcome = run_lexpage(dir, c.arguments);
    EXPECT_EQ(c.status, outcome.status) << c.arguments;
    EXPECT_EQ(c.out, outcome.out.substr(0, c.out.size())) << c.arguments;
    EXPECT_EQ(c.err, outcome.err.substr(0, c.err.size())) << c.arguments;
    EXPECT_EQ(c.err.empty(), outcome.err.empty()) << c.arguments << outcome.err;
  }
  EXPECT_FALSE(fs::exists(dir.path() / "htm_out/error.txt"));
}

}  // namespace
}  // namespace kestram::lexpage
