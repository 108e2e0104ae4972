// Files as the plug-in's actions and the tool use them. Sources are read to their end, whatever
// size the system reports, and a source that changes while it is read is an error. Outputs
// never lose data: a regular file (new or existing, also behind a symlink) is written to a
// temporary file beside it that replaces it only when everything reached the disk; devices,
// FIFOs and the standard streams are written directly and never replaced.
//
// Failures carry the texts users see: Cannot open file "<full path>". <system message>, and the
// same with "create", "read" and "write". Errors name the file the caller gave, never a
// temporary one.
//
// On Windows, names and messages are 8-bit texts in the ANSI code page (the plug-in's host
// speaks it) unless the process switches to UTF-8 (the tool, whose command line is taken in
// wide characters).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace varkesh::platform {

// The four things that can go wrong with a file, as users read them.
enum class FileAction { kOpen, kCreate, kRead, kWrite };

enum class StandardStream { kInput, kOutput };

// "Cannot <open|create|read|write> file "<full path>". <reason>", or for a standard stream
// "Cannot read standard input. <reason>": the one place these texts are built.
class FileError : public std::runtime_error {
 public:
  FileError(FileAction action, const std::string& path, const std::string& reason);
  FileError(FileAction action, StandardStream stream, const std::string& reason);
  // "Cannot read descriptor 3. <reason>"
  FileError(FileAction action, int descriptor, const std::string& reason);
};

// The system's message for an error number (errno, or GetLastError on Windows).
std::string SystemMessage(unsigned long code);

// True when the path names an existing file; a directory does not count. False when nothing is
// there; a name the system cannot look up at all (too long, a folder on the way that may not be
// searched, a loop of links) is a FileError "Cannot open file ...", not a missing file.
bool IsExistingFile(const std::string& path);

std::string FullPath(const std::string& path);

#ifdef _WIN32
// The names a wildcard pattern (* and ? in its last part) matches, in name order, with the
// pattern's folder in front; none when nothing matches.
std::vector<std::string> MatchingNames(const std::string& pattern);
#endif

// Windows: file names, arguments and messages as UTF-8 from now on. Elsewhere names are bytes
// and this does nothing.
void UseUtf8Names();

// Makes sure that descriptors 0, 1 and 2 are open, so that no file opened later takes their
// place; a standard stream found closed is then refused when it is used. Call it first thing.
void GuardStandardStreams();

// How the other programs of the system may use a file while we have it.
enum class Sharing {
  kNothing,  // nobody may read or write it (Windows: share mode 0; elsewhere an exclusive lock)
  kReaders,  // the ordinary way of a command-line tool
};

// Identity of an open file, for telling that two names lead to the same one.
struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  bool known = false;
};

class InputFile final {
 public:
  static InputFile Open(const std::string& path, Sharing sharing);
  static InputFile StandardInput();
  // A descriptor the caller inherited, as a program that starts us hands one over; it stays
  // open.
  static InputFile Descriptor(int number);

  InputFile(InputFile&& other) noexcept : size_(other.size_), state_(other.state_) {
    other.state_ = nullptr;
  }

  InputFile& operator=(InputFile&&) = delete;
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  ~InputFile();

  // Fills the buffer unless the input ends first; returns the count read. At the end, a file
  // that delivered fewer bytes than its size promised, or that changed meanwhile, is an error.
  size_t Read(uint8_t* buffer, size_t count);

  // The size a regular file reports when it was opened; none for pipes and devices.
  std::optional<uint64_t> Size() const { return size_; }

  FileIdentity Identity() const;

  bool IsTerminal() const;

 private:
  struct State;

  explicit InputFile(State* state) : state_(state) {}

  std::optional<uint64_t> size_;
  State* state_;
};

class OutputFile final {
 public:
  // Checks that `path` can be written (not a directory, not write-protected, not `source`)
  // and, for a regular file or a new name, creates the temporary file beside it. Nothing
  // visible changes until Commit.
  static OutputFile Create(const std::string& path,
                           Sharing sharing,
                           const InputFile* source = nullptr);
  static OutputFile StandardOutput();

  OutputFile(OutputFile&& other) noexcept : state_(other.state_) { other.state_ = nullptr; }

  OutputFile& operator=(OutputFile&&) = delete;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  // Without Commit: the temporary file is removed and the destination is as it was.
  ~OutputFile();

  void Write(const uint8_t* buffer, size_t count);
  // Everything written reaches the disk and takes the destination's place (keeping an existing
  // file's permissions), or reaches the device or stream.
  void Commit();

  bool IsTerminal() const;

 private:
  struct State;

  explicit OutputFile(State* state) : state_(state) {}

  State* state_;
};

// Removes the temporary files of every OutputFile not yet committed. Safe to call from a
// signal handler (or, on Windows, a console control handler); the process should end then.
void RemoveTemporaryFiles() noexcept;

// Tests: the next temporary names end in these suffixes, in turn, instead of random ones.
void SetTemporarySuffixesForTesting(std::vector<std::string> suffixes);

}  // namespace varkesh::platform
