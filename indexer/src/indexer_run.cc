#include "indexer_run.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "output_pages.h"
#include "page_encoding.h"
#include "page_scan.h"
#include "text/lines.h"
#include "word_index.h"

namespace kestram::lexpage {
namespace fs = std::filesystem;
namespace {

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool ends_with(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// The files this program writes into htm_out/, now or in an earlier run.
bool is_result_file(std::string_view name) {
  if (name == "error.txt") return true;
  if (!ends_with(name, ".htm")) return false;
  return starts_with(name, "page") || starts_with(name, "index") || starts_with(name, "i_") ||
         starts_with(name, "s_");
}

// Removes the results of an earlier run; false when one stays.
bool remove_results(const fs::path& out_dir, std::string& error) {
  std::error_code failure;
  std::vector<fs::path> doomed;
  for (fs::directory_iterator it(out_dir, failure), end; !failure && it != end; it.increment(failure)) {
    std::error_code ignored;
    if (is_result_file(it->path().filename().string()) && !it->is_directory(ignored))
      doomed.push_back(it->path());
  }
  for (const fs::path& path : doomed) {
    fs::remove(path, failure);
    if (failure) break;
  }
  if (failure) error = "cannot clear " + out_dir.string() + ": " + failure.message();
  return !failure;
}

// Finds the one file in htm_in/; false with the reason otherwise.
bool find_page(const fs::path& in_dir, fs::path& page, std::string& error) {
  std::error_code failure;
  if (!fs::is_directory(in_dir, failure)) {
    error = "the folder htm_in is missing: there is no page to index";
    return false;
  }
  std::vector<fs::path> files;
  for (fs::directory_iterator it(in_dir, failure), end; !failure && it != end; it.increment(failure)) {
    std::error_code ignored;
    if (!it->is_directory(ignored)) files.push_back(it->path());
  }
  if (failure) {
    error = "cannot list the folder htm_in: " + failure.message();
    return false;
  }
  if (files.empty()) {
    error = "the folder htm_in is empty: there is no page to index";
    return false;
  }
  if (files.size() > 1) {
    error = "the folder htm_in holds " + std::to_string(files.size()) +
            " files; it must hold exactly the one page to index";
    return false;
  }
  page = files.front();
  return true;
}

bool read_page(const fs::path& path, std::string& bytes, std::string& error) {
  std::string name = "htm_in/" + path.filename().string();
  // A device or a pipe could be read without end.
  std::error_code failure;
  if (fs::exists(path, failure) && !fs::is_regular_file(path, failure)) {
    error = "the page " + name + " is no regular file";
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read the page " + name + ": " + std::strerror(errno);
    return false;
  }
  std::uintmax_t size = fs::file_size(path, failure);
  if (!failure && size > kMaxPageSize) {
    std::fclose(file);
    error = "the page " + name + " is too large to index (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (!failure) bytes.reserve(static_cast<std::size_t>(size));
  char chunk[1 << 16];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    if (bytes.size() + got > kMaxPageSize) {
      std::fclose(file);
      error = "the page " + name + " is too large to index";
      return false;
    }
    bytes.append(chunk, got);
  }
  bool failed = std::ferror(file) != 0;
  int reason = errno;
  std::fclose(file);
  if (failed) error = "cannot read the page " + name + ": " + std::strerror(reason);
  return !failed;
}

// Writes one result file; false with the reason when it fails.
template <typename Writer>
bool write_result(const fs::path& path, std::string& error, Writer&& write) {
  LineWriter out(path.string());
  if (out.ok()) write(out);
  if (!out.close()) {
    error = "cannot write " + path.string() + ": " + out.error();
    return false;
  }
  return true;
}

RunOutcome fail(const fs::path& out_dir, const std::string& message) {
  std::string ignored;
  remove_results(out_dir, ignored);
  write_result(out_dir / "error.txt", ignored, [&](LineWriter& out) { out.write_line(message); });
  write_result(out_dir / "index1.htm", ignored,
               [&](LineWriter& out) { write_error_page(message, out); });
  return RunOutcome{false, message};
}

}  // namespace

RunOutcome index_directory(const fs::path& working_directory) {
  const fs::path in_dir = working_directory / "htm_in";
  const fs::path out_dir = working_directory / "htm_out";
  std::error_code failure;
  fs::create_directories(out_dir, failure);
  if (failure || !fs::is_directory(out_dir, failure))
    return RunOutcome{false, "cannot create the folder htm_out: " +
                                 (failure ? failure.message() : std::string("a file has its name"))};

  std::string error;
  fs::path page_path;
  std::string page;
  if (!find_page(in_dir, page_path, error) || !read_page(page_path, page, error))
    return fail(out_dir, error);
  page = page_in_utf8(std::move(page));
  if (page.size() > kMaxPageSize)
    return fail(out_dir, "the page htm_in/" + page_path.filename().string() + " is too large to index in UTF-8");
  if (!remove_results(out_dir, error)) return fail(out_dir, error);

  PageScan scan = scan_page(page);
  WordIndex index = build_word_index(page, scan);
  std::vector<InitialGroup> groups = initial_groups(index);
  std::vector<Keyword> keywords = find_keywords(scan);
  std::string source_name = page_path.filename().string();
  IndexedPage indexed{source_name, page, scan, index, groups, keywords};

  bool written =
      write_result(out_dir / "page1.htm", error,
                   [&](LineWriter& out) { write_word_page(indexed, out); }) &&
      write_result(out_dir / "index1.htm", error,
                   [&](LineWriter& out) { write_index_page(indexed, out); }) &&
      write_result(out_dir / "s_1.htm", error,
                   [&](LineWriter& out) { write_statistics_page(indexed, out); });
  for (std::size_t g = 0; written && g < groups.size(); ++g) {
    written = write_result(out_dir / initial_page_name(groups[g].name), error,
                           [&](LineWriter& out) { write_initial_page(indexed, groups[g], out); });
  }
  if (!written) return fail(out_dir, error);
  return RunOutcome{true, "indexed htm_in/" + source_name + ": " + summary(indexed) +
                              "; see htm_out/index1.htm"};
}

}  // namespace kestram::lexpage
