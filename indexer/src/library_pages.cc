#include "library_pages.h"

#include <algorithm>

#include "output_pages.h"
#include "word_text.h"

namespace kestram::lexpage {
namespace {

std::string cell(std::uint64_t value) { return "<td class=\"n\">" + std::to_string(value) + "</td>"; }

std::string document_link(const LibraryDocument& document) {
  return "<a href=\"" + page_name(document.number) + "\">" + escaped(document.name) + "</a>";
}

std::string units_text(const DocumentWords& words) {
  std::string text;
  for (std::string_view unit : words.units) {
    if (!text.empty()) text += ", ";
    append_escaped(text, unit);
  }
  return text;
}

// "3 documents: 240 words, 61 different words".
std::string library_summary(const Library& library) {
  return counted(library.documents.size(), "document") + ": " + counted(library.occurrences, "word") + ", " +
         counted(library.words.size(), "different word");
}

// A column of counts and linked words, as in the statistics.
void write_word_counts(const Library& library, const std::vector<std::size_t>& words, LineSink& out) {
  out.write_line("<pre>");
  std::string line;
  for (std::size_t w : words) {
    const LibraryWord& word = library.words[w];
    std::string count = std::to_string(word.total);
    line.assign(count.size() < 10 ? 10 - count.size() : 0, ' ');
    line += count + "  <a href=\"" + entry_link(word.word) + "\">";
    append_escaped(line, word.word);
    line += "</a>";
    out.write_line(line);
  }
  out.write_line("</pre>");
}

// The words of `words` ordered by their totals, the larger first.
void by_frequency(const Library& library, std::vector<std::size_t>& words) {
  std::stable_sort(words.begin(), words.end(), [&](std::size_t a, std::size_t b) {
    return library.words[a].total > library.words[b].total;
  });
}

}  // namespace

std::string counted(std::uint64_t count, std::string_view thing) {
  return std::to_string(count) + " " + std::string(thing) + (count == 1 ? "" : "s");
}

void merge_words(Library& library) {
  library.postings.clear();
  library.words.clear();
  library.groups.clear();
  library.occurrences = 0;
  for (std::uint32_t d = 0; d < library.documents.size(); ++d)
    for (std::uint32_t e = 0; e < library.documents[d].words.words.size(); ++e)
      library.postings.push_back(Posting{d, e});
  // Stable: a word's postings stay in document order.
  std::stable_sort(library.postings.begin(), library.postings.end(), [&](const Posting& a, const Posting& b) {
    return library.entry(a).word < library.entry(b).word;
  });
  for (std::size_t p = 0; p < library.postings.size(); ++p) {
    const WordEntry& entry = library.entry(library.postings[p]);
    if (library.words.empty() || library.words.back().word != entry.word)
      library.words.push_back(LibraryWord{entry.word, 0, p, p});
    library.words.back().end = p + 1;
    library.words.back().total += entry.count;
    library.occurrences += entry.count;
  }
  for (std::size_t w = 0; w < library.words.size(); ++w) {
    std::string_view name = initial_name(library.words[w].word);
    if (library.groups.empty() || library.groups.back().name != name)
      library.groups.push_back({name, w, w, 0});
    library.groups.back().end = w + 1;
    library.groups.back().occurrences += library.words[w].total;
  }
}

void write_head(LineSink& out, std::string_view title) {
  out.write_line("<!DOCTYPE html>");
  out.write_line("<html>");
  out.write_line("<head>");
  out.write_line("<meta charset=\"UTF-8\">");
  out.write_line("<title>" + escaped(title) + "</title>");
  out.write_line(
      "<style>body{font-family:Arial,sans-serif} td{padding:0 8px} td.n{text-align:right}"
      " p.w{margin:1.2em 0 0} p.d{margin:0.3em 0 0 1.5em}</style>");
  out.write_line("</head>");
  out.write_line("<body>");
}

void write_library_bar(const Library& library, LineSink& out) {
  std::string bar = "<p><a href=\"index1.htm\">Index of all words</a> |";
  for (const InitialGroup& group : library.groups)
    bar += " <a href=\"" + initial_page_name(group.name) + "\">" + std::string(group.name) + "</a>";
  bar += " | <a href=\"s_1.htm\">Statistics</a> | <a href=\"search.htm\">Search</a></p>";
  out.write_line(bar);
}

void write_foot(LineSink& out) {
  out.write_line("</body>");
  out.write_line("</html>");
}

void write_index_page(const Library& library, LineSink& out) {
  write_head(out, "Index of all words");
  write_library_bar(library, out);
  out.write_line("<h1>Index of all words</h1>");
  if (library.documents.empty()) {
    out.write_line("<p>The library holds no documents yet: every page handed to the indexing program"
                   " is kept in it.</p>");
  } else {
    out.write_line("<p>The library holds " + library_summary(library) +
                   ". Double-click any word of a page to open its entry, or <a href=\"search.htm\">search</a>"
                   " for a word.</p>");
  }
  for (const std::string& problem : library.problems)
    out.write_line("<p><b>Not indexed:</b> " + escaped(problem) + "</p>");

  out.write_line("<h2>Documents</h2>");
  out.write_line("<table border=\"1\">");
  out.write_line("<tr><th>Document</th><th>Chapters</th><th>Words</th><th>Unit codes</th><th>Taken in</th></tr>");
  for (const LibraryDocument& document : library.documents) {
    out.write_line("<tr><td>" + document_link(document) + "</td>" + cell(document.words.chapters) +
                   cell(document.words.occurrences) + "<td>" + units_text(document.words) + "</td><td>" +
                   escaped(document.indexed) + "</td></tr>");
  }
  out.write_line("</table>");

  out.write_line("<h2>Initials</h2>");
  out.write_line("<table border=\"1\">");
  out.write_line("<tr><th>Initial</th><th>Different words</th><th>Occurrences</th></tr>");
  for (const InitialGroup& group : library.groups) {
    out.write_line("<tr><td><a href=\"" + initial_page_name(group.name) + "\">" + std::string(group.name) +
                   "</a></td>" + cell(group.end - group.begin) + cell(group.occurrences) + "</tr>");
  }
  out.write_line("</table>");

  out.write_line("<h2>Keywords</h2>");
  bool any = false;
  for (const LibraryDocument& document : library.documents) {
    for (const KeywordLine& keyword : document.words.keywords) {
      if (!any) {
        out.write_line("<table border=\"1\">");
        out.write_line("<tr><th>Identification line</th><th>Document</th><th>Chapter</th></tr>");
        any = true;
      }
      out.write_line("<tr><td><a href=\"" + page_name(document.number) + "#w" +
                     std::to_string(keyword.occurrence) + "\">" + escaped(keyword.text) + "</a></td><td>" +
                     escaped(document.name) + "</td><td>" + escaped(keyword.chapter) + "</td></tr>");
    }
  }
  if (any) {
    out.write_line("</table>");
  } else {
    out.write_line("<p>The documents hold no identification lines (title-key id=123456789).</p>");
  }
  write_foot(out);
}

void write_initial_page(const Library& library, const InitialGroup& group, ContextSource& context,
                        LineSink& out) {
  std::string title = group.name == "other" ? std::string("Words beginning with another character")
                                            : "Words beginning with " + std::string(group.name);
  write_head(out, title);
  write_library_bar(library, out);
  out.write_line("<h1>" + title + "</h1>");
  out.write_line("<p>" + counted(group.end - group.begin, "different word") + ", " +
                 counted(group.occurrences, "occurrence") + ".</p>");
  std::string line;
  for (std::size_t w = group.begin; w < group.end; ++w) {
    const LibraryWord& word = library.words[w];
    line = "<p class=\"w\" id=\"" + browser_text(word.word) + "\"><b>";
    append_escaped(line, word.word);
    line += "</b> (" + std::to_string(word.total) + ")</p>";
    out.write_line(line);
    for (std::size_t p = word.begin; p < word.end; ++p) {
      const Posting& posting = library.postings[p];
      const WordEntry& entry = library.entry(posting);
      out.write_line("<p class=\"d\">" + document_link(library.documents[posting.document]) + " (" +
                     std::to_string(entry.count) + ")</p>");
      out.write_line("<pre>");
      context.copy(posting.document, entry.bytes, out);
      out.write_line("</pre>");
    }
  }
  write_foot(out);
}

void write_statistics_page(const Library& library, LineSink& out) {
  write_head(out, "Statistics");
  write_library_bar(library, out);
  out.write_line("<h1>Statistics</h1>");
  out.write_line("<p>" + library_summary(library) + ".</p>");

  // The words that only one document uses, by document.
  std::vector<std::vector<std::size_t>> own(library.documents.size());
  for (std::size_t w = 0; w < library.words.size(); ++w)
    if (library.words[w].end - library.words[w].begin == 1)
      own[library.postings[library.words[w].begin].document].push_back(w);

  out.write_line("<h2>Documents</h2>");
  out.write_line("<table border=\"1\">");
  out.write_line("<tr><th>Document</th><th>Unit codes</th><th>Chapters</th><th>Words</th>"
                 "<th>Different words</th><th>Words no other document uses</th></tr>");
  for (std::size_t d = 0; d < library.documents.size(); ++d) {
    const LibraryDocument& document = library.documents[d];
    out.write_line("<tr><td>" + document_link(document) + "</td><td>" + units_text(document.words) + "</td>" +
                   cell(document.words.chapters) + cell(document.words.occurrences) +
                   cell(document.words.words.size()) + cell(own[d].size()) + "</tr>");
  }
  out.write_line("<tr><td>all documents</td><td></td><td></td>" + cell(library.occurrences) +
                 cell(library.words.size()) + "<td></td></tr>");
  out.write_line("</table>");

  out.write_line("<h2>Words by frequency</h2>");
  std::vector<std::size_t> all(library.words.size());
  for (std::size_t w = 0; w < all.size(); ++w) all[w] = w;
  by_frequency(library, all);
  write_word_counts(library, all, out);

  if (library.documents.size() > 1) {
    out.write_line("<h2>Words that only one document uses</h2>");
    for (std::size_t d = 0; d < library.documents.size(); ++d) {
      out.write_line("<h3>" + document_link(library.documents[d]) + "</h3>");
      if (own[d].empty()) {
        out.write_line("<p>Every word of it is used by another document too.</p>");
        continue;
      }
      by_frequency(library, own[d]);
      write_word_counts(library, own[d], out);
    }
  }

  out.write_line("<h2>Chapters</h2>");
  for (const LibraryDocument& document : library.documents) {
    out.write_line("<h3>" + document_link(document) + "</h3>");
    out.write_line("<table border=\"1\">");
    out.write_line("<tr><th>Chapter</th><th>Words</th><th>Different words</th></tr>");
    for (const ChapterCount& chapter : document.words.chapter_counts) {
      // Chapter numbers are digits and points, safe in a link as they are.
      std::string link = chapter.label == "-"
                             ? "<a href=\"" + page_name(document.number) + "\">before the first chapter</a>"
                             : "<a href=\"" + page_name(document.number) + "#" + escaped(chapter.label) +
                                   "\">" + escaped(chapter.label) + "</a>";
      out.write_line("<tr><td>" + link + "</td>" + cell(chapter.words) + cell(chapter.different_words) + "</tr>");
    }
    out.write_line("</table>");
  }
  write_foot(out);
}

}  // namespace kestram::lexpage
