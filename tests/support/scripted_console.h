// A console for tests: key presses and typed lines come from two scripts,
// and everything written is kept as one transcript.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/console.h"

namespace kestram::testing {

class ScriptedConsole : public Console {
 public:
  ScriptedConsole() = default;
  // Keys are answered in order by read_key, lines by read_line; when a script
  // is used up, its reads report the end of input.
  ScriptedConsole(std::vector<std::string> keys, std::vector<std::string> lines)
      : keys_(keys.begin(), keys.end()), lines_(lines.begin(), lines.end()) {}

  void write(std::string_view text) override { transcript_ += text; }

  std::optional<std::string> read_key() override {
    ++keys_read_;
    return take(keys_);
  }
  std::optional<std::string> read_line() override { return take(lines_); }
  int width() const override { return 80; }

  const std::string& transcript() const { return transcript_; }
  // Returns what was written so far and forgets it.
  std::string take_transcript() { return std::exchange(transcript_, {}); }
  // Key reads attempted, those at the end of the script included.
  std::size_t keys_read() const { return keys_read_; }
  std::size_t keys_left() const { return keys_.size(); }

 private:
  static std::optional<std::string> take(std::deque<std::string>& script) {
    if (script.empty()) return std::nullopt;
    std::string next = std::move(script.front());
    script.pop_front();
    return next;
  }

  std::deque<std::string> keys_;
  std::deque<std::string> lines_;
  std::string transcript_;
  std::size_t keys_read_ = 0;
};

}  // namespace kestram::testing
