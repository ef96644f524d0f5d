#include "run/command_line.h"

#include <gtest/gtest.h>

#include "platform/command_line.h"

namespace kestram {
namespace {

// A name placed in a command line comes back from the interpreter's parser as
// one word, exactly the name, whatever it holds.
TEST(CommandWord, EveryNameParsesBackAsOneWord) {
  struct Case {
    const char* name;
    const char* word;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"Report.txt", "Report.txt"},
           {"lexpage\\lexpage_1_0.exe", "lexpage\\lexpage_1_0.exe"},
           {"my notes.txt", "\"my notes.txt\""},
           {"a&b|c<d>e;f%g!h^i(j)k.txt", "\"a&b|c<d>e;f%g!h^i(j)k.txt\""},
           {"say \"hi\".txt", "\"say \"\"hi\"\".txt\""},
           {"\xc3\xa4rger.txt", "\"\xc3\xa4rger.txt\""},
       }) {
    EXPECT_EQ(c.word, command_word(c.name));
    ParsedCommandLine parsed = parse_command_line("copy " + command_word(c.name) + " sour_in.txt > out.list");
    ASSERT_TRUE(parsed.ok()) << c.name;
    ASSERT_EQ(1u, parsed.stages.size()) << c.name;
    ASSERT_EQ(3u, parsed.stages[0].words.size()) << c.name;
    EXPECT_EQ(c.name, parsed.stages[0].words[1].text);
  }
}

}  // namespace
}  // namespace kestram
