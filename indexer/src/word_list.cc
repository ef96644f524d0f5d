#include "word_list.h"

#include <charconv>

#include "fields.h"
#include "text/lines.h"

namespace kestram::lexpage {
namespace {

bool number(std::string_view& line, std::uint64_t& value) {
  std::string_view text = field(line);
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

void write_word_list(const IndexedPage& page, const std::vector<std::uint64_t>& context_bytes,
                     LineSink& out) {
  const PageScan& scan = page.scan;
  const WordIndex& index = page.index;
  out.write_line(kWordListFormat);
  out.write_line("chapters " + std::to_string(scan.chapters.size() - 1));
  for (std::uint32_t c = 0; c < scan.chapters.size(); ++c) {
    const ChapterTotals& totals = index.chapters[c];
    if (c == 0 && totals.words == 0) continue;
    out.write_line("chapter " + std::string(chapter_label(scan, c)) + " " + std::to_string(totals.words) +
                   " " + std::to_string(totals.different_words));
  }
  for (const std::string& code : unit_codes(scan)) out.write_line("unit " + code);
  for (const Keyword& keyword : find_keywords(scan)) {
    if (keyword.occurrence >= scan.words.size()) continue;
    out.write_line("keyword " + std::to_string(keyword.occurrence + 1) + " " +
                   std::string(chapter_label(scan, scan.words[keyword.occurrence].chapter)) + " " +
                   keyword.text);
  }
  std::string line;
  for (std::size_t rank = 0; rank < index.words.size(); ++rank) {
    line = "word " + std::to_string(index.count(rank)) + " " +
           std::to_string(index.occurrences[index.first[rank]] + 1) + " " +
           std::to_string(context_bytes[rank]) + " ";
    line += index.words[rank];
    out.write_line(line);
  }
}

bool parse_word_list(std::string text, DocumentWords& list) {
  list = DocumentWords{};
  list.text = std::make_unique<std::string>(std::move(text));
  LineReader reader = LineReader::from_memory(*list.text);
  std::string_view line;
  if (!reader.next(line) || line != kWordListFormat) return false;
  while (reader.next(line)) {
    std::string_view kind = field(line);
    if (kind == "word") {
      WordEntry entry;
      if (!number(line, entry.count) || !number(line, entry.first) || !number(line, entry.bytes) ||
          line.empty() || (!list.words.empty() && list.words.back().word >= line))
        return false;
      entry.word = line;
      list.occurrences += entry.count;
      list.words.push_back(entry);
    } else if (kind == "chapter") {
      ChapterCount count;
      count.label = field(line);
      if (!number(line, count.words) || !number(line, count.different_words)) return false;
      list.chapter_counts.push_back(count);
    } else if (kind == "keyword") {
      KeywordLine keyword;
      if (!number(line, keyword.occurrence)) return false;
      keyword.chapter = field(line);
      keyword.text = line;
      list.keywords.push_back(keyword);
    } else if (kind == "unit") {
      list.units.push_back(line);
    } else if (kind == "chapters") {
      if (!number(line, list.chapters)) return false;
    } else {
      return false;
    }
  }
  return true;
}

}  // namespace kestram::lexpage
