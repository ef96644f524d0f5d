// Composing command lines for the command interpreter.
#pragma once

#include <string>
#include <string_view>

namespace kestram {

// A file name as one word of a command line: enclosed in double quotes, so
// blanks and characters such as & | < > ; ( ) can never split it or run,
// pipe or redirect anything. A double quote inside the name is doubled.
std::string quoted(std::string_view file_name);

// A file name as one word of a command line, enclosed in double quotes only
// when it holds a byte other than a letter, a digit, ".", "_", "-" or "\", so the
// command lines of ordinary names read exactly as typed at a prompt.
std::string command_word(std::string_view file_name);

}  // namespace kestram
