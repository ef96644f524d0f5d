#include "text/lines.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <memory>
#include <stdexcept>
#include <chrono>
#include <cstring>
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

// Readers of long lines, one after another and several at once, each read
// their own file whole: a buffer left behind by one reader and taken up by
// the next holds the next one's bytes only.
TEST(LineReader, LongLineReadersOneAfterAnotherAndTogether) {
  testing::TempDir dir;
  const std::size_t lengths[] = {9'000'000, 2'500'000, 1'200'000, 12'000'000};
  std::vector<std::string> texts;
  for (std::size_t i = 0; i < std::size(lengths); ++i) {
    std::string text = "head " + std::to_string(i) + "\n";
    text.append(lengths[i], static_cast<char>('a' + i));
    text += "\r\ntail\n";
    testing::write_file(dir.file(std::to_string(i)), text);
    texts.push_back(std::move(text));
  }
  auto expect_whole = [&](LineReader& reader, std::size_t i) {
    const std::vector<std::string> expected = {"head " + std::to_string(i), std::string(lengths[i], 'a' + i), "tail"};
    EXPECT_TRUE(expected == read_all(reader)) << i;
  };
  for (int round = 0; round < 2; ++round)
    for (std::size_t i = 0; i < std::size(lengths); ++i) {
      LineReader reader(dir.file(std::to_string(i)));
      expect_whole(reader, i);
    }
  LineReader first(dir.file("0"));
  std::string_view line;
  ASSERT_TRUE(first.next(line));
  {
    LineReader second(dir.file("1"));
    expect_whole(second, 1);
    LineReader third(dir.file("3"));
    expect_whole(third, 3);
  }
  std::vector<std::string> rest = read_all(first);
  ASSERT_EQ(2u, rest.size());
  EXPECT_TRUE(std::string(lengths[0], 'a') == rest[0]);
}

// The rule of the reader, one byte at a time.
std::vector<std::string> split_simply(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\n' && bytes[i] != '\r') {
      line += bytes[i];
      continue;
    }
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    lines.push_back(std::move(line));
    line.clear();
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

TEST(LineReader, LineEndBitsMarkExactlyTheLfAndCrBytes) {
  // Bytes next to the line ends in value (and with the top bit set) must
  // not count; every byte value appears in some block.
  std::mt19937 random(3);
  const unsigned char near[] = {0x0a, 0x0d, 0x00, 0x09, 0x0b, 0x0c, 0x0e, 0x8a, 0x8d, 0xff, 0x2a, 0x2d};
  for (int round = 0; round < 2000; ++round) {
    char block[kLineEndBlock];
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < kLineEndBlock; ++i) {
      const unsigned char byte =
          round < 4 ? static_cast<unsigned char>(round * 64 + i) : near[random() % sizeof near];
      block[i] = static_cast<char>(byte);
      if (byte == '\n' || byte == '\r') expected |= std::uint64_t{1} << i;
    }
    ASSERT_EQ(expected, line_end_bits(block)) << round;
    ASSERT_EQ(expected, line_end_bits_portable(block)) << round;
  }
}

// Line ends on and around the edges of the 64-byte blocks (and of the runs
// of blocks) the reader looks
// at: a CR as the last byte of a block with its LF opening the next, a CR
// or LF as the first or last byte of the input, lines of NUL bytes.
TEST(LineReader, LineEndsAtBlockEdgesMatchASimpleSplit) {
  const std::string nul(1, '\0');
  const std::vector<std::string> ends = {"\n", "\r", "\r\n", "\n\r", "\r\r", "\n\n", "\r\n\r\n"};
  std::vector<std::string> documents = {"\r", "\n", "\r\n", nul, nul + "\r" + nul, std::string(200, '\r'),
                                        std::string(200, '\n'), std::string(64, '\0') + "\r\n"};
  for (std::size_t before : {0, 1, 62, 63, 64, 65, 126, 127, 128, 129, 255, 256, 1000, 4095, 4096, 4097}) {
    for (const std::string& end : ends) {
      const std::string filler(before, before % 2 ? 'x' : '\0');
      documents.push_back(filler + end);
      documents.push_back(filler + end + "tail");
      documents.push_back(filler + end + std::string(100, 'y'));
      documents.push_back(end + filler + end + filler);
    }
  }
  testing::TempDir dir;
  for (const std::string& bytes : documents) {
    const std::vector<std::string> expected = split_simply(bytes);
    LineReader memory = LineReader::from_memory(bytes);
    EXPECT_EQ(expected, read_all(memory)) << ::testing::PrintToString(bytes);
    testing::write_file(dir.file("in.txt"), bytes);
    LineReader file(dir.file("in.txt"));
    EXPECT_EQ(expected, read_all(file)) << ::testing::PrintToString(bytes);
    EXPECT_EQ(expected.size(), file.line_number());
  }
}

