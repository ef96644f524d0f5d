// wget.exe: hands its arguments to the system's wget program, or says that
// there is none. Exit status: that of wget, or 127 when no wget can be run.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "program_search.h"

namespace {

constexpr const char* kNoWget = "wget.exe: no wget program is installed on this system\n";
// Set in the environment of the wget we start: finding it again on entry
// means that "wget" led back to us, and going on would loop forever.
constexpr const char* kForwardedMarker = "KESTRAM_WGET_FORWARDED";
constexpr int kNotRun = 127;

int run(char** argv) {
  if (std::getenv(kForwardedMarker) != nullptr) {
    std::fputs("wget.exe: the wget program on the search path calls wget.exe again\n", stderr);
    std::fputs(kNoWget, stderr);
    return kNotRun;
  }
  std::string name = kestram::program_file_name("wget");
  for (const std::string& candidate : kestram::path_candidates(
           kestram::search_path(), kestram::search_path_separator(), name)) {
    if (!kestram::is_other_program(candidate)) continue;
    std::string reason = kestram::hand_over(candidate, argv, kForwardedMarker);
    std::fprintf(stderr, "wget.exe: cannot run %s: %s\n", candidate.c_str(), reason.c_str());
    return kNotRun;
  }
  std::fputs(kNoWget, stderr);
  return kNotRun;
}

}  // namespace

int main(int, char** argv) {
  try {
    return run(argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "wget.exe: %s\n", error.what());
  } catch (...) {
    std::fputs("wget.exe: unexpected failure\n", stderr);
  }
  return kNotRun;
}
