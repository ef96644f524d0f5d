// Runs the examples of tests/examples/*.txt (the format: tests/examples/README.txt),
// each one a test case named after its file and line. An example is a whole
// run of the dialogue (files and keys in; console and files out) through
// run_program, command lines for the built-in interpreter, or rows of a rule,
// in a scratch directory that is the current directory meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "indexer_run.h"
#include "output_pages.h"
#include "page_scan.h"
#include "platform/command_line.h"
#include "platform/shell_emulator.h"
#include "platform/shell_names.h"
#include "run/command_line.h"
#include "run/dialogue.h"
#include "run/driver.h"
#include "run/work_files.h"
#include "support/fake_launcher.h"
#include "support/temp_dir.h"
#include "word_index.h"
#include "word_text.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;

struct Section {
  std::string kind;      // "document", "given", "indented", "console", "rows", ...
  std::string argument;  // the rest of the header: a file name, "from line 3", "end", a rule
  std::vector<std::string> lines;
  int first_line = 0;    // of the file, for messages
};

struct Example {
  std::string place;  // "file.txt:12: title", for messages
  std::string name;   // the test's name
  std::vector<Section> sections;
};

void PrintTo(const Example& example, std::ostream* out) { *out << example.place; }

std::vector<std::string> split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  for (std::size_t from = 0;;) {
    const std::size_t at = text.find(separator, from);
    parts.push_back(text.substr(from, at - from));
    if (at == std::string::npos) return parts;
    from = at + separator.size();
  }
}

// A section line as bytes: {TAB} {CR} {LF} {NUL} {ESC} {xHH}, {N*text} for
// the text N times, {DIR} for the scratch directory. {EOF} at the end of a
// line leaves out its line end.
std::string decode(const std::string& line, const std::string& dir, bool* no_end = nullptr) {
  std::string out;
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (line[at] != '{') {
      out += line[at];
      continue;
    }
    std::size_t close = at + 1;
    for (int depth = 1; close < line.size(); ++close)
      if ((depth += (line[close] == '{') - (line[close] == '}')) == 0) break;
    const std::string name = line.substr(at + 1, close - at - 1);
    const std::size_t star = name.find('*');
    at = close;
    if (name == "TAB") out += '\t';
    else if (name == "CR") out += '\r';
    else if (name == "LF") out += '\n';
    else if (name == "NUL") out += '\0';
    else if (name == "ESC") out += '\x1b';
    else if (name == "DIR") out += dir;
    else if (name == "EOF" && no_end != nullptr && close + 1 == line.size()) *no_end = true;
    else if (name.size() == 3 && name[0] == 'x') out += static_cast<char>(std::stoi(name.substr(1), nullptr, 16));
    else if (star != std::string::npos && star > 0 && std::isdigit(static_cast<unsigned char>(name[0])))
      for (long n = std::stol(name.substr(0, star)); n > 0; --n) out += decode(name.substr(star + 1), dir);
    else ADD_FAILURE() << "no such escape {" << name << "} in: " << line;
  }
  return out;
}

std::string text_of(const Section& section, const std::string& line_end, const std::string& dir) {
  std::string text;
  for (const std::string& line : section.lines) {
    bool no_end = false;
    text += decode(line, dir, &no_end);
    if (!no_end) text += line_end;
  }
  return text;
}

std::vector<Example> load(const fs::path& file) {
  std::vector<Example> examples;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  Example* open = nullptr;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.rfind("Example: ", 0) == 0) {
      const std::string title = line.substr(9);
      examples.push_back({file.filename().string() + ":" + std::to_string(number) + ": " + title,
                          file.stem().string() + "_" + std::to_string(number) + "_", {}});
      open = &examples.back();
      for (char c : title) open->name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    } else if (open != nullptr && line.rfind("~~~", 0) == 0) {
      const std::string header = line.size() > 4 ? line.substr(4) : "";
      const std::size_t blank = header.find(' ');
      if (header.empty()) open = nullptr;
      else open->sections.push_back({header.substr(0, blank), blank == std::string::npos ? "" : header.substr(blank + 1), {}, number + 1});
    } else if (open != nullptr && !open->sections.empty()) {
      open->sections.back().lines.push_back(line);
    }
  }
  return examples;
}

