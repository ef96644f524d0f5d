#include "pipeline/work_copy.h"

#include <filesystem>
#include <system_error>

#include "run/command_line.h"
#include "run/dialogue.h"

namespace kestram {

bool start_work_copy(Beside& beside, Console& console, Shell& shell, const std::string& input_file_name) {
  // A directory under the work copy's name would take the copy inside it,
  // and anything else that is no plain file would be written through.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::symlink_status(kWorkCopyName, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
    print_line(console, std::string("cannot write ") + kWorkCopyName + ": " +
                            (std::filesystem::is_directory(status) ? "Is a directory" : "not a plain file"));
    return false;
  }
  beside.start([&shell, command = "copy " + command_word(input_file_name) + " " + kWorkCopyName + " > out.list"] {
    shell.run(command);
  });
  return true;
}

}  // namespace kestram
