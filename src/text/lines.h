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

#include "platform/large_blocks.h"
#include "text/line_sink.h"

namespace kestram {

// Bit i of the result is set when block[i] is an LF or a CR; `block` holds
// kLineEndBlock bytes. line_end_bits() uses vector instructions where every
// processor of the target has them, line_end_bits_portable() none.
constexpr std::size_t kLineEndBlock = 64;
std::uint64_t line_end_bits(const char* block);
std::uint64_t line_end_bits_portable(const char* block);

// Reads a file, or a block of memory, one line at a time. A file that cannot
// be opened, or that is no plain file, reads as a file without lines
// (is_open() tells the difference).
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
  bool next(std::string_view& line);

  // Number of lines returned so far.
  std::uint64_t line_number() const { return line_number_; }

 private:
  LineReader() = default;
  // Reads more input behind the unread bytes; false, with at_end_ set, when
  // there is none.
  bool fill();

  std::FILE* file_ = nullptr;
  bool in_memory_ = false;
  LargeBlock buffer_;
  std::size_t capacity_ = 0;
  const char* data_ = nullptr;  // buffer_, or the caller's memory
  std::size_t begin_ = 0;       // first unread byte
  std::size_t searched_ = 0;    // no line end stands from begin_ up to here
  std::size_t end_ = 0;         // one past the last valid byte
  bool at_end_ = false;         // no more input behind end_
  std::uint64_t line_number_ = 0;
};

// Hands every line of the reader to the sink, then the end.
void feed_lines(LineReader& reader, LineSink& sink);

// Writes lines ending in CR LF to a new file; an existing one is written over
// and holds exactly the new text once closed. A failure to create or write
// the file is kept, not thrown: ok() turns false and error() describes the
// first failure, and nothing more is written. A pipe in the file's place is
// refused ("not a plain file"), since opening it would wait for a reader.
class LineWriter final : public LineSink {
 public:
  explicit LineWriter(const std::string& path);
  ~LineWriter() override;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  // Inline because every stage calls it a few times per line: text that
  // fits behind what is buffered is copied and nothing else happens.
  void write(std::string_view text) override {
    if (text.size() <= static_cast<std::size_t>(limit_ - fill_)) {
      if (!text.empty()) std::memcpy(fill_, text.data(), text.size());
      fill_ += text.size();
      return;
    }
    write_beyond_buffer(text);
  }
  void end_line() override { write(std::string_view("\r\n", 2)); }
  void finish() override { close(); }

  // Writes out what is buffered and closes the file; false when any write
  // failed. Calling it again does nothing.
  bool close();

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  void write_beyond_buffer(std::string_view text);
  void flush();
  void stop(std::string_view reason);  // keeps the first failure

  std::FILE* file_ = nullptr;
  LargeBlock buffer_;
  // The free part of buffer_; both stay null for a file that could not be
  // created and after a failure, so every write takes the slow path.
  char* fill_ = nullptr;
  char* limit_ = nullptr;
  // Set when an existing file is written over: close() cuts it to written_.
  std::string overwritten_path_;
  std::uint64_t written_ = 0;
  std::string error_;
  bool closed_ = false;
};

}  // namespace kestram
