#include "run/output_check.h"

#include <string>

#include "run/dialogue.h"

namespace kestram {

void close_and_report(Console& console, std::string_view file_name, LineWriter& file) {
  if (file.close()) return;
  print_line(console, "cannot write " + std::string(file_name) + ": " + file.error());
}

}  // namespace kestram
