#include "platform/console_windows.h"

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string_view>

namespace kestram {
namespace {

// Output is written in pieces small enough for every console host.
constexpr std::size_t kWriteChunk = 16 * 1024;
// Held output is written once it reaches this size.
constexpr std::size_t kHeldOutputLimit = 64 * 1024;

bool is_modifier_or_lock(WORD virtual_key) {
  switch (virtual_key) {
    case VK_SHIFT: case VK_CONTROL: case VK_MENU:
    case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL: case VK_RCONTROL: case VK_LMENU: case VK_RMENU:
    case VK_LWIN: case VK_RWIN:
    case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

UINT input_code_page() {
  UINT code_page = GetConsoleCP();
  return code_page != 0 ? code_page : GetOEMCP();
}

class HandleConsole : public Console {
 public:
  HandleConsole(HANDLE input, HANDLE output) : input_(input), output_(output), decoder_(input_code_page()) {
    DWORD mode = 0;
    is_console_ = GetConsoleMode(input_, &mode) != 0;
  }
  ~HandleConsole() override { flush(); }

  void write(std::string_view text) override {
    if (broken_) return;
    held_.append(text.data(), text.size());
    if (held_.size() >= kHeldOutputLimit) flush();
  }

  void flush() override {
    std::size_t done = 0;
    while (!broken_ && done < held_.size()) {
      DWORD piece = static_cast<DWORD>(std::min(kWriteChunk, held_.size() - done));
      DWORD written = 0;
      if (!WriteFile(output_, held_.data() + done, piece, &written, nullptr) || written == 0) broken_ = true;
      done += written;
    }
    held_.clear();
  }

  std::optional<std::string> read_key() override {
    flush();
    return is_console_ ? read_console_key() : read_byte_key();
  }

  std::optional<std::string> read_line() override {
    flush();
    return is_console_ ? read_console_line() : read_byte_line();
  }

  int width() const override {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output_, &info)) return 80;
    return info.srWindow.Right - info.srWindow.Left + 1;
  }

 private:
  std::optional<std::string> read_console_key() {
    while (pending_keys_.empty()) {
      INPUT_RECORD record;
      DWORD count = 0;
      if (!ReadConsoleInputW(input_, &record, 1, &count)) return std::nullopt;
      if (count == 1) decoder_.feed(record, pending_keys_);
    }
    std::string key = std::move(pending_keys_.front());
    pending_keys_.pop_front();
    return key;
  }

  // The console's own line editing does the echo; the mode is set for the
  // read only if something left the console without it.
  std::optional<std::string> read_console_line() {
    pending_keys_.clear();
    DWORD old_mode = 0;
    GetConsoleMode(input_, &old_mode);
    const DWORD line_mode = old_mode | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT | ENABLE_PROCESSED_INPUT;
    if (line_mode != old_mode) SetConsoleMode(input_, line_mode);
    std::wstring line;
    bool ended = false;
    bool complete = false;
    while (!complete) {
      wchar_t buffer[512];
      DWORD count = 0;
      if (!ReadConsoleW(input_, buffer, 512, &count, nullptr) || count == 0) {
        ended = true;
        break;
      }
      complete = buffer[count - 1] == L'\n';
      if (line.size() < kMaxTypedLineBytes) line.append(buffer, count);
    }
    if (line_mode != old_mode) SetConsoleMode(input_, old_mode);
    if (ended && line.empty()) return std::nullopt;
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
    std::string bytes;
    if (!line.empty()) {
      const int length = static_cast<int>(std::min(line.size(), kMaxTypedLineBytes));
      const UINT code_page = input_code_page();
      int size = WideCharToMultiByte(code_page, 0, line.data(), length, nullptr, 0, nullptr, nullptr);
      bytes.resize(static_cast<std::size_t>(std::max(size, 0)));
      WideCharToMultiByte(code_page, 0, line.data(), length, bytes.data(), size, nullptr, nullptr);
    }
    if (bytes.size() > kMaxTypedLineBytes) bytes.resize(kMaxTypedLineBytes);
    return bytes;
  }

  // One byte, or nullopt once the writer has closed the pipe or the file has
  // ended. ReadFile on a console-less handle never returns before a byte
  // arrives or the input ends, so this blocks instead of spinning.
  std::optional<char> read_byte() {
    if (input_ended_) return std::nullopt;
    char byte = 0;
    DWORD count = 0;
    if (!ReadFile(input_, &byte, 1, &count, nullptr) || count == 0) {
      input_ended_ = true;
      return std::nullopt;
    }
    return byte;
  }

  std::optional<std::string> read_byte_key() {
    std::optional<char> byte = read_byte();
    if (!byte) return std::nullopt;
    return std::string(1, *byte);
  }

  std::optional<std::string> read_byte_line() {
    std::string line;
    bool any = false;
    while (std::optional<char> byte = read_byte()) {
      any = true;
      if (*byte == '\n') break;
      if (line.size() < kMaxTypedLineBytes) line.push_back(*byte);
    }
    if (!any) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
  }

  HANDLE input_;
  HANDLE output_;
  bool is_console_ = false;
  bool input_ended_ = false;
  bool broken_ = false;
  std::string held_;
  KeyDecoder decoder_;
  std::deque<std::string> pending_keys_;
};

}  // namespace

void KeyDecoder::feed(const INPUT_RECORD& record, std::deque<std::string>& keys) {
  if (record.EventType != KEY_EVENT) return;
  const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
  const wchar_t character = key.uChar.UnicodeChar;
  if (!key.bKeyDown) {
    // Alt plus keypad digits: the character comes with the release of Alt.
    if (key.wVirtualKeyCode == VK_MENU && character != 0) keys.push_back(encode(&character, 1));
    return;
  }
  if (is_modifier_or_lock(key.wVirtualKeyCode)) return;
  const bool alt_held = (key.dwControlKeyState & (LEFT_ALT_PRESSED | RIGHT_ALT_PRESSED)) != 0;
  const bool keypad_digit = key.wVirtualKeyCode >= VK_NUMPAD0 && key.wVirtualKeyCode <= VK_NUMPAD9;
  if (alt_held && keypad_digit && character == 0) return;

  std::string text;
  if (character >= 0xD800 && character <= 0xDBFF) {
    high_surrogate_ = character;
    return;
  }
  if (character >= 0xDC00 && character <= 0xDFFF && high_surrogate_ != 0) {
    const wchar_t pair[2] = {high_surrogate_, character};
    text = encode(pair, 2);
  } else if (character != 0) {
    text = encode(&character, 1);
  }
  high_surrogate_ = 0;
  const WORD repeats = std::max<WORD>(key.wRepeatCount, 1);
  for (WORD i = 0; i < repeats; ++i) keys.push_back(text);
}

std::string KeyDecoder::encode(const wchar_t* text, int length) const {
  char bytes[16];
  int size = WideCharToMultiByte(code_page_, 0, text, length, bytes, sizeof bytes, nullptr, nullptr);
  if (size <= 0) return "?";
  return std::string(bytes, static_cast<std::size_t>(size));
}

std::unique_ptr<Console> make_handle_console(HANDLE input, HANDLE output) {
  return std::make_unique<HandleConsole>(input, output);
}

std::unique_ptr<Console> make_process_console() {
  // Whatever still goes through the C streams passes bytes unchanged, too.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return make_handle_console(GetStdHandle(STD_INPUT_HANDLE), GetStdHandle(STD_OUTPUT_HANDLE));
}

}  // namespace kestram
