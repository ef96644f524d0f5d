#include "text/lines.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Position of the lowest set bit; `bits` is not zero.
inline unsigned lowest_bit(std::uint64_t bits) {
#if defined(__GNUC__)
  return static_cast<unsigned>(__builtin_ctzll(bits));
#else
  // The lowest bit alone, times a de Bruijn sequence, puts a different
  // pattern in the top six bits for each position.
  static constexpr unsigned char kPosition[64] = {
      0,  1,  48, 2,  57, 49, 28, 3,  61, 58, 50, 42, 38, 29, 17, 4,  62, 55, 59, 36, 53, 51,
      43, 22, 45, 39, 33, 30, 24, 18, 12, 5,  63, 47, 56, 27, 60, 41, 37, 16, 54, 35, 52, 21,
      44, 32, 23, 11, 46, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
  return kPosition[((bits & (~bits + 1)) * 0x03f79d71b4cb0a89ULL) >> 58];
#endif
}

// line_end_bits(), for the loop in LineReader::scan() to inline.
inline std::uint64_t block_line_ends(const char* block) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  // 16 bits from each quarter of the block (movemask leaves the high bits
  // of its result clear).
  auto quarter = [&](int part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, lf), _mm_cmpeq_epi8(bytes, cr));
    return static_cast<std::uint32_t>(_mm_movemask_epi8(hits));
  };
  const std::uint32_t low = quarter(0) | quarter(1) << 16;
  const std::uint32_t high = quarter(2) | quarter(3) << 16;
  return std::uint64_t{high} << 32 | low;
#else
  return line_end_bits_portable(block);
#endif
}

// The first LF or CR in data[from, end), or end when there is none: a block
// of 64 bytes at a time, the bytes left behind the last whole block one by
// one.
std::size_t find_line_end(const char* data, std::size_t from, std::size_t end) {
  for (; end - from >= kLineEndBlock; from += kLineEndBlock)
    if (const std::uint64_t bits = block_line_ends(data + from)) return from + lowest_bit(bits);
  for (; from < end; ++from)
    if (data[from] == '\n' || data[from] == '\r') return from;
  return end;
}

}  // namespace

std::uint64_t line_end_bits_portable(const char* block) {
  // Eight bytes at a time: a byte equal to the one sought becomes zero under
  // the exclusive or, and each zero byte yields its top bit (exactly, with no
  // carry from a neighbour); the multiplication gathers the eight top bits
  // into the highest byte.
  constexpr std::uint64_t kLow7 = 0x7f7f7f7f7f7f7f7fULL;
  auto zero_bytes = [](std::uint64_t x) { return ~(((x & kLow7) + kLow7) | x | kLow7); };
  std::uint64_t bits = 0;
  for (std::size_t word = 0; word < kLineEndBlock / 8; ++word) {
    std::uint64_t x = 0;
    for (std::size_t i = 0; i < 8; ++i)
      x |= std::uint64_t{static_cast<unsigned char>(block[word * 8 + i])} << (8 * i);
    const std::uint64_t tops = zero_bytes(x ^ 0x0a0a0a0a0a0a0a0aULL) | zero_bytes(x ^ 0x0d0d0d0d0d0d0d0dULL);
    bits |= (((tops >> 7) * 0x0102040810204080ULL) >> 56) << (word * 8);
  }
  return bits;
}

std::uint64_t line_end_bits(const char* block) { return block_line_ends(block); }

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
  buffer_ = allocate_large_block(kReadChunk);
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
      searched_(std::exchange(other.searched_, 0)),
      end_(std::exchange(other.end_, 0)),
      at_end_(std::exchange(other.at_end_, true)),
      line_number_(other.line_number_) {}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool LineReader::fill() {
  if (at_end_ || file_ == nullptr) {
    at_end_ = true;
    return false;
  }
  if (begin_ > 0 && capacity_ - end_ < kReadChunk / 2) {
    // The unread bytes, and how far they were searched, move to the front.
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    searched_ -= begin_;
    begin_ = 0;
  }
  if (capacity_ - end_ < kReadChunk / 2) {
    // A line longer than the buffer: it doubles, so a long line costs
    // linear time and at most twice its length.
    LargeBlock larger = allocate_large_block(capacity_ * 2);
    std::memcpy(larger.get(), buffer_.get(), end_);
    buffer_ = std::move(larger);
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

bool LineReader::next(std::string_view& line) {
  for (;;) {
    std::size_t at = find_line_end(data_, searched_, end_);
    if (at == end_) {
      searched_ = end_;
      if (fill()) continue;
      if (begin_ == end_) return false;
      at = end_;  // the last line, without a line end
    } else if (data_[at] == '\r' && at + 1 == end_ && !at_end_) {
      // A CR as the last byte read may still be followed by an LF.
      searched_ = at;
      fill();
      continue;
    }
    std::size_t after = at;
    if (at < end_) {
      ++after;
      if (data_[at] == '\r' && after < end_ && data_[after] == '\n') ++after;
    }
    line = std::string_view(data_ + begin_, at - begin_);
    begin_ = searched_ = after;
    ++line_number_;
    return true;
  }
}

void feed_lines(LineReader& reader, LineSink& sink) {
  std::string_view line;
  while (reader.next(line)) sink.write_line(line);
  sink.finish();
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
  buffer_ = allocate_large_block(kWriteChunk);
  fill_ = buffer_.get();
  limit_ = fill_ + kWriteChunk;
}

LineWriter::~LineWriter() {
  // A writer left unclosed by a failure that unwinds the run gives up on its
  // file without writing on.
  if (file_ != nullptr) std::fclose(file_);
}

void LineWriter::write_beyond_buffer(std::string_view text) {
  if (file_ == nullptr || !ok()) return;
  flush();
  if (!ok()) return;  // nothing more is written after a failure
  if (text.size() < kWriteChunk) {
    std::memcpy(fill_, text.data(), text.size());
    fill_ += text.size();
    return;
  }
  // A large text goes to the file straight from the caller's memory.
  errno = 0;
  const std::size_t put = std::fwrite(text.data(), 1, text.size(), file_);
  written_ += put;
  if (put != text.size()) stop(errno ? std::strerror(errno) : "write failed");
}

void LineWriter::flush() {
  if (file_ == nullptr || !ok()) return;
  const std::size_t size = static_cast<std::size_t>(fill_ - buffer_.get());
  fill_ = buffer_.get();
  if (size == 0) return;
  errno = 0;
  const std::size_t put = std::fwrite(buffer_.get(), 1, size, file_);
  written_ += put;
  if (put != size) stop(errno ? std::strerror(errno) : "write failed");
}

void LineWriter::stop(std::string_view reason) {
  if (error_.empty()) error_.assign(reason.empty() ? std::string_view("write refused") : reason);
  // Every later write takes the slow path, which drops it.
  fill_ = limit_ = nullptr;
}

bool LineWriter::close() {
  if (closed_) return ok();
  closed_ = true;
  if (file_ == nullptr) return ok();
  flush();
  fill_ = limit_ = nullptr;  // writes after close() are dropped
  errno = 0;
  if (std::fclose(file_) != 0 && error_.empty()) error_ = errno ? std::strerror(errno) : "write failed";
  file_ = nullptr;
  if (!overwritten_path_.empty()) {
    // Whatever the earlier contents held beyond the new text goes.
    std::error_code ec;
    if (std::filesystem::file_size(overwritten_path_, ec) != written_ || ec)
      std::filesystem::resize_file(overwritten_path_, written_, ec);
    if (ec && error_.empty()) error_ = ec.message();
  }
  return ok();
}

}  // namespace kestram
