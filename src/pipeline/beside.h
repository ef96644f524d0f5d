// Work done on a thread of its own beside a step's own work: a copy that the
// system makes, a file written from the chapter table while the list is
// printed, the renumbering that follows the scan. Without a thread to be
// had, the work is done in the caller when it is waited for, with the same
// results.
#pragma once

#include <exception>
#include <functional>
#include <thread>

namespace kestram {

class Beside {
 public:
  Beside() = default;
  // Waits for the work; what it threw is dropped (an owner that is
  // unwinding has a failure of its own to report). Work that waits to be
  // done in the caller is not done.
  ~Beside() {
    if (thread_.joinable()) thread_.join();
  }
  Beside(const Beside&) = delete;
  Beside& operator=(const Beside&) = delete;

  // Starts `work`, once the work started before has ended. Until wait() has
  // returned, nothing that the work touches may be used.
  void start(std::function<void()> work);
  // Waits until the work has ended, and throws again what it threw.
  void wait();

 private:
  void run();

  std::function<void()> work_;
  bool in_caller_ = false;  // no thread: the work waits for wait()
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace kestram
