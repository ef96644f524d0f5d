#include "platform/console_windows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace kestram {
namespace {

INPUT_RECORD key_event(bool down, WORD virtual_key, wchar_t character, DWORD state = 0, WORD repeats = 1) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down;
  record.Event.KeyEvent.wRepeatCount = repeats;
  record.Event.KeyEvent.wVirtualKeyCode = virtual_key;
  record.Event.KeyEvent.uChar.UnicodeChar = character;
  record.Event.KeyEvent.dwControlKeyState = state;
  return record;
}

std::vector<std::string> decode(UINT code_page, const std::vector<INPUT_RECORD>& records) {
  KeyDecoder decoder(code_page);
  std::deque<std::string> keys;
  for (const INPUT_RECORD& record : records) decoder.feed(record, keys);
  return std::vector<std::string>(keys.begin(), keys.end());
}

TEST(KeyDecoder, KeysAsAMenuSeesThem) {
  INPUT_RECORD mouse{};
  mouse.EventType = MOUSE_EVENT;
  INPUT_RECORD resize{};
  resize.EventType = WINDOW_BUFFER_SIZE_EVENT;
  struct Case {
    const char* what;
    std::vector<INPUT_RECORD> records;
    std::vector<std::string> keys;
    UINT code_page = 850;
  };
  const std::vector<Case> cases = {
      {"digit pressed and let go", {key_event(true, '1', L'1'), key_event(false, '1', L'1')}, {"1"}},
      {"keypad digit", {key_event(true, VK_NUMPAD2, L'2')}, {"2"}},
      {"arrow and function key give one key each",
       {key_event(true, VK_UP, 0, ENHANCED_KEY), key_event(false, VK_UP, 0), key_event(true, VK_F1, 0)},
       {"", ""}},
      {"Enter", {key_event(true, VK_RETURN, L'\r')}, {"\r"}},
      {"modifiers and locks alone are no key",
       {key_event(true, VK_SHIFT, 0), key_event(true, VK_CONTROL, 0), key_event(true, VK_MENU, 0),
        key_event(true, VK_CAPITAL, 0), key_event(true, VK_NUMLOCK, 0), key_event(true, VK_LWIN, 0)},
       {}},
      {"shifted key gives its character", {key_event(true, VK_SHIFT, 0), key_event(true, 'A', L'A', SHIFT_PRESSED)},
       {"A"}},
      {"control key gives its control character", {key_event(true, 'C', 3, LEFT_CTRL_PRESSED)}, {"\x03"}},
      {"held key repeats", {key_event(true, 'x', L'x', 0, 3)}, {"x", "x", "x"}},
      {"mouse and window events are no key", {mouse, resize}, {}},
      {"Alt plus keypad digits is one key at the release of Alt",
       {key_event(true, VK_MENU, 0, LEFT_ALT_PRESSED), key_event(true, VK_NUMPAD4, 0, LEFT_ALT_PRESSED),
        key_event(false, VK_NUMPAD4, 0, LEFT_ALT_PRESSED), key_event(true, VK_NUMPAD9, 0, LEFT_ALT_PRESSED),
        key_event(false, VK_MENU, L'1')},
       {"1"}},
      // Characters come in the console's code page.
      {"e acute in code page 850", {key_event(true, 0xDE, 0x00E9)}, {"\x82"}},
      {"e acute in code page 1252", {key_event(true, 0xDE, 0x00E9)}, {"\xe9"}, 1252},
      {"e acute in UTF-8", {key_event(true, 0xDE, 0x00E9)}, {"\xc3\xa9"}, 65001},
      {"a surrogate pair in UTF-8", {key_event(true, 0, 0xD83D), key_event(true, 0, 0xDE00)}, {"\xf0\x9f\x98\x80"},
       65001},
      {"a character the code page lacks", {key_event(true, 0, 0x4E2D)}, {"?"}},
  };
  for (const Case& c : cases) EXPECT_EQ(c.keys, decode(c.code_page, c.records)) << c.what;
}

