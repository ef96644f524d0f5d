// Runs the examples of tests/examples/*.txt (the format: tests/examples/README.txt),
// each one a test case named after its file, line and title. An example is a
// whole run of the dialogue (files and keys in; console and files out)
// through run_program, command lines for the built-in interpreter, a run of
// the indexing program, or rows of a rule, in a scratch directory that is the
// current directory meanwhile.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.h"
#include "example_rules.h"
#include "indexer_run.h"
#include "platform/shell_emulator.h"
#include "run/driver.h"
#include "support/fake_launcher.h"
#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using examples::rules;
using examples::split;
using examples::Texts;

struct Section {
  std::string kind;      // "document", "given", "indented", "console", "rows", ...
  std::string argument;  // the rest of the header: a name, "from line 3", "end", a rule
  Texts lines;
  int first_line = 0;    // its line in the file, for messages
};

struct Example {
  std::string place;  // "file.txt:12: title", for messages
  std::string name;   // the test's name
  std::vector<Section> sections;
};

void PrintTo(const Example& example, std::ostream* out) { *out << example.place; }

// A section line as bytes: {TAB} {CR} {LF} {NUL} {ESC} {xHH}, {N*text} for
// the text N times, {DIR} for the directory of the run. {EOF} at the end of a
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
    const bool repeat = star != std::string::npos && star > 0 && std::isdigit(static_cast<unsigned char>(name[0]));
    const std::string unit = repeat ? decode(name.substr(star + 1), dir) : "";  // {N*unit}
    at = close;
    const std::map<std::string, std::string> named = {{"TAB", "\t"}, {"CR", "\r"}, {"LF", "\n"},
                                                      {"NUL", std::string(1, '\0')}, {"ESC", "\x1b"}, {"DIR", dir},
                                                      {"BUILD", KESTRAM_BINARY_DIR}};
    if (named.count(name) != 0) out += named.at(name);
    else if (name == "EOF" && no_end != nullptr && close + 1 == line.size()) *no_end = true;
    else if (name.size() == 3 && name[0] == 'x') out += static_cast<char>(std::stoi(name.substr(1), nullptr, 16));
    else if (repeat)
      for (long n = std::stol(name.substr(0, star)); n > 0; --n) out += unit;
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

std::vector<Example> all_examples() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(KESTRAM_SOURCE_DIR) / "tests/examples"))
    if (entry.path().extension() == ".txt" && entry.path().filename() != "README.txt") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::vector<Example> examples;
  for (const fs::path& file : files) {
    std::ifstream in(file, std::ios::binary);
    bool open = false;
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
      if (line.rfind("Example: ", 0) == 0) {
        examples.push_back({file.filename().string() + ":" + std::to_string(number) + ": " + line.substr(9),
                            file.stem().string() + "_" + std::to_string(number) + "_", {}});
        for (char c : line.substr(9)) examples.back().name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        open = true;
      } else if (open && line.rfind("~~~", 0) == 0) {
        const std::string header = line.size() > 4 ? line.substr(4) : "";
        const std::size_t blank = std::min(header.find(' '), header.size());
        open = !header.empty();
        if (open)
          examples.back().sections.push_back(
              {header.substr(0, blank), header.substr(std::min(blank + 1, header.size())), {}, number + 1});
      } else if (open && !examples.back().sections.empty()) {
        examples.back().sections.back().lines.push_back(line);
      }
    }
  }
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
  // A program's message, one console line per non-empty line, each after `tag`.
  void show(const std::string& message, const std::string& tag = "") {
    for (const std::string& line : split(message, "\n"))
      if (!line.empty()) write(tag + line + "\r\n");
  }
  std::string transcript;

 private:
  std::string input_;
  std::size_t at_ = 0;
  int width_;
};

// The listed times of day, one per reading, then the last one again.
class ListedClock : public Clock {
 public:
  explicit ListedClock(const std::string& times) {
    for (const std::string& t : split(times, " "))
      times_.push_back({std::stoi(t), std::stoi(t.substr(3)), std::stoi(t.substr(6))});
  }
  TimeOfDay now() const override { return times_[std::min(next_++, times_.size() - 1)]; }

