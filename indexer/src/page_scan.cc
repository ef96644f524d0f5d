#include "page_scan.h"

#include "word_text.h"

namespace kestram::lexpage {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool is_letter(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_alnum(char c) { return is_letter(c) || is_digit(c); }

bool equals_lower(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if ((is_letter(text[i]) ? static_cast<char>(text[i] | 0x20) : text[i]) != lower[i]) return false;
  return true;
}

void append_utf8(std::string& out, std::uint32_t code) {
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = 0xFFFD;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

class Scanner {
 public:
  explicit Scanner(std::string_view page) : page_(page) {
    result_.chapters.emplace_back();
    result_.body_end = page.size();
    result_.words.reserve(page.size() / 8);
    result_.plain.reserve(page.size());
  }

  PageScan run() {
    const std::size_t size = page_.size();
    std::size_t i = 0;
    while (i < size) {
      char c = page_[i];
      if (is_word_byte(static_cast<unsigned char>(c))) {
        i = word(i);
      } else if (c == '<') {
        std::size_t end = markup(i);
        if (end == kNone) {
          ++i;
        } else {
          flush_text(i);
          i = text_start_ = end;
        }
      } else if (c == '&') {
        flush_text(i);
        std::size_t end = reference(i);
        if (end == kNone) {
          ++i;  // an ordinary "&", copied with the text that follows
        } else {
          i = text_start_ = end;
        }
      } else {
        ++i;
      }
    }
    flush_text(size);
    return std::move(result_);
  }

 private:
  // Reads the word (or separator) starting at `at`; returns where it ends.
  std::size_t word(std::size_t at) {
    if (std::size_t skip = separator_length(page_.substr(at))) return at + skip;
    std::size_t i = at + 1;
    while (i < page_.size() && is_word_byte(static_cast<unsigned char>(page_[i])) &&
           separator_length(page_.substr(i)) == 0)
      ++i;
    // The word's text has not been copied to `plain` yet: it follows what has.
    std::size_t plain_offset = result_.plain.size() + (at - text_start_);
    result_.words.push_back(WordSpan{static_cast<std::uint32_t>(at),
                                     static_cast<std::uint32_t>(i - at),
                                     static_cast<std::uint32_t>(plain_offset), chapter_});
    return i;
  }

  void flush_text(std::size_t end) {
    result_.plain.append(page_.data() + text_start_, end - text_start_);
    text_start_ = end;
  }

  // For a "<" at `at`: the end of the markup it opens, or kNone when it is
  // plain text.
  std::size_t markup(std::size_t at) {
    const std::size_t size = page_.size();
    if (at + 1 >= size) return kNone;
    char next = page_[at + 1];
    if (next == '!') {
      if (page_.compare(at, 4, "<!--") == 0) {
        // From the first hyphen on, so that "<!-->" and "<!--->" are empty comments.
        std::size_t close = page_.find("-->", at + 2);
        return close == kNone ? size : close + 3;
      }
      return tag_close(at + 2);
    }
    if (next == '?') return tag_close(at + 2);
    if (next == '/') {
      if (at + 2 >= size || !is_letter(page_[at + 2])) return tag_close(at + 2);
      std::size_t name_end = name(at + 2);
      if (result_.body_end == size && equals_lower(page_.substr(at + 2, name_end - at - 2), "body"))
        result_.body_end = at;
      return attributes(name_end, nullptr);
    }
    if (!is_letter(next)) return kNone;

    std::size_t name_end = name(at + 1);
    std::string_view tag = page_.substr(at + 1, name_end - at - 1);
    std::string_view id;
    std::size_t end = attributes(name_end, equals_lower(tag, "span") ? &id : nullptr);
    if (is_chapter_number(id)) {
      result_.chapters.emplace_back(id);
      chapter_ = static_cast<std::uint32_t>(result_.chapters.size() - 1);
    }
    for (std::string_view raw : {"script", "style", "title", "textarea"})
      if (equals_lower(tag, raw)) return raw_text_end(end, raw);
    return end;
  }

  std::size_t name(std::size_t at) const {
    while (at < page_.size() && !is_space(page_[at]) && page_[at] != '/' && page_[at] != '>') ++at;
    return at;
  }

  // Declarations, processing instructions and malformed end tags run to the
  // next ">".
  std::size_t tag_close(std::size_t at) const {
    std::size_t close = page_.find('>', at);
    return close == kNone ? page_.size() : close + 1;
  }

  // Reads the attributes of a tag from `at` to its closing ">", whose end it
  // returns. A quoted value may hold ">". Stores the value of the ID
  // attribute in `id` when asked.
  std::size_t attributes(std::size_t at, std::string_view* id) const {
    const std::size_t size = page_.size();
    for (;;) {
      while (at < size && (is_space(page_[at]) || page_[at] == '/')) ++at;
      if (at >= size) return size;
      if (page_[at] == '>') return at + 1;
      std::size_t name_start = at++;
      while (at < size && !is_space(page_[at]) && page_[at] != '/' && page_[at] != '>' &&
             page_[at] != '=')
        ++at;
      std::string_view attribute = page_.substr(name_start, at - name_start);
      while (at < size && is_space(page_[at])) ++at;
      if (at >= size || page_[at] != '=') continue;
      ++at;
      while (at < size && is_space(page_[at])) ++at;
      std::string_view value;
      if (at < size && (page_[at] == '"' || page_[at] == '\'')) {
        std::size_t close = page_.find(page_[at], at + 1);
        if (close == kNone) return size;
        value = page_.substr(at + 1, close - at - 1);
        at = close + 1;
      } else {
        std::size_t start = at;
        while (at < size && !is_space(page_[at]) && page_[at] != '>') ++at;
        value = page_.substr(start, at - start);
      }
      if (id != nullptr && id->empty() && equals_lower(attribute, "id")) *id = value;
    }
  }

  // The content of a script, style, title or textarea element ends at its
  // end tag, whatever it holds.
  std::size_t raw_text_end(std::size_t at, std::string_view tag) const {
    for (std::size_t lt = page_.find("</", at); lt != kNone; lt = page_.find("</", lt + 2)) {
      std::size_t after = lt + 2 + tag.size();
      if (after <= page_.size() && equals_lower(page_.substr(lt + 2, tag.size()), tag) &&
          (after == page_.size() || is_space(page_[after]) || page_[after] == '/' ||
           page_[after] == '>'))
        return lt;
    }
    return page_.size();
  }

  // For an "&" at `at`: decodes the character reference into `plain` and
  // returns its end, or kNone when the "&" opens none.
  std::size_t reference(std::size_t at) {
    constexpr std::size_t kLongest = 32;
    const std::size_t size = page_.size();
    std::size_t i = at + 1;
    if (i < size && page_[i] == '#') {
      ++i;
      bool hex = i < size && (page_[i] | 0x20) == 'x';
      if (hex) ++i;
      std::size_t start = i;
      std::uint32_t code = 0;
      while (i < size && i - start < 8 &&
             (is_digit(page_[i]) || (hex && (page_[i] | 0x20) >= 'a' && (page_[i] | 0x20) <= 'f'))) {
        char d = page_[i++];
        code = code * (hex ? 16 : 10) + (is_digit(d) ? d - '0' : (d | 0x20) - 'a' + 10);
      }
      if (i == start || i >= size || page_[i] != ';') return kNone;
      append_utf8(result_.plain, code);
      return i + 1;
    }
    std::size_t start = i;
    while (i < size && i - start <= kLongest && is_alnum(page_[i])) ++i;
    if (i == start || i - start > kLongest || i >= size || page_[i] != ';') return kNone;
    std::string_view entity = page_.substr(start, i - start);
    static constexpr std::pair<std::string_view, std::string_view> kKnown[] = {
        {"lt", "<"}, {"gt", ">"}, {"amp", "&"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
    std::string_view decoded = page_.substr(at, i + 1 - at);
    for (const auto& [known, text] : kKnown)
      if (entity == known) decoded = text;
    result_.plain.append(decoded);
    return i + 1;
  }

  std::string_view page_;
  std::size_t text_start_ = 0;  // first page byte not yet copied to plain
  std::uint32_t chapter_ = 0;
  PageScan result_;
};

}  // namespace

bool is_chapter_number(std::string_view text) {
  if (text.empty() || !is_digit(text[0])) return false;
  for (char c : text)
    if (!is_digit(c) && c != '.') return false;
  return true;
}

PageScan scan_page(std::string_view page) { return Scanner(page).run(); }

}  // namespace kestram::lexpage
