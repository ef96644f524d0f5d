#include "output_pages.h"

#include <algorithm>
#include <charconv>

#include "word_text.h"

namespace kestram::lexpage {
namespace {

// Longest part of a word shown in a line of context.
constexpr std::size_t kShownWordLength = 60;
constexpr std::size_t kChapterColumn = 12;

constexpr std::string_view kWordPageAddition =
    "<style>w:target{background:#ffff80}</style>\r\n"
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

std::string escaped(std::string_view text) {
  std::string out;
  append_escaped(out, text);
  return out;
}

std::string_view chapter_label(const PageScan& scan, std::uint32_t chapter) {
  return chapter == 0 ? std::string_view("-") : std::string_view(scan.chapters[chapter]);
}

// Appends the anchor of an occurrence ("w17") without a temporary string.
void append_anchor(std::string& out, std::size_t occurrence) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, occurrence + 1).ptr;
  out += 'w';
  out.append(digits, static_cast<std::size_t>(end - digits));
}

void write_head(LineSink& out, std::string_view title) {
  out.write_line("<!DOCTYPE html>");
  out.write_line("<html>");
  out.write_line("<head>");
  out.write_line("<meta charset=\"UTF-8\">");
  out.write_line("<title>" + escaped(title) + "</title>");
  out.write_line(
      "<style>body{font-family:Arial,sans-serif} td{padding:0 8px} td.n{text-align:right}"
      " p.w{margin:1.2em 0 0}</style>");
  out.write_line("</head>");
  out.write_line("<body>");
}

void write_foot(LineSink& out) {
  out.write_line("</body>");
  out.write_line("</html>");
}

void write_initials_bar(const IndexedPage& page, LineSink& out) {
  std::string bar = "<p><a href=\"index1.htm\">Index of all words</a> |";
  for (const InitialGroup& group : page.groups) {
    bar += " <a href=\"" + initial_page_name(group.name) + "\">";
    bar += group.name;
    bar += "</a>";
  }
  bar += " | <a href=\"s_1.htm\">Statistics</a> | <a href=\"page1.htm\">Page</a></p>";
  out.write_line(bar);
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

void write_context_line(const IndexedPage& page, std::uint32_t occurrence, std::size_t chapter_width,
                        std::string& line) {
  const WordSpan& word = page.scan.words[occurrence];
  ContextLine context = context_line(page.scan.plain, word, kContextWidth);
  line.clear();
  std::string_view chapter = chapter_label(page.scan, word.chapter);
  append_escaped(line, chapter);
  line.append(chapter_width > chapter.size() ? chapter_width - chapter.size() + 2 : 2, ' ');
  std::size_t before = character_count(context.before);
  if (before < kContextWidth) line.append(kContextWidth - before, ' ');
  append_escaped(line, context.before);
  line += "<a href=\"page1.htm#";
  append_anchor(line, occurrence);
  line += "\"><b>";
  bool cut = false;
  append_escaped(line, shown_word(context.word, cut));
  if (cut) line += "\xE2\x80\xA6";  // ellipsis
  line += "</b></a>";
  append_escaped(line, context.after);
}

// "1 word", "2 words".
std::string counted(std::uint64_t count, std::string_view thing) {
  return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
}

}  // namespace

std::string summary(const IndexedPage& page) {
  return counted(page.index.occurrences.size(), "word") + ", " +
         counted(page.index.words.size(), "different word") + ", " +
         counted(page.scan.chapters.size() - 1, "chapter") + ", " +
         counted(page.keywords.size(), "keyword");
}

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
  // Copies the page up to `end`, adding the script where the body ends.
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
  copy_to(text.size());  // a page without </body> gets the script at its end
}

void write_index_page(const IndexedPage& page, LineSink& out) {
  write_head(out, "Index of all words - " + std::string(page.source_name));
  write_initials_bar(page, out);
  out.write_line("<h1>Index of all words</h1>");
  out.write_line("<p>Page <a href=\"page1.htm\">" + escaped(page.source_name) + "</a>: " +
                 summary(page) + ". Double-click any word of the page to open its entry.</p>");
  out.write_line("<h2>Initials</h2>");
  if (page.groups.empty()) out.write_line("<p>The page holds no words.</p>");
  out.write_line("<table border=\"1\">");
  out.write_line("<tr><th>Initial</th><th>Different words</th><th>Occurrences</th></tr>");
  for (const InitialGroup& group : page.groups) {
    out.write_line("<tr><td><a href=\"" + initial_page_name(group.name) + "\">" +
                   std::string(group.name) + "</a></td><td class=\"n\">" +
                   std::to_string(group.end - group.begin) + "</td><td class=\"n\">" +
                   std::to_string(group.occurrences) + "</td></tr>");
  }
  out.write_line("</table>");
  out.write_line("<h2>Keywords</h2>");
  if (page.keywords.empty()) {
    out.write_line("<p>The page holds no identification lines (title-key id=123456789).</p>");
  } else {
    out.write_line("<table border=\"1\">");
    out.write_line("<tr><th>Identification line</th><th>Chapter</th></tr>");
    for (const Keyword& keyword : page.keywords) {
      std::string row = "<tr><td>";
      bool linked = keyword.occurrence < page.scan.words.size();
      if (linked) row += "<a href=\"page1.htm#" + occurrence_anchor(keyword.occurrence) + "\">";
      append_escaped(row, keyword.text);
      if (linked) row += "</a>";
      row += "</td><td>";
      if (linked) append_escaped(row, chapter_label(page.scan, page.scan.words[keyword.occurrence].chapter));
      row += "</td></tr>";
      out.write_line(row);
    }
    out.write_line("</table>");
  }
  write_foot(out);
}

