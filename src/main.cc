// kestram: restructures a plain-text document with numbered chapters into an
// indented text and an HTML page, and hands the page to the indexing program.
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/console.h"
#include "platform/shell.h"
#include "run/driver.h"

int main(int argc, char** argv) {
  using namespace kestram;
  std::unique_ptr<Console> console = make_process_console();
  std::unique_ptr<Shell> shell = make_process_shell(*console);
  SystemClock clock;
  Platform platform{*console, *shell, clock};
  RunState state;
  state.started_path = argc > 0 && argv[0] != nullptr ? argv[0] : "";
  run_program(platform, state);
  return 0;
}
