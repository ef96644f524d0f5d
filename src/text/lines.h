// Line-oriented file access shared by every pass.
//
// A line is read without its line end, which may be LF, CR LF or a lone CR;
// every line written ends with CR LF. Bytes pass through unchanged (NUL bytes
// included) and a line may be as long as memory allows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kestram {

// Reads a file, or a block of memory, one line at a time. A file that cannot
// be opened reads as a file without lines (is_open() tells the difference);
// so does anything that is no plain file (a directory, a pipe, a device).
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

  // Goes back to the first line. Returns false when that is not possible.
  bool rewind();

  // Number of lines returned since the start (or the last rewind).
  std::uint64_t line_number() const { return line_number_; }

 private:
  LineReader() = default;
  bool fill();  // reads more input behind the unread bytes; false at the end

  std::FILE* file_ = nullptr;
  bool in_memory_ = false;
  std::string buffer_;
  const char* data_ = nullptr;  // buffer_.data(), or the caller's memory
  std::size_t begin_ = 0;       // first unread byte
  std::size_t end_ = 0;         // one past the last valid byte
  bool at_end_ = false;         // no more input behind end_
  std::uint64_t line_number_ = 0;
};

// Writes lines ending in CR LF to a new file (an existing one is replaced), or
// to a string in memory. A failure to create or write the file is kept, not
// thrown: ok() turns false and error() describes the first failure. A pipe
// in the file's place is refused ("not a plain file"), since opening it would
// wait for a reader.
class LineWriter {
 public:
  explicit LineWriter(const std::string& path);
  static LineWriter to_memory(std::string& target);
  ~LineWriter();
  LineWriter(LineWriter&& other) noexcept;
  LineWriter& operator=(LineWriter&&) = delete;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

  void write(std::string_view text);
  void write_blanks(std::size_t count);
  void end_line() { write(std::string_view("\r\n", 2)); }
  void write_line(std::string_view text) {
    write(text);
    end_line();
  }

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
  void flush();

  std::FILE* file_ = nullptr;
  std::string* memory_ = nullptr;
  std::string buffer_;
  std::string error_;
  bool closed_ = false;
};

}  // namespace kestram
