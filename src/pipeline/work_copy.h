// The copy of the input to its work copy, sour_in.txt, made by the shell's
// copy command beside the pass that reads the input: the copying is the
// system's, and the pass need not wait for it.
#pragma once

#include <exception>
#include <string>
#include <thread>

#include "platform/console.h"
#include "platform/shell.h"

namespace kestram {

class WorkCopy {
 public:
  WorkCopy() = default;
  // Waits for the copy.
  ~WorkCopy();
  WorkCopy(const WorkCopy&) = delete;
  WorkCopy& operator=(const WorkCopy&) = delete;

  // Starts the copy, on a thread of its own where one can be had. A name in
  // the way that is no plain file is reported instead, and false returned.
  // Until wait() has returned, nothing else may use the shell, the console
  // or the work copy's files.
  bool start(Console& console, Shell& shell, const std::string& input_file_name);
  // Waits until the copy is made, and throws again what making it threw.
  void wait();

 private:
  std::thread thread_;
  std::exception_ptr failure_;
};

}  // namespace kestram
