#include "text/text.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kestram {
namespace {

// The plain definition: the first position where the needle matches,
// letters compared without regard to case.
std::size_t find_lower_by_definition(std::string_view text, std::string_view needle) {
  for (std::size_t at = 0; at + needle.size() <= text.size(); ++at)
    if (starts_with_lower(text.substr(at), needle)) return at;
  return std::string_view::npos;
}

TEST(FindLower, AgreesWithTheDefinitionOnRandomTexts) {
  // Few distinct bytes, so near misses and repeated candidates are common.
  const std::string alphabet = "hHtTpP:/fFiIlLeE< >bB\x1a\x80";
  const std::string needles[] = {"http", "file:///", "</b>", "<b>", "h", "tt", "<!doctype html"};
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    std::string text(random() % 200, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    for (const std::string& needle : needles)
      ASSERT_EQ(find_lower_by_definition(text, needle), find_lower(text, needle)) << text << " / " << needle;
  }
}

TEST(TrimBlanks, AgreesWithTheDefinitionOnRandomTexts) {
  // Runs of blanks of every length at both ends, and bytes that are one bit
  // away from a blank.
  std::mt19937 random(13);
  const char kOthers[] = {'a', '\0', '!', '0', '\xa0', '\t'};
  for (int round = 0; round < 5000; ++round) {
    const std::size_t lead = random() % 40;
    const std::size_t trail = random() % 12;
    std::string middle(random() % 30, ' ');
    for (char& c : middle) c = random() % 3 == 0 ? ' ' : kOthers[random() % sizeof kOthers];
    const std::string text = std::string(lead, ' ') + middle + std::string(trail, ' ');
    const std::size_t first = text.find_first_not_of(' ');
    ASSERT_EQ(first == std::string::npos ? text.size() : first, leading_blanks(text)) << text;
    const std::size_t last = text.find_last_not_of(' ');
    const std::string expected = first == std::string::npos ? "" : text.substr(first, last - first + 1);
    ASSERT_EQ(expected, trim_blanks(text)) << text;
  }
}

}  // namespace
}  // namespace kestram
