// Starts a program that goes on running on its own, as "start /D" does.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

namespace kestram {

class Launcher {
 public:
  virtual ~Launcher() = default;

  // Starts `program` (a file name relative to `dir`, run as "./program" with
  // no arguments) with `dir` as its working directory, and returns as soon as
  // it has started, without waiting for it. The program gets no console: its
  // input and output lead nowhere. False when it could not be started.
  virtual bool start_detached(const std::filesystem::path& dir, const std::string& program) = 0;
};

// The launcher of this platform.
std::unique_ptr<Launcher> make_process_launcher();

}  // namespace kestram
