// Conversion of a file from one code page to another through iconv.
#pragma once

#include <string>

namespace kestram {

struct ConversionResult {
  bool ok = false;
  std::string error;  // one line, without line end; empty when ok
};

// Converts the bytes of `in_path` from the code page `from` to the code page
// `to` (iconv names: CP1250, ISO-8859-2, UTF-8, ...) and stores them as
// `out_path`. The output is written to a fresh file beside `out_path` and
// renamed over it only when the whole input converted, so a failure never
// leaves a partial file in place of an existing one. A byte sequence that is
// invalid in `from`, or has no equivalent in `to`, fails the conversion and
// the error names its byte offset in the input.
ConversionResult convert_file(const std::string& from, const std::string& to,
                              const std::string& in_path, const std::string& out_path);

}  // namespace kestram
