#include "text/lines.h"

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>

#include "text/side_work.h"

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

// The offset, in whole blocks from `at`, of the block that holds the first
// LF or CR in from[at, length); with none there, of the end of the last
// whole block. The search for an LF may run far past a CR (past the lone
// CRs of many lines, line after line: quadratic time), so both searches run
// through a window that doubles while it holds neither, up to a size at which
// the search for a CR finds the bytes still in the cache.
std::size_t skip_line(const char* from, std::size_t at, std::size_t length) {
  auto offset_of = [from](const void* hit) {
    return static_cast<std::size_t>(static_cast<const char*>(hit) - from);
  };
  constexpr std::size_t kWidestWindow = std::size_t{1} << 17;
  for (std::size_t window = 4 * kLineEndBlock;; window = window < kWidestWindow ? window * 2 : window) {
    const std::size_t stop = length - at <= window ? length : at + window;
    const void* lf = std::memchr(from + at, '\n', stop - at);
    const std::size_t lf_at = lf != nullptr ? offset_of(lf) : stop;
    const void* cr = std::memchr(from + at, '\r', lf_at - at);
    const std::size_t first = cr != nullptr ? offset_of(cr) : lf_at;
    if (first < stop || stop == length) return at + (first - at) / kLineEndBlock * kLineEndBlock;
    at = stop;
  }
}

// The largest read buffer that a reader has left behind, kept for the next
// reader whose line outgrows its first buffer. A fresh block has each of its
// pages faulted in and cleared as a long line is read into it, which costs
// more than reading the line; a kept block has them in place.
class SpareBuffer {
 public:
  SpareBuffer() = default;
  SpareBuffer(const SpareBuffer&) = delete;
  SpareBuffer& operator=(const SpareBuffer&) = delete;
  ~SpareBuffer() { std::free(block_); }

  // Keeps the block when it is larger than the one kept; frees the smaller.
  void give(char* block, std::size_t size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (size > size_) {
        std::swap(block, block_);
        std::swap(size, size_);
      }
    }
    std::free(block);
  }
  // The kept block when it holds at least `size` bytes (its size is then
  // stored in `size`), or null.
  char* take(std::size_t& size) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (block_ == nullptr || size_ < size) return nullptr;
    size = std::exchange(size_, 0);
    return std::exchange(block_, nullptr);
  }

 private:
  std::mutex mutex_;
  char* block_ = nullptr;
  std::size_t size_ = 0;
};

SpareBuffer& spare_buffer() {
  static SpareBuffer spare;
  return spare;
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
      from_start_(other.from_start_),
      first_line_end_(other.first_line_end_),
      chunk_start_(std::exchange(other.chunk_start_, 0)),
      scanned_(std::exchange(other.scanned_, 0)),
      ends_(std::move(other.ends_)),
      next_end_(std::exchange(other.next_end_, nullptr)),
      last_end_(std::exchange(other.last_end_, nullptr)),
      line_number_(other.line_number_) {}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
  if (capacity_ > kReadChunk) spare_buffer().give(buffer_.release(), capacity_);
}

