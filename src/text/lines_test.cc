#include "text/lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace kestram {
namespace {

std::vector<std::string> read_all(LineReader& reader) {
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> lines_of_file(const std::string& bytes) {
  testing::TempDir dir;
  testing::write_file(dir.file("in.txt"), bytes);
  LineReader reader(dir.file("in.txt"));
  return read_all(reader);
}

TEST(LineReader, SplitsOnEveryKindOfLineEnd) {
  using Lines = std::vector<std::string>;
  struct Case {
    std::string bytes;
    Lines expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", {}},
           {"a", {"a"}},
           {"a\n", {"a"}},
           {"a\r\nb\rc\nd", {"a", "b", "c", "d"}},
           {"\n\n", {"", ""}},
           {"\r\r\n\n", {"", "", ""}},
           {"a\n\rb", {"a", "", "b"}},
           {std::string("x\0y\n", 4), {std::string("x\0y", 3)}},
           {"tab\there \n", {"tab\there "}}}) {
    EXPECT_EQ(c.expected, lines_of_file(c.bytes)) << c.bytes;
    LineReader memory = LineReader::from_memory(c.bytes);
    EXPECT_EQ(c.expected, read_all(memory)) << c.bytes;
  }
}

TEST(LineReader, CrLfSplitAcrossReadsIsOneLineEnd) {
  // Place the CR as the last byte of the first read and the LF as the first
  // of the next, for several read sizes the reader may use.
  for (std::size_t first : {std::size_t{1} << 20, (std::size_t{1} << 20) - 1, std::size_t{1} << 21}) {
    std::string bytes(first - 1, 'a');
    bytes += "\r\nnext\r";
    std::vector<std::string> lines = lines_of_file(bytes);
    ASSERT_EQ(2u, lines.size()) << first;
    EXPECT_EQ(first - 1, lines[0].size());
    EXPECT_EQ("next", lines[1]);
  }
}

TEST(LineReader, LinesLongerThanTheBufferStayWhole) {
  std::string longest(5'000'000, 'x');
  std::vector<std::string> lines = lines_of_file("a\n" + longest + "\nb");
  ASSERT_EQ(3u, lines.size());
  EXPECT_EQ(longest, lines[1]);
  EXPECT_EQ("b", lines[2]);
}

// Lines of random length (some longer than the reader's buffer) with random
// line ends, so line ends fall on every kind of buffer boundary.
TEST(LineReader, RandomLinesAndLineEndsMatchASimpleSplit) {
  std::mt19937 random(7);
  std::string bytes;
  std::vector<std::string> expected;
  while (bytes.size() < 6'000'000) {
    const std::size_t length = random() % 8 == 0 ? random() % 1'500'000 : random() % 100;
    std::string line(length, 'a');
    for (char& c : line) c = static_cast<char>('a' + random() % 26);
    expected.push_back(line);
    bytes += line;
    const char* ends[] = {"\n", "\r\n", "\r"};
    bytes += ends[random() % 3];
  }
  EXPECT_EQ(expected, lines_of_file(bytes));
  LineReader memory = LineReader::from_memory(bytes);
  EXPECT_EQ(expected, read_all(memory));
}

TEST(LineReader, LoneCrLinesTakeLinearTime) {
  // Searching every line for an LF that never comes would scan the whole
  // buffer per line: minutes for these four million lines.
  std::string bytes;
  for (int i = 0; i < 4'000'000; ++i) bytes += "x\r";
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> lines = lines_of_file(bytes);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(4'000'000u, lines.size());
  EXPECT_LT(seconds, 10.0);
}

TEST(LineReader, MissingFileReadsAsNoLinesAndRewindRestarts) {
  testing::TempDir dir;
  LineReader missing(dir.file("absent.txt"));
  EXPECT_FALSE(missing.is_open());
  std::string_view line;
  EXPECT_FALSE(missing.next(line));

  testing::write_file(dir.file("in.txt"), "one\ntwo\n");
  LineReader reader(dir.file("in.txt"));
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), read_all(reader));
  ASSERT_TRUE(reader.rewind());
  EXPECT_EQ((std::vector<std::string>{"one", "two"}), read_all(reader));
  EXPECT_EQ(2u, reader.line_number());
}

