// The character encoding a page declares, and its words read in it.
//
// A page is read as UTF-8 unless it declares a single-byte Latin encoding in
// the charset of its content-type line; such a page is converted to UTF-8
// before it is scanned, so its words, the index pages and the copy of the
// page all hold the same characters.
#pragma once

#include <string>
#include <string_view>

namespace kestram::lexpage {

enum class PageEncoding { kUtf8, kWindows1252 };

// The encoding named by the first "charset=" before the page's body (in any
// letter case; the name may be quoted). windows-1252 for "windows-1252",
// "cp1252", "iso-8859-1" and "latin1", which browsers all read as
// windows-1252; UTF-8 for any other name and when there is none.
PageEncoding declared_encoding(std::string_view page);

// The page in UTF-8: a windows-1252 page converted byte by byte, with the
// name in its declaration replaced by "UTF-8"; any other page as it is.
std::string page_in_utf8(std::string page);

}  // namespace kestram::lexpage
