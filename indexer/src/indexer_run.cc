#include "indexer_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <utility>
#include <vector>

#include "catalog.h"
#include "library_files.h"
#include "library_pages.h"
#include "output_pages.h"
#include "page_encoding.h"
#include "page_files.h"
#include "page_scan.h"
#include "search_page.h"
#include "word_list.h"

namespace kestram::lexpage {
namespace fs = std::filesystem;
namespace {

std::string file_text(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string word_list_name(std::size_t number) { return "word_lists/" + std::to_string(number) + ".txt"; }
std::string context_name(std::size_t number) { return "word_lists/" + std::to_string(number) + "_lines.txt"; }

// The library as the current htm_out holds it.
struct Current {
  Catalog catalog;
  std::string note;               // said when the catalog cannot be used
  std::vector<std::string> kept;  // the kept pages' names, sorted
};

Current read_current(const fs::path& out) {
  Current current;
  std::string format;
  if (parse_catalog(file_text(out / kCatalogPath), current.catalog, format) == CatalogRead::kOtherFormat)
    current.note = "the library's catalog is not of the format \"" + std::string(kCatalogFormat) +
                   "\" (it begins \"" + format + "\"): every kept page is indexed anew\n";
  std::error_code ec;
  for (fs::directory_iterator it(out / "library", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    if (it->is_regular_file(ignored)) current.kept.push_back(it->path().filename().string());
  }
  std::sort(current.kept.begin(), current.kept.end());
  return current;
}

// Indexes a page into the next htm_out: its word page, lines of context and
// word list.
bool index_page(NextSite& site, std::size_t number, std::string_view kept_page, std::string& error) {
  // The words are read in the encoding the page declares.
  const std::string page = page_in_utf8(std::string(kept_page));
  if (page.size() > kMaxPageSize) {
    error = "the page " + page_name(number) + " is too large to index in UTF-8";
    return false;
  }
  PageScan scan = scan_page(page);
  WordIndex index = build_word_index(page, scan);
  IndexedPage indexed{number, page, scan, index};
  std::vector<std::uint64_t> bytes;
  return site.write(page_name(number), [&](LineSink& out) { write_word_page(indexed, out); }, error) &&
         site.write(context_name(number), [&](LineSink& out) { bytes = write_context_lines(indexed, out); },
                    error) &&
         site.write(word_list_name(number), [&](LineSink& out) { write_word_list(indexed, bytes, out); },
                    error);
}

bool read_back(const NextSite& site, std::size_t number, DocumentWords& words, std::string& error) {
  if (parse_word_list(file_text(site.next(word_list_name(number))), words)) return true;
  error = "cannot read back " + site.next(word_list_name(number)).string();
  return false;
}

// What an earlier run made of a kept page, when it is all there.
bool load_made(const fs::path& root, std::size_t number, DocumentWords& words) {
  if (!parse_word_list(file_text(root / word_list_name(number)), words)) return false;
  std::uint64_t bytes = 0;
  for (const WordEntry& entry : words.words) bytes += entry.bytes;
  std::error_code ec;
  return fs::is_regular_file(root / page_name(number), ec) &&
         fs::file_size(root / context_name(number), ec) == bytes && !ec;
}

// The lines of context of the next htm_out, each document's file read
// from its start.
class FileContext : public ContextSource {
 public:
  FileContext(const NextSite& site, const Library& library) : buffer_(1 << 16) {
    for (const LibraryDocument& document : library.documents) {
      const fs::path path = site.next(context_name(document.number));
      errno = 0;
      files_.emplace_back(std::fopen(path.string().c_str(), "rb"));
      // Every document's file stays open while the pages are written: a
      // system's limit on open files limits the library.
      if (files_.back() == nullptr && error_.empty())
        error_ = "cannot read " + path.string() + ": " + std::strerror(errno);
    }
  }
  ~FileContext() override {
    for (std::FILE* file : files_)
      if (file != nullptr) std::fclose(file);
  }
  void copy(std::size_t document, std::uint64_t bytes, LineSink& out) override {
    std::FILE* file = files_[document];
    while (bytes > 0 && file != nullptr) {
      std::size_t got = std::fread(buffer_.data(), 1, std::min<std::uint64_t>(bytes, buffer_.size()), file);
      if (got == 0) break;
      out.write(std::string_view(buffer_.data(), got));
      bytes -= got;
    }
    short_ = short_ || bytes > 0;
  }
  // "" when every line was there to copy, else why not.
  std::string error() const {
    if (!error_.empty()) return error_;
    return short_ ? "the lines of context in word_lists are shorter than their word lists say" : "";
  }

 private:
  std::string error_;
  std::vector<std::FILE*> files_;
  std::vector<char> buffer_;
  bool short_ = false;
};

bool write_pages(NextSite& site, const Library& library, std::string& error) {
  FileContext context(site, library);
  bool written =
      site.write("index1.htm", [&](LineSink& out) { write_index_page(library, out); }, error) &&
      site.write("s_1.htm", [&](LineSink& out) { write_statistics_page(library, out); }, error) &&
      site.write("search.htm", [&](LineSink& out) { write_search_page(library, out); }, error) &&
      site.write("search_words.js", [&](LineSink& out) { write_search_data(library, out); }, error);
  for (std::size_t g = 0; written && g < library.groups.size(); ++g) {
    written = site.write(initial_page_name(library.groups[g].name),
                         [&](LineSink& out) { write_initial_page(library, library.groups[g], context, out); },
                         error);
  }
  if (written && !context.error().empty()) {
    error = context.error();
    written = false;
  }
  if (written && !library.problems.empty()) {
    written = site.write("error.txt", [&](LineSink& out) {
      for (const std::string& problem : library.problems) out.write_line(problem);
    }, error);
  }
  return written;
}

// The run could not make the next htm_out: the current one stays as it is,
// with the reason in its error.txt.
RunOutcome give_up(const fs::path& working_directory, const std::string& reason) {
  std::error_code ec;
  fs::remove_all(working_directory / "htm_out.new", ec);
  const fs::path out = working_directory / "htm_out";
  // With htm_out.old left, htm_out must stay missing: the next run puts the
  // old one back.
  if (!fs::exists(working_directory / "htm_out.old", ec)) fs::create_directory(out, ec);
  if (!fs::is_directory(out, ec)) return RunOutcome{false, reason + "\n"};
  {
    std::ofstream note(out / "error.txt.new", std::ios::binary | std::ios::trunc);
    note << reason << "\r\n";
  }
  fs::rename(out / "error.txt.new", out / "error.txt", ec);
  return RunOutcome{false, reason + "\nhtm_out is left as it was\n"};
}

RunOutcome list_library(const Current& current) {
  std::string listing = current.note;
  for (const std::string& name : current.kept) {
    auto entry = std::find_if(current.catalog.documents.begin(), current.catalog.documents.end(),
                              [&](const CatalogEntry& e) { return e.name == name; });
    if (entry == current.catalog.documents.end())
      listing += "-  not indexed yet  " + name + "\n";
    else
      listing += page_name(entry->number) + "  " + entry->indexed + "  " + name + "\n";
  }
  if (current.kept.empty()) listing += "the library holds no documents\n";
  return RunOutcome{true, listing};
}

// The documents of the next library with their numbers: a document keeps
// its number; a new one gets the lowest free.
struct Planned {
  std::string name;
  std::size_t number = 0;
  const CatalogEntry* entry = nullptr;  // what the catalog says of it, if anything
};

std::vector<Planned> plan(const std::vector<std::string>& names, const Catalog& catalog) {
  std::vector<Planned> documents;
  std::set<std::size_t> used;
  for (const std::string& name : names) {
    Planned document{name};
    for (const CatalogEntry& entry : catalog.documents) {
      if (entry.name == name && used.insert(entry.number).second) {
        document.entry = &entry;
        document.number = entry.number;
        break;
      }
    }
    documents.push_back(document);
  }
  std::size_t free_number = 1;
  for (Planned& document : documents) {
    if (document.number != 0) continue;
    while (used.count(free_number)) ++free_number;
    document.number = free_number;
    used.insert(free_number);
  }
  return documents;
}

// Puts a kept page into the next htm_out with what is made of it: carried
// from the current htm_out when the page is unchanged and all of that is
// there, else made anew. False with `error` when the run cannot go on; true
// with an empty `words.text` and a problem when the page cannot be read.
bool keep_document(NextSite& site, const fs::path& out, const Planned& planned, CatalogEntry& record,
                   DocumentWords& words, std::vector<std::string>& problems, std::string& error) {
  const std::string kept = "library/" + planned.name;
  if (!site.carry(kept, error)) return false;
  std::string bytes, problem;
  if (!read_page(site.next(kept), kept, &bytes, record.size, record.hash, problem)) {
    problems.push_back(problem + "; it is left out of the index");
    return true;
  }
  const CatalogEntry* entry = planned.entry;
  if (entry != nullptr) record.indexed = entry->indexed;
  if (entry != nullptr && entry->size == record.size && entry->hash == record.hash &&
      load_made(out, record.number, words))
    return site.carry(page_name(record.number), error) && site.carry(word_list_name(record.number), error) &&
           site.carry(context_name(record.number), error);
  return index_page(site, record.number, bytes, error) && read_back(site, record.number, words, error);
}

std::string took_in(const Arrival& arrival, const LibraryDocument& document) {
  return "took in htm_in/" + arrival.name + " as " + page_name(document.number) + ": " +
         counted(document.words.occurrences, "word") + ", " +
         counted(document.words.words.size(), "different word") + ", " +
         counted(document.words.chapters, "chapter") + "\n";
}

}  // namespace

RunOutcome run_indexer(const fs::path& working_directory, const Request& request, const RunOptions& options) {
  const fs::path out = working_directory / "htm_out";
  std::error_code failure;
  if (fs::exists(out, failure) && !fs::is_directory(out, failure))
    return RunOutcome{false, "cannot create the folder htm_out: a file has its name\n"};
  RunLock lock(working_directory / "htm_out.lock");
  if (!lock.ok()) return RunOutcome{false, lock.error() + "\n"};
  recover_site(working_directory, options.step);

  const Current current = read_current(out);
  if (request.kind == Request::Kind::kList) return list_library(current);

  // What changes: a document removed, or the page of htm_in/ taken in.
  Catalog next_catalog;
  next_catalog.taken = current.catalog.taken;
  std::vector<std::string> problems;
  std::vector<std::string> names = current.kept;
  Arrival arrival;
  bool taking_in = false;
  std::string problem;
  if (request.kind == Request::Kind::kRemove) {
    auto found = std::find(names.begin(), names.end(), request.name);
    if (found == names.end())
      return RunOutcome{false, current.note + request.name + " is not in the library; nothing was changed\n"};
    names.erase(found);
  } else if (!find_arrival(working_directory / "htm_in", arrival, problem)) {
    problems.push_back(problem);
  } else if (!arrival.name.empty() && arrival.stamp != current.catalog.taken) {
    if (!is_storable_name(arrival.name)) {
      problems.push_back("the page name htm_in/" + arrival.name + " holds control characters: rename it");
    } else if (!read_page(working_directory / "htm_in" / arrival.name, "htm_in/" + arrival.name,
                          &arrival.bytes, arrival.size, arrival.hash, problem)) {
      problems.push_back(problem);
    } else {
      taking_in = true;
      next_catalog.taken = arrival.stamp;
      if (!std::binary_search(names.begin(), names.end(), arrival.name))
        names.insert(std::upper_bound(names.begin(), names.end(), arrival.name), arrival.name);
    }
  }

  NextSite site(working_directory, options.step);
  std::string error;
  if (!site.begin(error)) return give_up(working_directory, error);
  Library library;
  std::string message = current.note;
  for (const Planned& planned : plan(names, current.catalog)) {
    CatalogEntry record{planned.number, 0, 0, options.now, planned.name};
    LibraryDocument document{planned.number, planned.name, "", {}};
    if (taking_in && planned.name == arrival.name) {
      record.size = arrival.size;
      record.hash = arrival.hash;
      if (!site.write("library/" + planned.name, [&](LineSink& sink) { sink.write(arrival.bytes); }, error) ||
          !index_page(site, record.number, arrival.bytes, error) ||
          !read_back(site, record.number, document.words, error))
        return give_up(working_directory, error);
      message += took_in(arrival, document);
    } else {
      if (!keep_document(site, out, planned, record, document.words, problems, error))
        return give_up(working_directory, error);
      if (!document.words.text) continue;  // unreadable: named in problems
    }
    document.indexed = record.indexed;
    library.documents.push_back(std::move(document));
    next_catalog.documents.push_back(record);
  }
  library.problems = problems;
  merge_words(library);
  if (!write_pages(site, library, error) || !site.carry_users_files(error) ||
      !site.write(kCatalogPath, [&](LineSink& sink) { write_catalog(next_catalog, sink); }, error) ||
      !site.commit(options.replace_in_one_step, error))
    return give_up(working_directory, error);

  for (const std::string& p : problems) message += p + "\n";
  if (request.kind == Request::Kind::kRemove) message += "removed " + request.name + " from the library\n";
  if (!taking_in && request.kind == Request::Kind::kTakeIn && problems.empty()) message += "no new page in htm_in\n";
  message += "the library holds " + counted(library.documents.size(), "document") + "; see htm_out/index1.htm\n";
  return RunOutcome{problems.empty(), message};
}

}  // namespace kestram::lexpage
