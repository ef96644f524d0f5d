#include "pipeline/beside.h"

#include <system_error>
#include <utility>

namespace kestram {

void Beside::start(std::function<void()> work) {
  wait();
  work_ = std::move(work);
  auto run = [this] {
    try {
      work_();
    } catch (...) {
      failure_ = std::current_exception();
    }
  };
  try {
    thread_ = std::thread(run);
  } catch (const std::system_error&) {
    run();  // no thread to be had
  }
}

void Beside::wait() {
  if (thread_.joinable()) thread_.join();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

}  // namespace kestram
