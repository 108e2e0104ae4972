// The program's arguments as UTF-8. On Windows the 8-bit arguments are in the ANSI code page,
// which cannot carry every name or text, so they are taken from the wide command line.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varkesh::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

// An environment variable's value as UTF-8 (on Windows read in wide characters, for the same
// reason); nullopt when it is not set.
std::optional<std::string> EnvironmentVariable(const std::string& name);

}  // namespace varkesh::platform
