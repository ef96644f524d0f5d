// Finding another program on the search path, and handing over to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestram {

// The places where `name` is looked for, in order: one per non-empty entry
// of `path_list` (entries separated by `separator`). An empty entry does not
// stand for the current directory here, so a program lying beside the caller
// is never picked up by accident.
std::vector<std::string> path_candidates(std::string_view path_list, char separator,
                                         std::string_view name);

// Platform layer (program_search_<platform>.cc).

// The search path: the PATH variable, or the system's default path when the
// variable is not set at all.
std::string search_path();
char search_path_separator();
// The file name of a program called `name` on this platform ("wget").
std::string program_file_name(std::string_view name);
// An executable regular file that is not this program itself (also not
// through a link or a second name).
bool is_other_program(const std::string& path);
// Runs `path` in place of this process with the arguments of `argv`
// (argv[0] replaced by `path`), marking the environment with `marker` so a
// program that calls back into this one can be told. Returns only on
// failure, with the reason.
std::string hand_over(const std::string& path, char** argv, const char* marker);

}  // namespace kestram