TEST(LineWriter, EndsEveryLineWithCrLfAndReportsFailures) {
  testing::TempDir dir;
  {
    LineWriter out(dir.file("out.txt"));
    out.write_line("a");
    out.write_blanks(3);
    out.write_line(std::string("b\0", 2));
    EXPECT_TRUE(out.close());
  }
  EXPECT_EQ(std::string("a\r\n   b\0\r\n", 10), testing::read_file(dir.file("out.txt")));

  LineWriter blocked(dir.path().string());  // a directory is in the way
  EXPECT_FALSE(blocked.ok());
  EXPECT_FALSE(blocked.error().empty());
  blocked.write_line("ignored");
  EXPECT_FALSE(blocked.close());
}

TEST(LineWriter, FailureInTheMiddleIsKeptAndStopsTheWriting) {
  // /dev/full takes the file open and refuses every byte written to it.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  LineWriter out("/dev/full");
  ASSERT_TRUE(out.ok());
  out.write_line("small lines stay buffered at first");
  EXPECT_TRUE(out.ok());
  out.write(std::string(3'000'000, 'x'));
  EXPECT_FALSE(out.ok());
  EXPECT_EQ("No space left on device", out.error());
  // An absurd width ends at once once the file has failed.
  out.write_blanks(std::numeric_limits<std::size_t>::max());
  out.fail("a later reason");
  EXPECT_FALSE(out.close());
  EXPECT_EQ("No space left on device", out.error());
}

TEST(LineWriter, RefusedOutputKeepsTheCallersReason) {
  std::string memory;
  LineWriter out = LineWriter::to_memory(memory);
  out.write_line("kept");
  out.fail("indentation too wide");
  out.write_line("dropped");
  out.write_blanks(std::numeric_limits<std::size_t>::max());
  EXPECT_FALSE(out.close());
  EXPECT_EQ("indentation too wide", out.error());
  EXPECT_EQ("kept\r\n", memory);
}

TEST(LineWriter, ReplacedFileHoldsExactlyTheNewText) {
  testing::TempDir dir;
  const std::string path = dir.file("out.txt");
  const std::string large(3'000'000, 'x');
  // Longer, shorter and equally long earlier contents, and a text written
  // partly past the buffer.
  for (const std::string& before : {std::string(5'000'000, 'o'), std::string("old"), std::string("new\r\n")}) {
    for (const std::string& text : {std::string("new"), large}) {
      testing::write_file(path, before);
      LineWriter out(path);
      out.write_line(text);
      ASSERT_TRUE(out.close()) << out.error();
      EXPECT_EQ(text + "\r\n", testing::read_file(path)) << before.size() << " " << text.size();
    }
  }
  // Nothing written leaves an empty file.
  testing::write_file(path, "old");
  { LineWriter out(path); }
  EXPECT_EQ("", testing::read_file(path));
}

// The observer hears every line as the file holds it, whether the line sits
// in the buffer, straddles a flush or is larger than the buffer.
TEST(LineWriter, ObserverHearsTheLinesTheFileHolds) {
  class Collect : public LineWriter::LineObserver {
   public:
    void line(std::string_view text) override { lines.emplace_back(text); }
    std::vector<std::string> lines;
  };
  testing::TempDir dir;
  std::mt19937 random(3);
  LineWriter out(dir.file("observed"));
  Collect heard;
  out.write_line("before the observer");
  out.observe_lines(&heard);
  for (int i = 0; i < 400; ++i) {
    const std::size_t size = i % 50 == 0 ? 1'500'000 + random() % 1000 : random() % 9000;
    const std::string text(size, static_cast<char>('a' + i % 26));
    switch (random() % 3) {
      case 0:
        out.write_line(text);
        break;
      case 1:
        out.write_blanks(random() % 300);
        out.write(text);
        out.end_line();
        break;
      default:
        out.write(text.substr(0, size / 2));
        out.write(text.substr(size / 2));
        out.end_line();
    }
  }
  out.observe_lines(nullptr);
  out.write_line("after the observer");
  ASSERT_TRUE(out.close());

  LineReader in(dir.file("observed"));
  std::string_view line;
  ASSERT_TRUE(in.next(line));
  for (const std::string& expected : heard.lines) {
    ASSERT_TRUE(in.next(line));
    ASSERT_EQ(expected.size(), line.size());
    ASSERT_TRUE(expected == line);
  }
  ASSERT_TRUE(in.next(line));
  EXPECT_EQ("after the observer", line);
  EXPECT_FALSE(in.next(line));
  EXPECT_EQ(400u, heard.lines.size());
}

}  // namespace
}  // namespace kestram