// The real console, when the test runs in one (under wine: in a terminal).
class ConsoleMode : public ::testing::Test {
 protected:
  void SetUp() override {
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    in_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
    out_ = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD mode = 0;
    if (in_ == INVALID_HANDLE_VALUE || !GetConsoleMode(in_, &mode)) GTEST_SKIP() << "no console to read";
    saved_mode_ = mode;
    FlushConsoleInputBuffer(in_);
  }
  void TearDown() override {
    if (in_ != INVALID_HANDLE_VALUE) {
      SetConsoleMode(in_, saved_mode_);
      CloseHandle(in_);
    }
    if (out_ != INVALID_HANDLE_VALUE) CloseHandle(out_);
  }
  void type(const std::vector<INPUT_RECORD>& records) {
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputW(in_, records.data(), static_cast<DWORD>(records.size()), &written));
    ASSERT_EQ(records.size(), written);
  }
  // Key-down and key-up records for typing `text`, "\r" as Enter.
  static std::vector<INPUT_RECORD> typing(const std::wstring& text) {
    std::vector<INPUT_RECORD> records;
    for (wchar_t c : text) {
      const WORD key = c == L'\r' ? VK_RETURN : static_cast<WORD>(VkKeyScanW(c) & 0xff);
      records.push_back(key_event(true, key, c));
      records.push_back(key_event(false, key, c));
    }
    return records;
  }
  std::wstring screen_row(SHORT row) {
    wchar_t cells[80] = {};
    DWORD read = 0;
    ReadConsoleOutputCharacterW(out_, cells, 80, COORD{0, row}, &read);
    return std::wstring(cells, read);
  }

  HANDLE in_ = INVALID_HANDLE_VALUE;
  HANDLE out_ = INVALID_HANDLE_VALUE;
  DWORD saved_mode_ = 0;
};

TEST_F(ConsoleMode, KeysAndTypedLinesShareOneInput) {
  std::vector<INPUT_RECORD> keys = {key_event(true, VK_SHIFT, 0), key_event(true, VK_LEFT, 0, ENHANCED_KEY),
                                    key_event(false, VK_LEFT, 0), key_event(false, VK_SHIFT, 0)};
  for (const INPUT_RECORD& r : typing(L"2")) keys.push_back(r);
  for (const INPUT_RECORD& r : typing(L" 7, x\r")) keys.push_back(r);
  for (const INPUT_RECORD& r : typing(L"1")) keys.push_back(r);
  type(keys);
  std::unique_ptr<Console> console = make_handle_console(in_, out_);
  EXPECT_EQ("", console->read_key());
  EXPECT_EQ("2", console->read_key());
  CONSOLE_SCREEN_BUFFER_INFO before;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(out_, &before));
  EXPECT_EQ(" 7, x", console->read_line());
  // The console echoed the typed line where the cursor stood.
  EXPECT_EQ(0u, screen_row(before.dwCursorPosition.Y).find(L" 7, x", before.dwCursorPosition.X));
  EXPECT_EQ("1", console->read_key());
  DWORD mode = 0;
  GetConsoleMode(in_, &mode);
  EXPECT_EQ(saved_mode_, mode);
}

TEST_F(ConsoleMode, PromptStandsBeforeTheEchoOfTheAnswer) {
  type(typing(L"yes\r"));
  std::unique_ptr<Console> console = make_handle_console(in_, out_);
  CONSOLE_SCREEN_BUFFER_INFO before;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(out_, &before));
  console->write("\r\nprompt? ");
  EXPECT_EQ("yes", console->read_line());
  const std::wstring row = screen_row(static_cast<SHORT>(before.dwCursorPosition.Y + 1));
  EXPECT_EQ(0u, row.find(L"prompt? yes")) << std::string(row.begin(), row.end());
  EXPECT_GT(console->width(), 0);
}

}  // namespace
}  // namespace kestram
