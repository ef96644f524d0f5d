#include "text/lines.h"

#include <gtest/gtest.h>

#include <filesystem>
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
// of blocks) the reader looks at, and of the reads it makes: a CR as the last
// byte of a block or a read with its LF opening the next, a CR or LF as the
// first or last byte of the input, lines of NUL bytes. Then lines of NUL
// bytes, LFs and CRs in every mix, several buffers long, so that line ends
// fall on block and buffer edges at every offset; last, short lines among
// lines of up to 1.5 MB, which cross reads and outgrow the buffer. Halfway
// through, the reader is moved to another object, which carries on where it
// stood.
TEST(LineReader, LinesMatchASimpleSplit) {
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
  for (std::size_t first_read : {std::size_t{1} << 20, (std::size_t{1} << 20) - 1, std::size_t{1} << 21})
    documents.push_back(std::string(first_read - 1, 'a') + "\r\nnext\r");
  std::mt19937 random(11);
  const char alphabet[] = {'\n', '\r', '\0', 'a', 'b', ' '};
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
      const char* line_ends[] = {"\n", "\r\n", "\r"};
      bytes += line_ends[random() % 3];
    }
    documents.push_back(bytes);
  }
  testing::TempDir dir;
  for (const std::string& bytes : documents) {
    const std::vector<std::string> expected = split_simply(bytes);
    testing::write_file(dir.file("in.txt"), bytes);
    for (bool in_memory : {true, false}) {
      LineReader reader = in_memory ? LineReader::from_memory(bytes) : LineReader(dir.file("in.txt"));
      std::vector<std::string> lines;
      std::string_view line;
      while (lines.size() < expected.size() / 2 && reader.next(line)) lines.emplace_back(line);
      LineReader moved(std::move(reader));
      for (const std::string& rest : read_all(moved)) lines.push_back(rest);
      const std::string what = bytes.size() < 5000 ? ::testing::PrintToString(bytes) : std::to_string(bytes.size());
      EXPECT_EQ(expected, lines) << what << (in_memory ? " in memory" : " from a file");
      EXPECT_EQ(expected.size(), moved.line_number()) << what;
    }
  }
}

TEST(LineWriter, FailureInTheMiddleIsKeptAndStopsTheWriting) {
  // /dev/full takes the file open and refuses every byte written to it.
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
  // The failure comes with a text larger than the buffer, which goes to the
  // file at once, or with a text that finds the buffer too full to take it.
  for (std::size_t size : {3'000'000, 600'000}) {
    LineWriter out("/dev/full");
    ASSERT_TRUE(out.ok());
    out.write_line("small lines stay buffered at first");
    EXPECT_TRUE(out.ok());
    out.write(std::string(size, 'x'));
    out.write(std::string(size, 'y'));
    EXPECT_FALSE(out.ok()) << size;
    EXPECT_EQ("No space left on device", out.error()) << size;
    out.write(std::string(size, 'z'));
    EXPECT_FALSE(out.close());
    EXPECT_EQ("No space left on device", out.error()) << size;
  }
}

// An existing file, longer, shorter or as long, holds exactly the new text.
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
  LineWriter empty(path);
  ASSERT_TRUE(empty.close());
  EXPECT_EQ("", testing::read_file(path));
}

}  // namespace
}  // namespace kestram
