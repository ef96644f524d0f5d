#include "restructure/supplement.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "support/chapter_rows.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace kestram {
namespace {

// Gives the listed times of day in turn, then the last one again.
class ListClock : public Clock {
 public:
  explicit ListClock(std::vector<TimeOfDay> times) : times_(std::move(times)) {}
  TimeOfDay now() const override {
    const TimeOfDay& time = times_[next_ < times_.size() ? next_ : times_.size() - 1];
    ++next_;
    return time;
  }

 private:
  std::vector<TimeOfDay> times_;
  mutable std::size_t next_ = 0;
};

const TimeOfDay kNoon{12, 34, 56};

struct Outcome {
  std::string output;
  std::uint64_t identification_lines = 0;
  std::uint64_t size_beforehand = 0;  // the size known before the pass
};

// The supplementation run as the driver makes it: increment 0, the input
// read by the pass and its copy read by the look-ahead.
Outcome supplemented(std::string_view text, const std::string& start, std::int64_t extra_lines,
                 const Clock& clock, std::string_view org = "") {
  const ChapterTable table = testing::table_of_document(text, 0);
  LineReader input = LineReader::from_memory(text);
  LineReader work_copy = LineReader::from_memory(text);
  LineReader look_ahead = LineReader::from_memory(text);
  Outcome run;
  run.size_beforehand = indented_text_size(table, org) + identification_bytes(table, start, extra_lines, look_ahead);
  Supplementer supplementer(start, extra_lines, work_copy, clock);
  StringSink out(run.output);
  Indenter indenter(table, org, out, &supplementer);
  std::string_view line;
  while (input.next(line)) indenter.write_line(line);
  run.identification_lines = supplementer.identification_lines_written();
  // Whatever chapters get identification lines, their size was known.
  EXPECT_EQ(run.output.size(), run.size_beforehand) << text;
  return run;
}

Outcome supplemented(std::string_view text, const std::string& start, std::int64_t extra_lines) {
  ListClock clock({kNoon});
  return supplemented(text, start, extra_lines, clock);
}

// The output with every nine-digit identifier after " id=" replaced by #.
std::string masked(const std::string& output) {
  static const std::regex kIdentifier(" id=[0-9]{9}\r\n");
  return std::regex_replace(output, kIdentifier, " id=#########\r\n");
}

std::vector<std::string> identifiers(const std::string& output) {
  static const std::regex kIdentifier(" id=([0-9]{9})\r\n");
  std::vector<std::string> found;
  for (auto it = std::sregex_iterator(output.begin(), output.end(), kIdentifier); it != std::sregex_iterator(); ++it)
    found.push_back((*it)[1]);
  return found;
}

TEST(Supplement, TitleKeyJoinsTheTitleWithHyphens) {
  struct Case {
    const char* heading;
    const char* key;
  };
  for (const Case& c : std::initializer_list<Case>{{"2.1 Annual budget plan", "Annual-budget-plan id="},
                                                  {"1.   Three blanks before", "--Three-blanks-before id="},
                                                  {"1. Tab\tkept", "Tab\tkept id="},
                                                  {"1. x", "x id="},
                                                  {"1.", " id="}})
    EXPECT_EQ(c.key, title_key(c.heading)) << c.heading;
}

// Each identification line reads the clock anew.
TEST(Supplement, IdentificationLinesFromTheStartChapterOn) {
  const std::string input = "1. Intro\ntext\n1.1 Early part\n2. Annual budget plan\nbody\n2.1 Sub  part\n";
  const std::vector<TimeOfDay> times = {{0, 0, 0}, {23, 59, 59}};
  ListClock clock(times);
  Outcome run = supplemented(input, "2.", 2, clock);
  EXPECT_EQ(
      "1. Intro\r\ntext\r\n1.1 Early part\r\n2. Annual budget plan\r\nAnnual-budget-plan id=#########\r\n\r\n\r\n"
      "body\r\n2.1 Sub  part\r\nSub--part id=#########\r\n\r\n\r\n",
      masked(run.output));
  EXPECT_EQ(2u, run.identification_lines);
  // The same identifiers as the generator gives for the same times of day.
  IdentifierGenerator generator;
  const std::string first = generator.next_identifier(times[0]);
  EXPECT_EQ((std::vector<std::string>{first, generator.next_identifier(times[1])}), identifiers(run.output));
  ListClock again(times);
  EXPECT_EQ(run.output, supplemented(input, "2.", 2, again).output);
}

TEST(Supplement, StartChapterIsComparedExactly) {
  const std::string input = "1. A\n1.1 B\n1.2 C\n2. D\n";
  struct Case {
    std::string start;
    std::uint64_t lines;  // identification lines written
  };
  for (const Case& c : std::initializer_list<Case>{{"1.", 4},
                                                  {"1.1", 3},  // 1. comes before it in the file
                                                  {"2.", 1},
                                                  {"1", 0},
                                                  {"1.1.", 0},
                                                  {" 1.1", 0},
                                                  {"", 0},
                                                  {"3.", 0}}) {
    Outcome run = supplemented(input, c.start, 1);
    EXPECT_EQ(c.lines, run.identification_lines) << c.start;
    if (c.lines == 0) {
      EXPECT_EQ("1. A\r\n1.1 B\r\n1.2 C\r\n2. D\r\n", run.output) << c.start;
    }
  }
}

TEST(Supplement, ExtraLineCount) {
  struct Case {
    std::int64_t extra;
    std::size_t empty_lines;
  };
  for (const Case& c :
       std::initializer_list<Case>{{0, 0}, {-5, 0}, {INT64_MIN, 0}, {1, 1}, {3, 3}, {10'001, 10'001}}) {
    Outcome run = supplemented("1. A\n", "1.", c.extra);
    std::string expected = "1. A\r\nA id=#########\r\n";
    for (std::size_t i = 0; i < c.empty_lines; ++i) expected += "\r\n";
    EXPECT_EQ(expected, masked(run.output)) << c.extra;
  }
}

// Empty lines without bound are known to be too many before any is written.
TEST(Supplement, SizeOfAbsurdExtraLinesIsKnownBeforehand) {
  const std::string input = "Intro\n1. A\nbody\n2. B\n";
  const ChapterTable table = testing::table_of_document(input, 0);
  LineReader look_ahead = LineReader::from_memory(input);
  // Two identification lines ("A id=" and nine digits, CR LF: 16 bytes),
  // each with 10^15 empty lines of 2 bytes.
  EXPECT_EQ(4'000'000'000'000'032u, identification_bytes(table, "1.", 1'000'000'000'000'000, look_ahead));
  LineReader again = LineReader::from_memory(input);
  EXPECT_EQ(UINT64_MAX, identification_bytes(table, "1.", INT64_MAX, again));
}

