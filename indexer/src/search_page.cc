#include "search_page.h"

#include "output_pages.h"
#include "word_text.h"

namespace kestram::lexpage {
namespace {

constexpr std::string_view kSearchScript = R"(<script src="search_words.js"></script>
<script>
(function () {
  var box = document.getElementById('q');
  var results = document.getElementById('results');
  var library = window.lexpageLibrary || {documents: [], words: []};
  var shown = 100;
  function link(href, text) {
    var a = document.createElement('a');
    a.href = href;
    a.textContent = text;
    return a;
  }
  // The same link as the double-click on a page makes.
  function entry(word) {
    var initial = /^[0-9a-z]/.test(word) ? word.charAt(0) : 'other';
    return 'i_' + initial + '.htm#' + encodeURIComponent(word);
  }
  function search() {
    var query = box.value.replace(/^\s+|\s+$/g, '')
        .replace(/[A-Z]+/g, function (letters) { return letters.toLowerCase(); });
    results.textContent = '';
    if (!query) return;
    var list = document.createElement('ul');
    var found = 0;
    for (var i = 0; i < library.words.length; ++i) {
      var row = library.words[i];
      if (row[0].lastIndexOf(query, 0) !== 0 || ++found > shown) continue;
      var item = document.createElement('li');
      item.appendChild(link(entry(row[0]), row[0]));
      item.appendChild(document.createTextNode(' (' + row[1] + '):'));
      for (var k = 2; k < row.length; k += 3) {
        var doc = library.documents[row[k]];
        item.appendChild(document.createTextNode(k > 2 ? ', ' : ' '));
        item.appendChild(link(doc[0] + '#w' + row[k + 2], doc[1]));
        item.appendChild(document.createTextNode(' ' + row[k + 1]));
      }
      list.appendChild(item);
    }
    var summary = document.createElement('p');
    summary.textContent = found === 0 ? 'No word begins with "' + query + '".'
        : found + (found === 1 ? ' word begins' : ' words begin') + ' with "' + query + '"' +
          (found > shown ? '; the first ' + shown + ' are shown.' : '.');
    results.appendChild(summary);
    results.appendChild(list);
  }
  box.addEventListener('input', search);
  var asked = /[?&]q=([^&#]*)/.exec(location.search);
  if (asked) {
    try {
      box.value = decodeURIComponent(asked[1].replace(/\+/g, ' '));
    } catch (malformed) {
      box.value = '';
    }
  }
  box.focus();
  search();
})();
</script>)";

}  // namespace

std::string js_string(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const std::string valid = browser_text(text);
  std::string out = "\"";
  for (std::size_t i = 0; i < valid.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(valid[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F || c == '<') {
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0x0F];
    } else if (c == 0xE2 && i + 2 < valid.size() && valid[i + 1] == '\x80' &&
               (valid[i + 2] == '\xA8' || valid[i + 2] == '\xA9')) {
      // The line and paragraph separators end a line in older script engines.
      out += valid[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";
      i += 2;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

void write_search_page(const Library& library, LineSink& out) {
  write_head(out, "Search");
  write_library_bar(library, out);
  out.write_line("<h1>Search</h1>");
  out.write_line("<form action=\"search.htm\" method=\"get\"><p><label>Word or its beginning: "
                 "<input id=\"q\" name=\"q\" size=\"30\" autocomplete=\"off\"></label> "
                 "<input type=\"submit\" value=\"Search\"></p></form>");
  out.write_line("<noscript><p>The search needs scripts. Without them every word is found through the "
                 "<a href=\"index1.htm\">index of all words</a>.</p></noscript>");
  out.write_line("<div id=\"results\"></div>");
  for (std::size_t at = 0; at < kSearchScript.size();) {
    std::size_t end = kSearchScript.find('\n', at);
    out.write_line(kSearchScript.substr(at, end - at));
    at = end == std::string_view::npos ? kSearchScript.size() : end + 1;
  }
  write_foot(out);
}

void write_search_data(const Library& library, LineSink& out) {
  out.write_line("// The words of the library for search.htm.");
  out.write_line("var lexpageLibrary = {documents: [");
  for (std::size_t d = 0; d < library.documents.size(); ++d) {
    const LibraryDocument& document = library.documents[d];
    out.write_line("[" + js_string(page_name(document.number)) + "," + js_string(document.name) + "]" +
                   (d + 1 < library.documents.size() ? "," : ""));
  }
  out.write_line("], words: [");
  std::string line;
  for (std::size_t w = 0; w < library.words.size(); ++w) {
    const LibraryWord& word = library.words[w];
    line = "[" + js_string(word.word) + "," + std::to_string(word.total);
    for (std::size_t p = word.begin; p < word.end; ++p) {
      const Posting& posting = library.postings[p];
      const WordEntry& entry = library.entry(posting);
      line += "," + std::to_string(posting.document) + "," + std::to_string(entry.count) + "," +
              std::to_string(entry.first);
    }
    line += w + 1 < library.words.size() ? "]," : "]";
    out.write_line(line);
  }
  out.write_line("]};");
}

}  // namespace kestram::lexpage
