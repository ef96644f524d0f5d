#include "page_encoding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "indexer_run.h"
#include "support/temp_dir.h"

namespace kestram::lexpage {
namespace {

TEST(PageEncoding, DeclaredEncoding) {
  struct Case {
    const char* head;
    PageEncoding encoding;
  };
  const PageEncoding utf8 = PageEncoding::kUtf8;
  const PageEncoding latin = PageEncoding::kWindows1252;
  for (const Case& c : std::initializer_list<Case>{
           {"<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=windows-1252\">", latin},
           {"<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=UTF-8\">", utf8},
           {"<META CHARSET=\"Windows-1252\">", latin},
           {"<meta charset='iso-8859-1'>", latin},
           {"<meta charset=latin1>", latin},
           {"<meta charset=cp1252;x>", latin},
           {"<meta charset=windows-1250>", utf8},  // another code page is not read
           {"<meta charset=windows-12520>", utf8},
           {"<p>no declaration</p>", utf8},
           {"<body>charset=windows-1252", utf8},  // text of the body declares nothing
       })
    EXPECT_EQ(c.encoding, declared_encoding(std::string("<html><head>") + c.head)) << c.head;
}

TEST(PageEncoding, Windows1252PageReadsAsUtf8) {
  const std::string page =
      "<meta CONTENT=\"text/html; charset=windows-1252\">\r\n<body>\xC9" "cart \x80 \x9F \xFF \x81 x</body>";
  EXPECT_EQ("<meta CONTENT=\"text/html; charset=UTF-8\">\r\n<body>\xC3\x89" "cart \xE2\x82\xAC \xC5\xB8 \xC3\xBF "
            "\xC2\x81 x</body>",
            page_in_utf8(page));
  // A UTF-8 page stays byte for byte, invalid bytes included.
  const std::string utf8 = "<meta charset=UTF-8><body>\xC9" "cart</body>";
  EXPECT_EQ(utf8, page_in_utf8(utf8));
}

// A Latin-1 page of the main program: "Écart" is one word, indexed and
// shown in UTF-8 on every page the indexer writes.
TEST(PageEncoding, IndexOfALatin1Page) {
  kestram::testing::TempDir dir;
  std::filesystem::create_directories(dir.path() / "htm_in");
  kestram::testing::write_file(
      dir.file("htm_in/p_indent.htm"),
      "<html>\r\n<head>\r\n<meta HTTP-EQUIV=\"content-type\" CONTENT=\"text/html; charset=windows-1252\">\r\n"
      "</head>\r\n<body>\r\n<pre>\r\n<span style=\"color:blue\"; ID=\"1.\"><b>1. \xC9" "cart</b></span>\r\n"
      "\xC9" "cart d\xE9j\xE0\r\n</pre>\r\n</body>\r\n</html>\r\n");
  RunOutcome outcome = run_indexer(dir.path(), Request{}, RunOptions{});
  ASSERT_TRUE(outcome.ok) << outcome.message;
  EXPECT_NE(std::string::npos, outcome.message.find("4 words, 3 different words")) << outcome.message;
  const std::string entries = kestram::testing::read_file(dir.file("htm_out/i_other.htm"));
  EXPECT_NE(std::string::npos, entries.find("<b>\xC3\x89" "cart</b> (2)")) << entries;
  const std::string page1 = kestram::testing::read_file(dir.file("htm_out/page1.htm"));
  EXPECT_NE(std::string::npos, page1.find("charset=UTF-8")) << page1;
  EXPECT_NE(std::string::npos, page1.find(">d\xC3\xA9j\xC3\xA0</w>")) << page1;
}

}  // namespace
}  // namespace kestram::lexpage
