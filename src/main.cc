// kestram: restructures a plain-text document with numbered chapters into an
// indented text and an HTML page, and hands the page to the indexing program.
#include <exception>
#include <iostream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/process.h"
#include "platform/shell.h"
#include "run/dialogue.h"
#include "run/driver.h"

namespace {

// A run that cannot go on says why and ends with a failure status; the
// outputs it was writing are left as far as they got.
int stop_run(kestram::Console& console, const char* reason) {
  kestram::print_empty_line(console);
  kestram::print_line(console, std::string("cannot go on: ") + reason);
  console.flush();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kestram;
  const std::string started_path = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  // Any argument at all: no dialogue, and nothing of its start-up.
  if (argc > 1) {
    write_standard_streams_unchanged();
    SystemClock clock;
    return run_command_line(std::vector<std::string>(argv + 1, argv + argc), started_path, std::cout, std::cerr,
                            clock);
  }
  std::unique_ptr<Console> console = make_process_console();
  std::unique_ptr<Shell> shell = make_process_shell(*console);
  SystemClock clock;
  Platform platform{*console, *shell, clock};
  try {
    // The state goes first when the run fails: it waits for any command
    // still running beside the run.
    RunState state;
    state.started_path = started_path;
    run_program(platform, state);
  } catch (const std::bad_alloc&) {
    return stop_run(*console, "not enough memory");
  } catch (const std::exception& failure) {
    return stop_run(*console, failure.what());
  }
  return 0;
}
