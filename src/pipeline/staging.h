// Outputs made under temporary names in their final directory, and put in
// place, each by one rename, once all of them are complete.
//
// The temporary names lie in a private directory of the run inside the final
// directory, so runs that share a directory never share a file, and the
// final names never show a part of an output: a run that fails or is stopped
// half way leaves every old output as it was (a run killed outright also
// leaves its private directory behind, named .kestram-*).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestram {

class Staging {
 public:
  // Makes the private directory in `final_dir` ("" is the current
  // directory); error() tells why it could not be made.
  explicit Staging(std::filesystem::path final_dir);
  // Removes the private directory with everything still in it.
  ~Staging();
  Staging(const Staging&) = delete;
  Staging& operator=(const Staging&) = delete;

  const std::string& error() const { return error_; }

  // Where the output named `name` is made, and where it is put in the end.
  std::string staged(std::string_view name) const;
  std::string final_path(std::string_view name) const;

  // Puts each output of `names` that was made in its place, in that order,
  // and appends its final path to `placed`. Stops at the first that cannot be
  // placed: returns "cannot write PATH: reason", or "" when all were placed.
  std::string put_in_place(const std::vector<std::string>& names, std::vector<std::string>& placed);

 private:
  std::filesystem::path final_dir_;
  std::filesystem::path private_dir_;
  std::string error_;
};

// What stands in the way of an output at `path`: "Is a directory" or "not a
// plain file" (a pipe, a device), or "" when an output can take its place.
std::string in_the_way(const std::string& path);

}  // namespace kestram
