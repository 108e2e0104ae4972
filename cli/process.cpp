#include "cli/process.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/commands.h"
#include "cli/terminal.h"
#include "platform/arguments.h"
#include "platform/files.h"

#ifdef _WIN32
#  include "platform/win32.h"
#endif

namespace varkesh::cli {

namespace {

#ifdef _WIN32

UINT saved_output_code_page = 0;

BOOL WINAPI OnConsoleEvent(DWORD) {
  RestoreTerminal();
  platform::RemoveTemporaryFiles();
  return FALSE;  // and the default handler ends the process
}

void RestoreConsole() {
  if (saved_output_code_page != 0)
    SetConsoleOutputCP(saved_output_code_page);
}

#else

// Ends the process as the signal would have, after putting the terminal back and removing
// any temporary output file.
void OnEndingSignal(int signal_number) {
  RestoreTerminal();
  platform::RemoveTemporaryFiles();
  raise(signal_number);  // the handler was reset on entry
}

void CleanUpOn(int signal_number) {
  struct sigaction current {};

  sigaction(signal_number, nullptr, &current);
  if (current.sa_handler == SIG_IGN)
    return;  // nohup and the like: the caller wants this signal ignored

  struct sigaction action {};

  action.sa_handler = OnEndingSignal;
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  sigaction(signal_number, &action, nullptr);
}

#endif

}  // namespace

std::vector<std::string> PrepareProcess(int argc, char** argv) {
  platform::GuardStandardStreams();
#ifdef _WIN32
  platform::UseUtf8Names();
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  // Names and messages are UTF-8; the console shows them as such while we run.
  DWORD mode = 0;
  if (GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) ||
      GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode)) {
    saved_output_code_page = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);
    std::atexit(RestoreConsole);
  }
#else
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ})
    CleanUpOn(signal_number);
#endif
  return platform::CommandLineArguments(argc, argv);
}

platform::SecretText ReadStandardInput() {
  platform::InputFile in = platform::InputFile::StandardInput();
  return ReadAll(in);
}

platform::SecretText ReadAll(platform::InputFile& in) {
  platform::SecretText all;
  all.value().reserve(64 * 1024);
  char buffer[16 * 1024];
  while (const size_t got = in.Read(reinterpret_cast<uint8_t*>(buffer), sizeof(buffer)))
    all.Append(buffer, got);
  platform::Wipe(buffer, sizeof(buffer));
  return all;
}

bool StandardOutputFailed() { return std::ferror(stdout) != 0 || !std::cout; }

int FinishStandardOutput(int status) {
  errno = 0;
  std::cout.flush();
  const bool flushed = std::fflush(stdout) == 0;
  const int flush_error = errno;
  const bool failed = !flushed || StandardOutputFailed();
  // A closed descriptor also reports errors of writing that only the close can see.
  const bool closed = std::fclose(stdout) == 0;
  if (!failed && closed)
    return status;
  const int error = flush_error != 0 ? flush_error : errno != 0 ? errno : EIO;
  ReportError(platform::FileError(platform::FileAction::kWrite, platform::StandardStream::kOutput,
                                  std::strerror(error))
                  .what());
  return status != 0 ? status : 1;
}

}  // namespace varkesh::cli
