#include "text/line_sink.h"

namespace kestram {

void LineSink::write_blanks(std::uint64_t count) {
  static const std::string kBlanks(4096, ' ');
  while (count > 0) {
    const std::size_t slice = count < kBlanks.size() ? static_cast<std::size_t>(count) : kBlanks.size();
    write(std::string_view(kBlanks).substr(0, slice));
    count -= slice;
  }
}

}  // namespace kestram
