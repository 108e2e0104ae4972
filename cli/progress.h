// The line of the progress bar: what is done, how fast, and how long the rest will take, fitted
// to the terminal's width.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace varkesh::cli {

// `label` [#####     ]  45%  12.3 MiB/s  0:07 left
// in at most `width` - 1 columns (the last one would wrap on some terminals). The label gives
// way first, keeping its end; rate and time left appear once `seconds` is long enough to tell.
std::string ProgressLine(
    const std::string& label, uint64_t done, uint64_t size, double seconds, size_t width);

// Columns a UTF-8 text takes, one per character.
size_t Columns(const std::string& text);

}  // namespace varkesh::cli
