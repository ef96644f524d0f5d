#include "run/output_check.h"

#include <string>

#include "run/dialogue.h"

namespace kestram {

void close_and_report(Console& console, std::string_view file_name, LineWriter& file) {
  file.close();
  report_write_failure(console, file_name, file);
}

void report_write_failure(Console& console, std::string_view file_name, const LineWriter& file) {
  report_write_failure(console, file_name, file.ok() ? std::string_view() : std::string_view(file.error()));
}

void report_write_failure(Console& console, std::string_view file_name, std::string_view error) {
  if (error.empty()) return;
  print_line(console, "cannot write " + std::string(file_name) + ": " + std::string(error));
}

}  // namespace kestram
