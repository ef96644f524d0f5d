#include "handoff/index_folder.h"

#include <system_error>

#include "platform/process.h"
#include "platform/shell_names.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

// The name the dialogue's "dir /b /o  lexpage_*.exe" lists last, or "".
std::string indexer_in(const fs::path& dir) {
  std::string last;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (matches_wildcard("lexpage_*.exe", name) && it->is_regular_file(ec) &&
        (last.empty() || listing_order_less(last, name)))
      last = name;
  }
  return last;
}

// Copies `from` to `to` unless both name one file (a folder that is the
// program's own).
std::string copy_over(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::equivalent(from, to, ec)) return "";
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  return ec ? "cannot copy " + from.string() + " to " + to.string() + ": " + ec.message() : "";
}

}  // namespace

std::string index_page(const fs::path& page, const fs::path& folder, const fs::path& program_dir) {
  const std::string indexer = indexer_in(program_dir);
  if (indexer.empty()) return "no lexpage_*.exe in " + program_dir.string();
  const fs::path htm_in = folder / "htm_in";
  std::error_code ec;
  fs::create_directories(htm_in, ec);
  if (ec) return "cannot make " + htm_in.string() + ": " + ec.message();
  // As "del /q htm_in\*.*": files go, directories stay.
  for (fs::directory_iterator it(htm_in, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code kind;
    if (!it->is_directory(kind)) fs::remove(it->path(), kind);
  }
  std::string failure = copy_over(page, htm_in / page.filename());
  if (failure.empty() && fs::exists(program_dir / "wget.exe", ec))
    failure = copy_over(program_dir / "wget.exe", folder / "wget.exe");
  if (failure.empty()) failure = copy_over(program_dir / indexer, folder / indexer);
  if (failure.empty()) failure = run_and_wait(folder, indexer);
  return failure;
}

}  // namespace kestram
