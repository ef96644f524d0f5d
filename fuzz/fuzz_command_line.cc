// The built-in interpreter's reading of a command line: words, quotes,
// carets, redirections, pipes and the parts of "for". Nothing is executed.
//
// Beyond "no crash": any bytes as a file name, written with quoted(), come
// back as exactly one word holding exactly those bytes, in every command line
// the run composes; a sound line never has an empty stage inside a pipe nor a
// redirection without a target.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "platform/command_line.h"
#include "run/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestram;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const ParsedCommandLine parsed = parse_command_line(bytes);
  if (parsed.ok()) {
    for (const CommandStage& stage : parsed.stages) {
      if (parsed.stages.size() > 1) FUZZ_CHECK(!stage.words.empty());
      for (const Redirection& redirection : stage.redirections) FUZZ_CHECK(!redirection.target.raw.empty());
      for (const CommandWord& word : stage.words) FUZZ_CHECK(bytes.find(word.raw) != std::string_view::npos);
      if (!stage.words.empty() && stage.words[0].text == "for") {
        ForCommand command;
        const std::vector<CommandWord> args(stage.words.begin() + 1, stage.words.end());
        if (parse_for(args, command)) {
          FUZZ_CHECK(!command.body.empty());
          FUZZ_CHECK(command.set_items.size() + command.body.size() + 3 <= args.size());
        }
      }
    }
  } else {
    FUZZ_CHECK(parsed.stages.empty());
  }

  // The bytes as a file name in the lines the run composes.
  const std::string name(bytes);
  const ParsedCommandLine copy = parse_command_line("copy " + kestram::quoted(name) + " sour_in.txt > out.list");
  FUZZ_CHECK(copy.ok());
  FUZZ_CHECK(copy.stages.size() == 1);
  FUZZ_CHECK(copy.stages[0].words.size() == 3);
  FUZZ_CHECK(copy.stages[0].words[1].text == name);
  FUZZ_CHECK(copy.stages[0].words[2].text == "sour_in.txt");
  FUZZ_CHECK(copy.stages[0].redirections.size() == 1);
  FUZZ_CHECK(copy.stages[0].redirections[0].target.text == "out.list");

  const ParsedCommandLine copy_into =
      parse_command_line("copy /y " + kestram::quoted(name) + " " + kestram::quoted("lexpage\\" + name));
  FUZZ_CHECK(copy_into.ok());
  FUZZ_CHECK(copy_into.stages.size() == 1);
  FUZZ_CHECK(copy_into.stages[0].words.size() == 4);
  FUZZ_CHECK(copy_into.stages[0].words[2].text == name);
  FUZZ_CHECK(copy_into.stages[0].words[3].text == "lexpage\\" + name);
  FUZZ_CHECK(copy_into.stages[0].redirections.empty());
  return 0;
}
