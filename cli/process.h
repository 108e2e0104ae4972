// The process around the commands: its arguments, standard streams and signals.
#pragma once

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/wipe.h"

namespace varkesh::cli {

// Readies the process and returns its arguments: standard streams guarded (binary on
// Windows), interrupts cleaning up after themselves, and on Windows the command line taken in
// wide characters and file names handled as UTF-8.
std::vector<std::string> PrepareProcess(int argc, char** argv);

// Everything standard input, or another input, holds, to its end.
platform::SecretText ReadStandardInput();
platform::SecretText ReadAll(platform::InputFile& in);

// True once a write to standard output failed.
bool StandardOutputFailed();

// Flushes standard output and turns a failure there into status 1 with a message.
int FinishStandardOutput(int status);

}  // namespace varkesh::cli
