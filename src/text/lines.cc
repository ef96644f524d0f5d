#include "text/lines.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <new>
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
  // Not zeroed: only bytes that were read are ever looked at.
  buffer_.reset(static_cast<char*>(std::malloc(kReadChunk)));
  if (buffer_ == nullptr) throw std::bad_alloc();  // as any allocation here
  capacity_ = kReadChunk;
  data_ = buffer_.get();
}

LineReader LineReader::from_memory(std::string_view text) {
  LineReader reader;
  reader.in_memory_ = true;
  reader.data_ = text.data();
  reader.end_ = text.size();
  reader.at_end_ = true;
  return reader;
}

// The buffer lives on the heap, so data_ stays valid in the new object.
LineReader::LineReader(LineReader&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      in_memory_(other.in_memory_),
      buffer_(std::move(other.buffer_)),
      capacity_(std::exchange(other.capacity_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      begin_(std::exchange(other.begin_, 0)),
      end_(std::exchange(other.end_, 0)),
      at_end_(std::exchange(other.at_end_, true)),
      next_lf_(other.next_lf_),
      next_cr_(other.next_cr_),
      line_number_(other.line_number_) {}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::fill() {
  if (at_end_ || file_ == nullptr) {
    at_end_ = true;
    return false;
  }
  if (begin_ > 0) {
    // Keep the unread bytes, and what is known about them, at the front.
    auto shift = [this](NextByte& next) {
      next = next.at < begin_ ? NextByte{} : NextByte{next.at - begin_, next.found};
    };
    shift(next_lf_);
    shift(next_cr_);
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (capacity_ - end_ < kReadChunk / 2) {
    // A line longer than the buffer: it doubles, so a long line costs
    // linear time and at most twice its length. realloc() can often grow a
    // large block where it lies, without copying it or touching its pages.
    char* larger = static_cast<char*>(std::realloc(buffer_.get(), capacity_ * 2));
    if (larger == nullptr) throw std::bad_alloc();
    buffer_.release();
    buffer_.reset(larger);
    capacity_ *= 2;
  }
  data_ = buffer_.get();
  const std::size_t got = std::fread(buffer_.get() + end_, 1, capacity_ - end_, file_);
  if (got == 0) {
    at_end_ = true;
    return false;
  }
  end_ += got;
  return true;
}

std::size_t LineReader::next_of(char byte, NextByte& next) {
  if (next.at < begin_) next = NextByte{begin_, false};
  if (!next.found && next.at < end_) {
    // Searched to the end of what is buffered, not just to the other line
    // end byte: one search then serves every line up to the hit.
    const void* hit = std::memchr(data_ + next.at, byte, end_ - next.at);
    if (hit != nullptr) {
      next = NextByte{static_cast<std::size_t>(static_cast<const char*>(hit) - data_), true};
    } else {
      next.at = end_;
    }
  }
  return next.at;
}

bool LineReader::next(std::string_view& line) {
  for (;;) {
    const std::size_t lf = next_of('\n', next_lf_);
    const std::size_t cr = next_of('\r', next_cr_);
    if (cr < lf) {
      // A CR as the last byte read may still be followed by an LF.
      if (cr + 1 == end_ && !at_end_) {
        fill();
        continue;
      }
      line = std::string_view(data_ + begin_, cr - begin_);
      begin_ = (cr + 1 < end_ && data_[cr + 1] == '\n') ? cr + 2 : cr + 1;
      ++line_number_;
      return true;
    }
    if (lf < end_) {
      line = std::string_view(data_ + begin_, lf - begin_);
      begin_ = lf + 1;
      ++line_number_;
      return true;
    }
    if (!at_end_) {
      fill();
      continue;
    }
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
  next_lf_ = NextByte{};
  next_cr_ = NextByte{};
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
  std::error_code status_error;
  const std::filesystem::file_status status = std::filesystem::status(path, status_error);
  if (!status_error && (std::filesystem::is_fifo(status) || std::filesystem::is_socket(status))) {
    error_ = "not a plain file";
    return;
  }
  // An existing file is written over in place and cut to its new length by
  // close(), rather than emptied first. Emptying a file hands all its blocks
  // back to the file system (which may wait for the disk to discard them) just
  // before the new text needs as many again: on a rerun over the same
  // document that cost more than writing the text.
  if (std::filesystem::is_regular_file(status)) {
    file_ = std::fopen(path.c_str(), "r+b");
    if (file_ != nullptr) overwritten_path_ = path;
  }
  if (file_ == nullptr) {
    errno = 0;
    file_ = std::fopen(path.c_str(), "wb");
  }
  if (file_ == nullptr) {
    error_ = errno ? std::strerror(errno) : "cannot be created";
    return;
  }
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.reset(new char[kWriteChunk]);
  fill_ = buffer_.get();
  limit_ = fill_ + kWriteChunk;
}

LineWriter LineWriter::to_memory(std::string& target) {
  LineWriter writer;
  writer.memory_ = &target;
  return writer;
}

// fill_ and limit_ point into the heap buffer, which moves along unchanged.
LineWriter::LineWriter(LineWriter&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)),
      memory_(std::exchange(other.memory_, nullptr)),
      buffer_(std::move(other.buffer_)),
      fill_(std::exchange(other.fill_, nullptr)),
      limit_(std::exchange(other.limit_, nullptr)),
      overwritten_path_(std::move(other.overwritten_path_)),
      written_(other.written_),
      error_(std::move(other.error_)),
      closed_(std::exchange(other.closed_, true)),
      observer_(std::exchange(other.observer_, nullptr)),
      line_start_(std::exchange(other.line_start_, nullptr)),
      carry_(std::move(other.carry_)) {}

LineWriter::~LineWriter() { close(); }

void LineWriter::write_beyond_buffer(std::string_view text) {
  // After a failure the output is lost anyway; writing on would only spend
  // time (an absurd indentation, a full disk).
  if (!error_.empty()) return;
  if (memory_ != nullptr) {
    memory_->append(text);
    return;
  }
  if (file_ == nullptr) return;
  flush();
  if (text.size() >= kWriteChunk) {
    // Large texts go straight to the file rather than through the buffer.
    if (observer_ != nullptr) carry_.append(text);
    put(text.data(), text.size());
    return;
  }
  std::memcpy(fill_, text.data(), text.size());
  fill_ += text.size();
}

void LineWriter::write_blanks_beyond_buffer(std::size_t count) {
  static const std::string kBlanks(256, ' ');
  while (count > 0 && error_.empty()) {
    std::size_t n = count < kBlanks.size() ? count : kBlanks.size();
    write(std::string_view(kBlanks.data(), n));
    count -= n;
  }
}

void LineWriter::flush() {
  if (file_ == nullptr || fill_ == buffer_.get()) return;
  if (observer_ != nullptr) {
    carry_.append(line_start_, static_cast<std::size_t>(fill_ - line_start_));
    line_start_ = buffer_.get();
  }
  put(buffer_.get(), static_cast<std::size_t>(fill_ - buffer_.get()));
  fill_ = buffer_.get();
  if (!error_.empty()) limit_ = fill_;
}

void LineWriter::observe_lines(LineObserver* observer) {
  if (file_ == nullptr) return;
  observer_ = observer;
  line_start_ = fill_;
  carry_.clear();
}

void LineWriter::end_observed_line() {
  std::string_view text(line_start_, static_cast<std::size_t>(fill_ - line_start_));
  if (!carry_.empty()) {
    carry_.append(text);
    text = carry_;
  }
  // Told before the line end is written, which may flush the buffer under
  // the view.
  observer_->line(text);
  write(std::string_view("\r\n", 2));
  line_start_ = fill_;
  carry_.clear();
}

void LineWriter::put(const char* data, std::size_t size) {
  if (!error_.empty()) return;
  errno = 0;
  const std::size_t put = std::fwrite(data, 1, size, file_);
  written_ += put;
  if (put != size) stop(errno ? std::strerror(errno) : "write failed");
}

void LineWriter::stop(std::string_view reason) {
  if (error_.empty()) error_.assign(reason.empty() ? std::string_view("write refused") : reason);
  // Every later write takes the slow path, which drops it.
  limit_ = fill_;
}

void LineWriter::fail(std::string_view reason) {
  // What was written before the refused line stays in the file.
  if (error_.empty()) flush();
  stop(reason);
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
    if (!overwritten_path_.empty()) {
      // Whatever the earlier contents held beyond the new text goes.
      std::error_code ec;
      if (std::filesystem::file_size(overwritten_path_, ec) != written_ || ec)
        std::filesystem::resize_file(overwritten_path_, written_, ec);
      if (ec && error_.empty()) error_ = ec.message();
    }
  }
  // Writes after close() are dropped, as they were when the file was closed.
  fill_ = limit_ = line_start_ = nullptr;
  observer_ = nullptr;
  return ok();
}

}  // namespace kestram
