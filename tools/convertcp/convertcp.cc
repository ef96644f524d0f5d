// convertcp.exe FROM TO INFILE OUTFILE: converts a text file between code
// pages. Exit status 0 on success, 1 when the conversion fails, 2 on a wrong
// call.
#include <cstdio>
#include <exception>
#include <string>

#include "code_page_conversion.h"

namespace {

constexpr const char* kUsage =
    "usage: convertcp.exe FROM TO INFILE OUTFILE\n"
    "  Converts INFILE from code page FROM to code page TO and writes OUTFILE.\n"
    "  Example: convertcp.exe CP1250 UTF-8 in.txt out.txt\n"
    "  OUTFILE is replaced only when the whole file converts.\n";

int run(int argc, char** argv) {
  if (argc != 5) {
    std::fputs(kUsage, argc == 1 ? stdout : stderr);
    return 2;
  }
  kestram::ConversionResult result = kestram::convert_file(argv[1], argv[2], argv[3], argv[4]);
  if (!result.ok) {
    std::fprintf(stderr, "convertcp.exe: %s\n", result.error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "convertcp.exe: %s\n", error.what());
  } catch (...) {
    std::fputs("convertcp.exe: unexpected failure\n", stderr);
  }
  return 1;
}
