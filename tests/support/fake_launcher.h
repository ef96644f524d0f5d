// A launcher for tests: records what it was asked to start and starts nothing.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/launcher.h"

namespace kestram::testing {

class FakeLauncher : public Launcher {
 public:
  struct Start {
    std::filesystem::path dir;
    std::string program;
  };

  bool start_detached(const std::filesystem::path& dir, const std::string& program) override {
    starts.push_back(Start{dir, program});
    return succeeds;
  }

  std::vector<Start> starts;
  bool succeeds = true;
};

}  // namespace kestram::testing
