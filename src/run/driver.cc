#include "run/driver.h"

#include "handoff/indexer_handoff.h"
#include "pipeline/steps.h"
#include "run/banner.h"
#include "run/input_selection.h"
#include "run/tool_checks.h"
#include "run/work_files.h"

namespace kestram {
namespace {

using Step = Flow (*)(Platform&, RunState&);

Flow terms_of_use(Platform& platform, RunState& state) {
  return show_terms_of_use(platform.console, state.started_path);
}

Flow console_notes(Platform& platform, RunState&) { return show_console_notes(platform.console); }

// With indentation step 0 the supplementation ends the run; otherwise it
// goes on to the outputs.
constexpr Step kSteps[] = {
    terms_of_use,       console_notes,            run_tool_checks, select_input,
    recognise_chapters, supplement_chapter_marks, write_outputs,   hand_off_to_indexer,
};

}  // namespace

int run_program(Platform& platform, RunState& state) {
  start_up_clean_up(platform.shell);
  for (Step step : kSteps) {
    if (step(platform, state) == Flow::kEndRun) break;
  }
  platform.console.flush();
  return 0;
}

}  // namespace kestram