 private:
  std::vector<TimeOfDay> times_;
  mutable std::size_t next_ = 0;
};

// The interpreter of a system that lacks some programs: a line that calls
// one of them runs nothing, and its output file is left empty.
class ShellLacking : public Shell {
 public:
  ShellLacking(Shell& shell, Texts missing) : shell_(shell), missing_(std::move(missing)) {}
  void run(std::string_view line) override {
    for (const std::string& program : missing_) {
      if ((" " + std::string(line) + " ").find(" " + program + " ") == std::string::npos) continue;
      const std::string target(line.substr(line.rfind('>') + 1));
      return testing::write_file(target.substr(target.find_first_not_of(' ')), "");
    }
    shell_.run(line);
  }

 private:
  Shell& shell_;
  Texts missing_;
};

#ifndef _WIN32
// The "file size" answer: while it lives, no file grows past that many bytes,
// and a write beyond fails ("File too large") as on a full disk.
struct FileSizeLimit {
  explicit FileSizeLimit(const std::string& bytes) {
    if (bytes.empty() || getrlimit(RLIMIT_FSIZE, &saved) != 0) return;
    std::signal(SIGXFSZ, SIG_IGN);  // the write fails, instead of ending the process
    const rlimit limit{std::stoul(bytes), saved.rlim_max};
    limited = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    if (limited) setrlimit(RLIMIT_FSIZE, &saved);
  }
  rlimit saved{};
  bool limited = false;
};
#else
struct FileSizeLimit {
  explicit FileSizeLimit(const std::string&) {}
};
#endif

// The "answers" section, and the keys a user types for them: terms and notes
// accepted, the document's list number, indentation step, contents, unit
// code; then the start chapter and the extra lines (step 0), or the answer to
// the index question.
struct Answers {
  std::map<std::string, std::string> values;
  std::string operator()(const std::string& key, const std::string& otherwise = "") const {
    return values.count(key) != 0 ? values.at(key) : otherwise;
  }
  std::string keys() const {
    const Answers& a = *this;
    const std::string keys =
        "11" + a("file", "1") + "\n" + a("indent") + "\n" + a("contents") + "\n" + a("unit") + "\n";
    return a("indent") == "0" ? keys + a("start chapter") + "\n" + a("extra lines") + "\nx" : keys + a("index", "2");
  }
};

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

// Whether `line` matches the expected line, given as its decoded parts
// between the "{*}" that stand for any text.
bool matches(const std::string& line, const Texts& parts) {
  std::size_t at = 0;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    // The last part ends the line; the others are found from the left.
    const std::size_t found =
        i + 1 == parts.size() && i > 0 ? line.size() - std::min(line.size(), part.size()) : line.find(part, at);
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
  const Texts& want = expected.lines;
  const bool any_text =
      std::any_of(want.begin(), want.end(), [](const std::string& l) { return l.find("{*}") != std::string::npos; });
  if (where == Where::kWhole && !any_text && text_of(expected, "\r\n", dir) == actual) return;
  Texts lines = split(actual, "\r\n");
  const bool ends_whole = lines.back().empty();
  if (ends_whole) lines.pop_back();
  std::vector<Texts> patterns;
  for (const std::string& line : want) {
    patterns.push_back(split(line, "{*}"));
    for (std::string& part : patterns.back()) part = decode(part, dir);
  }
  std::vector<std::size_t> starts;
  if (where == Where::kWhole && ends_whole && lines.size() == want.size()) starts = {0};
  if (where == Where::kFromLine) starts = {first_line - 1};
  if (where == Where::kAtEnd && lines.size() >= want.size()) starts = {lines.size() - want.size()};
  for (std::size_t s = 0; where == Where::kAnywhere && s + want.size() <= lines.size(); ++s) starts.push_back(s);
  std::string difference = "the lines are not there";
  for (std::size_t start : starts) {
    std::size_t i = 0;
    while (i < want.size() && start + i < lines.size() && matches(lines[start + i], patterns[i])) ++i;
    if (i == want.size()) return;
    if (where != Where::kAnywhere)
      difference = "line " + std::to_string(start + i + 1) + "\n  expected: " + (i < want.size() ? want[i] : "") +
                   "\n  actual:   " + (start + i < lines.size() ? lines[start + i].substr(0, 2000) : "<end>");
  }
  ADD_FAILURE() << what << ": " << difference << "\n----- actual:\n" << actual.substr(0, 8000);
}