bool LineReader::fill() {
  if (at_end_ || file_ == nullptr) {
    at_end_ = true;
    return false;
  }
  if (begin_ > 0 && capacity_ - end_ < kReadChunk / 2) {
    // Keep the unread bytes, and how far they were looked at, at the front.
    // (Only when the room behind them runs short: a file that fits stays
    // whole for rewind().)
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
    from_start_ = false;
  }
  if (capacity_ - end_ < kReadChunk / 2) {
    // A line longer than the buffer: it doubles, so a long line costs
    // linear time and at most twice its length. realloc() can often grow a
    // large block where it lies, without copying it or touching its pages.
    std::size_t size = capacity_ * 2;
    if (char* spare = spare_buffer().take(size)) {
      std::memcpy(spare, buffer_.get(), end_);
      buffer_.reset(spare);
      capacity_ = size;
    } else {
      char* larger = static_cast<char*>(std::realloc(buffer_.get(), capacity_ * 2));
      if (larger == nullptr) throw std::bad_alloc();
      buffer_.release();
      buffer_.reset(larger);
      capacity_ *= 2;
    }
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

void LineReader::scan() {
  // One slot per byte, and one more for the slot written but not kept.
  if (ends_ == nullptr) ends_.reset(new std::uint32_t[kScanChunk + 1]);
  const char* from = data_ + scanned_;
  const std::size_t left = end_ - scanned_;
  std::size_t length = left < kScanChunk ? left : kScanChunk;
  std::uint32_t* found = ends_.get();
  auto add = [&found](std::size_t offset, std::uint64_t bits) {
    // The first four without a branch on how many there are, which varies
    // from block to block and would be mispredicted often. A slot past the
    // last line end is written but not kept.
    constexpr std::uint64_t kStop = std::uint64_t{1} << 63;
    for (int i = 0; i < 4; ++i) {
      *found = static_cast<std::uint32_t>(offset + lowest_bit(bits | kStop));
      found += bits != 0;
      bits &= bits - 1;
    }
    for (; bits != 0; bits &= bits - 1)
      *found++ = static_cast<std::uint32_t>(offset + lowest_bit(bits));
  };
  std::size_t offset = 0;
  while (length - offset >= 4 * kLineEndBlock) {
    const char* group = from + offset;
    const std::uint64_t bits[4] = {block_line_ends(group), block_line_ends(group + kLineEndBlock),
                                   block_line_ends(group + 2 * kLineEndBlock),
                                   block_line_ends(group + 3 * kLineEndBlock)};
    if ((bits[0] | bits[1] | bits[2] | bits[3]) == 0) {
      // Four blocks without a line end: a long line, which the library's
      // search for one byte passes over faster, through all that is
      // buffered. The chunk ends at the block that holds the next line end.
      offset = length = skip_line(from, offset + 4 * kLineEndBlock, left);
      break;
    }
    for (std::size_t k = 0; k < 4; ++k) add(offset + k * kLineEndBlock, bits[k]);
    offset += 4 * kLineEndBlock;
  }
  for (; length - offset >= kLineEndBlock; offset += kLineEndBlock)
    add(offset, block_line_ends(from + offset));
  if (offset < length) {
    // Fewer bytes than a block are left: they are looked at in a copy,
    // padded with bytes that are no line end. More input read later
    // continues behind them.
    char last[kLineEndBlock] = {};
    std::memcpy(last, from + offset, length - offset);
    add(offset, block_line_ends(last));
  }
  chunk_start_ = scanned_;
  scanned_ += length;
  next_end_ = ends_.get();
  last_end_ = found;
  // The LF of a CR LF whose CR ended the previous chunk: its line took it.
  if (next_end_ != last_end_ && chunk_start_ + *next_end_ < begin_) ++next_end_;
}

bool LineReader::next_beyond_chunk(std::string_view& line) {
  for (;;) {
    if (next_end_ == last_end_) {
      if (scanned_ < end_) {
        scan();
        continue;
      }
      if (!at_end_) {
        fill();
        continue;
      }
      if (end_ == begin_) return false;
      // The last line of a file without a final line end.
      take_line(line, end_, end_);
      return true;
    }
    const std::size_t at = chunk_start_ + *next_end_++;
    if (data_[at] == '\n') {
      take_line(line, at, at + 1);
      return true;
    }
    if (at + 1 == end_ && !at_end_) {
      // A CR as the last byte read may still be followed by an LF: look at
      // it again once more input stands behind it. It was the last line
      // end found, so none is left waiting.
      scanned_ = at;
      fill();
      continue;
    }
    std::size_t after = at + 1;
    if (after < end_ && data_[after] == '\n') {
      // The LF was found too when it lies in this chunk; when the CR ended
      // the chunk, scan() passes over it.
      if (after < scanned_) ++next_end_;
      ++after;
    }
    take_line(line, at, after);
    return true;
  }
}

bool LineReader::rewind() {
  line_number_ = 0;
  chunk_start_ = scanned_ = 0;
  next_end_ = last_end_ = nullptr;
  if (in_memory_) {
    begin_ = 0;
    return true;
  }
  if (file_ == nullptr) return false;
  if (from_start_) {
    // The bytes read so far are those from the file's start, and the first
    // line held no line end before where it ended; reading goes on from
    // where it stands.
    begin_ = 0;
    chunk_start_ = scanned_ = first_line_end_;
    return true;
  }
  if (std::fseek(file_, 0, SEEK_SET) != 0) return false;
  begin_ = end_ = 0;
  at_end_ = false;
  from_start_ = true;
  first_line_end_ = 0;
  return true;
}

// Writes one block at a time to the file while the writer fills the next: the
// copying into the file system's cache then costs the writer nothing but the
// wait when it is slower than the filling.
class LineWriter::Background {
 public:
  // Without a thread of its own it writes each block as it is started.
  explicit Background(std::FILE* file) : file_(file) { in_caller_ = !writer_.try_start([this] { run(); }); }
  ~Background() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    work_.notify_one();
  }
  Background(const Background&) = delete;
  Background& operator=(const Background&) = delete;

  // Starts writing `size` bytes of the block; the block written before must
  // have been collected.
  void start(std::unique_ptr<char[]> block, std::size_t size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      block_ = std::move(block);
      borrowed_ = nullptr;
      size_ = size;
      busy_ = true;
    }
    go_on();
  }
  // The same for bytes that stay the caller's: they must not change until
  // they are collected.
  void start_borrowed(const char* data, std::size_t size) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      borrowed_ = data;
      size_ = size;
      busy_ = true;
    }
    go_on();
  }

  struct Outcome {
    std::unique_ptr<char[]> block;  // null when nothing or borrowed bytes were under way
    std::size_t written = 0;
    int error = 0;  // errno value of a write that fell short
  };
  // Waits until the block under way is written and hands it back.
  Outcome collect() {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return !busy_; });
    return Outcome{std::move(block_), std::exchange(written_, 0), std::exchange(error_, 0)};
  }

 private:
  void go_on() {
    if (in_caller_) {
      std::unique_lock<std::mutex> lock(mutex_);
      write_block(lock);
    } else {
      work_.notify_one();
    }
  }

  void run() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      work_.wait(lock, [this] { return busy_ || quit_; });
      if (!busy_) return;
      write_block(lock);
    }
  }

  // Writes the block under way, with the lock let go meanwhile.
  void write_block(std::unique_lock<std::mutex>& lock) {
    const char* data = block_ != nullptr ? block_.get() : borrowed_;
    const std::size_t size = size_;
    lock.unlock();
    errno = 0;
    const std::size_t put = std::fwrite(data, 1, size, file_);
    const int error = put == size ? 0 : (errno != 0 ? errno : EIO);
    lock.lock();
    written_ = put;
    error_ = error;
    busy_ = false;
    done_.notify_one();
  }

  std::FILE* const file_;
  std::mutex mutex_;
  std::condition_variable work_;
  std::condition_variable done_;
  std::unique_ptr<char[]> block_;
  const char* borrowed_ = nullptr;
  std::size_t size_ = 0;
  std::size_t written_ = 0;
  int error_ = 0;
  bool busy_ = false;
  bool quit_ = false;
  bool in_caller_ = false;
  SideWork writer_;  // last: starts once everything else is set up
};

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
  start_buffering();
}

