#include "page_encoding.h"

#include <cstdint>

namespace kestram::lexpage {
namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

std::size_t find_lower(std::string_view text, std::string_view lower_needle) {
  if (lower_needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t at = 0; at + lower_needle.size() <= text.size(); ++at) {
    std::size_t i = 0;
    while (i < lower_needle.size() && lower(text[at + i]) == lower_needle[i]) ++i;
    if (i == lower_needle.size()) return at;
  }
  return std::string_view::npos;
}

// Where the declared encoding's name stands in the page, or npos.
struct Declaration {
  std::size_t at = std::string_view::npos;
  std::size_t size = 0;
};

Declaration find_declaration(std::string_view page) {
  const std::string_view head = page.substr(0, find_lower(page, "<body"));
  const std::size_t charset = find_lower(head, "charset=");
  if (charset == std::string_view::npos) return {};
  std::size_t at = charset + 8;
  if (at < head.size() && (head[at] == '"' || head[at] == '\'')) ++at;
  std::size_t end = at;
  while (end < head.size() && head.substr(end, 1).find_first_of("\"'; >\t\r\n") == std::string_view::npos) ++end;
  return {at, end - at};
}

bool is_windows_1252_name(std::string_view name) {
  for (std::string_view known : {"windows-1252", "cp1252", "iso-8859-1", "latin1"})
    if (name.size() == known.size() && find_lower(name, known) == 0) return true;
  return false;
}

// The characters of bytes 0x80 to 0x9F; the five the code page leaves
// undefined stand for the control characters of the same number.
constexpr std::uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void append_windows_1252(std::string& out, std::string_view bytes) {
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    const std::uint32_t code = byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
}

}  // namespace

PageEncoding declared_encoding(std::string_view page) {
  const Declaration declaration = find_declaration(page);
  if (declaration.at == std::string_view::npos) return PageEncoding::kUtf8;
  return is_windows_1252_name(page.substr(declaration.at, declaration.size)) ? PageEncoding::kWindows1252
                                                                             : PageEncoding::kUtf8;
}

std::string page_in_utf8(std::string page) {
  if (declared_encoding(page) != PageEncoding::kWindows1252) return page;
  const Declaration declaration = find_declaration(page);
  const std::string_view bytes = page;
  std::string out;
  out.reserve(page.size() + page.size() / 8);
  append_windows_1252(out, bytes.substr(0, declaration.at));
  out += "UTF-8";
  append_windows_1252(out, bytes.substr(declaration.at + declaration.size));
  return out;
}

}  // namespace kestram::lexpage
