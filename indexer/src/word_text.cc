#include "word_text.h"

namespace kestram::lexpage {

std::size_t separator_length(std::string_view text) {
  if (text.size() >= 2 && text[0] == '\xC2' && text[1] == '\xA0') return 2;
  if (text.size() >= 3 && text[0] == '\xEF' && text[1] == '\xBB' && text[2] == '\xBF') return 3;
  return 0;
}

void fold_word(std::string_view word, std::string& key) {
  key.assign(word.data(), word.size());
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
}

std::string_view initial_name(std::string_view key) {
  static constexpr std::string_view kInitials = "0123456789abcdefghijklmnopqrstuvwxyz";
  if (key.empty()) return "other";
  std::size_t at = kInitials.find(key[0]);
  return at == std::string_view::npos ? std::string_view("other") : kInitials.substr(at, 1);
}

void append_escaped(std::string& out, std::string_view text) {
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else if (c == '&') {
      out += "&amp;";
    } else if (byte < 0x20 || byte == 0x7F) {
      out += ' ';
    } else {
      out += c;
    }
  }
}

std::string browser_text(std::string_view text) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;  // first byte of the sequence being decoded
  int needed = 0;
  int seen = 0;
  unsigned char lower = 0x80;
  unsigned char upper = 0xBF;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char byte = static_cast<unsigned char>(text[i]);
    if (needed == 0) {
      start = i++;
      if (byte <= 0x7F) {
        out += static_cast<char>(byte);
      } else if (byte >= 0xC2 && byte <= 0xDF) {
        needed = 1;
      } else if (byte >= 0xE0 && byte <= 0xEF) {
        if (byte == 0xE0) lower = 0xA0;
        if (byte == 0xED) upper = 0x9F;  // no surrogates
        needed = 2;
      } else if (byte >= 0xF0 && byte <= 0xF4) {
        if (byte == 0xF0) lower = 0x90;
        if (byte == 0xF4) upper = 0x8F;  // nothing above U+10FFFF
        needed = 3;
      } else {
        out += kReplacement;
      }
      continue;
    }
    if (byte < lower || byte > upper) {
      // The sequence breaks off; the byte starts afresh.
      needed = seen = 0;
      lower = 0x80;
      upper = 0xBF;
      out += kReplacement;
      continue;
    }
    lower = 0x80;
    upper = 0xBF;
    ++i;
    if (++seen == needed) {
      out.append(text.data() + start, i - start);
      needed = seen = 0;
    }
  }
  if (needed != 0) out += kReplacement;
  return out;
}

std::string percent_encoded(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    unsigned char byte = static_cast<unsigned char>(c);
    bool plain = (byte >= '0' && byte <= '9') || ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') ||
                 byte == '-' || byte == '.' || byte == '_' || byte == '~';
    if (plain) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    }
  }
  return out;
}

std::size_t character_count(std::string_view text) {
  std::size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

}  // namespace kestram::lexpage
