#include "site.h"

#include <vector>

#include "library_files.h"
#include "text/lines.h"

namespace kestram::lexpage {
namespace fs = std::filesystem;
namespace {

bool starts_with(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool ends_with(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

struct SitePaths {
  explicit SitePaths(const fs::path& working_directory)
      : out(working_directory / "htm_out"),
        staging(working_directory / "htm_out.new"),
        retired(working_directory / "htm_out.old") {}
  fs::path out, staging, retired;
};

std::string failure(std::string_view what, const fs::path& path, const std::error_code& ec) {
  return std::string(what) + " " + path.string() + ": " + ec.message();
}

// Moves the entries of `from` that `keep` picks to `to`, where `to` lacks them.
template <typename Keep>
void move_missing(const fs::path& from, const fs::path& to, Keep keep, const StepHook& step) {
  std::error_code ec;
  std::vector<fs::path> moving;
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
    if (keep(*it)) moving.push_back(it->path());
  for (const fs::path& entry : moving) {
    std::error_code missing;
    if (fs::exists(fs::symlink_status(to / entry.filename(), missing))) continue;
    if (step) step();
    fs::rename(entry, to / entry.filename(), ec);
  }
}

// Removes an htm_out that is no longer wanted. What is the user's and was
// not carried (a pipe) is moved to htm_out first when it lacks it, so that
// nothing of theirs is lost.
void clean_up(const fs::path& old, const fs::path& out, const StepHook& step) {
  move_missing(old, out, [](const fs::directory_entry& e) { return !is_own_entry(e.path().filename().string()); },
               step);
  std::error_code ec;
  if (fs::is_directory(out / "library", ec))
    move_missing(old / "library", out / "library", [](const fs::directory_entry& e) {
      std::error_code ignored;
      return !e.is_regular_file(ignored);
    }, step);
  if (step) step();
  fs::remove_all(old, ec);
}

}  // namespace

bool is_own_entry(std::string_view name) {
  if (name == "error.txt" || name == "library" || name == "word_lists" || name == "search.htm" ||
      name == "search_words.js")
    return true;
  if (!ends_with(name, ".htm")) return false;
  return starts_with(name, "page") || starts_with(name, "index") || starts_with(name, "i_") ||
         starts_with(name, "s_");
}

void recover_site(const fs::path& working_directory, const StepHook& step) {
  const SitePaths paths(working_directory);
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(paths.out, ec))) {
    if (fs::is_regular_file(paths.staging / kCatalogPath, ec)) {
      if (step) step();
      fs::rename(paths.staging, paths.out, ec);
    } else if (fs::is_directory(paths.retired, ec)) {
      if (step) step();
      fs::rename(paths.retired, paths.out, ec);
    }
  }
  for (const fs::path& leftover : {paths.retired, paths.staging})
    if (fs::exists(fs::symlink_status(leftover, ec))) clean_up(leftover, paths.out, step);
}

NextSite::NextSite(const fs::path& working_directory, StepHook step) : step_(std::move(step)) {
  const SitePaths paths(working_directory);
  out_ = paths.out;
  staging_ = paths.staging;
  retired_ = paths.retired;
}

bool NextSite::begin(std::string& error) {
  std::error_code ec;
  for (const char* folder : {"", "library", "word_lists"}) {
    step();
    if (!fs::create_directory(staging_ / folder, ec) && !ec) ec = std::make_error_code(std::errc::file_exists);
    if (ec) {
      error = failure("cannot make the folder", staging_ / folder, ec);
      return false;
    }
  }
  return true;
}

bool NextSite::carry(std::string_view relative, std::string& error) {
  step();
  std::error_code ec;
  fs::create_hard_link(out_ / relative, staging_ / relative, ec);
  if (ec) {
    ec.clear();
    fs::copy_file(out_ / relative, staging_ / relative, ec);
  }
  if (ec) error = failure("cannot keep", out_ / relative, ec);
  return !ec;
}

bool NextSite::carry_users_entry(const std::string& relative, std::string& error) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(out_ / relative, ec);
  if (fs::is_regular_file(status)) return carry(relative, error);
  if (fs::is_symlink(status)) {
    step();
    fs::copy_symlink(out_ / relative, staging_ / relative, ec);
  } else if (fs::is_directory(status)) {
    step();
    fs::create_directory(staging_ / relative, ec);
    std::vector<std::string> names;
    for (fs::directory_iterator it(out_ / relative, ec), end; !ec && it != end; it.increment(ec))
      names.push_back(it->path().filename().string());
    for (const std::string& name : names)
      if (!ec && !carry_users_entry(relative + "/" + name, error)) return false;
  }
  // Anything else (a pipe) is moved over once the new htm_out is in place.
  if (ec) error = failure("cannot keep", out_ / relative, ec);
  return !ec;
}

bool NextSite::carry_users_files(std::string& error) {
  std::error_code ec;
  if (!fs::exists(out_, ec)) return true;
  std::vector<std::string> names;
  for (fs::directory_iterator it(out_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!is_own_entry(name)) names.push_back(name);
  }
  // In library/ the user's folders stay beside the kept pages.
  for (fs::directory_iterator it(out_ / "library", ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ignored;
    if (!it->is_regular_file(ignored)) names.push_back("library/" + it->path().filename().string());
  }
  ec.clear();
  for (const std::string& name : names)
    if (!carry_users_entry(name, error)) return false;
  return true;
}

bool NextSite::write(std::string_view relative, const std::function<void(LineSink&)>& writer,
                     std::string& error) {
  step();
  const fs::path path = staging_ / relative;
  LineWriter out(path.string());
  if (out.ok()) writer(out);
  // A run broken off here leaves a file not yet written out.
  step();
  if (!out.close()) {
    error = "cannot write " + path.string() + ": " + out.error();
    return false;
  }
  return true;
}

bool NextSite::commit(bool in_one_step, std::string& error) {
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(out_, ec))) {
    step();
    fs::rename(staging_, out_, ec);
    if (ec) error = failure("cannot rename", staging_, ec);
    return !ec;
  }
  if (in_one_step) {
    step();
    if (exchange_directories(staging_, out_, ec)) {
      clean_up(staging_, out_, step_);
      return true;
    }
    if (ec != std::errc::function_not_supported) {
      error = failure("cannot put in place", out_, ec);
      return false;
    }
  }
  step();
  fs::rename(out_, retired_, ec);
  if (ec) {
    error = failure("cannot rename", out_, ec);
    return false;
  }
  step();
  fs::rename(staging_, out_, ec);
  if (ec) {
    error = failure("cannot rename", staging_, ec);
    std::error_code ignored;
    fs::rename(retired_, out_, ignored);
    return false;
  }
  clean_up(retired_, out_, step_);
  return true;
}

}  // namespace kestram::lexpage
