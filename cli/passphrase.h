// Where the pass phrase comes from: an environment variable, the first line of a file or of an
// inherited descriptor, or the terminal; never the command line, never the data streams.
#pragma once

#include "cli/commands.h"
#include "platform/wipe.h"

namespace varkesh::cli {

// `data_on_stdin`: the data comes from standard input, so the pass phrase may not.
platform::SecretText ReadPassPhrase(const CipherOptions& options, bool data_on_stdin);

}  // namespace varkesh::cli
