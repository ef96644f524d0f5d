#include "page_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "catalog.h"
#include "page_scan.h"

namespace kestram::lexpage {
namespace fs = std::filesystem;

bool read_page(const fs::path& path, const std::string& shown, std::string* bytes, std::uint64_t& size,
               std::uint64_t& hash, std::string& error) {
  std::error_code failure;
  // A device or a pipe could be read without end.
  if (fs::exists(path, failure) && !fs::is_regular_file(path, failure)) {
    error = "the page " + shown + " is no regular file";
    return false;
  }
  errno = 0;
  std::FILE* file = std::fopen(path.string().c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read the page " + shown + ": " + std::strerror(errno);
    return false;
  }
  PageHash hasher;
  size = 0;
  std::vector<char> chunk(1 << 16);
  std::size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), file)) > 0) {
    size += got;
    if (size > kMaxPageSize) {
      std::fclose(file);
      error = "the page " + shown + " is too large to index";
      return false;
    }
    hasher.add(std::string_view(chunk.data(), got));
    if (bytes != nullptr) bytes->append(chunk.data(), got);
  }
  bool failed = std::ferror(file) != 0;
  int reason = errno;
  std::fclose(file);
  if (failed) error = "cannot read the page " + shown + ": " + std::strerror(reason);
  hash = hasher.value();
  return !failed;
}

bool find_arrival(const fs::path& in_dir, Arrival& arrival, std::string& problem) {
  std::error_code failure;
  if (!fs::is_directory(in_dir, failure)) return true;
  std::vector<fs::path> files;
  for (fs::directory_iterator it(in_dir, failure), end; !failure && it != end; it.increment(failure)) {
    std::error_code ignored;
    if (!it->is_directory(ignored)) files.push_back(it->path());
  }
  if (failure) {
    problem = "cannot list the folder htm_in: " + failure.message();
    return false;
  }
  if (files.size() > 1) {
    problem = "the folder htm_in holds " + std::to_string(files.size()) +
              " files; it must hold exactly the one page to take in";
    return false;
  }
  if (files.empty()) return true;
  arrival.name = files.front().filename().string();
  const fs::file_time_type time = fs::last_write_time(files.front(), failure);
  const std::uintmax_t size = fs::file_size(files.front(), failure);
  arrival.stamp = std::to_string(failure ? 0 : size) + " " +
                  std::to_string(failure ? 0 : static_cast<long long>(time.time_since_epoch().count())) +
                  " " + arrival.name;
  return true;
}

}  // namespace kestram::lexpage
