#include "run/output_check.h"

#include <string>

#include "run/dialogue.h"

namespace kestram {

void close_and_report(Console& console, std::string_view file_name, LineWriter& file) {
  file.close();
  report_write_failure(console, file_name, file);
}

void report_write_failure(Console& console, std::string_view file_name, const LineWriter& file) {
  if (file.ok()) return;
  print_line(console, "cannot write " + std::string(file_name) + ": " + file.error());
}

}  // namespace kestram
