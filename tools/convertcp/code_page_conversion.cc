#include "code_page_conversion.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <vector>

#include "replace_file.h"

namespace kestram {
namespace {

constexpr std::size_t kChunk = 1 << 16;

ConversionResult failure(std::string message) { return ConversionResult{false, std::move(message)}; }

std::string reason(int error_number, const char* fallback) {
  return error_number != 0 ? std::strerror(error_number) : fallback;
}

// Owns an iconv descriptor.
class Converter {
 public:
  Converter(const std::string& from, const std::string& to)
      : cd_(iconv_open(to.c_str(), from.c_str())) {}
  ~Converter() {
    if (is_open()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool is_open() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

// Names the code page that iconv does not know; both when neither is known.
std::string unknown_code_page_message(const std::string& from, const std::string& to) {
  Converter from_known(from, "UTF-8");
  Converter to_known("UTF-8", to);
  if (!from_known.is_open() && !to_known.is_open())
    return "unknown code pages: " + from + " and " + to;
  if (!from_known.is_open()) return "unknown code page: " + from;
  if (!to_known.is_open()) return "unknown code page: " + to;
  return "no conversion from " + from + " to " + to;
}

// An output file under a fresh name beside the target, removed again unless
// it is committed.
class TempOutput {
 public:
  explicit TempOutput(const std::string& target) : target_(target) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 16 && file_ == nullptr; ++attempt) {
      path_ = target + ".convertcp-" + std::to_string(random() % 1000000000) + ".tmp";
      errno = 0;
      file_ = std::fopen(path_.c_str(), "wbx");  // never opens an existing file
      if (file_ == nullptr && errno != EEXIST) break;
    }
    created_ = file_ != nullptr;
    if (file_ == nullptr) error_ = reason(errno, "cannot be created");
  }
  ~TempOutput() {
    if (file_ != nullptr) std::fclose(file_);
    if (created_ && !committed_) std::remove(path_.c_str());
  }
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;

  bool is_open() const { return file_ != nullptr; }
  const std::string& error() const { return error_; }

  bool write(const char* data, std::size_t size) {
    if (size == 0) return true;
    errno = 0;
    if (std::fwrite(data, 1, size, file_) == size) return true;
    error_ = reason(errno, "write failed");
    return false;
  }

  // Closes the file and renames it to the target.
  bool commit() {
    errno = 0;
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
      error_ = reason(errno, "write failed");
      return false;
    }
    error_ = replace_file(path_, target_);
    if (!error_.empty()) return false;
    committed_ = true;
    return true;
  }

 private:
  std::string target_;
  std::string path_;
  std::FILE* file_ = nullptr;
  std::string error_;
  bool created_ = false;
  bool committed_ = false;
};

class InputFile {
 public:
  explicit InputFile(const std::string& path) : file_(std::fopen(path.c_str(), "rb")) {}
  ~InputFile() {
    if (file_ != nullptr) std::fclose(file_);
  }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  std::FILE* get() const { return file_; }
  void close() {
    if (file_ != nullptr) std::fclose(file_);
    file_ = nullptr;
  }

 private:
  std::FILE* file_;
};

}  // namespace

ConversionResult convert_file(const std::string& from, const std::string& to,
                              const std::string& in_path, const std::string& out_path) {
  Converter converter(from, to);
  if (!converter.is_open()) return failure(unknown_code_page_message(from, to));

  errno = 0;
  InputFile input(in_path);
  if (input.get() == nullptr)
    return failure("cannot read " + in_path + ": " + reason(errno, "cannot be opened"));
  TempOutput output(out_path);
  if (!output.is_open()) return failure("cannot write " + out_path + ": " + output.error());

  // `in` holds the bytes of an incomplete sequence left from the last chunk,
  // then the next chunk; `converted` counts the input bytes before in[0].
  std::vector<char> in(2 * kChunk);
  std::vector<char> out(4 * kChunk);
  std::size_t pending = 0;
  std::uint64_t converted = 0;
  for (;;) {
    errno = 0;
    std::size_t got = std::fread(in.data() + pending, 1, in.size() - pending, input.get());
    if (got == 0 && std::ferror(input.get()))
      return failure("cannot read " + in_path + ": " + reason(errno, "read failed"));
    bool at_end = got == 0;
    char* source = in.data();
    std::size_t source_left = pending + got;
    while (source_left > 0) {
      char* target = out.data();
      std::size_t target_left = out.size();
      std::size_t result = iconv(converter.get(), &source, &source_left, &target, &target_left);
      int error_number = errno;
      if (!output.write(out.data(), static_cast<std::size_t>(target - out.data())))
        return failure("cannot write " + out_path + ": " + output.error());
      if (result != static_cast<std::size_t>(-1)) break;
      std::uint64_t offset = converted + static_cast<std::uint64_t>(source - in.data());
      if (error_number == E2BIG) continue;
      if (error_number == EILSEQ)
        return failure("the bytes at byte offset " + std::to_string(offset) + " of " + in_path +
                       " are no valid " + from + " text or have no equivalent in " + to);
      // An incomplete sequence at the end of the chunk is completed by the next.
      if (error_number == EINVAL && !at_end && source_left < kChunk) break;
      if (error_number == EINVAL)
        return failure(in_path + " ends inside a " + from + " character at byte offset " +
                       std::to_string(offset));
      return failure("conversion failed at byte offset " + std::to_string(offset) + " of " +
                     in_path + ": " + reason(error_number, "unknown error"));
    }
    converted += static_cast<std::uint64_t>(source - in.data());
    std::memmove(in.data(), source, source_left);
    pending = source_left;
    if (at_end) break;
  }

  // Stateful code pages may still owe a shift sequence.
  for (;;) {
    char* target = out.data();
    std::size_t target_left = out.size();
    std::size_t result = iconv(converter.get(), nullptr, nullptr, &target, &target_left);
    int error_number = errno;
    if (!output.write(out.data(), static_cast<std::size_t>(target - out.data())))
      return failure("cannot write " + out_path + ": " + output.error());
    if (result != static_cast<std::size_t>(-1)) break;
    if (error_number != E2BIG)
      return failure("conversion failed at the end of " + in_path + ": " +
                     reason(error_number, "unknown error"));
  }
  // Windows replaces no file that is still open, and the output may replace
  // the input itself.
  input.close();
  if (!output.commit()) return failure("cannot write " + out_path + ": " + output.error());
  return ConversionResult{true, {}};
}

}  // namespace kestram