std::vector<Example> all_examples() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(KESTRAM_SOURCE_DIR) / "tests/examples"))
    if (entry.path().extension() == ".txt" && entry.path().filename() != "README.txt") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Example> examples;
  for (const fs::path& file : files)
    for (Example& example : load(file)) examples.push_back(std::move(example));
  return examples;
}

// Keys and typed lines from one stream of bytes, as from a pipe: a key is one
// byte, a line runs to "\n" (a "\r" right before it is dropped).
class StreamOfKeys : public Console {
 public:
  StreamOfKeys(std::string input, int width) : input_(std::move(input)), width_(width) {}
  void write(std::string_view text) override { transcript += text; }
  std::optional<std::string> read_key() override {
    if (at_ >= input_.size()) return std::nullopt;
    return std::string(1, input_[at_++]);
  }
  std::optional<std::string> read_line() override {
    if (at_ >= input_.size()) return std::nullopt;
    const std::size_t end = std::min(input_.find('\n', at_), input_.size());
    std::string line = input_.substr(at_, end - at_);
    if (end < input_.size() && !line.empty() && line.back() == '\r') line.pop_back();
    at_ = end + 1;
    return line;
  }
  int width() const override { return width_; }
  std::string transcript;

 private:
  std::string input_;
  std::size_t at_ = 0;
  int width_;
};

// The listed times of day, one per reading, then the last one again.
class ListedClock : public Clock {
 public:
  explicit ListedClock(std::vector<TimeOfDay> times) : times_(std::move(times)) {}
  TimeOfDay now() const override { return times_[std::min(next_++, times_.size() - 1)]; }

 private:
  std::vector<TimeOfDay> times_;
  mutable std::size_t next_ = 0;
};

// The interpreter of a system that lacks some programs: a line that calls
// one of them runs nothing, and its output file is left empty.
class ShellLacking : public Shell {
 public:
  ShellLacking(Shell& shell, std::vector<std::string> missing) : shell_(shell), missing_(std::move(missing)) {}
  void run(std::string_view line) override {
    for (const std::string& program : missing_) {
      if ((" " + std::string(line) + " ").find(" " + program + " ") == std::string::npos) continue;
      const std::string target(line.substr(line.rfind('>') + 1));
      testing::write_file(target.substr(target.find_first_not_of(' ')), "");
      return;
    }
    shell_.run(line);
  }

 private:
  Shell& shell_;
  std::vector<std::string> missing_;
};

// The "answers" section: "key: value" lines.
using Answers = std::map<std::string, std::string>;

std::string answer(const Answers& answers, const std::string& key, const std::string& otherwise = "") {
  const auto found = answers.find(key);
  return found == answers.end() ? otherwise : found->second;
}

// The keys a user types for the answers: terms and notes accepted, the
// document's list number, indentation step, contents, unit code; then the
// start chapter and the extra lines (step 0), or the index question.
std::string keys_for(const Answers& answers) {
  std::string keys = "11" + answer(answers, "file", "1") + "\n" + answer(answers, "indent") + "\n" +
                     answer(answers, "contents") + "\n" + answer(answers, "unit") + "\n";
  if (answer(answers, "indent") == "0")
    return keys + answer(answers, "start chapter") + "\n" + answer(answers, "extra lines") + "\nx";
  return keys + answer(answers, "index", "2");
}

// The "input" section: "keys ..." lines are key presses, "type ..." lines
// typed lines, each ended with Enter.
std::string keys_of(const Section& section) {
  std::string keys;
  for (const std::string& line : section.lines) {
    const std::string text = decode(line.size() > 5 ? line.substr(5) : "", "");
    if (line.rfind("keys ", 0) == 0) keys += text;
    else if (line.rfind("type", 0) == 0) keys += text + "\n";
    else ADD_FAILURE() << "an input line is \"keys ...\" or \"type ...\": " << line;
  }
  return keys;
}

