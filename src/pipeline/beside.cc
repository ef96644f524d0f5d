#include "pipeline/beside.h"

#include <system_error>
#include <utility>

namespace kestram {

void Beside::start(std::function<void()> work) {
  wait();
  work_ = std::move(work);
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    in_caller_ = true;
  }
}

void Beside::wait() {
  if (thread_.joinable()) thread_.join();
  if (std::exchange(in_caller_, false)) run();
  if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void Beside::run() {
  try {
    work_();
  } catch (...) {
    failure_ = std::current_exception();
  }
}

}  // namespace kestram