void LineWriter::start_buffering() {
  std::setvbuf(file_, nullptr, _IONBF, 0);
  buffer_.reset(new char[kWriteChunk]);
  fill_ = buffer_.get();
  limit_ = fill_ + kWriteChunk;
}

namespace {

// Moves the file position by `distance` bytes from `origin`, in steps that
// fit the standard library's offsets.
bool seek_forward(std::FILE* file, std::uint64_t distance, int origin) {
  constexpr std::uint64_t kLongestStep = static_cast<std::uint64_t>(std::numeric_limits<long>::max());
  do {
    const std::uint64_t step = distance < kLongestStep ? distance : kLongestStep;
    if (std::fseek(file, static_cast<long>(step), origin) != 0) return false;
    distance -= step;
    origin = SEEK_CUR;
  } while (distance > 0);
  return true;
}

}  // namespace

LineWriter LineWriter::into_part(const std::string& path, std::uint64_t offset) {
  LineWriter writer;
  std::error_code status_error;
  if (!std::filesystem::is_regular_file(std::filesystem::status(path, status_error))) {
    writer.error_ = "not a plain file";
    return writer;
  }
  errno = 0;
  writer.file_ = std::fopen(path.c_str(), "r+b");
  if (writer.file_ == nullptr) {
    writer.error_ = errno ? std::strerror(errno) : "cannot be opened";
    return writer;
  }
  writer.start_buffering();
  writer.written_ = offset;
  if (!seek_forward(writer.file_, offset, SEEK_SET)) writer.stop("cannot be written from the middle");
  return writer;
}

bool LineWriter::leave_part(std::uint64_t size, std::uint64_t& offset) {
  if (file_ == nullptr || !error_.empty()) return false;
  flush();
  settle();
  if (!error_.empty()) return false;
  if (size != 0 && !seek_forward(file_, size, SEEK_CUR)) {
    stop("cannot leave a part of the file");
    return false;
  }
  offset = written_;
  written_ += size;
  return true;
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
      background_(std::move(other.background_)),
      spare_(std::move(other.spare_)),
      fill_(std::exchange(other.fill_, nullptr)),
      limit_(std::exchange(other.limit_, nullptr)),
      overwritten_path_(std::move(other.overwritten_path_)),
      written_(other.written_),
      error_(std::move(other.error_)),
      closed_(std::exchange(other.closed_, true)),
      observer_(std::exchange(other.observer_, nullptr)),
      line_start_(std::exchange(other.line_start_, nullptr)),
      carry_(std::move(other.carry_)),
      in_long_line_(std::exchange(other.in_long_line_, false)),
      overflowed_(std::exchange(other.overflowed_, false)) {}

LineWriter::~LineWriter() {
  // A destructor must not throw: should closing fail on the way (no memory
  // for the last buffers while the run unwinds from a failure), the writer
  // is given up on, and its last bytes are lost with the run.
  try {
    close();
  } catch (...) {
    abandon();
  }
}

void LineWriter::abandon() noexcept {
  background_.reset();  // its block under way is written first
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

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
    // Large texts go straight to the file rather than through the buffer,
    // on the writer's thread while the observer hears them: a companion
    // text that takes the same bytes writes them at the same time. The text
    // stays the caller's, so both are done before this returns.
    if (background_ == nullptr && error_.empty()) background_ = std::make_unique<Background>(file_);
    settle();  // the file takes the bytes in order
    if (!error_.empty()) return;
    background_->start_borrowed(text.data(), text.size());
    try {
      if (observer_ != nullptr) carry(text);
    } catch (...) {
      settle();  // not a byte is read after the text may be gone
      throw;
    }
    settle();
    return;
  }
  std::memcpy(fill_, text.data(), text.size());
  fill_ += text.size();
}

