#include "pipeline/staging.h"

#include <chrono>
#include <random>
#include <system_error>

#include "platform/file_copy.h"

namespace kestram {

namespace fs = std::filesystem;

Staging::Staging(fs::path final_dir) : final_dir_(std::move(final_dir)) {
  // Another run may pick the same name at the same moment; making the
  // directory is the test, since only one of them can.
  static std::mt19937_64 random{
      std::random_device{}() ^ static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count())};
  const fs::path dir = final_dir_.empty() ? fs::path(".") : final_dir_;
  std::error_code ec;
  for (int attempt = 0; attempt < 64; ++attempt) {
    const fs::path candidate = dir / (".kestram-" + std::to_string(random() % 1'000'000'000));
    if (fs::create_directory(candidate, ec)) {
      private_dir_ = candidate;
      return;
    }
    if (ec) break;  // not a name taken by another run
  }
  error_ = "cannot write in " + dir.string() + ": " +
           (ec ? ec.message() : std::string("no private directory could be made"));
}

Staging::~Staging() {
  if (private_dir_.empty()) return;
  std::error_code ignored;
  fs::remove_all(private_dir_, ignored);
}

std::string Staging::staged(std::string_view name) const { return (private_dir_ / fs::path(name)).string(); }

std::string Staging::final_path(std::string_view name) const { return (final_dir_ / fs::path(name)).string(); }

std::string Staging::put_in_place(const std::vector<std::string>& names, std::vector<std::string>& placed) {
  for (const std::string& name : names) {
    const fs::path from = staged(name);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(from, ec))) continue;  // not made in this run
    const std::string to = final_path(name);
    replace_file(from, to, ec);
    if (ec) return "cannot write " + to + ": " + ec.message();
    placed.push_back(to);
  }
  return "";
}

std::string in_the_way(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  // A link is replaced, never written through; only a directory or a special
  // file under the name stops the output.
  if (!fs::exists(status) || fs::is_regular_file(status) || fs::is_symlink(status)) return "";
  return fs::is_directory(status) ? "Is a directory" : "not a plain file";
}

}  // namespace kestram
