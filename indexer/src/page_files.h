// The pages as files: one handed in through htm_in/, and the kept ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kestram::lexpage {

// Reads a whole page into `bytes`, or only its size and hash when `bytes`
// is null; false with the reason. `shown` names the page in the reason.
// Pages beyond kMaxPageSize and files that are no plain files are refused.
bool read_page(const std::filesystem::path& path, const std::string& shown, std::string* bytes,
               std::uint64_t& size, std::uint64_t& hash, std::string& error);

// The page waiting in htm_in/.
struct Arrival {
  std::string name;   // "" when there is none
  std::string stamp;  // size, time and name, as the catalog keeps them
  std::string bytes;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;
};

// Finds the one page in htm_in/ (no folder or an empty one: none). False,
// with the problem, when htm_in/ cannot be read or holds several files.
bool find_arrival(const std::filesystem::path& in_dir, Arrival& arrival, std::string& problem);

}  // namespace kestram::lexpage
