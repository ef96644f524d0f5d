#include "text/lines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

namespace kestram {
namespace {

constexpr std::size_t kReadChunk = 1 << 20;
constexpr std::size_t kWriteChunk = 1 << 20;

// Whether `path` names something other than a plain file (through links): a
// directory, a pipe, a device. Opening a pipe blocks until someone writes to
// it, and a device such as /dev/zero never ends.
bool is_no_plain_file(const std::string& path) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  return !ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status);
}

}  // namespace

LineReader::LineReader(const std::string& path) {
  // Only plain files are read; anything else reads as a file that cannot be
  // opened.
  if (is_no_plain_file(path)) {
    at_end_ = true;
    return;
  }
  file_ = std::fopen(path.c_str(), "rb");
  if (file_ == nullptr) {
    at_end_ = true;
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.resize(kReadChunk);
  data_ = buffer_.data();
}

LineReader LineReader::from_memory(std::string_view text) {
  LineReader reader;
  reader.in_memory_ = true;
  reader.data_ = text.data();
  reader.end_ = text.size();
  reader.at_end_ = true;
  return reader;
}

LineReader::LineReader(LineReader&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      in_memory_(other.in_memory_),
      buffer_(std::move(other.buffer_)),
      data_(other.in_memory_ ? other.data_ : buffer_.data()),
      begin_(other.begin_),
      end_(other.end_),
      at_end_(other.at_end_),
      line_number_(other.line_number_) {}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::fill() {
  if (at_end_ || file_ == nullptr) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (buffer_.size() - end_ < kReadChunk / 2) buffer_.resize(buffer_.size() * 2);
  data_ = buffer_.data();
  std::size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, file_);
  if (got == 0) {
    at_end_ = true;
    return false;
  }
  end_ += got;
  return true;
}

bool LineReader::next(std::string_view& line) {
  std::size_t scanned = 0;  // bytes after begin_ known to hold no line end
  for (;;) {
    const char* start = data_ + begin_;
    std::size_t available = end_ - begin_;
    const char* from = start + scanned;
    std::size_t rest = available - scanned;
    const char* lf = rest ? static_cast<const char*>(std::memchr(from, '\n', rest)) : nullptr;
    std::size_t span = lf ? static_cast<std::size_t>(lf - from) : rest;
    const char* cr = span ? static_cast<const char*>(std::memchr(from, '\r', span)) : nullptr;
    if (cr != nullptr) {
      // A CR as the last byte read may still be followed by an LF.
      if (cr + 1 == start + available && !at_end_) {
        scanned = static_cast<std::size_t>(cr - start);
        if (fill()) continue;
        start = data_ + begin_;
        cr = start + scanned;
        available = end_ - begin_;
      }
      std::size_t length = static_cast<std::size_t>(cr - start);
      line = std::string_view(start, length);
      std::size_t skip = (length + 1 < available && start[length + 1] == '\n') ? 2 : 1;
      begin_ += length + skip;
      ++line_number_;
      return true;
    }
    if (lf != nullptr) {
      std::size_t length = static_cast<std::size_t>(lf - start);
      line = std::string_view(start, length);
      begin_ += length + 1;
      ++line_number_;
      return true;
    }
    scanned = available;
    if (fill()) continue;
    if (end_ == begin_) return false;
    // The last line of a file without a final line end.
    line = std::string_view(data_ + begin_, end_ - begin_);
    begin_ = end_;
    ++line_number_;
    return true;
  }
}

bool LineReader::rewind() {
  line_number_ = 0;
  if (in_memory_) {
    begin_ = 0;
    return true;
  }
  if (file_ == nullptr) return false;
  if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
  begin_ = end_ = 0;
  at_end_ = false;
  return true;
}

LineWriter::LineWriter(const std::string& path) {
  // Opening a pipe for writing blocks until someone reads it; a socket cannot
  // be opened at all. A directory fails in fopen with its own reason.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (!ec && (std::filesystem::is_fifo(status) || std::filesystem::is_socket(status))) {
    error_ = "not a plain file";
    return;
  }
  errno = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) {
    error_ = errno ? std::strerror(errno) : "cannot be created";
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.reserve(kWriteChunk);
}

LineWriter LineWriter::to_memory(std::string& target) {
  LineWriter writer;
  writer.memory_ = &target;
  return writer;
}

LineWriter::LineWriter(LineWriter&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      memory_(std::exchange(other.memory_, nullptr)),
      buffer_(std::move(other.buffer_)),
      error_(std::move(other.error_)),
      closed_(std::exchange(other.closed_, true)) {}

LineWriter::~LineWriter() { close(); }

void LineWriter::write(std::string_view text) {
  // After a failure the output is lost anyway; writing on would only spend
  // time (an absurd indentation, a full disk).
  if (!error_.empty()) return;
  if (memory_ != nullptr) {
    memory_->append(text);
    return;
  }
  if (file_ == nullptr) return;
  if (buffer_.size() + text.size() > kWriteChunk) {
    flush();
    if (text.size() >= kWriteChunk) {
      errno = 0;
      if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() && error_.empty())
        error_ = errno ? std::strerror(errno) : "write failed";
      return;
    }
  }
  buffer_.append(text);
}

void LineWriter::write_blanks(std::size_t count) {
  static const std::string kBlanks(256, ' ');
  while (count > 0 && error_.empty()) {
    std::size_t n = count < kBlanks.size() ? count : kBlanks.size();
    write(std::string_view(kBlanks.data(), n));
    count -= n;
  }
}

void LineWriter::flush() {
  if (file_ == nullptr || buffer_.empty()) return;
  errno = 0;
  if (std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size() && error_.empty())
    error_ = errno ? std::strerror(errno) : "write failed";
  buffer_.clear();
}

void LineWriter::fail(std::string_view reason) {
  if (error_.empty()) error_.assign(reason.empty() ? std::string_view("write refused") : reason);
}

bool LineWriter::close() {
  if (closed_) return ok();
  closed_ = true;
  if (file_ != nullptr) {
    flush();
    errno = 0;
    if (std::fclose(file_) != 0 && error_.empty())
      error_ = errno ? std::strerror(errno) : "write failed";
    file_ = nullptr;
  }
  return ok();
}

}  // namespace kestram