// Lines of NUL bytes, LFs and CRs in every mix, several buffers long, so
// that line ends fall on block and buffer edges at every offset; last, short
// lines among lines of up to 1.5 MB, which cross reads and outgrow the
// buffer. A reader moved or rewound halfway carries on where it stood, or
// restarts.
TEST(LineReader, RandomLinesMatchASimpleSplit) {
  std::mt19937 random(11);
  const char alphabet[] = {'\n', '\r', '\0', 'a', 'b', ' '};
  testing::TempDir dir;
  for (std::size_t line_ends_in : {2, 6, 40, 0}) {
    std::string bytes;
    if (line_ends_in != 0) {
      bytes.assign(1'500'000 + random() % 1000, ' ');
      for (char& c : bytes)
        c = random() % line_ends_in == 0 ? alphabet[random() % 2] : alphabet[2 + random() % 4];
    }
    while (line_ends_in == 0 && bytes.size() < 6'000'000) {
      const std::size_t length = random() % 8 == 0 ? random() % 1'500'000 : random() % 100;
      for (std::size_t i = 0; i < length; ++i) bytes += alphabet[2 + random() % 4];
      const char* ends[] = {"\n", "\r\n", "\r"};
      bytes += ends[random() % 3];
    }
    const std::vector<std::string> expected = split_simply(bytes);
    testing::write_file(dir.file("in.txt"), bytes);
    LineReader memory = LineReader::from_memory(bytes);
    EXPECT_EQ(expected, read_all(memory)) << line_ends_in;
    LineReader file(dir.file("in.txt"));
    EXPECT_EQ(expected, read_all(file)) << line_ends_in;

    // Halfway through: moved, then rewound.
    for (LineReader* reader : {&memory, &file}) {
      ASSERT_TRUE(reader->rewind());
      std::vector<std::string> lines;
      std::string_view line;
      while (lines.size() < expected.size() / 2 && reader->next(line)) lines.emplace_back(line);
      LineReader moved(std::move(*reader));
      for (const std::string& rest : read_all(moved)) lines.push_back(rest);
      EXPECT_EQ(expected, lines) << line_ends_in;
      ASSERT_TRUE(moved.rewind());
      for (int i = 0; i < 1000 && moved.next(line); ++i) {
      }
      ASSERT_TRUE(moved.rewind());
      EXPECT_EQ(expected, read_all(moved)) << line_ends_in;
    }
  }
}

// A file that fits in the buffer is rewound without being read again, and
// reads the same lines again from wherever it was rewound: before the first
// line, after it, halfway, at the end; with a first line that is short or
// far longer than a buffer, whatever its line end.
TEST(LineReader, RewindOfAFileKeptWholeRestarts) {
  std::mt19937 random(7);
  testing::TempDir dir;
  for (std::size_t first_length : {std::size_t{0}, std::size_t{70}, std::size_t{3'000'000}}) {
    for (const char* first_end : {"\n", "\r\n", "\r", ""}) {
      std::string bytes(first_length, 'f');
      bytes += first_end;
      if (*first_end != '\0') {
        for (int i = 0; i < 2000; ++i) bytes += random() % 4 == 0 ? (random() % 2 ? '\r' : '\n') : 'x';
      }
      const std::vector<std::string> expected = split_simply(bytes);
      testing::write_file(dir.file("in.txt"), bytes);
      for (std::size_t stop : {std::size_t{0}, std::size_t{1}, expected.size() / 2, expected.size() + 1}) {
        LineReader file(dir.file("in.txt"));
        std::string_view line;
        for (std::size_t i = 0; i < stop && file.next(line); ++i) {
        }
        ASSERT_TRUE(file.rewind());
        EXPECT_EQ(expected, read_all(file)) << first_length << " " << stop;
        ASSERT_TRUE(file.rewind());
        EXPECT_EQ(expected, read_all(file)) << first_length << " " << stop;
        EXPECT_EQ(expected.size(), file.line_number());
      }
    }
  }
}