// Whether `line` matches the expected line, in which "{*}" stands for any text.
bool matches(const std::string& line, const std::string& expected, const std::string& dir) {
  const std::vector<std::string> parts = split(expected, "{*}");
  std::size_t at = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string part = decode(parts[i], dir);
    const std::size_t found = i + 1 == parts.size() && i > 0 ? line.size() - std::min(line.size(), part.size())
                                                             : line.find(part, at);
    if (found == std::string::npos || found < at || (i == 0 && found != 0) ||
        line.compare(found, part.size(), part) != 0)
      return false;
    at = found + part.size();
  }
  return at == line.size();
}

// Where the expected lines stand among the actual CR LF lines.
enum class Where { kWhole, kFromLine, kAnywhere, kAtEnd };

void expect_lines(const std::string& what, const std::string& actual, const Section& expected, Where where,
                  std::size_t first_line, const std::string& dir) {
  const std::vector<std::string>& want = expected.lines;
  const bool any_text = std::any_of(want.begin(), want.end(), [](const std::string& l) { return l.find("{*}") != std::string::npos; });
  if (where == Where::kWhole && !any_text && text_of(expected, "\r\n", dir) == actual) return;
  std::vector<std::string> lines = split(actual, "\r\n");
  const bool ends_whole = lines.back().empty();
  if (ends_whole) lines.pop_back();
  std::vector<std::size_t> starts;
  if (where == Where::kWhole && ends_whole && lines.size() == want.size()) starts = {0};
  if (where == Where::kFromLine) starts = {first_line - 1};
  if (where == Where::kAtEnd && lines.size() >= want.size()) starts = {lines.size() - want.size()};
  for (std::size_t s = 0; where == Where::kAnywhere && s + want.size() <= lines.size(); ++s) starts.push_back(s);
  std::string difference = "the lines are not there";
  for (std::size_t start : starts) {
    std::size_t i = 0;
    while (i < want.size() && start + i < lines.size() && matches(lines[start + i], want[i], dir)) ++i;
    if (i == want.size()) return;
    if (where != Where::kAnywhere)
      difference = "line " + std::to_string(start + i + 1) + "\n  expected: " + (i < want.size() ? want[i] : "") +
                   "\n  actual:   " + (start + i < lines.size() ? lines[start + i] : "<end>");
  }
  ADD_FAILURE() << what << ": " << difference << "\n----- actual:\n" << actual.substr(0, 8000);
}

// A parsed command line in one line: words in brackets (q marks a quoted
// one), redirections as <name, >name, >>name, stages joined by " | ".
std::string parsed_line(const std::string& line) {
  const ParsedCommandLine parsed = parse_command_line(line);
  if (!parsed.ok()) return "refused";
  std::string text;
  for (const CommandStage& stage : parsed.stages) {
    if (!text.empty()) text += " | ";
    for (const CommandWord& word : stage.words) text += (word.quoted ? "q[" : "[") + word.text + "]";
    for (const Redirection& r : stage.redirections)
      text += (r.kind == Redirection::Kind::kRead ? " <" : r.kind == Redirection::Kind::kAppend ? " >>" : " >") +
              r.target.text;
  }
  return text;
}

// A "for" command's set and number of body words, or "refused".
std::string for_parts(const std::string& words) {
  const ParsedCommandLine parsed = parse_command_line(words);
  ForCommand command;
  if (!parsed.ok() || parsed.stages.empty() || !parse_for(parsed.stages[0].words, command)) return "refused";
  std::string text = "(";
  for (const std::string& item : command.set_items) text += (text.size() > 1 ? "," : "") + item;
  return text + ") " + std::to_string(command.body.size());
}

// The words of a page as the indexing program finds them, with the chapter
// of each when `chapters` is set ("word/chapter").
std::string words_of(const std::string& page, bool chapters) {
  const lexpage::PageScan scan = lexpage::scan_page(page);
  std::string words;
  for (const lexpage::WordSpan& word : scan.words)
    words += (words.empty() ? "" : " ") + page.substr(word.page_offset, word.length) +
             (chapters ? "/" + scan.chapters[word.chapter] : "");
  return words;
}

