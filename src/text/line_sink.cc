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

namespace {

constexpr std::size_t kLongestJoined = std::size_t{1} << 16;

}  // namespace

void LineParts::add(std::string_view part) {
  if (handed_on_) {
    out_.write(part);
    return;
  }
  if (parts_ == 0) {
    first_ = part;
  } else if ((parts_ == 1 ? first_.size() : joined_.size()) + part.size() > kLongestJoined) {
    // What was put together so far stays as it is until the line's end.
    out_.write(parts_ == 1 ? first_ : std::string_view(joined_));
    out_.write(part);
    handed_on_ = true;
  } else {
    if (parts_ == 1) joined_.assign(first_);
    joined_.append(part);
  }
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
  if (!handed_on_) out_.write(parts_ > 1 ? std::string_view(joined_) : first_);
  out_.end_line();
  first_ = {};
  joined_.clear();
  parts_ = 0;
  handed_on_ = false;
}

}  // namespace kestram
