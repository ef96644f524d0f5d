// lexpage: keeps the pages handed to it in a library and indexes them all
// into htm_out/ of the current directory. Exit status 0 when it did what was
// asked, 1 when not, 2 for an unknown argument.
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <new>
#include <string>

#include "indexer_run.h"

namespace {

constexpr const char* kUsage =
    "usage: lexpage_1_0.exe [--list | --remove NAME | --help]\n"
    "\n"
    "Started without an argument (as the hand-off starts it), the program takes the page\n"
    "in htm_in/ into its library, unless it took in that very page before, and makes\n"
    "htm_out/ anew for every document of the library: page1.htm ... pageN.htm, index1.htm,\n"
    "i_*.htm, s_1.htm and search.htm. A page of a name already in the library replaces it.\n"
    "\n"
    "The library is the folder htm_out/library/: one kept page per document, under its\n"
    "file name. Deleting a file there removes the document at the next run.\n"
    "\n"
    "  --list         print the library's documents: page, when taken in, name\n"
    "  --remove NAME  remove the document NAME from the library and make htm_out/ anew\n"
    "  --help         print this text\n";

std::string local_time_now() {
  std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now))
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", local);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  using kestram::lexpage::Request;
  Request request;
  const std::string first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "--help" || first == "-h" || first == "/?")) {
    std::fputs(kUsage, stdout);
    return 0;
  } else if (argc == 2 && first == "--list") {
    request.kind = Request::Kind::kList;
  } else if (argc == 3 && first == "--remove") {
    request.kind = Request::Kind::kRemove;
    request.name = argv[2];
  } else if (argc != 1) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  try {
    kestram::lexpage::RunOptions options;
    options.now = local_time_now();
    kestram::lexpage::RunOutcome outcome =
        kestram::lexpage::run_indexer(std::filesystem::current_path(), request, options);
    std::FILE* stream = outcome.ok ? stdout : stderr;
    std::size_t at = 0;
    // Every line of the message gets the program's name.
    while (at < outcome.message.size()) {
      std::size_t end = outcome.message.find('\n', at);
      if (end == std::string::npos) end = outcome.message.size();
      const std::string line = outcome.message.substr(at, end - at);
      std::fprintf(stream, request.kind == Request::Kind::kList ? "%s\n" : "lexpage: %s\n", line.c_str());
      at = end + 1;
    }
    return outcome.ok ? 0 : 1;
  } catch (const std::bad_alloc&) {
    std::fputs("lexpage: not enough memory to index the pages\n", stderr);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "lexpage: %s\n", error.what());
  } catch (...) {
    std::fputs("lexpage: unexpected failure\n", stderr);
  }
  return 1;
}