TEST(LineReader, LoneCrLinesTakeLinearTime) {
  // Searching every line for an LF that never comes would scan the rest of
  // the buffer per line: minutes for these documents. Long lines take the
  // reader's path for long lines.
  struct Case {
    std::size_t length;
    std::size_t count;
  };
  for (const Case& c : {Case{1, 4'000'000}, Case{600, 40'000}}) {
    std::string bytes;
    for (std::size_t i = 0; i < c.count; ++i) bytes.append(c.length, 'x').push_back('\r');
    const auto start = std::chrono::steady_clock::now();
    LineReader memory = LineReader::from_memory(bytes);
    const std::vector<std::string> from_memory = read_all(memory);
    const std::vector<std::string> from_file = lines_of_file(bytes);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(c.count, from_memory.size());
    EXPECT_EQ(from_memory, from_file);
    EXPECT_LT(seconds, 10.0) << c.length;
  }
}

TEST(LineReader, MissingFileReadsAsNoLines) {
  testing::TempDir dir;
  LineReader missing(dir.file("absent.txt"));
  EXPECT_FALSE(missing.is_open());
  std::string_view line;
  EXPECT_FALSE(missing.next(line));
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

// The largest width there is, unknown to the compiler, which would otherwise
// warn about the buffered path that such a width never takes.
std::size_t absurd_width() {
  static volatile std::size_t width = std::numeric_limits<std::size_t>::max();
  return width;
}

TEST(LineWriter, RoomReservedTakesExactlyTheBytesCommitted) {
  testing::TempDir dir;
  std::string memory = "kept ";
  LineWriter in_memory = LineWriter::to_memory(memory);
  LineWriter in_file(dir.file("placed"));
  for (LineWriter* out : {&in_memory, &in_file}) {
    // Room beyond what the buffer holds makes the file writer write out
    // the bytes before: the piece still lands behind them.
    for (std::size_t most : {std::size_t{0}, std::size_t{3}, std::size_t{1} << 19, std::size_t{1} << 19}) {
      out->write("a");
      char* to = out->reserve(most);
      ASSERT_NE(nullptr, to) << most;
      std::memset(to, 'b', most / 2);
      out->commit(to + most / 2);
      out->end_line();
    }
  }
  ASSERT_TRUE(in_file.close());
  std::string expected = "kept ";
  for (std::size_t most : {std::size_t{0}, std::size_t{3}, std::size_t{1} << 19, std::size_t{1} << 19})
    expected += "a" + std::string(most / 2, 'b') + "\r\n";
  EXPECT_EQ(expected, memory);
  EXPECT_EQ(expected.substr(5), testing::read_file(dir.file("placed")));

  // No room larger than a buffer, and none once the writer has failed.
  LineWriter large(dir.file("large"));
  EXPECT_EQ(nullptr, large.reserve(std::size_t{1} << 21));
  large.fail("refused");
  EXPECT_EQ(nullptr, large.reserve(1));
  std::string refused;
  LineWriter failed = LineWriter::to_memory(refused);
  failed.fail("refused");
  EXPECT_EQ(nullptr, failed.reserve(1));
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
  out.write_blanks(absurd_width());
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
  out.write_blanks(absurd_width());
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

// A part left by one writer and filled by another ends up between the
// bytes written before and after it, whatever sizes the writes have and
// whatever the file held before; the writers count the part in.
TEST(LineWriter, PartLeftForAnotherWriterIsFilledInPlace) {
  testing::TempDir dir;
  const std::string path = dir.file("out.txt");
  const std::string large(3'000'000, 'p');
  for (const std::string& before : {std::string(), std::string(9'000'000, 'o')}) {
    for (const std::string& part : {std::string("part"), large}) {
      std::filesystem::remove(path);
      if (!before.empty()) testing::write_file(path, before);
      LineWriter out(path);
      out.write_line("head");
      std::uint64_t offset = 0;
      ASSERT_TRUE(out.leave_part(part.size() + 2, offset));
      EXPECT_EQ(6u, offset);
      out.write_line(large);
      LineWriter filler = LineWriter::into_part(path, offset);
      filler.write_line(part);
      ASSERT_TRUE(filler.close()) << filler.error();
      EXPECT_EQ(offset + part.size() + 2, filler.bytes_written());
      ASSERT_TRUE(out.close()) << out.error();
      EXPECT_EQ(6 + part.size() + 2 + large.size() + 2, out.bytes_written());
      EXPECT_EQ("head\r\n" + part + "\r\n" + large + "\r\n", testing::read_file(path)) << before.size();
    }
  }
  // No file to fill, or a writer that has failed: no part.
  EXPECT_FALSE(LineWriter::into_part(dir.file("missing.txt"), 0).ok());
  LineWriter failed(path);
  failed.fail("refused");
  std::uint64_t offset = 0;
  EXPECT_FALSE(failed.leave_part(10, offset));
}

// Keeps every line an observer is told.
class LinesHeard : public LineWriter::LineObserver {
 public:
  void line(std::string_view text) override { lines.emplace_back(text); }
  void line_too_long() override { ++too_long; }
  std::vector<std::string> lines;
  int too_long = 0;
};

// The observer hears every line as the file holds it, whether the line sits
// in the buffer, straddles a flush or is larger than the buffer.
TEST(LineWriter, ObserverHearsTheLinesTheFileHolds) {
  testing::TempDir dir;
  std::mt19937 random(3);
  LineWriter out(dir.file("observed"));
  LinesHeard heard;
  out.write_line("before the observer");
  out.observe_lines(&heard);
  for (int i = 0; i < 400; ++i) {
    const std::size_t size = i % 50 == 0 ? 900'000 + random() % 1000 : random() % 9000;
    const std::string text(size, static_cast<char>('a' + i % 26));
    switch (random() % 4) {
      case 0:
        out.write_line(text);
        break;
      case 3:
        // Placed in the room reserved (more than is used), or written when
        // there is none.
        if (char* to = out.reserve(size + random() % 100)) {
          std::memcpy(to, text.data(), size);
          out.commit(to + size);
        } else {
          out.write(text);
        }
        out.end_line();
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
  EXPECT_EQ(0, heard.too_long);
}

// A line longer than the observer is told is not held in memory: the
// observer hears of it once and no more lines after it, while the file
// still takes every line.
TEST(LineWriter, ObserverHearsOfALineTooLongAndNothingAfter) {
  testing::TempDir dir;
  const std::string huge(LineWriter::kLongestToldLine + 10, 'h');
  for (int split = 0; split < 2; ++split) {
    LineWriter out(dir.file("long"));
    LinesHeard heard;
    out.observe_lines(&heard);
    out.write_line("short");
    if (split == 0) {
      out.write_line(huge);
    } else {
      out.write(huge.substr(0, 1000));
      out.write_blanks(10);
      out.write(huge.substr(1010));
      out.end_line();
    }
    out.write_line("after");
    ASSERT_TRUE(out.close());
    ASSERT_EQ(1u, heard.lines.size()) << split;
    EXPECT_EQ("short", heard.lines[0]) << split;
    EXPECT_EQ(1, heard.too_long) << split;
    std::string expected = "short\r\n" + huge + "\r\nafter\r\n";
    if (split == 1) expected.replace(7 + 1000, 10, 10, ' ');
    EXPECT_TRUE(expected == testing::read_file(dir.file("long"))) << split;
  }
}

// Takes long lines in parts and puts each line heard back together.
class LongLinesHeard : public LinesHeard {
 public:
  bool takes_long_lines() const override { return true; }
  void long_line_part(std::string_view part) override {
    ++parts;
    long_line.append(part);
  }
  void long_line_end(std::string_view last_part) override {
    long_line.append(last_part);
    lines.push_back(std::move(long_line));
    long_line.clear();
  }
  std::string long_line;
  int parts = 0;
};

// An observer that takes long lines hears each as the file holds it,
// however the line was written and wherever it outgrew what is held: in one
// large write, in small ones, after blanks, by its very last byte.
TEST(LineWriter, LongLinesAreToldInParts) {
  testing::TempDir dir;
  constexpr std::size_t kHeld = LineWriter::kLongestToldLine;
  const std::size_t sizes[] = {kHeld - 1, kHeld, kHeld + 1, 3 * kHeld + 12345};
  std::mt19937 random(11);
  for (int way = 0; way < 3; ++way) {
    LineWriter out(dir.file("long"));
    LongLinesHeard heard;
    out.observe_lines(&heard);
    std::vector<std::string> written;
    for (std::size_t size : sizes) {
      std::string text(size, 'x');
      for (char& c : text) c = static_cast<char>('a' + random() % 26);
      switch (way) {
        case 0:
          out.write(text);
          break;
        case 1:
          for (std::size_t at = 0; at < size; at += 4000) out.write(std::string_view(text).substr(at, 4000));
          break;
        default:
          text.replace(0, 1000, 1000, ' ');
          out.write_blanks(1000);
          out.write(std::string_view(text).substr(1000, size - 1001));
          out.write(std::string_view(text).substr(size - 1));
      }
      out.end_line();
      out.write_line("short");
      written.push_back(std::move(text));
      written.push_back("short");
    }
    ASSERT_TRUE(out.close());
    EXPECT_EQ(0, heard.too_long) << way;
    EXPECT_LT(0, heard.parts) << way;
    ASSERT_EQ(written.size(), heard.lines.size()) << way;
    std::string file_text;
    for (std::size_t i = 0; i < written.size(); ++i) {
      EXPECT_TRUE(written[i] == heard.lines[i]) << way << " line " << i;
      file_text += written[i] + "\r\n";
    }
    EXPECT_TRUE(file_text == testing::read_file(dir.file("long"))) << way;
  }
}

// An observer that fails while a long text goes to the file: the failure
// comes through, and only once the file has taken the text, which the caller
// may then free (the sanitizer build would see a read of it afterwards).
TEST(LineWriter, ObserverFailingDuringALongTextLetsTheFileTakeItFirst) {
  class Failing : public LongLinesHeard {
   public:
    void long_line_part(std::string_view) override { throw std::runtime_error("observer failed"); }
  };
  testing::TempDir dir;
  LineWriter out(dir.file("long"));
  Failing observer;
  out.observe_lines(&observer);
  const std::size_t size = 3 * LineWriter::kLongestToldLine;
  {
    auto text = std::make_unique<std::string>(size, 't');
    EXPECT_THROW(out.write(*text), std::runtime_error);
  }
  out.observe_lines(nullptr);
  ASSERT_TRUE(out.close());
  EXPECT_EQ(size, std::filesystem::file_size(dir.file("long")));
}

// A long line ended without telling (its writer hands it on itself) was
// heard in part only: the observer hears that it was too long, and nothing
// more.
TEST(LineWriter, LongLineEndedUntoldEndsTheTelling) {
  testing::TempDir dir;
  LineWriter out(dir.file("untold"));
  LongLinesHeard heard;
  out.observe_lines(&heard);
  out.write_line("first");
  const std::string long_line(2 * LineWriter::kLongestToldLine + 5, 'u');
  out.write(long_line);
  out.end_line_untold();
  out.write_line("after");
  ASSERT_TRUE(out.close());
  EXPECT_EQ(std::vector<std::string>{"first"}, heard.lines);
  EXPECT_EQ(1, heard.too_long);
  EXPECT_TRUE("first\r\n" + long_line + "\r\nafter\r\n" == testing::read_file(dir.file("untold")));
}

}  // namespace
}  // namespace kestram
