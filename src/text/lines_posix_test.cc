// Line files where something else than a plain file stands under the name.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "support/temp_dir.h"
#include "text/lines.h"

namespace kestram {
namespace {

TEST(LinesOnSpecialFiles, PipesAndDevicesAreNeverOpened) {
  testing::TempDir dir;
  const std::string pipe = dir.file("pipe.txt");
  ASSERT_EQ(0, mkfifo(pipe.c_str(), 0600));
  // Opening either side of a pipe without a partner would block for ever;
  // an endless device would never give its first line end.
  for (const std::string& path : {pipe, std::string("/dev/zero"), dir.path().string()}) {
    LineReader reader(path);
    EXPECT_FALSE(reader.is_open()) << path;
    std::string_view line;
    EXPECT_FALSE(reader.next(line)) << path;
  }
  LineWriter writer(pipe);
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ("not a plain file", writer.error());
  EXPECT_FALSE(writer.close());

  LineWriter in_the_way(dir.path().string());
  EXPECT_EQ("Is a directory", in_the_way.error());
}

}  // namespace
}  // namespace kestram
