#include "iconv.h"

#include <windows.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

struct kestram_iconv {
  struct Encoding {
    enum Kind { kCodePage, kUtf16Le, kUtf16Be } kind = kCodePage;
    UINT code_page = 0;
    bool double_byte = false;  // characters of one or two bytes, told by the lead byte
  };
  Encoding from;
  Encoding to;
};

namespace {

using Encoding = kestram_iconv::Encoding;

constexpr UINT kUtf8 = 65001;

std::string ascii_upper(const char* name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

// The number after `prefix` in `name`, when `name` is exactly that.
std::optional<UINT> number_after(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size()) return std::nullopt;
  UINT number = 0;
  const char* end = name.data() + name.size();
  auto [stop, error] = std::from_chars(name.data() + prefix.size(), end, number);
  if (error != std::errc() || stop != end) return std::nullopt;
  return number;
}

std::optional<UINT> code_page_number(const std::string& name) {
  if (name == "UTF-8" || name == "UTF8") return kUtf8;
  if (name == "US-ASCII" || name == "ASCII") return 20127;
  if (name == "KOI8-R") return 20866;
  if (name == "KOI8-U") return 21866;
  if (name == "LATIN1") return 28591;
  for (std::string_view prefix : {"ISO-8859-", "ISO8859-", "ISO_8859-"}) {
    if (std::optional<UINT> part = number_after(name, prefix)) {
      if (*part >= 1 && *part <= 16) return 28590 + *part;
      return std::nullopt;
    }
  }
  for (std::string_view prefix : {"CP", "WINDOWS-", "IBM", ""})
    if (std::optional<UINT> number = number_after(name, prefix)) return number;
  return std::nullopt;
}

std::optional<Encoding> encoding_named(const char* name) {
  const std::string upper = ascii_upper(name);
  if (upper == "UTF-16LE") return Encoding{Encoding::kUtf16Le, 0, false};
  if (upper == "UTF-16BE") return Encoding{Encoding::kUtf16Be, 0, false};
  std::optional<UINT> number = code_page_number(upper);
  if (!number || !IsValidCodePage(*number)) return std::nullopt;
  if (*number == kUtf8) return Encoding{Encoding::kCodePage, kUtf8, false};
  CPINFO info;
  // Stateful and four-byte code pages (ISO-2022, GB18030) convert only whole
  // texts, not one character at a time.
  if (!GetCPInfo(*number, &info) || info.MaxCharSize > 2 || (*number >= 50000 && *number < 60000))
    return std::nullopt;
  return Encoding{Encoding::kCodePage, *number, info.MaxCharSize == 2};
}

enum class Step { kDone, kInvalid, kIncomplete };

// One character of the input, as the UTF-16 units it stands for.
struct Character {
  Step step = Step::kInvalid;
  std::size_t length = 0;  // bytes of input
  wchar_t units[2] = {0, 0};
  int unit_count = 0;
};

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

Character decode_utf16(const unsigned char* in, std::size_t left, bool little_endian) {
  Character c;
  auto unit_at = [&](std::size_t i) {
    return static_cast<wchar_t>(little_endian ? in[i] | (in[i + 1] << 8) : (in[i] << 8) | in[i + 1]);
  };
  if (left < 2) return Character{Step::kIncomplete};
  const wchar_t first = unit_at(0);
  if (first >= 0xDC00 && first <= 0xDFFF) return c;
  if (first >= 0xD800 && first <= 0xDBFF) {
    if (left < 4) return Character{Step::kIncomplete};
    const wchar_t second = unit_at(2);
    if (second < 0xDC00 || second > 0xDFFF) return c;
    return Character{Step::kDone, 4, {first, second}, 2};
  }
  return Character{Step::kDone, 2, {first, 0}, 1};
}

// The length of the character that starts with `lead`, 0 when no character
// starts so.
std::size_t utf8_length(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

Character decode(const Encoding& from, const unsigned char* in, std::size_t left) {
  if (from.kind != Encoding::kCodePage) return decode_utf16(in, left, from.kind == Encoding::kUtf16Le);
  std::size_t length = 1;
  if (from.code_page == kUtf8) {
    length = utf8_length(in[0]);
    if (length == 0) return Character{};
    for (std::size_t i = 1; i < length && i < left; ++i)
      if (!is_continuation(in[i])) return Character{};
  } else if (from.double_byte && IsDBCSLeadByteEx(from.code_page, in[0])) {
    length = 2;
  }
  if (length > left) return Character{Step::kIncomplete};
  Character c;
  c.unit_count = MultiByteToWideChar(from.code_page, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(in),
                                     static_cast<int>(length), c.units, 2);
  if (c.unit_count <= 0) return Character{};
  c.step = Step::kDone;
  c.length = length;
  return c;
}

// The bytes of `c` in `to`, at most 8; 0 when it has no equivalent there.
std::size_t encode(const Encoding& to, const Character& c, unsigned char* out) {
  if (to.kind != Encoding::kCodePage) {
    for (int i = 0; i < c.unit_count; ++i) {
      const unsigned char low = static_cast<unsigned char>(c.units[i] & 0xFF);
      const unsigned char high = static_cast<unsigned char>(c.units[i] >> 8);
      out[2 * i] = to.kind == Encoding::kUtf16Le ? low : high;
      out[2 * i + 1] = to.kind == Encoding::kUtf16Le ? high : low;
    }
    return static_cast<std::size_t>(2 * c.unit_count);
  }
  char* bytes = reinterpret_cast<char*>(out);
  if (to.code_page == kUtf8) {
    int size = WideCharToMultiByte(kUtf8, WC_ERR_INVALID_CHARS, c.units, c.unit_count, bytes, 8, nullptr, nullptr);
    return size > 0 ? static_cast<std::size_t>(size) : 0;
  }
  // Without best fit, a character the code page lacks turns into its default
  // character and is reported, instead of becoming a look-alike.
  BOOL defaulted = FALSE;
  int size = WideCharToMultiByte(to.code_page, WC_NO_BEST_FIT_CHARS, c.units, c.unit_count, bytes, 8, nullptr,
                                 &defaulted);
  return size > 0 && !defaulted ? static_cast<std::size_t>(size) : 0;
}

std::size_t fail(int error_number) {
  errno = error_number;
  return static_cast<std::size_t>(-1);
}

}  // namespace

iconv_t iconv_open(const char* to, const char* from) {
  std::optional<Encoding> from_encoding = from != nullptr ? encoding_named(from) : std::nullopt;
  std::optional<Encoding> to_encoding = to != nullptr ? encoding_named(to) : std::nullopt;
  if (!from_encoding || !to_encoding) {
    errno = EINVAL;
    return reinterpret_cast<iconv_t>(-1);
  }
  return new kestram_iconv{*from_encoding, *to_encoding};
}

std::size_t iconv(iconv_t converter, char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
  if (converter == nullptr || converter == reinterpret_cast<iconv_t>(-1)) return fail(EBADF);
  if (in == nullptr || *in == nullptr) return 0;
  while (*in_left > 0) {
    const Character c = decode(converter->from, reinterpret_cast<const unsigned char*>(*in), *in_left);
    if (c.step == Step::kIncomplete) return fail(EINVAL);
    if (c.step == Step::kInvalid) return fail(EILSEQ);
    unsigned char bytes[8];
    const std::size_t size = encode(converter->to, c, bytes);
    if (size == 0) return fail(EILSEQ);
    if (size > *out_left) return fail(E2BIG);
    std::memcpy(*out, bytes, size);
    *out += size;
    *out_left -= size;
    *in += c.length;
    *in_left -= c.length;
  }
  return 0;
}

int iconv_close(iconv_t converter) {
  if (converter == nullptr || converter == reinterpret_cast<iconv_t>(-1)) {
    errno = EBADF;
    return -1;
  }
  delete converter;
  return 0;
}