char* LineWriter::reserve_beyond_buffer(std::size_t most) {
  if (!error_.empty()) return nullptr;
  if (memory_ != nullptr) {
    // The string grows by the room and is cut back to the bytes placed.
    const std::size_t size = memory_->size();
    memory_->resize(size + most);
    return &(*memory_)[0] + size;
  }
  if (file_ == nullptr || most > kWriteChunk) return nullptr;
  flush();
  return error_.empty() && most <= room() ? fill_ : nullptr;
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
  if (observer_ != nullptr) carry(std::string_view(line_start_, static_cast<std::size_t>(fill_ - line_start_)));
  const std::size_t size = static_cast<std::size_t>(fill_ - buffer_.get());
  if (background_ == nullptr && error_.empty()) background_ = std::make_unique<Background>(file_);
  settle();
  if (error_.empty()) {
    // Not zeroed: only bytes written into it are ever handed on.
    std::unique_ptr<char[]> next = spare_ != nullptr ? std::move(spare_) : std::unique_ptr<char[]>(new char[kWriteChunk]);
    background_->start(std::move(buffer_), size);
    buffer_ = std::move(next);
  }
  fill_ = buffer_.get();
  limit_ = error_.empty() ? fill_ + kWriteChunk : fill_;
  line_start_ = fill_;
}

void LineWriter::settle() {
  if (background_ == nullptr) return;
  Background::Outcome outcome = background_->collect();
  if (outcome.block != nullptr) spare_ = std::move(outcome.block);
  written_ += outcome.written;
  if (outcome.error != 0) stop(std::strerror(outcome.error));
}

void LineWriter::carry(std::string_view part) {
  if (in_long_line_) {
    observer_->long_line_part(part);
    return;
  }
  if (overflowed_) return;
  if (carry_.size() + part.size() <= kLongestToldLine) {
    carry_.append(part);
    return;
  }
  if (observer_->takes_long_lines()) {
    // From here on the line goes to the observer as it goes to the file.
    in_long_line_ = true;
    observer_->long_line_part(carry_);
    observer_->long_line_part(part);
    carry_.clear();
    return;
  }
  // The observer hears of it only if the line is ended told.
  overflowed_ = true;
  carry_.clear();
  carry_.shrink_to_fit();
}

void LineWriter::drop_long_line() {
  in_long_line_ = false;
  std::exchange(observer_, nullptr)->line_too_long();
}

void LineWriter::observe_lines(LineObserver* observer) {
  if (file_ == nullptr) return;
  observer_ = observer;
  line_start_ = fill_;
  carry_.clear();
  in_long_line_ = false;
  overflowed_ = false;
}

void LineWriter::end_observed_line() {
  std::string_view text(line_start_, static_cast<std::size_t>(fill_ - line_start_));
  if (!in_long_line_ && (!carry_.empty() || overflowed_)) {
    // The rest may make the line too long to be held.
    carry(text);
    if (overflowed_) {  // nor told, and no later line either
      std::exchange(observer_, nullptr)->line_too_long();
      end_line_untold();
      return;
    }
    text = in_long_line_ ? std::string_view() : std::string_view(carry_);
  }
  // Told before the line end is written, which may flush the buffer under
  // the view.
  if (in_long_line_) {
    in_long_line_ = false;
    observer_->long_line_end(text);
  } else {
    observer_->line(text);
  }
  end_line_untold();
}

void LineWriter::stop(std::string_view reason) {
  if (error_.empty()) error_.assign(reason.empty() ? std::string_view("write refused") : reason);
  // Every later write takes the slow path, which drops it.
  limit_ = fill_;
}

void LineWriter::fail(std::string_view reason) {
  // What was written before the refused line stays in the file.
  if (error_.empty()) flush();
  settle();
  stop(reason);
}

bool LineWriter::close() {
  if (closed_) return ok();
  closed_ = true;
  if (file_ != nullptr) {
    flush();
    settle();
    background_.reset();
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
  in_long_line_ = false;
  overflowed_ = false;
  return ok();
}

}  // namespace kestram
