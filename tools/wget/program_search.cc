#include "program_search.h"

namespace kestram {

std::vector<std::string> path_candidates(std::string_view path_list, char separator,
                                         std::string_view name) {
  std::vector<std::string> candidates;
  std::size_t start = 0;
  while (start <= path_list.size()) {
    std::size_t end = path_list.find(separator, start);
    if (end == std::string_view::npos) end = path_list.size();
    std::string_view directory = path_list.substr(start, end - start);
    if (!directory.empty()) {
      std::string candidate(directory);
      if (candidate.back() != '/') candidate += '/';
      candidate += name;
      candidates.push_back(std::move(candidate));
    }
    start = end + 1;
  }
  return candidates;
}

}  // namespace kestram
