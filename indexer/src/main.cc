// lexpage: indexes the page in htm_in/ of the current directory into
// htm_out/. Exit status 0 when the index was made, 1 when not.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <new>

#include "indexer_run.h"

int main() {
  try {
    kestram::lexpage::RunOutcome outcome =
        kestram::lexpage::index_directory(std::filesystem::current_path());
    std::fprintf(outcome.ok ? stdout : stderr, "lexpage: %s\n", outcome.message.c_str());
    return outcome.ok ? 0 : 1;
  } catch (const std::bad_alloc&) {
    std::fputs("lexpage: not enough memory to index the page\n", stderr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lexpage: %s\n", error.what());
  } catch (...) {
    std::fputs("lexpage: unexpected failure\n", stderr);
  }
  return 1;
}
