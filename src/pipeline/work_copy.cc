#include "pipeline/work_copy.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "run/command_line.h"
#include "run/dialogue.h"

namespace kestram {
namespace {

constexpr char kWorkCopyName[] = "sour_in.txt";

}  // namespace

WorkCopy::~WorkCopy() {
  if (thread_.joinable()) thread_.join();
}

bool WorkCopy::start(Console& console, Shell& shell, const std::string& input_file_name) {
  // A directory under the work copy's name would take the copy inside it,
  // and anything else that is no plain file would be written through.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::symlink_status(kWorkCopyName, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    print_line(console, std::string("cannot write ") + kWorkCopyName + ": " +
                            (std::filesystem::is_directory(status) ? "Is a directory" : "not a plain file"));
    return false;
  }
  wait();
  auto copy = [this, &shell, command = "copy " + command_word(input_file_name) + " " + kWorkCopyName + " > out.list"] {
    try {
      shell.run(command);
    } catch (...) {
      failure_ = std::current_exception();
    }
  };
  try {
    thread_ = std::thread(copy);
  } catch (const std::system_error&) {
    copy();  // no thread to be had: the copy is made here
  }
  return true;
}

void WorkCopy::wait() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace kestram
