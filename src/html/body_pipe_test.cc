#include "html/body_pipe.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/chapter_rows.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

struct FedLine {
  bool plain;
  std::uint64_t indent_blanks;
  std::string text;
};

// The page that a body writer makes of the lines when it is handed them
// directly, or through a pipe.
std::string page_of(const ChapterTable& table, const std::vector<FedLine>& lines, bool through_pipe) {
  std::string page_text;
  LineWriter page = LineWriter::to_memory(page_text);
  BodyWriter body(table, page);
  {
    BodyPipe pipe(body);
    for (const FedLine& line : lines) {
      if (!through_pipe) {
        if (line.plain) {
          body.add_plain(line.indent_blanks, line.text);
        } else {
          body.add(line.text);
        }
      } else if (line.plain) {
        pipe.plain_line(line.indent_blanks, line.text);
      } else {
        pipe.line(line.text);
      }
    }
    pipe.finish();
    EXPECT_TRUE(pipe.complete());
  }
  std::string table_file;
  body.finish([&table_file] { return LineWriter::to_memory(table_file); });
  return page_text + "|" + table_file;
}

// Lines of every kind and size, many more than the batches in flight hold,
// reach the body writer in order and whole: short ones copied, long ones
// handed on once the lines before them are taken.
TEST(BodyPipe, BodyWriterGetsEveryLineInOrder) {
  const ChapterTable table = testing::chapter_table_of({{3, "1."}, {40, "1.1"}, {5000, "2."}, {20000, "2.1"}});
  std::mt19937 random(3);
  const char* const kTexts[] = {"1. One", "plain words", "see http://x/y", "table_start: t", "column: a",
                                "table_end:", "<b>bold</b>", "a < b", ""};
  for (int round = 0; round < 4; ++round) {
    std::vector<FedLine> lines;
    const int line_total = round == 0 ? 3 : 30000;
    for (int i = 0; i < line_total; ++i) {
      FedLine line{random() % 2 == 0, random() % 5, kTexts[random() % 9]};
      if (random() % 500 == 0) line.text += std::string(BodyPipe::kLongestCopiedLine + random() % 3, 'w');
      // Just short enough to be copied, alone in a batch or filling one up.
      if (random() % 500 == 0) line.text = std::string(BodyPipe::kLongestCopiedLine - random() % 2, 'u');
      if (random() % 50 == 0) line.text += std::string(random() % 5000, 'v');
      lines.push_back(line);
    }
    EXPECT_EQ(page_of(table, lines, false), page_of(table, lines, true)) << round;
  }
}

// A failure on the pipe's thread (here the page's observer throws) reaches
// finish(), while the pass sends on meanwhile without waiting forever, and
// without handing a long line to the body writer behind the thread's back.
TEST(BodyPipe, FailureOnTheThreadReachesFinish) {
  struct FailingObserver : LineWriter::LineObserver {
    void line(std::string_view) override {
      if (++lines_told == 100) throw std::runtime_error("observer failed");
    }
    void line_too_long() override {}
    int lines_told = 0;
  } observer;
  testing::TempDir dir;
  const ChapterTable table = testing::chapter_table_of({{3, "1."}});
  LineWriter page(dir.file("page"));
  page.observe_lines(&observer);
  BodyWriter body(table, page);
  BodyPipe pipe(body);
  const std::string long_line(BodyPipe::kLongestCopiedLine + 1, 'w');
  for (int i = 1; i <= 20000; ++i) pipe.line(i % 1000 == 0 ? long_line : std::string("words"));
  EXPECT_THROW(pipe.finish(), std::runtime_error);
  EXPECT_EQ(100, observer.lines_told);
}

}  // namespace
}  // namespace kestram
