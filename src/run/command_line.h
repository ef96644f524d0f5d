// Composing command lines for the command interpreter.
#pragma once

#include <string>
#include <string_view>

namespace kestram {

// A file name as one word of a command line: enclosed in double quotes, so
// blanks and characters such as & | < > ; ( ) can never split it or run,
// pipe or redirect anything. A double quote inside the name is doubled.
std::string quoted(std::string_view file_name);

}  // namespace kestram
