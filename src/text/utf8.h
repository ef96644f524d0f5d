// UTF-8 validity, the test that decides how the page declares a document's
// bytes.
#pragma once

#include <string_view>

namespace kestram {

// Whether `text` is valid UTF-8: every sequence in its shortest form, no
// surrogate halves, nothing above U+10FFFF, none cut off at the end. A line
// end never lies inside a sequence, so a text is valid exactly when each of
// its lines is.
bool is_valid_utf8(std::string_view text);

}  // namespace kestram