TEST(Supplement, ChapterWithItsKeyOnTheNextLineIsSkipped) {
  struct Case {
    const char* what;
    std::string next_line;
    bool skipped;
  };
  for (const Case& c : std::vector<Case>{
           {"identification line", "Annual-budget-plan id=123456789", true},
           {"key anywhere, blanks kept", "   see Annual-budget-plan id=   ", true},
           {"key without identifier", "Annual-budget-plan id=", true},
           {"other letter case", "annual-budget-plan id=123456789", false},
           {"key without the blank", "Annual-budget-planid=1", false},
           {"empty line", "", false}}) {
    const std::string input = "1. Intro\n2. Annual budget plan\n" + c.next_line + "\n3. Other\n";
    Outcome run = supplemented(input, "1.", 0);
    EXPECT_EQ(c.skipped ? 2u : 3u, run.identification_lines) << c.what;
    const std::string added = c.skipped ? "" : "Annual-budget-plan id=#########\r\n";
    EXPECT_EQ(masked("1. Intro\r\nIntro id=#########\r\n2. Annual budget plan\r\n" + added +
                     std::string(trim_blanks(c.next_line)) + "\r\n3. Other\r\nOther id=#########\r\n"),
              masked(run.output))
        << c.what;
  }
}

TEST(Supplement, KeySearchHandlesRepeatsAndLongLines) {
  // The key "a-a-b id=" first fits two bytes into "a-a-a-b id=".
  EXPECT_EQ(0u, supplemented("1. a a b\na-a-a-b id=x\n", "1.", 0).identification_lines);
  EXPECT_EQ(1u, supplemented("1. a a b\na-a-a-a id=x\n", "1.", 0).identification_lines);

  // A 4 MB title against an 8 MB next line that almost holds it everywhere:
  // a search that starts over at every byte would not finish.
  std::string title;
  for (int i = 0; i < (1 << 21); ++i) title += "a ";
  title += "b";
  std::string next;
  for (int i = 0; i < (1 << 22); ++i) next += "a-";
  Outcome run = supplemented("1. " + title + "\n" + next + "\n", "1.", 0);
  EXPECT_EQ(1u, run.identification_lines);
  run = supplemented("1. " + title + "\n" + next + title_key("1. " + title) + "\n", "1.", 0);
  EXPECT_EQ(0u, run.identification_lines);
}

TEST(Supplement, SecondRunAddsNothing) {
  const std::string input = "Title\n1. Intro\n\n2. Plan   of  work\n  text\n2.1 Last\n";
  Outcome first = supplemented(input, "1.", 2);
  EXPECT_EQ(3u, first.identification_lines);
  Outcome second = supplemented(first.output, "1.", 2);
  EXPECT_EQ(0u, second.identification_lines);
  EXPECT_EQ(first.output, second.output);
}

TEST(Supplement, OrganisationalUnitStaysOutOfTheKey) {
  ListClock clock({kNoon});
  Outcome run = supplemented("1. Intro\n1.1 Budget plan\n", "1.1", 0, clock, "HR");
  EXPECT_EQ("1. Intro (HR)\r\n1.1 Budget plan (HR)\r\nBudget-plan id=#########\r\n", masked(run.output));
}

TEST(Supplement, LookAheadReadsTheWorkCopyForwardOnly) {
  testing::TempDir dir;
  testing::write_file(dir.file("sour_in.txt"), "1. A\nA id=1\n2. B\r\nx\r3. C");
  LineReader work_copy(dir.file("sour_in.txt"));
  ListClock clock({kNoon});
  Supplementer supplementer("1.", 0, work_copy, clock);
  supplementer.at_heading("1.");
  EXPECT_TRUE(supplementer.start_reached());
  std::string bytes;
  StringSink out(bytes);
  supplementer.after_heading(1, "1. A", "1.", out);  // line 2 holds the key
  supplementer.after_heading(3, "2. B", "2.", out);
  supplementer.after_heading(5, "3. C", "3.", out);  // the last line: no next line
  EXPECT_EQ("B id=#########\r\nC id=#########\r\n", masked(bytes));
  EXPECT_EQ(2u, supplementer.identification_lines_written());
}

}  // namespace
}  // namespace kestram
