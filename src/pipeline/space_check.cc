#include "pipeline/space_check.h"

#include <filesystem>
#include <system_error>

#include "platform/free_space.h"

namespace kestram {

std::optional<std::uint64_t> space_for(const std::string& file_name) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = fs::weakly_canonical(fs::path(file_name), ec);
  if (ec) target = fs::path(file_name);
  const fs::path directory = target.has_parent_path() ? target.parent_path() : fs::path(".");
  return free_space(directory.string());
}

std::string space_refusal(std::string_view file_name, std::uint64_t needed, std::optional<std::uint64_t> space) {
  if (!space || needed <= *space) return {};
  return "not enough space for " + std::string(file_name) + ": " + (needed == UINT64_MAX ? "at least " : "") +
         std::to_string(needed) + " bytes needed, " + std::to_string(*space) + " bytes free";
}

}  // namespace kestram
