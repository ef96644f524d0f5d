// Line-oriented file access shared by every pass.
//
// A line is read without its line end, which may be LF, CR LF or a lone CR;
// every line written ends with CR LF. Bytes pass through unchanged (NUL bytes
// included) and a line may be as long as memory allows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "text/text.h"

namespace kestram {

// Bit i of the result is set when block[i] is an LF or a CR; `block` holds
// kLineEndBlock bytes. line_end_bits() uses vector instructions where every
// processor of the target has them, line_end_bits_portable() none.
constexpr std::size_t kLineEndBlock = 64;
std::uint64_t line_end_bits(const char* block);
std::uint64_t line_end_bits_portable(const char* block);

// Reads a file, or a block of memory, one line at a time. A file that cannot
// be opened reads as a file without lines (is_open() tells the difference).
class LineReader {
 public:
  explicit LineReader(const std::string& path);
  static LineReader from_memory(std::string_view text);
  ~LineReader();
  LineReader(LineReader&& other) noexcept;
  LineReader& operator=(LineReader&&) = delete;
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool is_open() const { return file_ != nullptr || in_memory_; }

  // Stores the next line in `line` and returns true, or returns false at the
  // end of the input. The view stays valid until the next call.
  //
  // Inline because every pass calls it once per line: when the line's end
  // was found already, it costs a few instructions; the rest is left to
  // next_beyond_chunk().
  bool next(std::string_view& line) {
    if (next_end_ != last_end_) {
      const std::size_t at = chunk_start_ + *next_end_;
      if (data_[at] == '\n') {
        ++next_end_;
        take_line(line, at, at + 1);
        return true;
      }
      // A CR whose following byte was looked at too: the line end is known
      // to be a lone CR or a CR LF (whose LF is the next line end found).
      if (at + 1 < scanned_) {
        ++next_end_;
        std::size_t after = at + 1;
        if (data_[after] == '\n') {
          ++next_end_;
          ++after;
        }
        take_line(line, at, after);
        return true;
      }
    }
    return next_beyond_chunk(line);
  }

  // Goes back to the first line. Returns false when that is not possible.
  // Bytes of a file still buffered from its start are not read again (the
  // file must not change in the meantime).
  bool rewind();

  // Number of lines returned since the start (or the last rewind).
  std::uint64_t line_number() const { return line_number_; }

 private:
  struct Free {
    void operator()(char* block) const { std::free(block); }
  };

  LineReader() = default;

  // Returns the bytes from begin_ to `end` as the next line; the line end
  // runs on to `after`.
  void take_line(std::string_view& line, std::size_t end, std::size_t after) {
    if (begin_ == 0) first_line_end_ = end;
    line = std::string_view(data_ + begin_, end - begin_);
    begin_ = after;
    ++line_number_;
  }
  // next() for a line whose end is not settled by the line ends found.
  bool next_beyond_chunk(std::string_view& line);
  // Finds the line ends in the next chunk of buffered bytes from scanned_
  // on. One loop over many blocks costs less than a call per block.
  void scan();
  // Reads more input behind the unread bytes; false, with at_end_ set, when
  // there is none. Expects every line end found used up, and scanned_ not
  // before begin_.
  bool fill();

  static constexpr std::size_t kScanChunk = 4096;

  std::FILE* file_ = nullptr;
  bool in_memory_ = false;
  std::unique_ptr<char, Free> buffer_;  // malloc'd, so that it can grow in place
  std::size_t capacity_ = 0;
  const char* data_ = nullptr;  // buffer_, or the caller's memory
  std::size_t begin_ = 0;       // first unread byte
  std::size_t end_ = 0;         // one past the last valid byte
  bool at_end_ = false;         // no more input behind end_
  // Whether buffer_ still starts with the file's first byte, and where the
  // first line ended there: what rewind() need not read and look at again.
  bool from_start_ = true;
  std::size_t first_line_end_ = 0;
  // The bytes are looked at for line ends (LF and CR) a chunk at a time,
  // and never again once scanned_ has passed them. The chunk runs from
  // chunk_start_ to scanned_; the line end bytes in it that no line has used
  // yet stand, as offsets from chunk_start_, from next_end_ to last_end_ in
  // ends_.
  std::size_t chunk_start_ = 0;
  std::size_t scanned_ = 0;
  std::unique_ptr<std::uint32_t[]> ends_;
  const std::uint32_t* next_end_ = nullptr;
  const std::uint32_t* last_end_ = nullptr;
  std::uint64_t line_number_ = 0;
};

// Writes lines ending in CR LF to a new file (an existing one is replaced:
// it holds exactly the new text once closed), or to a string in memory. A
// failure to create or write the file is kept, not thrown: ok() turns false
// and error() describes the first failure. A pipe in the file's place is
// refused ("not a plain file"), since opening it would wait for a reader.
class LineWriter {
 public:
  explicit LineWriter(const std::string& path);
  static LineWriter to_memory(std::string& target);
  // Writes into an existing plain file from byte `offset` on, leaving the
  // bytes before and behind what it writes as they are: for the part that
  // another writer of the file left with leave_part().
  static LineWriter into_part(const std::string& path, std::uint64_t offset);
  ~LineWriter();
  LineWriter(LineWriter&& other) noexcept;
  LineWriter& operator=(LineWriter&&) = delete;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Inline because every pass calls these a few times per line: text that
  // fits behind what is buffered is copied and nothing else happens.
  // (Nothing to write leaves the pointers alone: they may be null.)
  void write(std::string_view text) {
    if (text.size() <= room()) {
      if (!text.empty()) {
        std::memcpy(fill_, text.data(), text.size());
        fill_ += text.size();
      }
      return;
    }
    write_beyond_buffer(text);
  }
  void write_blanks(std::size_t count) {
    if (count <= room()) {
      fill_ = fill_blanks(fill_, count);
      return;
    }
    write_blanks_beyond_buffer(count);
  }
  void end_line() {
    if (observer_ != nullptr) {
      end_observed_line();
      return;
    }
    write(std::string_view("\r\n", 2));
  }
  // Room for up to `most` bytes that the caller puts together in place, for
  // a short piece made of several parts (a copy each into the buffer costs
  // less than a write each): where the bytes go, or null when the writer
  // cannot give that much room (a very large piece, a failed writer); then
  // the piece is to be written with write(). Once the bytes are in place,
  // commit() with the end of them, before anything else is written.
  char* reserve(std::size_t most) {
    // Strictly less: a memory writer has no room at all, not even for none.
    if (most < room()) return fill_;
    return reserve_beyond_buffer(most);
  }
  void commit(char* end) {
    if (memory_ != nullptr) {
      memory_->resize(static_cast<std::size_t>(end - &(*memory_)[0]));
      return;
    }
    fill_ = end;
  }
  void write_line(std::string_view text) {
    write(text);
    end_line();
  }
  // Ends a line without telling the observer: for a caller that hands the
  // line on itself.
  void end_line_untold() {
    if (in_long_line_) drop_long_line();
    write(std::string_view("\r\n", 2));
    line_start_ = fill_;
    carry_.clear();
    overflowed_ = false;
  }

