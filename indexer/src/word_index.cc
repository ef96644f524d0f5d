#include "word_index.h"

#include <algorithm>
#include <functional>

#include "word_text.h"

namespace kestram::lexpage {
namespace {

bool is_line_end(char c) { return c == '\n' || c == '\r'; }
bool ends_key(char c) { return c == ' ' || c == '\t' || is_line_end(c); }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool continues_character(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Numbers distinct words in the order first met (open addressing, linear
// probing), so that a word costs its text and a dozen bytes.
class WordNumbering {
 public:
  std::uint32_t number(std::string_view word) {
    if (2 * (words_.size() + 1) > slots_.size()) grow();
    auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(word));
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
      std::uint32_t entry = slots_[slot];
      if (entry == 0) {
        words_.push_back(word);
        hashes_.push_back(hash);
        slots_[slot] = static_cast<std::uint32_t>(words_.size());
        return static_cast<std::uint32_t>(words_.size() - 1);
      }
      if (hashes_[entry - 1] == hash && words_[entry - 1] == word) return entry - 1;
    }
  }

  const WordList& words() const { return words_; }

 private:
  void grow() {
    std::vector<std::uint32_t> slots(slots_.empty() ? 1024 : 2 * slots_.size(), 0);
    const std::size_t mask = slots.size() - 1;
    for (std::uint32_t id = 0; id < hashes_.size(); ++id) {
      std::size_t slot = hashes_[id] & mask;
      while (slots[slot] != 0) slot = (slot + 1) & mask;
      slots[slot] = id + 1;
    }
    slots_.swap(slots);
  }

  WordList words_;
  std::vector<std::uint32_t> hashes_;  // per word
  std::vector<std::uint32_t> slots_;   // word number + 1; 0: free
};

}  // namespace

WordIndex build_word_index(std::string_view page, const PageScan& scan) {
  const std::size_t total = scan.words.size();
  std::vector<std::uint32_t> id_of(total);
  std::vector<std::uint32_t> rank_of;
  WordIndex index;
  {
    WordNumbering numbering;
    std::string key;
    for (std::size_t i = 0; i < total; ++i) {
      const WordSpan& word = scan.words[i];
      fold_word(page.substr(word.page_offset, word.length), key);
      id_of[i] = numbering.number(key);
    }
    const WordList& met = numbering.words();
    std::vector<std::uint32_t> by_key(met.size());
    for (std::uint32_t id = 0; id < by_key.size(); ++id) by_key[id] = id;
    std::sort(by_key.begin(), by_key.end(),
              [&](std::uint32_t a, std::uint32_t b) { return met[a] < met[b]; });
    rank_of.resize(met.size());
    for (std::uint32_t rank = 0; rank < by_key.size(); ++rank) {
      rank_of[by_key[rank]] = rank;
      index.words.push_back(met[by_key[rank]]);
    }
  }

  // Counting sort of the occurrences by rank keeps page order in each group.
  index.first.assign(index.words.size() + 1, 0);
  for (std::uint32_t id : id_of) ++index.first[rank_of[id] + 1];
  for (std::size_t r = 1; r < index.first.size(); ++r) index.first[r] += index.first[r - 1];
  std::vector<std::uint32_t> next(index.first.begin(), index.first.end() - 1);
  index.occurrences.resize(total);
  for (std::size_t i = 0; i < total; ++i)
    index.occurrences[next[rank_of[id_of[i]]]++] = static_cast<std::uint32_t>(i);

  // A chapter's words form one stretch of the page, so a word is new to the
  // chapter when its last occurrence lay in another one.
  index.chapters.assign(scan.chapters.size(), ChapterTotals{});
  std::vector<std::uint32_t> last_chapter(index.words.size(), 0);  // chapter + 1; 0: none yet
  for (std::size_t i = 0; i < total; ++i) {
    std::uint32_t chapter = scan.words[i].chapter;
    ChapterTotals& totals = index.chapters[chapter];
    ++totals.words;
    std::uint32_t& last = last_chapter[id_of[i]];
    if (last != chapter + 1) {
      ++totals.different_words;
      last = chapter + 1;
    }
  }
  return index;
}

std::vector<Keyword> find_keywords(const PageScan& scan) {
  static constexpr std::string_view kMarker = " id=";
  const std::string& plain = scan.plain;
  std::vector<Keyword> keywords;
  for (std::size_t at = plain.find(kMarker); at != std::string::npos;
       at = plain.find(kMarker, at + 1)) {
    std::size_t digits = at + kMarker.size();
    std::size_t end = digits + 9;
    if (end > plain.size()) break;
    if (!std::all_of(plain.begin() + digits, plain.begin() + end, is_digit)) continue;
    if (end < plain.size() && is_digit(plain[end])) continue;
    // The key reaches back to the previous blank, which at the latest is the
    // marker's own blank of an earlier match, so the scan stays linear.
    std::size_t start = at;
    while (start > 0 && !ends_key(plain[start - 1])) --start;
    if (start == at) continue;
    auto first = std::lower_bound(
        scan.words.begin(), scan.words.end(), start,
        [](const WordSpan& word, std::size_t offset) { return word.plain_offset < offset; });
    keywords.push_back(Keyword{plain.substr(start, end - start),
                               static_cast<std::uint32_t>(first - scan.words.begin())});
  }
  return keywords;
}

std::vector<std::string> unit_codes(const PageScan& scan) {
  const std::string_view plain = scan.plain;
  std::vector<std::string> codes;
  std::uint32_t chapter = 0;
  std::size_t last_line_end = 0;  // each line is read once, however many headings it holds
  for (const WordSpan& word : scan.words) {
    if (word.chapter == chapter) continue;
    chapter = word.chapter;
    if (word.plain_offset < last_line_end) continue;
    std::size_t start = word.plain_offset;
    while (start > 0 && !is_line_end(plain[start - 1])) --start;
    std::size_t end = word.plain_offset;
    while (end < plain.size() && !is_line_end(plain[end])) ++end;
    last_line_end = end;
    std::string_view line = plain.substr(start, end - start);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    std::size_t open = line.rfind(" (");
    if (line.empty() || line.back() != ')' || open == std::string_view::npos) continue;
    std::string_view code = line.substr(open + 2, line.size() - open - 3);
    if (!code.empty() && std::find(codes.begin(), codes.end(), code) == codes.end())
      codes.emplace_back(code);
  }
  return codes;
}

ContextLine context_line(std::string_view plain, const WordSpan& word, std::size_t width) {
  std::size_t begin = word.plain_offset;
  std::size_t end = begin + word.length;
  // Whole characters only: a step takes a byte and the continuation bytes
  // that belong to it (at most three).
  std::size_t from = begin;
  for (std::size_t n = 0; n < width && from > 0 && !is_line_end(plain[from - 1]); ++n) {
    std::size_t at = from - 1;
    for (int k = 0; k < 3 && at > 0 && continues_character(plain[at]) && !is_line_end(plain[at - 1]);
         ++k)
      --at;
    from = at;
  }
  std::size_t to = end;
  for (std::size_t n = 0; n < width && to < plain.size() && !is_line_end(plain[to]); ++n) {
    ++to;
    for (int k = 0; k < 3 && to < plain.size() && continues_character(plain[to]); ++k) ++to;
  }
  return ContextLine{plain.substr(from, begin - from), plain.substr(begin, word.length),
                     plain.substr(end, to - end)};
}

}  // namespace kestram::lexpage
