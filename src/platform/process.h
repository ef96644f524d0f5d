// What the running program knows of itself, and the programs it runs and
// waits for.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestram {

// The directory that holds the running program's file; `started_path` (its
// path as it was started) serves where the system cannot tell.
std::filesystem::path program_directory(std::string_view started_path);

// The line end of text this platform's own tools print: CR LF on Windows, LF
// elsewhere.
std::string_view native_line_end();

// Makes standard output and standard error pass every byte unchanged, so
// that a line ends exactly as written.
void write_standard_streams_unchanged();

// Runs `program`, a file in `dir`, with `dir` as its working directory and no
// arguments, and waits until it ends. Its standard input and output lead
// nowhere; its error output is this program's. Returns "" when it ran and
// ended with status 0, else why not.
std::string run_and_wait(const std::filesystem::path& dir, const std::string& program);

}  // namespace kestram
