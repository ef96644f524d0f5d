#include "text/line_sink.h"

namespace kestram {

namespace {

const std::string kBlanks(4096, ' ');

}  // namespace

void LineSink::write_blanks(std::uint64_t count) {
  while (count > 0) {
    const std::size_t slice = count < kBlanks.size() ? static_cast<std::size_t>(count) : kBlanks.size();
    write(std::string_view(kBlanks).substr(0, slice));
    count -= slice;
  }
}

void LineParts::hand_on(std::string_view part) {
  // What was put together so far stays as it is until the line's end.
  if (!handed_on_) out_.write(parts_ == 1 ? first_ : std::string_view(joined_.get(), size_));
  handed_on_ = true;
  out_.write(part);
  ++parts_;
}

void LineParts::add_blanks(std::uint64_t count) {
  while (count > 0) {
    const std::size_t slice = count < kBlanks.size() ? static_cast<std::size_t>(count) : kBlanks.size();
    add(std::string_view(kBlanks).substr(0, slice));
    count -= slice;
  }
}

void LineParts::end_line() {
  if (!handed_on_) out_.write(parts_ > 1 ? std::string_view(joined_.get(), size_) : first_);
  out_.end_line();
  first_ = {};
  size_ = 0;
  parts_ = 0;
  handed_on_ = false;
}

}  // namespace kestram
