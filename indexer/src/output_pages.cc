#include "output_pages.h"

#include <algorithm>
#include <charconv>

#include "word_text.h"

namespace kestram::lexpage {
namespace {

// Longest part of a word shown in a line of context.
constexpr std::size_t kShownWordLength = 60;
constexpr std::size_t kChapterColumn = 12;

// Added where the page's body ends. The bar is fixed to the window's corner,
// so that the page's text keeps its place.
constexpr std::string_view kWordPageAddition =
    "<style>w:target{background:#ffff80}\r\n"
    "nav.lexpage{position:fixed;top:0;right:0;padding:2px 8px;background:#eef;"
    "font:13px Arial,sans-serif;border:1px solid #99c}</style>\r\n"
    "<nav class=\"lexpage\"><a href=\"index1.htm\">Index of all words</a> | "
    "<a href=\"search.htm\">Search</a></nav>\r\n"
    "<script>\r\n"
    "// Double-clicking a word opens its entry in the index of all words.\r\n"
    "document.addEventListener('dblclick', function (event) {\r\n"
    "  var word = '';\r\n"
    "  var node = event.target;\r\n"
    "  if (node && node.nodeName === 'W') {\r\n"
    "    word = node.textContent;\r\n"
    "  } else {\r\n"
    "    var found = /[0-9A-Za-z\\u0080-\\u009f\\u00a1-\\ufefe\\uff00-\\uffff]+/\r\n"
    "        .exec(String(window.getSelection()));\r\n"
    "    if (found) word = found[0];\r\n"
    "  }\r\n"
    "  if (!word) return;\r\n"
    "  word = word.replace(/[A-Z]+/g, function (letters) { return letters.toLowerCase(); });\r\n"
    "  var initial = /^[0-9a-z]/.test(word) ? word.charAt(0) : 'other';\r\n"
    "  window.location.href = 'i_' + initial + '.htm#' + encodeURIComponent(word);\r\n"
    "});\r\n"
    "</script>\r\n";

// Appends the anchor of an occurrence ("w17") without a temporary string.
void append_anchor(std::string& out, std::size_t occurrence) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, occurrence + 1).ptr;
  out += 'w';
  out.append(digits, static_cast<std::size_t>(end - digits));
}

// A word as shown in a line of context: long words are cut.
std::string_view shown_word(std::string_view word, bool& cut) {
  cut = false;
  std::size_t characters = 0;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if ((static_cast<unsigned char>(word[i]) & 0xC0) != 0x80 && characters++ == kShownWordLength) {
      cut = true;
      return word.substr(0, i);
    }
  }
  return word;
}

void append_context_line(const IndexedPage& page, const std::string& page_link, std::uint32_t occurrence,
                         std::size_t chapter_width, std::string& line) {
  const WordSpan& word = page.scan.words[occurrence];
  ContextLine context = context_line(page.scan.plain, word, kContextWidth);
  line.clear();
  std::string_view chapter = chapter_label(page.scan, word.chapter);
  append_escaped(line, chapter);
  line.append(chapter_width > chapter.size() ? chapter_width - chapter.size() + 2 : 2, ' ');
  std::size_t before = character_count(context.before);
  if (before < kContextWidth) line.append(kContextWidth - before, ' ');
  append_escaped(line, context.before);
  line += page_link;
  append_anchor(line, occurrence);
  line += "\"><b>";
  bool cut = false;
  append_escaped(line, shown_word(context.word, cut));
  if (cut) line += "\xE2\x80\xA6";  // ellipsis
  line += "</b></a>";
  append_escaped(line, context.after);
}

}  // namespace

std::string escaped(std::string_view text) {
  std::string out;
  append_escaped(out, text);
  return out;
}

std::string_view chapter_label(const PageScan& scan, std::uint32_t chapter) {
  return chapter == 0 ? std::string_view("-") : std::string_view(scan.chapters[chapter]);
}

std::string page_name(std::size_t number) { return "page" + std::to_string(number) + ".htm"; }

std::string initial_page_name(std::string_view initial) {
  return "i_" + std::string(initial) + ".htm";
}

std::string entry_link(std::string_view word) {
  return initial_page_name(initial_name(word)) + "#" + percent_encoded(browser_text(word));
}

std::string occurrence_anchor(std::size_t occurrence) {
  std::string anchor;
  append_anchor(anchor, occurrence);
  return anchor;
}

void write_word_page(const IndexedPage& page, LineSink& out) {
  const std::string_view text = page.page;
  std::size_t done = 0;
  bool added = false;
  // Copies the page up to `end`, adding the bar and the script where the
  // body ends.
  auto copy_to = [&](std::size_t end) {
    if (!added && page.scan.body_end <= end) {
      out.write(text.substr(done, page.scan.body_end - done));
      out.write(kWordPageAddition);
      done = page.scan.body_end;
      added = true;
    }
    out.write(text.substr(done, end - done));
    done = end;
  };
  std::string open;
  for (std::size_t i = 0; i < page.scan.words.size(); ++i) {
    const WordSpan& word = page.scan.words[i];
    copy_to(word.page_offset);
    open.assign("<w id=");
    append_anchor(open, i);
    open += '>';
    out.write(open);
    out.write(text.substr(word.page_offset, word.length));
    out.write("</w>");
    done = word.page_offset + word.length;
  }
  copy_to(text.size());  // a page without </body> gets the addition at its end
}

std::vector<std::uint64_t> write_context_lines(const IndexedPage& page, LineSink& out) {
  std::size_t chapter_width = 1;
  for (const std::string& chapter : page.scan.chapters)
    chapter_width = std::max(chapter_width, std::min(chapter.size(), kChapterColumn));
  const std::string page_link = "<a href=\"" + page_name(page.number) + "#";
  const WordIndex& index = page.index;
  std::vector<std::uint64_t> bytes(index.words.size(), 0);
  std::string line;
  for (std::size_t rank = 0; rank < index.words.size(); ++rank) {
    for (std::uint32_t n = index.first[rank]; n < index.first[rank + 1]; ++n) {
      append_context_line(page, page_link, index.occurrences[n], chapter_width, line);
      out.write_line(line);
      bytes[rank] += line.size() + 2;
    }
  }
  return bytes;
}

}  // namespace kestram::lexpage