void write_initial_page(const IndexedPage& page, const InitialGroup& group, LineSink& out) {
  const WordIndex& index = page.index;
  std::string title = group.name == "other" ? std::string("Words beginning with another character")
                                            : "Words beginning with " + std::string(group.name);
  write_head(out, title);
  write_initials_bar(page, out);
  out.write_line("<h1>" + title + "</h1>");
  out.write_line("<p>" + counted(group.end - group.begin, "different word") + ", " +
                 counted(group.occurrences, "occurrence") + ".</p>");
  std::size_t chapter_width = 1;
  for (const std::string& chapter : page.scan.chapters)
    chapter_width = std::max(chapter_width, std::min(chapter.size(), kChapterColumn));
  std::string line;
  for (std::size_t rank = group.begin; rank < group.end; ++rank) {
    std::string_view word = index.words[rank];
    line = "<p class=\"w\" id=\"" + browser_text(word) + "\"><b>";
    append_escaped(line, word);
    line += "</b> (" + std::to_string(index.count(rank)) + ")</p>";
    out.write_line(line);
    out.write_line("<pre>");
    for (std::uint32_t n = index.first[rank]; n < index.first[rank + 1]; ++n) {
      write_context_line(page, index.occurrences[n], chapter_width, line);
      out.write_line(line);
    }
    out.write_line("</pre>");
  }
  write_foot(out);
}

void write_statistics_page(const IndexedPage& page, LineSink& out) {
  const WordIndex& index = page.index;
  write_head(out, "Statistics - " + std::string(page.source_name));
  write_initials_bar(page, out);
  out.write_line("<h1>Statistics</h1>");
  out.write_line("<p>" + summary(page) + ".</p>");

  out.write_line("<h2>Chapters</h2>");
  out.write_line("<table border=\"1\">");
  out.write_line("<tr><th>Chapter</th><th>Words</th><th>Different words</th></tr>");
  for (std::size_t c = 0; c < page.scan.chapters.size(); ++c) {
    const ChapterTotals& totals = index.chapters[c];
    if (c == 0 && totals.words == 0) continue;
    std::string row = "<tr><td>";
    if (c == 0) {
      row += "<a href=\"page1.htm\">before the first chapter</a>";
    } else {
      // Chapter numbers are digits and points, safe in a link as they are.
      row += "<a href=\"page1.htm#" + page.scan.chapters[c] + "\">" + page.scan.chapters[c] + "</a>";
    }
    row += "</td><td class=\"n\">" + std::to_string(totals.words) + "</td><td class=\"n\">" +
           std::to_string(totals.different_words) + "</td></tr>";
    out.write_line(row);
  }
  out.write_line("</table>");

  out.write_line("<h2>Words by frequency</h2>");
  std::vector<std::uint32_t> ranks(index.words.size());
  for (std::uint32_t r = 0; r < ranks.size(); ++r) ranks[r] = r;
  std::stable_sort(ranks.begin(), ranks.end(), [&](std::uint32_t a, std::uint32_t b) {
    return index.count(a) > index.count(b);
  });
  out.write_line("<pre>");
  std::string line;
  for (std::uint32_t rank : ranks) {
    std::string count = std::to_string(index.count(rank));
    line.assign(count.size() < 10 ? 10 - count.size() : 0, ' ');
    line += count + "  <a href=\"" + entry_link(index.words[rank]) + "\">";
    append_escaped(line, index.words[rank]);
    line += "</a>";
    out.write_line(line);
  }
  out.write_line("</pre>");
  write_foot(out);
}

void write_error_page(std::string_view message, LineSink& out) {
  write_head(out, "Index of all words");
  out.write_line("<h1>Index of all words</h1>");
  out.write_line("<p>No index was made: " + escaped(message) + "</p>");
  write_foot(out);
}

}  // namespace kestram::lexpage
