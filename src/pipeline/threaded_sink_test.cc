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
  explicit Recorder(std::size_t throw_at) : throw_at_(throw_at) {}
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

// Lines of many sizes, some far longer than a batch, each written in pieces
// over many batches, arrive whole and in order, with the end; a failure behind
// (early, late or at the end) reaches the caller's finish() however many
// lines are written after it.
TEST(ThreadedSink, LinesArriveWholeAndInOrderAndFailuresReachFinish) {
  std::mt19937 random(21);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < 4000; ++i)
    lines.emplace_back(i == 2000 ? 1'500'000 : random() % 8 == 0 ? random() % 20'000 : random() % 100, 'a' + i % 26);
  for (std::size_t throw_at : {~std::size_t{0}, std::size_t{1}, std::size_t{3000}, std::size_t{0}}) {
    Recorder behind(throw_at);
    std::string failure;
    {
      ThreadedSink sink(behind);
      for (const std::string& line : lines) {
        for (std::size_t at = 0, size = 0; at < line.size(); at += size)
          sink.write(std::string_view(line).substr(at, size = 1 + random() % 5000));
        sink.end_line();
      }
      try {
        sink.finish();
      } catch (const std::runtime_error& e) {
        failure = e.what();
      }
    }
    if (throw_at == ~std::size_t{0}) {
      EXPECT_TRUE(lines == behind.lines);
      EXPECT_EQ(std::vector<std::size_t>(lines.size(), 1), behind.pieces);
      EXPECT_EQ(1, behind.finishes);
      continue;
    }
    EXPECT_EQ(throw_at == 0 ? "end refused" : "line refused", failure) << throw_at;
    if (throw_at != 0) {
      EXPECT_EQ(throw_at - 1, behind.lines.size());
      EXPECT_EQ(0, behind.finishes);
    }
  }
}

}  // namespace
}  // namespace kestram
