// Work done on a thread of its own beside the caller, for the passes that
// share a large file between two processors. The system may have no thread
// to give (a limit on processes or on memory): then the work is done in the
// caller, or the caller hears of it and does without, and the run goes on
// with the same results, only slower.
#pragma once

#include <exception>
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace kestram {

class SideWork {
 public:
  SideWork() = default;
  // Waits for the work; whatever it threw is dropped (an owner that is
  // unwinding has a failure of its own to report).
  ~SideWork() {
    if (thread_.joinable()) thread_.join();
  }
  SideWork(const SideWork&) = delete;
  SideWork& operator=(const SideWork&) = delete;

  // Starts `work` on a thread, or does it here when there is none. Work
  // started before is waited for first.
  void start(std::function<void()> work) {
    if (!try_start(std::move(work))) work_();
  }

  // Starts `work` on a thread; false, with nothing done, when there is none.
  // For work that needs the caller to go on beside it (a loop that the
  // caller feeds): the caller must then do without it.
  bool try_start(std::function<void()> work) {
    wait();
    work_ = std::move(work);
    try {
      thread_ = std::thread([this] {
        try {
          work_();
        } catch (...) {
          failure_ = std::current_exception();
        }
      });
    } catch (const std::system_error&) {
      return false;
    }
    return true;
  }

  // Waits until the work has ended, and throws again what it threw.
  void wait() {
    if (thread_.joinable()) thread_.join();
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
  }

 private:
  std::function<void()> work_;
  std::exception_ptr failure_;
  std::thread thread_;
};

}  // namespace kestram