// The outputs of the document a.txt, by the section names of the examples.
const std::map<std::string, std::string> kOutputs = {{"chapters", "a_chapters.txt"}, {"indented", "a_indent.txt"},
                                                     {"page", "a_indent.htm"},       {"body", "a_indent.htm"},
                                                     {"companion", "a_com_ndx.txt"}, {"table", "a_table.txt"}};

// The page without its frame: eight opening lines and four closing lines.
std::string body_of(const std::string& page) {
  const Texts lines = split(page, "\r\n");
  std::string body;
  for (std::size_t i = 8; i + 5 < lines.size(); ++i) body += lines[i] + "\r\n";
  return body;
}

class Examples : public ::testing::TestWithParam<Example> {};

TEST_P(Examples, Run) {
  SCOPED_TRACE(GetParam().place);
#ifdef _WIN32
  // The built-in interpreter, names and directories in the way, and the
  // command line's messages are those of a POSIX system; Windows runs its
  // own interpreter, and .ci/windows compares whole runs there.
  for (const char* file : {"shell.txt", "hostile.txt", "command_line.txt", "programs.txt"})
    if (GetParam().place.rfind(file, 0) == 0) GTEST_SKIP() << "POSIX only";
#endif
  // The run's directory lies in a scratch directory of its own, so that a
  // name that led out of it would still lead nowhere else.
  testing::TempDir scratch;
  const fs::path dir = scratch.path() / "work";
  fs::create_directory(dir);
  const std::string root = dir.string();
  const auto file_of = [&dir](const std::string& name) { return (dir / name).string(); };
  std::vector<Section> sections = GetParam().sections;
  for (Section& s : sections) s.argument = decode(s.argument, root);  // names may hold bytes in braces

  Answers answers;
  std::string keys;
  Texts commands;
  std::optional<Texts> arguments;
  bool dialogue = false;
  std::map<std::string, std::string> given;  // files to be left as they were
  Texts pipes;                              // named pipes, never to be opened
  // A given file, directory, link or pipe made in the directory; the reason
  // why it cannot be made here, if so.
  const auto make_given = [&](const Section& s) -> std::string {
    const std::string& name = s.argument;
    if (name.rfind("dir ", 0) == 0) {
      fs::create_directories(dir / name.substr(4));
    } else if (name.rfind("link ", 0) == 0) {  // "link NAME TARGET"
      const std::size_t blank = name.find(' ', 5);
      std::error_code ec;
      fs::create_directories((dir / name.substr(5, blank - 5)).parent_path());
      fs::create_symlink(name.substr(blank + 1), dir / name.substr(5, blank - 5), ec);
      if (ec) return "no symbolic link can be made here: " + ec.message();
    } else if (name.rfind("pipe ", 0) == 0) {
#ifdef _WIN32
      return "no named pipes here";
#else
      if (mkfifo(file_of(name.substr(5)).c_str(), 0600) != 0) return "mkfifo failed";
      pipes.push_back(name.substr(5));
#endif
    } else if (name.rfind("script ", 0) == 0) {  // a file the system may run
      fs::create_directories((dir / name.substr(7)).parent_path());
      testing::write_file(file_of(name.substr(7)), text_of(s, "\n", root));
      fs::permissions(dir / name.substr(7), fs::perms::owner_all);
    } else {  // "NAME from PATH": a file of the source tree
      const std::size_t from = name.find(" from ");
      const std::string file = name.substr(0, from);
      fs::create_directories((dir / file).parent_path());
      const fs::path source = fs::path(KESTRAM_SOURCE_DIR) / name.substr(std::min(from + 6, name.size()));
      given[file] = from == std::string::npos ? text_of(s, "\n", root) : testing::read_file(source.string());
      testing::write_file(file_of(file), given[file]);
      if (!fs::exists(dir / file)) return "no file of that name can be made here";  // a line end on Windows
    }
    return "";
  };
  bool indexing = false;  // a given after a run of the indexing program is made in turn with those runs
  for (Section& s : sections) {
    dialogue = dialogue || s.kind == "document" || s.kind == "answers" || s.kind == "input";
    indexing = indexing || s.kind == "index" || s.kind == "hand";
    if (s.kind == "answers") {
      for (const std::string& line : s.lines)
        answers.values[line.substr(0, line.find(':'))] = line.substr(line.find(':') + 2);
    } else if (s.kind == "input") {
      keys = keys_of(s);
    } else if (s.kind == "arguments") {
      arguments.emplace();
      for (const std::string& line : s.lines) arguments->push_back(decode(line, root));
    } else if (s.kind == "commands") {
      for (const std::string& line : s.lines) commands.push_back(decode(line, root));
    } else if (s.kind == "document" || (s.kind == "given" && !indexing)) {
      if (s.kind == "document") s.argument = s.argument.empty() ? "a.txt" : "a.txt " + s.argument;
      const std::string reason = make_given(s);
      if (!reason.empty()) GTEST_SKIP() << reason;
    } else if (s.kind == "given") {
      s.kind = "given later";
    }
  }
  Texts missing = split(answers("missing"), " ");  // "missing: find convertcp.exe"
  missing.erase(std::remove(missing.begin(), missing.end(), ""), missing.end());
  if (dialogue) {
    for (const char* program : {"convertcp.exe", "wget.exe", "lexpage_1_0.exe"})
      if (std::find(missing.begin(), missing.end(), program) == missing.end())
        testing::write_file(file_of(program), "program\n");
    if (keys.empty()) keys = answers.keys();
  }

  StreamOfKeys console(keys, std::stoi(answers("width", "80")));
  testing::FakeLauncher launcher;
  launcher.succeeds = answers("launcher") != "fails";
  ShellEmulator emulator(dir, console, launcher);
  ShellLacking shell(emulator, missing);
  ListedClock clock(answers("clock", "12:34:56"));
  const fs::path before = fs::current_path();
  fs::current_path(dir);
  if (dialogue) {
    const FileSizeLimit limit(answers("file size"));
    Platform platform{console, shell, clock};
    RunState state;
    state.started_path = "kestram";
    run_program(platform, state);
  }
  for (const std::string& line : commands) emulator.run(line);
  if (arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = run_command_line(*arguments, "kestram", out, err, clock);
    console.show(out.str() + err.str());
    console.write("exit status " + std::to_string(status) + "\r\n");
  }
  fs::current_path(before);
  // Runs of the indexing program, in turn: "index" takes in, "index remove
  // NAME" and "index list"; "hand over NAME" leaves its page alone in htm_in/,
  // newer than any before it, and takes it in. Between them, "delete NAME"
  // and a later "given" change the directory.
  int handed = 0;
  lexpage::RunOptions options;
  options.now = "2024-05-01 13:45";
  for (const Section& s : sections) {
    using Kind = lexpage::Request::Kind;
    lexpage::Request request;
    if (s.kind == "hand" && s.argument.rfind("over ", 0) == 0) {
      fs::remove_all(dir / "htm_in");
      fs::create_directory(dir / "htm_in");
      const fs::path page = dir / "htm_in" / s.argument.substr(5);
      testing::write_file(page.string(), text_of(s, "\n", root));
      fs::last_write_time(page, fs::file_time_type::clock::now() + std::chrono::seconds(++handed));
    } else if (s.kind == "program") {  // a built program run with the lines as its arguments
#ifndef _WIN32
      Texts words;
      for (const std::string& line : s.lines) words.push_back(decode(line, root));
      testing::ProgramSetting setting;  // "program NAME [VARIABLE=VALUE ...]"
      setting.error_apart = true;
      setting.environment = split(s.argument, " ");
      const std::string program = setting.environment.front();
      setting.environment.erase(setting.environment.begin());
      const testing::ProgramResult run =
          testing::run_program_in(root, testing::built_program(program), words, "", 60, setting);
      console.show(run.output);
      console.show(run.error, "(error) ");
      console.write("exit status " + std::to_string(run.exit_status) + "\r\n");
#endif
      continue;
    } else if (s.kind == "delete") {
      fs::remove(dir / s.argument);
      continue;
    } else if (s.kind == "given later") {
      make_given(s);
      given.erase(s.argument);  // a step of the runs, which they may change
      continue;
    } else if (s.kind == "index" && s.argument != "") {
      request = {s.argument == "list" ? Kind::kList : Kind::kRemove, s.argument.substr(std::min<std::size_t>(7, s.argument.size()))};
    } else if (s.kind != "index") {
      continue;
    }
    console.show(lexpage::run_indexer(dir, request, options).message);
  }

  if (std::getenv("EXAMPLES_SHOW") != nullptr) std::cout << console.transcript;  // to write an example's lines
  for (const std::string& pipe : pipes) EXPECT_TRUE(fs::is_fifo(dir / pipe)) << pipe;
  for (const Section& s : sections) {
    const auto output = kOutputs.find(s.kind);
    const std::size_t from = (" " + s.argument).find(" from line ");  // "[NAME ]from line N"
    const bool contains = s.argument.size() > 9 && s.argument.compare(s.argument.size() - 9, 9, " contains") == 0;
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
      std::error_code ec;
      Texts names;
      for (fs::directory_iterator it(dir / s.argument.substr(4), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
      std::sort(names.begin(), names.end());
      std::string listing;
      for (const std::string& name : names) listing += name + "\r\n";
      if (!s.lines.empty()) expect_lines(s.argument, listing, s, Where::kWhole, 0, root);
    } else if (const std::size_t like = s.argument.find(" like "); s.kind == "out" && like != std::string::npos) {
      const std::string name = s.argument.substr(0, like);  // "NAME like PATH"
      const fs::path source = fs::path(KESTRAM_SOURCE_DIR) / s.argument.substr(like + 6);
      given.erase(name);
      EXPECT_TRUE(testing::read_file(file_of(name)) == testing::read_file(source.string())) << name << " differs";
    } else if (output != kOutputs.end() || s.kind == "out") {
      const std::string name = output != kOutputs.end() ? output->second
                               : s.argument.substr(0, std::min(from - (from > 0), s.argument.size() - 9 * contains));
      given.erase(name);
      EXPECT_TRUE(fs::is_regular_file(dir / name)) << name << " is no file";
      std::string actual = testing::read_file(file_of(name));
      if (s.kind == "body") actual = body_of(actual);
      if (contains) expect_lines(name, actual, s, Where::kAnywhere, 0, root);
      else if (from == std::string::npos) expect_lines(name, actual, s, Where::kWhole, 0, root);
      else expect_lines(name, actual, s, Where::kFromLine, std::stoul(s.argument.substr(from + 10)), root);
    } else if (s.kind == "rows") {
      ASSERT_NE(0u, rules().count(s.argument)) << "no rule " << s.argument;
      for (std::size_t i = 0; i < s.lines.size(); ++i) {
        const std::size_t arrow = s.lines[i].find(" -> ");
        ASSERT_NE(std::string::npos, arrow) << "line " << s.first_line + i << " has no \" -> \"";
        const std::string result = rules().at(s.argument)(decode(s.lines[i].substr(0, arrow), root), dir);
        EXPECT_EQ(decode(s.lines[i].substr(arrow + 4), root), result)
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