  // Hears of every line of a file writer as it is ended, with the text of
  // the line (without its line end) as it reaches the file. The view holds
  // until the observer returns. A line whose end is never written is not
  // told; nor are the lines of a memory writer. Once the writer has failed,
  // the lines told need not be those in the file. A line longer than
  // kLongestToldLine is not held for telling: an observer that takes long
  // lines hears it in parts, in order, as it goes to the file
  // (long_line_part() for each, then long_line_end() with the rest, perhaps
  // empty; each view holds until the call returns); any other observer is
  // told line_too_long() instead when the line is ended (a line ended untold
  // is none of its business), and so is one that takes long lines when such
  // a line is ended untold; the writer then stops telling.
  class LineObserver {
   public:
    virtual ~LineObserver() = default;
    virtual void line(std::string_view text) = 0;
    virtual void line_too_long() = 0;
    virtual bool takes_long_lines() const { return false; }
    virtual void long_line_part(std::string_view /*part*/) {}
    virtual void long_line_end(std::string_view /*last_part*/) {}
  };
  static constexpr std::size_t kLongestToldLine = std::size_t{1} << 20;
  // Lines are told from the next one on; null stops the telling.
  void observe_lines(LineObserver* observer);

  // Where the file's next byte goes: the number of bytes it has taken so
  // far, with a part left and the offset of into_part() counted in (exact
  // once closed: writes may still be under way before).
  std::uint64_t bytes_written() const { return written_; }

  // Leaves the next `size` bytes of the file to another writer (into_part)
  // and goes on behind them. Returns the offset of the part, or false after
  // a failure. The part must be filled before this writer is closed, which
  // cuts the file behind its own last byte.
  bool leave_part(std::uint64_t size, std::uint64_t& offset);

  // Writes out what is buffered and closes the file; false when any write
  // failed. Calling it again does nothing.
  bool close();

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

  // Gives up on the output for a reason of the caller's (a line that must
  // not be written): ok() turns false with that reason, unless an earlier
  // failure already stands. Nothing more is written after any failure.
  void fail(std::string_view reason);

 private:
  LineWriter() = default;
  // For a file just opened: unbuffered by the library, buffered here.
  void start_buffering();
  std::size_t room() const { return static_cast<std::size_t>(limit_ - fill_); }
  void write_beyond_buffer(std::string_view text);
  void write_blanks_beyond_buffer(std::size_t count);
  char* reserve_beyond_buffer(std::size_t most);
  void flush();
  void settle();  // waits for the block being written, takes its outcome
  void carry(std::string_view part);  // holds part of the line being told
  void end_observed_line();
  void drop_long_line();  // the observer heard part of a line ended untold
  void stop(std::string_view reason);             // keeps the first failure
  void abandon() noexcept;  // closes the file without writing on

  std::FILE* file_ = nullptr;
  std::string* memory_ = nullptr;
  std::unique_ptr<char[]> buffer_;
  // Full buffers go to the file on a thread of their own while the next one
  // fills (started at the first full buffer, so small files never start
  // one); spare_ is the buffer to fill after the next.
  class Background;
  std::unique_ptr<Background> background_;
  std::unique_ptr<char[]> spare_;
  // The free part of buffer_; both stay null for a memory writer and for a
  // file that could not be created, so every write takes the slow path.
  char* fill_ = nullptr;
  char* limit_ = nullptr;
  // Set when an existing file is written over: close() cuts it to written_.
  std::string overwritten_path_;
  std::uint64_t written_ = 0;
  std::string error_;
  bool closed_ = false;
  // The line being written for the observer: the part still in the buffer
  // starts at line_start_, what has gone to the file before is in carry_,
  // unless the line is being told in parts (in_long_line_).
  LineObserver* observer_ = nullptr;
  char* line_start_ = nullptr;
  std::string carry_;
  bool in_long_line_ = false;
  // The line being written has outgrown carry_ and the observer does not
  // take long lines: the rest of it is not held.
  bool overflowed_ = false;
};

}  // namespace kestram
