// Fixed texts that name this product and its companions.
#pragma once

#include <string_view>

namespace kestram {

// The build name shown in the banner, whatever the executable is called.
inline constexpr std::string_view kProgramName = "kestram_01_358.exe";
// What --version prints.
inline constexpr std::string_view kVersionLine = "kestram 01.358";
inline constexpr std::string_view kProductAddress = "https://kestram.example/";
inline constexpr std::string_view kConvertcpAddress = "https://kestram.example/convertcp";
inline constexpr std::string_view kWgetAddress = "https://www.gnu.org/software/wget/manual/";
inline constexpr std::string_view kAuthorshipLine = "Written by the kestram developers, 2026";

}  // namespace kestram
