#include "platform/command_line.h"

#include <gtest/gtest.h>

#include "run/command_line.h"

#include <random>
#include <string>

namespace kestram {
namespace {

// One line per parse: words in brackets (a quoted word marked with q),
// redirections as <name, >name, >>name, stages joined by " | ".
std::string render(const ParsedCommandLine& parsed) {
  if (!parsed.ok()) return "error: " + parsed.error;
  std::string text;
  for (const CommandStage& stage : parsed.stages) {
    if (!text.empty()) text += " | ";
    for (const CommandWord& word : stage.words) text += (word.quoted ? "q[" : "[") + word.text + "]";
    for (const Redirection& r : stage.redirections) {
      text += r.kind == Redirection::Kind::kRead ? " <" : r.kind == Redirection::Kind::kAppend ? " >>" : " >";
      text += r.target.text;
    }
  }
  return text;
}

TEST(CommandLine, WordsQuotesAndOperators) {
  struct Case {
    const char* line;
    const char* expected;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"", ""},
           {"   \t ", ""},
           {"dir > f_01.txt", "[dir] >f_01.txt"},
           {"dir /b /o  lexpage_*.exe > exe_files.txt", "[dir][/b][/o][lexpage_*.exe] >exe_files.txt"},
           {"cmd /c find /i \".exe\" check_01.txt >  check_02.txt",
            "[cmd][/c][find][/i]q[.exe][check_01.txt] >check_02.txt"},
           {"dir /b *.txt | find /i /v \"indent\" > dir_a_01.txt",
            "[dir][/b][*.txt] | [find][/i][/v]q[indent] >dir_a_01.txt"},
           {"cmd /c for %i in (check_*.txt) do del /q %i >> out_null.txt",
            "[cmd][/c][for][%i][in][(check_*.txt)][do][del][/q][%i] >>out_null.txt"},
           {"copy \"my notes.txt\" sour_in.txt > out.list", "[copy]q[my notes.txt][sour_in.txt] >out.list"},
           // Operators need no blanks around them.
           {"dir>a.txt", "[dir] >a.txt"},
           {"dir>>a.txt|sort", "[dir] >>a.txt | [sort]"},
           {"sort <in.txt >out.txt", "[sort] <in.txt >out.txt"},
           // Quotes group inside a word and are dropped; "" is an empty word.
           {"copy \"a b\".txt x", "[copy]q[a b.txt][x]"},
           {"find \"\" x", "[find]q[][x]"},
           // Inside quotes a doubled quote is one literal quote.
           {"copy \"a\"\"b.txt\" x", "[copy]q[a\"b.txt][x]"},
           {"copy \"\"\"\" \"a\"\"\" x", "[copy]q[\"]q[a\"][x]"},
           {"copy \"a\"\"\"\"\" x", "[copy]q[a\"\"][x]"},
           // An unclosed quote runs to the end of the line, operators included.
           {"copy \"a > b | c", "[copy]q[a > b | c]"},
           // The caret takes the next byte literally outside quotes only.
           {"copy a^>b.txt x", "[copy][a>b.txt][x]"},
           {"copy \"a^b\" x", "[copy]q[a^b][x]"},
           {"> only.txt", " >only.txt"},
           {"dir > \"out file.txt\"", "[dir] >out file.txt"},
       })
    EXPECT_EQ(c.expected, render(parse_command_line(c.line))) << c.line;
}

TEST(CommandLine, MalformedLinesAreRefusedWhole) {
  for (const char* line : {"dir >", "dir > > x", "| sort", "dir |", "dir | | sort", "dir >>",
                           "dir & del x", "dir && del x", "sort <"})
    EXPECT_FALSE(parse_command_line(line).ok()) << line;
}

TEST(CommandLine, DoubleQuoteInQuotedNameIsReadBackLiterally) {
  // The run writes every file name with quoted(), which doubles an inner
  // double quote; the interpreter must read back exactly that name. The fuzz
  // target found the disagreement with "\"^\xff" (a quote, a caret, a byte).
  // The last name holds every byte the interpreter gives a meaning to.
  for (const std::string& name :
       {std::string("plain.txt"), std::string("say \"hi\".txt"), std::string("\""), std::string("\"\""),
        std::string("a\"\"\"b"), std::string("end\""), std::string("\"start"), std::string(""),
        std::string("q\" & del x | y > z.txt"), std::string("nul\0byte\"", 10), std::string("\"^\xff"),
        std::string("a b&c|d<e>f;g(h)i'j%k%!l!^m\xC3\xA9\t\x01.txt")}) {
    const ParsedCommandLine parsed = parse_command_line("copy " + kestram::quoted(name) + " sour_in.txt > out.list");
    ASSERT_TRUE(parsed.ok()) << name;
    ASSERT_EQ(1u, parsed.stages.size()) << name;
    ASSERT_EQ(3u, parsed.stages[0].words.size()) << render(parsed);
    EXPECT_EQ(name, parsed.stages[0].words[1].text) << render(parsed);
    EXPECT_EQ(" >out.list", render(parsed).substr(render(parsed).rfind(" >")));
  }
}

TEST(CommandLine, ForPartsAreReadWithoutRunningAnything) {
  struct Case {
    const char* line;  // the words after "for"
    bool sound;
    std::vector<std::string> set;
    std::size_t body_words;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"%i in (check_*.txt) do del /q %i", true, {"check_*.txt"}, 3},
           {"%%f in (a b \"c d\") do copy %%f x", true, {"a", "b", "c d"}, 3},
           {"%i in ( a ) do dir", true, {"a"}, 1},
           {"%i in () do dir", true, {}, 1},
           {"%i in (a) DO dir", true, {"a"}, 1},
           {"%i in check_*.txt do del %i", false, {}, 0},
           {"%i in (x) del %i", false, {}, 0},
           {"%i in (x) do", false, {}, 0},
           {"i in (x) do dir", false, {}, 0},
           {"%%% in (x) do dir", false, {}, 0},
           {"\"%i\" in (x) do dir", false, {}, 0},
           {"%i in (unclosed do dir", false, {}, 0},
       }) {
    const ParsedCommandLine parsed = parse_command_line(c.line);
    ASSERT_TRUE(parsed.ok()) << c.line;
    ForCommand command;
    ASSERT_EQ(c.sound, parse_for(parsed.stages[0].words, command)) << c.line;
    if (!c.sound) continue;
    EXPECT_EQ(c.set, command.set_items) << c.line;
    EXPECT_EQ(c.body_words, command.body.size()) << c.line;
  }
}

TEST(CommandLine, RandomBytesNeverBreakTheParser) {
  std::mt19937 random(7);
  const std::string alphabet = std::string("ab \t\"^|<>&%()/\\.*?\r\n", 21) + std::string(1, '\0') + "\xFF";
  for (int round = 0; round < 2000; ++round) {
    std::string line;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) line += alphabet[random() % alphabet.size()];
    const ParsedCommandLine parsed = parse_command_line(line);
    if (!parsed.ok()) continue;
    for (const CommandStage& stage : parsed.stages) {
      // A sound line never yields an empty stage inside a pipe.
      if (parsed.stages.size() > 1) {
        EXPECT_FALSE(stage.words.empty()) << line;
      }
      for (const Redirection& r : stage.redirections) EXPECT_FALSE(r.target.raw.empty()) << line;
    }
  }
}

}  // namespace
}  // namespace kestram
