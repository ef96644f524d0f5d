// What the fuzz targets share: a property check, which prints what failed and
// aborts (the fuzzer records a finding with its input), and a text's lines.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "text/lines.h"

#define FUZZ_CHECK(condition) \
  ((condition) ? void() : (std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition), std::abort()))

inline std::vector<std::string_view> lines_of(std::string_view text) {
  std::vector<std::string_view> lines;
  kestram::LineReader reader = kestram::LineReader::from_memory(text);
  for (std::string_view line; reader.next(line);) lines.push_back(line);
  return lines;
}
