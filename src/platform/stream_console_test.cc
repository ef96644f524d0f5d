// The console of a program whose input is a pipe or a file, as the golden
// runs and every scripted use see it. Every platform keeps this contract.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/piped_console.h"

namespace kestram {
namespace {

using testing::PipedConsole;

// A key is one byte, whatever it is; a line runs to "\n", and only a "\r"
// right before it goes; the end of the input stays the end. Nothing is echoed.
TEST(StreamConsole, KeysAreBytesAndLinesRunToTheLineFeed) {
  const std::string input = std::string("1\x1b[\xc3\xa9\xff" "2abc\r\nx\ry\r\r\n\nn\0l\n", 23) + "3last";
  using Read = std::optional<std::string>;
  struct Step {
    bool key;
    Read expected;
  };
  const std::vector<Step> steps = {
      {true, "1"},      {true, "\x1b"},   {true, "["},  {true, "\xc3"},     {true, "\xa9"},       {true, "\xff"},
      {true, "2"},      {false, "abc"},   {false, "x\ry\r"}, {false, ""},  {false, std::string("n\0l", 3)},
      {true, "3"},      {false, "last"},  {false, std::nullopt}, {true, std::nullopt}, {false, std::nullopt}};
  for (bool regular_file : {false, true}) {
    PipedConsole piped(input, regular_file);
    EXPECT_EQ(80, piped.console->width());
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const Read got = steps[i].key ? piped.console->read_key() : piped.console->read_line();
      EXPECT_EQ(steps[i].expected, got) << "step " << i << (regular_file ? " from a file" : " from a pipe");
    }
    piped.console.reset();
    EXPECT_EQ("", piped.output());
  }
}

// A program started later finds the rest of the input in place.
TEST(StreamConsole, ReadsTakeNothingBeyondTheirKeyOrLine) {
  for (bool regular_file : {false, true}) {
    PipedConsole piped("1answer\r\n2rest", regular_file);
    EXPECT_EQ("1", piped.console->read_key());
    EXPECT_EQ("answer", piped.console->read_line());
    EXPECT_EQ("2", piped.console->read_key());
    EXPECT_EQ("rest", piped.rest_of_input()) << (regular_file ? "file" : "pipe");
  }
}

TEST(StreamConsole, OverlongLineIsCutAndTheNextLineIsIntact) {
  const std::string fill(kMaxTypedLineBytes - 1, 'a');
  for (const auto& [line, expected] : std::vector<std::pair<std::string, std::string>>{
           {fill, fill}, {fill + "b", fill + "b"}, {fill + "bcdef", fill + "b"}}) {
    PipedConsole piped(line + "\r\nnext\n", true);
    EXPECT_TRUE(expected == piped.console->read_line()) << line.size();
    EXPECT_EQ("next", piped.console->read_line()) << line.size();
  }
}

// Output waits for the next read, a flush or the end, and keeps every byte.
TEST(StreamConsole, OutputIsWrittenBeforeEveryReadAndKeepsEveryByte) {
  PipedConsole piped("k", false);
  const std::string bytes("prompt a\r\nb\nc\x1a" "d\0e\r\r\n\x80\xff", 22);
  piped.console->write(bytes);
  EXPECT_EQ("", piped.output());
  EXPECT_EQ("k", piped.console->read_key());
  EXPECT_EQ(bytes, piped.output());
  piped.console->write("held");
  piped.console->flush();
  EXPECT_EQ(bytes + "held", piped.output());
  std::string expected = bytes + "held";
  for (int i = 0; i < 200000; ++i) {
    const std::string line = "line " + std::to_string(i) + std::string("\0\r\n", 3);
    piped.console->write(line);
    expected += line;
  }
  piped.console.reset();
  EXPECT_TRUE(expected == piped.output());
}

// Output nobody reads is dropped; the program neither ends nor stops.
TEST(StreamConsole, OutputNobodyReadsIsDroppedAndTheRunGoesOn) {
  PipedConsole piped("x\n", false, true);
  piped.console->write("lost");
  piped.console->flush();
  piped.console->write(std::string(1 << 20, 'z'));
  EXPECT_EQ("x", piped.console->read_line());
}

}  // namespace
}  // namespace kestram
