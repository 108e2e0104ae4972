// The program's arguments as UTF-8. On Windows the 8-bit arguments are in the ANSI code page,
// which cannot carry every name or text, so they are taken from the wide command line.
#pragma once

#include <string>
#include <vector>

namespace varkesh::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace varkesh::platform
