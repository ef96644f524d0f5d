// A console for tests of the platform layer: keeps what is written, and what
// stood written at the last flush; it has no input.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/console.h"

namespace kestram::testing {

class RecordingConsole : public Console {
 public:
  void write(std::string_view text) override { transcript += text; }
  void flush() override { flushed = transcript; }
  std::optional<std::string> read_key() override { return std::nullopt; }
  std::optional<std::string> read_line() override { return std::nullopt; }
  int width() const override { return 80; }

  std::string transcript;
  std::string flushed;
};

}  // namespace kestram::testing
