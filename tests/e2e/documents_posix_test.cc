// Whole runs of the installed program on real and hand-made documents.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::line_count;
using testing::read_file;
using testing::write_file;

// An installation holding the given documents; runs reach the file list by
// the numbers the list shows.
class Documents : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }

  testing::ProgramResult run_on(const std::string& name, const std::string& answers) {
    return testing::run_kestram_on(dir_.path().string(), name, answers, 120);
  }

  std::string file(const std::string& name) const { return dir_.file(name); }
  testing::TempDir dir_;
};

TEST_F(Documents, AnswersSelectTheFileAndTheIndentation) {
  // 2.6 rounds to the third listed name; 3.5 to an indentation of 4.
  testing::ProgramResult listing = testing::run_kestram(dir_.path().string(), "110\n");
  std::regex entry(" 3 (.*)\r");
  std::smatch third;
  ASSERT_TRUE(std::regex_search(listing.output, third, entry)) << listing.output;
  testing::ProgramResult result = testing::run_kestram(dir_.path().string(), "11" "2.6\n" "\n\n\n" "x");
  EXPECT_NE(std::string::npos, result.output.find("input file: " + third[1].str() + "\r\n")) << result.output;

  struct Case {
    const char* answer;
    std::size_t blanks;
  };
  for (const Case& c : std::initializer_list<Case>{{"\n", 2}, {"4\n", 4}, {"2.5\n", 2}, {"3.5\n", 4}, {"2,7\n", 2}}) {
    run_on("Report.txt", std::string(c.answer) + "\n\n2");
    const std::string indented = read_file(file("Report_indent.txt"));
    EXPECT_NE(std::string::npos, indented.find("\r\n" + std::string(c.blanks, ' ') + "1. Introduction\r\n"))
        << c.answer << indented.substr(0, 200);
  }
}

TEST_F(Documents, OrganisationalUnitCodeEndsEveryHeading) {
  run_on("Report.txt", "\n" "y\n" "HR\n" "2");
  const std::string indented = read_file(file("Report_indent.txt"));
  EXPECT_NE(std::string::npos, indented.find("\r\n    1.1 Scope (HR)\r\n")) << indented;
  const std::string page = read_file(file("Report_indent.htm"));
  EXPECT_NE(std::string::npos, page.find("    <b>1.1 Scope (HR) <a href=\"#1.1\">1.1</a> </b>\r\n")) << page;
}

TEST_F(Documents, SupplementationAddsIdentificationLinesAndStops) {
  const std::string original = read_file(file("Report.txt"));
  testing::ProgramResult result = run_on("Report.txt", "0\n" "\n" "\n" "2.\n" "1\n" "x");
  const std::string& out = result.output;
  EXPECT_NE(std::string::npos, out.find("============ SUPPLEMENTATION OF CHAPTER MARKS ONLY ===========\r\n")) << out;
  EXPECT_NE(std::string::npos, out.find("view file: Report_indent.txt\r\n\r\n<...> any key to continue and end\r\n"))
      << out;
  EXPECT_FALSE(fs::exists(file("Report_indent.htm")));

  const std::string indented = read_file(file("Report_indent.txt"));
  // Chapters before the start chapter get nothing; from 2. on, every heading
  // is followed by its key, nine digits and one empty line.
  EXPECT_NE(std::string::npos, indented.find("\r\n1.1 Scope\r\nThe report covers")) << indented;
  for (const char* key : {"State-of-the-quays", "North-quay", "South-quay", "Budget", "Spending-<-plan", "Next-year"}) {
    std::regex line(std::string("\r\n[0-9.]+ [^\r]*\r\n") + std::regex_replace(key, std::regex("[<.]"), "\\$&") +
                    " id=[0-9]{9}\r\n\r\n");
    EXPECT_TRUE(std::regex_search(indented, line)) << key;
  }
  EXPECT_EQ(original, read_file(file("Report.txt")));

  // A second run on the supplemented text adds no identification line.
  fs::copy_file(file("Report_indent.txt"), file("again.txt"));
  run_on("again.txt", "0\n" "\n" "\n" "2.\n" "1\n" "x");
  EXPECT_EQ(line_count(read_file(file("again.txt"))), line_count(read_file(file("again_indent.txt"))));
}

// Every real document restructures and renders: one indented line per input
// line, the page framed by its fixed lines, the companion text without them.
TEST_F(Documents, RealDocumentsRunEndToEnd) {
  const fs::path corpus = fs::path(KESTRAM_SOURCE_DIR).parent_path() / "shared" / "corpus";
  if (!fs::exists(corpus)) GTEST_SKIP() << "no document corpus at " << corpus;
  std::vector<fs::path> documents;
  for (const auto& entry : fs::directory_iterator(corpus))
    if (entry.path().extension() == ".txt") documents.push_back(entry.path());
  std::sort(documents.begin(), documents.end());
  ASSERT_FALSE(documents.empty());
  for (const fs::path& document : documents) {
    const std::string name = document.filename().string();
    const std::string base = name.substr(0, name.size() - 4);
    fs::copy_file(document, file(name));
    testing::ProgramResult result = run_on(name, "\n" "y\n" "\n" "2");
    const std::string original = read_file(document.string());
    EXPECT_EQ(original, read_file(file(name))) << name;
    if (result.output.find("The file does not have a chapter marked.") != std::string::npos) {
      EXPECT_EQ("tractatus", base) << "only the document without numbered chapters stops";
      continue;
    }
    const std::string indented = read_file(file(base + "_indent.txt"));
    EXPECT_EQ(line_count(original), line_count(indented)) << name;
    const std::string page = read_file(file(base + "_indent.htm"));
    EXPECT_EQ(0u, page.find("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0 Transitional//EN\">\r\n<html>\r\n")) << name;
    EXPECT_TRUE(testing::ends_with(page, "</p>\r\n</pre>\r\n</body>\r\n</html>\r\n")) << name;
    const std::string companion = read_file(file(base + "_com_ndx.txt"));
    EXPECT_EQ(0u, companion.find("<b>TABLE OF CONTENTS</b>\r\n")) << name;
    EXPECT_EQ(std::string::npos, companion.find("</html>")) << name;
    EXPECT_NE(std::string::npos, read_file(file(base + "_chapters.txt")).find("  \r\n  \r\n")) << name;
    fs::remove(file(name));
  }
}

}  // namespace
}  // namespace kestram