// The distinct words of a page in their order ("word:count"), then the
// initials ("initial:occurrences") and the chapter totals ("words/different").
std::string word_counts(const std::string& page) {
  const lexpage::PageScan scan = lexpage::scan_page(page);
  const lexpage::WordIndex index = lexpage::build_word_index(page, scan);
  std::string text;
  for (std::size_t rank = 0; rank < index.words.size(); ++rank)
    text += std::string(index.words[rank]) + ":" + std::to_string(index.count(rank)) + " ";
  text += "|";
  for (const lexpage::InitialGroup& group : lexpage::initial_groups(index))
    text += " " + std::string(group.name) + ":" + std::to_string(group.occurrences);
  text += " |";
  for (const lexpage::ChapterTotals& totals : index.chapters)
    text += " " + std::to_string(totals.words) + "/" + std::to_string(totals.different_words);
  return text;
}

// "WIDTH plain text with the [word]": the line of context shown for the word,
// as "before[word]after".
std::string context_of(const std::string& in) {
  const std::size_t blank = in.find(' ');
  std::string plain = in.substr(blank + 1);
  const std::size_t open = plain.find('[');
  const std::size_t close = plain.find(']', open);
  const std::string word = plain.substr(open + 1, close - open - 1);
  plain.erase(close, 1);
  plain.erase(open, 1);
  const lexpage::WordSpan span{0, static_cast<std::uint32_t>(word.size()), static_cast<std::uint32_t>(open), 0};
  const lexpage::ContextLine line = lexpage::context_line(plain, span, std::stoul(in.substr(0, blank)));
  return std::string(line.before) + "[" + std::string(line.word) + "]" + std::string(line.after);
}

// The rules that rows ("input -> result") are given for; the input and the
// result in the notation of the section lines, in the directory of the run.
using Rule = std::function<std::string(const std::string& input, const fs::path& dir)>;
const std::map<std::string, Rule>& rules() {
  static const std::map<std::string, Rule> kRules = {
      {"number", [](const std::string& in, const fs::path&) { return std::to_string(parse_number(in)); }},
      {"indentation", [](const std::string& in, const fs::path&) { return std::to_string(parse_leading_decimal(in)); }},
      {"text field", [](const std::string& in, const fs::path&) { return first_answer_field(in, 4096, false); }},
      {"number field", [](const std::string& in, const fs::path&) { return first_answer_field(in, 67, true); }},
      {"command line", [](const std::string& in, const fs::path&) { return parsed_line(in); }},
      {"for", [](const std::string& in, const fs::path&) { return for_parts(in); }},
      {"quoted name", [](const std::string& in, const fs::path&) {
         return command_word(in) + " " + parsed_line("copy " + kestram::quoted(in) + " x");
       }},
      {"wildcard", [](const std::string& in, const fs::path&) {
         const std::size_t blank = in.find(' ');
         return std::string(matches_wildcard(in.substr(0, blank), in.substr(blank + 1)) ? "yes" : "no");
       }},
      {"listing order", [](const std::string& in, const fs::path&) {
         std::vector<std::string> names = split(in, " ");
         std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return listing_order_less(a, b); });
         std::string sorted;
         for (const std::string& name : names) sorted += (sorted.empty() ? "" : " ") + name;
         return sorted;
       }},
      {"name", [](const std::string& in, const fs::path& dir) {
         const ResolvedName resolved = resolve_name(dir, in);
         if (!resolved.valid) return std::string("invalid");
         return resolved.path.lexically_normal().lexically_relative(dir).generic_string() + (resolved.exists ? "" : " (missing)");
       }},
      {"nonblank lines", [](const std::string& in, const fs::path& dir) {
         testing::write_file((dir / "lines.txt").string(), in);
         return std::to_string(count_nonblank_lines((dir / "lines.txt").string()));
       }},
      {"words", [](const std::string& in, const fs::path&) { return words_of(in, false); }},
      {"words by chapter", [](const std::string& in, const fs::path&) { return words_of(in, true); }},
      {"visible text", [](const std::string& in, const fs::path&) { return lexpage::scan_page(in).plain; }},
      {"body end", [](const std::string& in, const fs::path&) { return std::to_string(lexpage::scan_page(in).body_end); }},
      {"chapter number", [](const std::string& in, const fs::path&) {
         return std::string(lexpage::is_chapter_number(in) ? "yes" : "no");
       }},
      {"word counts", [](const std::string& in, const fs::path&) { return word_counts(in); }},
      {"keywords", [](const std::string& in, const fs::path&) {
         std::string found;
         for (const lexpage::Keyword& keyword : lexpage::find_keywords(lexpage::scan_page(in)))
           found += (found.empty() ? "" : " | ") + keyword.text;
         return found;
       }},
      {"context", [](const std::string& in, const fs::path&) { return context_of(in); }},
      {"browser text", [](const std::string& in, const fs::path&) { return lexpage::browser_text(in); }},
      {"entry link", [](const std::string& in, const fs::path&) { return lexpage::entry_link(in); }},
      {"last listed name", [](const std::string& in, const fs::path& dir) {
         testing::write_file((dir / "names.txt").string(), in);
         return last_listed_name((dir / "names.txt").string());
       }},
  };
  return kRules;
}

