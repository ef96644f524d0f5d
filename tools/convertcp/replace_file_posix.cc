#include <filesystem>

#include "replace_file.h"

namespace kestram {

std::string replace_file(const std::string& from, const std::string& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return error ? error.message() : std::string();
}

}  // namespace kestram
