// A real document through the whole restructuring, as the run drives it: the
// chapter scan with its renumbering, chapters file, indentation pass.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "restructure/chapter_list.h"
#include "restructure/chapter_scan.h"
#include "restructure/indent_pass.h"
#include "restructure/renumber.h"
#include "restructure/supplement.h"
#include "support/chapter_rows.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

// Fixed-time clock for repeatable identifiers.
class NoonClock : public Clock {
 public:
  TimeOfDay now() const override { return {12, 0, 0}; }
};

const std::string kDocument = std::string(KESTRAM_SOURCE_DIR) + "/tests/data/fhs-3.0.txt";

std::vector<std::string> split_crlf(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find("\r\n", from);
    if (end == std::string::npos) {
      ADD_FAILURE() << "last line has no CR LF";
      end = bytes.size();
    }
    lines.push_back(bytes.substr(from, end - from));
    from = end + 2;
  }
  return lines;
}

class FhsDocument : public ::testing::Test {
 protected:
  std::vector<std::string> indented_lines(std::int64_t increment, IndentHooks* hooks) {
    LineReader scan_input(kDocument);
    EXPECT_TRUE(scan_input.is_open()) << kDocument;
    table_ = testing::table_of_input(scan_input, increment);
    const std::string out_name = dir_.file(indented_file_name(base_name_of("fhs-3.0.txt")));
    LineReader input(kDocument);
    LineWriter out(out_name);
    Indenter indenter(table_, "", out, hooks);
    feed_lines(input, indenter);
    EXPECT_TRUE(out.ok()) << out.error();
    const std::string text = testing::read_file(out_name);
    if (hooks == nullptr) {
      EXPECT_EQ(text.size(), indented_text_size(table_, ""));
    }
    return split_crlf(text);
  }

  testing::TempDir dir_;
  ChapterTable table_;
};

TEST_F(FhsDocument, HeadingsRenumberedAsDerivedByHand) {
  std::vector<std::string> lines = indented_lines(2, nullptr);
  EXPECT_EQ(497u, table_.candidate_count());
  ASSERT_EQ(497u, table_.chapter_count());
  ASSERT_EQ(3052u, lines.size());  // one line out per line in

  // The contents list numbers the level-1 chapters 1. to 7.; the body has
  // no level-1 marks, so its chapters continue below 7. (7.6 is the last
  // entry of the list), and the numbered list 1. 2. 3. far down the body
  // advances the top-level counter to 8., 9. and 10.
  struct Expected {
    std::size_t line;
    const char* text;
  };
  for (const Expected& e : std::initializer_list<Expected>{
           {1, "Filesystem Hierarchy Standard"},
           {59, "  1. Introduction"},
           {70, "    3.4 /bin : Essential user command binaries (for use by"},
           {71, "    all users)"},
           {332, "  7. Appendix"},
           {339, "    7.6 Contributors"},
           {341, "    Chapter 1. Introduction"},
           {345, "    7.7 Purpose"},
           {348, "    7.9 Purpose"},
           {379, "    7.10 Conventions"},
           {2851, "  8. I've just removed /lib/<file>."},
           {2856, "  10. I have a static sln, but I don't know what to call the"},
           {2871, "    10.1 /sys : Kernel and system information virtual filesystem"},
           {2872, "    "},
           {2878, "    10.2 /usr/include : Header files included by C programs"}})
    EXPECT_EQ(e.text, lines[e.line - 1]) << "line " << e.line;

  const std::string chapters_name = dir_.file("chapters.txt");
  LineWriter out(chapters_name);
  write_chapters_file(table_, out);
  ASSERT_TRUE(out.close());
  const std::string chapters = testing::read_file(chapters_name);
  EXPECT_EQ(2u * 497u, split_crlf(chapters).size());
  EXPECT_EQ(0u, chapters.find("1.  59  2  1.  1    \r\n  \r\n"));
}

TEST_F(FhsDocument, SupplementationFromAChapterInTheBody) {
  NoonClock clock;
  LineReader work_copy(kDocument);
  Supplementer supplementer("7.9", 1, work_copy, clock);
  std::vector<std::string> lines = indented_lines(0, &supplementer);
  // 335 marks lie at or after line 348, where chapter 7.9 starts.
  EXPECT_EQ(335u, supplementer.identification_lines_written());
  EXPECT_EQ(3052u + 2 * 335u, lines.size());
  EXPECT_EQ("7.9 Purpose", lines[347]);
  EXPECT_EQ(0u, lines[348].rfind("Purpose id=", 0)) << lines[348];
  EXPECT_EQ(20u, lines[348].size());
  EXPECT_EQ("", lines[349]);
}

}  // namespace
}  // namespace kestram
