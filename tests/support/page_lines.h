// Expected output of the page writers: lines ending in CR LF, and the tag
// that opens every table on the page.
#pragma once

#include <initializer_list>
#include <string>

namespace kestram::testing {

// The lines one after another, each ended with CR LF.
inline std::string lines(std::initializer_list<std::string> items) {
  std::string text;
  for (const std::string& item : items) text += item + "\r\n";
  return text;
}

inline constexpr const char* kTableTag = "<table style=\"font-size:100%\" align=\"center\" border=\"1\">";

}  // namespace kestram::testing
