// Documents of two organisational units handed off one after another
// through the program's own hand-off: the indexer keeps them all in its
// library and indexes them together.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace kestram {
namespace {

namespace fs = std::filesystem;
using testing::read_file;
using testing::write_file;

std::string document(const std::string& own_word) {
  return "Report of the " + own_word + " office\n\n"
         "1. Harbour\nThe harbour is open; " + own_word + " counts it.\n\n"
         "1.1 Quays\nEvery quay of the harbour is checked.\n";
}

// Where a word's entry leads in each document: the page and the anchor of
// its first occurrence, and the count, by the document's name.
struct Place {
  std::string page;
  std::string anchor;
  int count;
};

class Library : public ::testing::Test {
 protected:
  void SetUp() override { testing::install_into(dir_.path().string()); }
  std::string file(const std::string& name) const { return dir_.file(name); }
  std::string out(const std::string& name) const { return read_file(file("lexpage/htm_out/" + name)); }

  // Converts the document with the unit code and hands it off; waits until
  // the indexer, which runs on by itself, has taken its page in and ended.
  void hand_off(const std::string& base, const std::string& unit) {
    testing::run_kestram_on(dir_.path().string(), base + ".txt", "\n" "y\n" + unit + "\n" "1" "x");
    const std::string page = read_file(file(base + "_indent.htm"));
    const fs::path lexpage = dir_.path() / "lexpage";
    for (int i = 0; i < 600; ++i) {
      if (read_file(file("lexpage/htm_out/library/" + base + "_indent.htm")) == page &&
          !fs::exists(lexpage / "htm_out.new") && !fs::exists(lexpage / "htm_out.old"))
        return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ADD_FAILURE() << "the indexer did not take in " << base << "_indent.htm";
  }

  long listed() {
    const std::string listing = lexpage({"--list"}).output;
    return std::count(listing.begin(), listing.end(), '\n');
  }

  testing::ProgramResult lexpage(const std::vector<std::string>& arguments) {
    const std::string folder = file("lexpage");
    return testing::run_program_in(folder, folder + "/lexpage_1_0.exe", arguments, "");
  }

  std::map<std::string, Place> places_of(const std::string& word) {
    std::map<std::string, Place> places;
    const std::string page = out("i_" + word.substr(0, 1) + ".htm");
    std::size_t at = page.find("<p class=\"w\" id=\"" + word + "\">");
    const std::size_t end = page.find("<p class=\"w\"", at + 1);
    const std::string document_start = "<p class=\"d\"><a href=\"";
    while (at != std::string::npos && (at = page.find(document_start, at + 1)) < end) {
      const std::size_t name = page.find('>', at + document_start.size()) + 1;
      const std::size_t link = page.find("<a href=\"", page.find("<pre>", at)) + 9;
      const std::string target = page.substr(link, page.find('"', link) - link);
      places[page.substr(name, page.find('<', name) - name)] =
          Place{target.substr(0, target.find('#')), target.substr(target.find('#') + 1),
                std::stoi(page.substr(page.find("</a> (", name) + 6))};
    }
    return places;
  }

  // The word of an anchor in a page.
  std::string word_at(const Place& place) {
    const std::string page = out(place.page);
    const std::size_t open = page.find("<w id=" + place.anchor + ">");
    if (open == std::string::npos) return "";
    const std::size_t word = page.find('>', open) + 1;
    return page.substr(word, page.find("</w>", word) - word);
  }

  testing::TempDir dir_;
};

TEST_F(Library, DocumentsOfTwoUnitsAreIndexedTogether) {
  write_file(file("albatross.txt"), document("albatross"));
  write_file(file("quokka.txt"), document("quokka"));
  write_file(file("zebu.txt"), document("zebu"));
  hand_off("albatross", "HR");
  hand_off("quokka", "HR");
  hand_off("zebu", "FIN");

  EXPECT_EQ("page1.htm", lexpage({"--list"}).output.substr(0, 9));
  EXPECT_EQ(3, listed());
  const std::string index = out("index1.htm");
  EXPECT_NE(std::string::npos, index.find("quokka_indent.htm</a></td><td class=\"n\">2</td><td class=\"n\">43</td>"
                                          "<td>HR</td>"))
      << index;
  EXPECT_NE(std::string::npos, index.find("zebu_indent.htm</a></td><td class=\"n\">2</td><td class=\"n\">43</td>"
                                          "<td>FIN</td>"));

  // The common word leads into each document, onto the word itself.
  std::map<std::string, Place> harbour = places_of("harbour");
  ASSERT_EQ(3u, harbour.size());
  for (const auto& [name, place] : harbour) {
    EXPECT_EQ(4, place.count) << name;  // the contents, the heading, the text twice
    EXPECT_EQ("harbour", [&] {
      std::string word = word_at(place);
      for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      return word;
    }()) << name;
    const std::string own = name.substr(0, name.find('_'));
    EXPECT_EQ(read_file(file(own + "_indent.htm")).size(),
              read_file(file("lexpage/htm_out/library/" + name)).size());
    EXPECT_NE(std::string::npos, out(place.page).find(">" + own + "</w>")) << name << " is not in " << place.page;
  }

  // Converted again: the same page, the new counts.
  write_file(file("albatross.txt"), document("albatross") + "The harbour has a walrus.\n");
  hand_off("albatross", "HR");
  harbour = places_of("harbour");
  EXPECT_EQ(5, harbour["albatross_indent.htm"].count);
  EXPECT_EQ("page1.htm", harbour["albatross_indent.htm"].page);
  EXPECT_EQ(1u, places_of("walrus").size());
  EXPECT_EQ(3, listed());

  // Removed: its words leave every index page.
  EXPECT_EQ(0, lexpage({"--remove", "quokka_indent.htm"}).exit_status);
  EXPECT_EQ(2u, places_of("harbour").size());
  EXPECT_EQ(0u, places_of("harbour").count("quokka_indent.htm"));
  EXPECT_FALSE(fs::exists(dir_.path() / "lexpage/htm_out/i_q.htm") &&
               out("i_q.htm").find("id=\"quokka\"") != std::string::npos);
  EXPECT_EQ(std::string::npos, out("search_words.js").find("quokka"));
}

}  // namespace
}  // namespace kestram
