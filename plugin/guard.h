// Runs an export's work so that no exception leaves the export.
#pragma once

#include <stdexcept>
#include <string>

namespace varkesh::plugin {

// The message of the last error caught by Guarded; cleared when a guarded call succeeds.
const std::string& LastError();

// Reports an error to the author: an error message box on Windows (see ErrorBoxText); its
// message kept for LastError always.
void ReportError(const std::exception& error);
void ClearError();

template <class Work>
bool Guarded(Work&& work) noexcept {
  try {
    ClearError();
    return work();
  } catch (const std::exception& e) {
    ReportError(e);
  } catch (...) {
    ReportError(std::runtime_error("Unknown error"));
  }
  return false;
}

}  // namespace varkesh::plugin
