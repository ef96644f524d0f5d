// The lines that pass from one stage of a run to the next.
//
// A stage is a LineSink that does its work on the lines it is given and hands
// its own lines to the sink behind it; it never knows where they end up, so
// a test connects it to a string. The file writer is a sink too.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace kestram {

class LineSink {
 public:
  // A piece of the current line. Its bytes stay as they are until the
  // line's end_line() has returned, so a stage may hold on to the pieces of
  // a line until then instead of copying them.
  virtual void write(std::string_view piece) = 0;
  // Ends the current line (perhaps an empty one).
  virtual void end_line() = 0;
  // After the last line; hands the end on to the sinks behind.
  virtual void finish() {}

  void write_line(std::string_view text) {
    write(text);
    end_line();
  }
  // `count` blanks, a slice at a time.
  void write_blanks(std::uint64_t count);

  virtual ~LineSink() = default;
};

// A stage that looks at whole lines: the pieces of a line are joined (a line
// that comes in one piece is taken as it is) and handed to line().
class WholeLineSink : public LineSink {
 public:
  void write(std::string_view piece) final {
    if (pieces_ == 0) {
      first_ = piece;
    } else {
      if (pieces_ == 1) joined_.assign(first_);
      joined_.append(piece);
    }
    ++pieces_;
  }
  void end_line() final {
    const std::string_view text = pieces_ > 1 ? std::string_view(joined_) : first_;
    pieces_ = 0;
    first_ = {};
    line(text);
  }

 protected:
  // The view holds until line() returns.
  virtual void line(std::string_view text) = 0;

 private:
  std::string_view first_;
  std::string joined_;
  std::size_t pieces_ = 0;
};

// The parts of one line that a stage puts together, handed on in one piece
// (a stage behind then need not join them, and each piece costs a call in
// every stage). A line of one part goes on as it is; a line that grows long
// goes on in its parts, so that it is never held twice. The parts must stay
// as they are until end_line() has returned, as pieces do.
class LineParts {
 public:
  explicit LineParts(LineSink& out) : out_(out), joined_(new char[kLongestJoined]) {}
  // Inline because the stages call it for every part of every line they
  // put together: a short part is copied behind the others.
  void add(std::string_view part) {
    if (parts_ == 0) {
      first_ = part;
      parts_ = 1;
      return;
    }
    const std::size_t held = parts_ == 1 ? first_.size() : size_;
    if (handed_on_ || held + part.size() > kLongestJoined) {
      hand_on(part);
      return;
    }
    if (parts_ == 1) copy(first_);
    copy(part);
    ++parts_;
  }
  void add_blanks(std::uint64_t count);
  void end_line();

 private:
  static constexpr std::size_t kLongestJoined = std::size_t{1} << 16;
  void copy(std::string_view part) {
    if (!part.empty()) std::memcpy(joined_.get() + size_, part.data(), part.size());
    size_ += part.size();
  }
  void hand_on(std::string_view part);

  LineSink& out_;
  std::string_view first_;           // the only part so far, not copied
  std::unique_ptr<char[]> joined_;   // the parts so far, once there are two
  std::size_t size_ = 0;             // bytes in joined_
  std::size_t parts_ = 0;
  bool handed_on_ = false;  // the parts went on as they came
};

// Hands every line to two sinks, the first first.
class Tee : public LineSink {
 public:
  Tee(LineSink& first, LineSink& second) : first_(first), second_(second) {}
  void write(std::string_view piece) override {
    first_.write(piece);
    second_.write(piece);
  }
  void end_line() override {
    first_.end_line();
    second_.end_line();
  }
  void finish() override {
    first_.finish();
    second_.finish();
  }

 private:
  LineSink& first_;
  LineSink& second_;
};

// Appends the lines to a string, each ended with CR LF, as a file gets them.
class StringSink : public LineSink {
 public:
  explicit StringSink(std::string& text) : text_(text) {}
  void write(std::string_view piece) override { text_.append(piece); }
  void end_line() override { text_.append("\r\n"); }

 private:
  std::string& text_;
};

}  // namespace kestram
