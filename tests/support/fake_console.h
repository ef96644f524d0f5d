// A console for tests: everything written is kept in one string; key presses
// and typed lines come from queues, and an empty queue reads as the end of
// input.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/console.h"

namespace kestram::testing {

class FakeConsole : public Console {
 public:
  explicit FakeConsole(int width = 80) : width_(width) {}

  void write(std::string_view text) override { output_.append(text); }

  std::optional<std::string> read_key() override { return pop(keys_); }
  std::optional<std::string> read_line() override { return pop(lines_); }
  int width() const override { return width_; }

  void add_key(std::string key) { keys_.push_back(std::move(key)); }
  void add_line(std::string line) { lines_.push_back(std::move(line)); }

  const std::string& output() const { return output_; }
  // Returns what was written so far and forgets it.
  std::string take_output() { return std::exchange(output_, {}); }

 private:
  static std::optional<std::string> pop(std::deque<std::string>& queue) {
    if (queue.empty()) return std::nullopt;
    std::string front = std::move(queue.front());
    queue.pop_front();
    return front;
  }

  int width_;
  std::string output_;
  std::deque<std::string> keys_;
  std::deque<std::string> lines_;
};

}  // namespace kestram::testing
