// The rules that rows of the examples ("input -> result") are given for: a
// rule turns an input, in the notation of the examples, into its result, in
// the directory of the run.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace kestram::examples {

using Texts = std::vector<std::string>;
Texts split(const std::string& text, const std::string& separator);
std::string join(const Texts& parts, const std::string& separator);

using Rule = std::function<std::string(const std::string& input, const std::filesystem::path& dir)>;
const std::map<std::string, Rule>& rules();

}  // namespace kestram::examples
