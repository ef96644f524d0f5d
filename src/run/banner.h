// The banner with the terms of use, and the console and installation notes.
#pragma once

#include <string_view>

#include "run/dialogue.h"

namespace kestram {

// Prints the banner and asks for the terms of use: "1" goes on, "2" ends.
Flow show_terms_of_use(Console& console, std::string_view started_path);

// Prints the console and installation notes: "1" goes on, "2" ends.
Flow show_console_notes(Console& console);

}  // namespace kestram
