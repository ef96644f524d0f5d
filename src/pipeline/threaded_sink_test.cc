#include "pipeline/threaded_sink.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestram {
namespace {

// Keeps every line with the number of pieces it came in; throws at the line
// numbered `throw_at` (from 1), or at the end when that is 0.
class Recorder : public LineSink {
 public:
  explicit Recorder(std::size_t throw_at = ~std::size_t{0}) : throw_at_(throw_at) {}
  void write(std::string_view piece) override {
    current_.append(piece);
    ++pieces_;
  }
  void end_line() override {
    if (lines.size() + 1 == throw_at_) throw std::runtime_error("line refused");
    lines.push_back(current_);
    pieces.push_back(pieces_);
    current_.clear();
    pieces_ = 0;
  }
  void finish() override {
    if (throw_at_ == 0) throw std::runtime_error("end refused");
    ++finishes;
  }
  std::vector<std::string> lines;
  std::vector<std::size_t> pieces;
  int finishes = 0;

 private:
  std::size_t throw_at_;
  std::string current_;
  std::size_t pieces_ = 0;
};

// Lines of many sizes, some far longer than a batch, each written in pieces.
std::vector<std::string> some_lines(std::size_t count) {
  std::mt19937 random(21);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t size = i == count / 2 ? 1'500'000 : random() % 8 == 0 ? random() % 20'000 : random() % 100;
    lines.emplace_back(size, static_cast<char>('a' + i % 26));
  }
  return lines;
}

void write_in_pieces(LineSink& sink, const std::vector<std::string>& lines) {
  std::mt19937 random(4);
  for (const std::string& line : lines) {
    for (std::size_t at = 0, size = 0; at < line.size(); at += size) {
      size = 1 + random() % 5000;
      sink.write(std::string_view(line).substr(at, size));
    }
    sink.end_line();
  }
}

TEST(ThreadedSink, LinesArriveWholeAndInOrder) {
  const std::vector<std::string> lines = some_lines(4000);  // many batches
  Recorder behind;
  ThreadedSink sink(behind);
  write_in_pieces(sink, lines);
  sink.finish();
  EXPECT_TRUE(lines == behind.lines);
  EXPECT_EQ(std::vector<std::size_t>(lines.size(), 1), behind.pieces);
  EXPECT_EQ(1, behind.finishes);
}

// A failure behind, early, late or at the end, reaches the caller's finish()
// however many lines are written after it.
TEST(ThreadedSink, FailureBehindReachesFinish) {
  const std::vector<std::string> lines = some_lines(4000);
  for (std::size_t throw_at : {std::size_t{1}, std::size_t{3000}, std::size_t{0}}) {
    Recorder behind(throw_at);
    ThreadedSink sink(behind);
    write_in_pieces(sink, lines);
    try {
      sink.finish();
      ADD_FAILURE() << "nothing thrown at " << throw_at;
    } catch (const std::runtime_error& e) {
      EXPECT_EQ(throw_at == 0 ? "end refused" : "line refused", std::string(e.what())) << throw_at;
    }
    if (throw_at != 0) {
      EXPECT_EQ(throw_at - 1, behind.lines.size());
      EXPECT_EQ(0, behind.finishes);
    }
  }
}

}  // namespace
}  // namespace kestram