// The outputs of the document a.txt, by the section names of the examples.
const std::map<std::string, std::string> kOutputs = {{"chapters", "a_chapters.txt"}, {"indented", "a_indent.txt"},
                                                     {"page", "a_indent.htm"},       {"body", "a_indent.htm"},
                                                     {"companion", "a_com_ndx.txt"}, {"table", "a_table.txt"}};

// The page without its frame: eight opening lines and four closing lines.
std::string body_of(const std::string& page) {
  const std::vector<std::string> lines = split(page, "\r\n");
  std::string body;
  for (std::size_t i = 8; i + 5 < lines.size(); ++i) body += lines[i] + "\r\n";
  return body;
}

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, Run) {
  const Example& example = GetParam();
  SCOPED_TRACE(example.place);
  // The run's directory lies in a scratch directory of its own, so that a
  // name that led out of it would still lead nowhere else.
  testing::TempDir scratch;
  const fs::path dir = scratch.path() / "work";
  fs::create_directory(dir);
  const std::string root = dir.string();
  const auto file_of = [&dir](const std::string& name) { return (dir / name).string(); };
  // Names may hold bytes in braces as well.
  std::vector<Section> sections = example.sections;
  for (Section& s : sections) s.argument = decode(s.argument, root);

  Answers answers;
  std::string keys;
  std::vector<std::string> commands;
  bool dialogue = false;
  std::map<std::string, std::string> given;  // files to be left as they were
  for (const Section& s : sections) {
    const std::string name = s.kind != "document" ? s.argument : s.argument.empty() ? "a.txt" : "a.txt " + s.argument;
    dialogue = dialogue || s.kind == "document" || s.kind == "answers" || s.kind == "input";
    if (s.kind == "answers") {
      for (const std::string& line : s.lines) answers[line.substr(0, line.find(':'))] = line.substr(line.find(':') + 2);
    } else if (s.kind == "input") {
      keys = keys_of(s);
    } else if (s.kind == "commands") {
      for (const std::string& line : s.lines) commands.push_back(decode(line, root));
    } else if (s.kind == "given" && name.rfind("dir ", 0) == 0) {
      fs::create_directories(dir / name.substr(4));
    } else if (s.kind == "given" && name.rfind("link ", 0) == 0) {
      // "link NAME TARGET": a symbolic link; where none can be made, the example is left out.
      const std::size_t blank = name.find(' ', 5);
      std::error_code ec;
      fs::create_symlink(name.substr(blank + 1), dir / name.substr(5, blank - 5), ec);
      if (ec) GTEST_SKIP() << "no symbolic link can be made here: " << ec.message();
    } else if (s.kind == "document" || s.kind == "given") {
      // "NAME from PATH": a file of the source tree.
      const std::size_t from = name.find(" from ");
      const std::string file = name.substr(0, from);
      fs::create_directories((dir / file).parent_path());
      given[file] = from == std::string::npos ? text_of(s, "\n", root)
                                              : testing::read_file((fs::path(KESTRAM_SOURCE_DIR) / name.substr(from + 6)).string());
      testing::write_file(file_of(file), given[file]);
    }
  }
  // "missing: find convertcp.exe": programs the system or the installation lacks.
  std::vector<std::string> missing;
  std::istringstream missing_list(answer(answers, "missing"));
  for (std::string program; missing_list >> program;) missing.push_back(program);
  if (dialogue) {
    for (const char* program : {"convertcp.exe", "wget.exe", "lexpage_1_0.exe"})
      if (std::find(missing.begin(), missing.end(), program) == missing.end()) testing::write_file(file_of(program), "program\n");
    if (keys.empty()) keys = keys_for(answers);
  }

  StreamOfKeys console(keys, std::stoi(answer(answers, "width", "80")));
  testing::FakeLauncher launcher;
  launcher.succeeds = answer(answers, "launcher") != "fails";
  ShellEmulator emulator(dir, console, launcher);
  ShellLacking shell(emulator, missing);
  std::vector<TimeOfDay> times;
  for (const std::string& time : split(answer(answers, "clock", "12:34:56"), " "))
    times.push_back({std::stoi(time.substr(0, 2)), std::stoi(time.substr(3, 2)), std::stoi(time.substr(6, 2))});
  ListedClock clock(times);
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  if (dialogue) {
    Platform platform{console, shell, clock};
    RunState state;
    state.started_path = "kestram";
    run_program(platform, state);
  }
  for (const std::string& line : commands) emulator.run(line);
  fs::current_path(before);
  // "~~~ index": the indexing program's run in the directory; its message goes to the console.
  if (std::any_of(sections.begin(), sections.end(), [](const Section& s) { return s.kind == "index"; }))
    console.write(lexpage::index_directory(dir).message + "\r\n");

  for (const Section& s : sections) {
    const auto output = kOutputs.find(s.kind);
    if (s.kind == "console") {
      expect_lines("console", console.transcript, s, s.argument == "end" ? Where::kAtEnd : Where::kAnywhere, 0, root);
    } else if (s.kind == "started") {
      std::string starts;
      for (const testing::FakeLauncher::Start& start : launcher.starts)
        starts += start.dir.lexically_relative(dir).generic_string() + " " + start.program + "\r\n";
      expect_lines("started", starts, s, Where::kWhole, 0, root);
    } else if (s.kind == "absent") {
      EXPECT_FALSE(fs::exists(fs::symlink_status(dir / s.argument))) << s.argument;
      given.erase(s.argument);
    } else if (s.kind == "out" && s.argument.rfind("dir ", 0) == 0) {
      EXPECT_TRUE(fs::is_directory(dir / s.argument.substr(4))) << s.argument;
    } else if (output != kOutputs.end() || s.kind == "out") {
      // "[NAME ]from line N": the lines from line N on only.
      const std::size_t from = (" " + s.argument).find(" from line ");
      const std::string name = output != kOutputs.end() ? output->second
                               : s.argument.substr(0, std::min(from - (from > 0), s.argument.rfind(" contains")));
      given.erase(name);
      EXPECT_TRUE(fs::is_regular_file(dir / name)) << name << " is no file";
      std::string actual = testing::read_file(file_of(name));
      if (s.kind == "body") actual = body_of(actual);
      if (s.argument.size() > 9 && s.argument.compare(s.argument.size() - 9, 9, " contains") == 0)
        expect_lines(name, actual, s, Where::kAnywhere, 0, root);
      else if (from == std::string::npos) expect_lines(name, actual, s, Where::kWhole, 0, root);
      else expect_lines(name, actual, s, Where::kFromLine, std::stoul(s.argument.substr(from + 10)), root);
    } else if (s.kind == "rows") {
      const auto rule = rules().find(s.argument);
      ASSERT_NE(rules().end(), rule) << "no rule " << s.argument;
      for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const std::size_t arrow = s.lines[i].find(" -> ");
        ASSERT_NE(std::string::npos, arrow) << "line " << s.first_line + i << " has no \" -> \"";
        EXPECT_EQ(decode(s.lines[i].substr(arrow + 4), root), rule->second(decode(s.lines[i].substr(0, arrow), root), dir))
            << "line " << s.first_line + i << ": " << s.lines[i];
      }
    }
  }
  for (const auto& [name, bytes] : given) EXPECT_TRUE(bytes == testing::read_file(file_of(name))) << name << " changed";
}

INSTANTIATE_TEST_SUITE_P(File, Examples, ::testing::ValuesIn(all_examples()),
                         [](const ::testing::TestParamInfo<Example>& param) { return param.param.name; });

}  // namespace
}  // namespace kestram
