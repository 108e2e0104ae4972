#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/files.h"
#include "platform/files_internal.h"

namespace varkesh::platform {

namespace {

// Another holder of the lock, or the source itself as destination: the situation Windows
// reports as a sharing violation.
constexpr const char* kInUse = "The file is being used by another process.";
constexpr const char* kIsInput = "It is the input file; choose another output.";
constexpr const char* kChanged = "The file changed while it was read.";

bool closed_at_start[3] = {false, false, false};

std::string Reason(int error_number) { return std::strerror(error_number); }

detail::TemporaryFiles<char, PATH_MAX> temporaries;

// Keeps the usual signals away while a temporary file is created and registered, so that
// none can end the process between the two and leave the file behind.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &saved_);
  }

  ~SignalsHeld() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }

  SignalsHeld(const SignalsHeld&) = delete;
  SignalsHeld& operator=(const SignalsHeld&) = delete;

 private:
  sigset_t saved_;
};

mode_t CreationMask() {
  static const mode_t mask = [] {
    const mode_t m = umask(022);
    umask(m);
    return m;
  }();
  return mask;
}

std::string Folder(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// procfs and sysfs: their entries are not files that a rename could replace, and the
// descriptors under /proc/<pid>/fd stand for what the process already has open.
bool OnPseudoFileSystem(const std::string& folder) {
  struct statfs info {};

  if (statfs(folder.c_str(), &info) != 0)
    return false;
  constexpr long kProc = 0x9fa0, kSys = 0x62656572;
  return info.f_type == kProc || info.f_type == kSys;
}

// The descriptor number when `path` is one of our own /proc/<pid>/fd entries (which
// /dev/stdout and /dev/fd/N lead to), else -1.
int OwnDescriptor(const std::string& path) {
  char* resolved = realpath(Folder(path).c_str(), nullptr);
  if (resolved == nullptr)
    return -1;
  const std::string folder = resolved;
  std::free(resolved);
  const std::string own = "/proc/" + std::to_string(getpid()) + "/";
  if (folder.rfind(own, 0) != 0 || folder.size() < 3 || folder.substr(folder.size() - 3) != "/fd")
    return -1;
  const std::string name = LastName(path);
  if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos || name.size() > 9)
    return -1;
  return std::stoi(name);
}

void IgnoreResult(int) {}

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

std::string SystemMessage(unsigned long code) { return Reason(static_cast<int>(code)); }

bool IsExistingFile(const std::string& path) {
  struct stat info {};

  if (stat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR)
      return false;
    throw FileError(FileAction::kOpen, path, Reason(errno));
  }
  return !S_ISDIR(info.st_mode);
}

std::string FullPath(const std::string& path) {
  std::error_code ec;
  const auto full = std::filesystem::absolute(path, ec);
  return ec ? path : full.lexically_normal().string();
}

void UseUtf8Names() {}

void GuardStandardStreams() {
  for (int fd = 0; fd < 3; ++fd) {
    if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
      // The lowest free number is this one, since the lower ones are open by now. Opened the
      // wrong way round, it fails every read or write as the closed stream would have.
      closed_at_start[fd] = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY) == fd;
    }
  }
}

namespace detail {

uint64_t RandomSeed() {
  uint64_t seed = 0;
  if (getentropy(&seed, sizeof(seed)) != 0)
    seed = static_cast<uint64_t>(getpid()) << 32;
  return seed;
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Sources

struct InputFile::State {
  int fd = -1;
  bool owned = false;
  detail::FileName name;

  struct stat opened {};

  uint64_t promised = 0;  // bytes from the starting position to the reported end
  uint64_t delivered = 0;
  bool ended = false;

  FileError Failure(FileAction action, const std::string& reason) const {
    return name.Failure(action, reason);
  }

  // A regular file must have delivered what its size promised and be as it was when opened.
  // Files of procfs and sysfs report sizes their contents do not have; they take no disk
  // blocks, and no disk file delivers less than its size without changing.
  void CheckEnd() const {
    if (!S_ISREG(opened.st_mode))
      return;

    struct stat now {};

    if (fstat(fd, &now) != 0)
      throw Failure(FileAction::kRead, Reason(errno));
    const bool changed = now.st_size != opened.st_size || !SameTime(now.st_mtim, opened.st_mtim) ||
                         !SameTime(now.st_ctim, opened.st_ctim);
    const bool short_read = delivered < promised && opened.st_blocks != 0;
    if (changed || short_read)
      throw Failure(FileAction::kRead, kChanged);
  }
};

InputFile InputFile::Open(const std::string& path, Sharing sharing) {
  auto* state = new State;
  InputFile file(state);
  state->name.path = path;
  state->owned = true;
  state->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (state->fd < 0)
    throw FileError(FileAction::kOpen, path, Reason(errno));
  if (fstat(state->fd, &state->opened) != 0)
    throw FileError(FileAction::kOpen, path, Reason(errno));
  if (S_ISDIR(state->opened.st_mode))
    throw FileError(FileAction::kOpen, path, Reason(EISDIR));
  if (sharing == Sharing::kNothing && flock(state->fd, LOCK_EX | LOCK_NB) != 0)
    throw FileError(FileAction::kOpen, path, errno == EWOULDBLOCK ? kInUse : Reason(errno));
  file.size_ = S_ISREG(state->opened.st_mode)
                   ? std::optional<uint64_t>(static_cast<uint64_t>(state->opened.st_size))
                   : std::nullopt;
  state->promised = file.size_.value_or(0);
  return file;
}

InputFile InputFile::StandardInput() {
  if (closed_at_start[0])
    throw FileError(FileAction::kRead, StandardStream::kInput, Reason(EBADF));
  auto* state = new State;
  InputFile file(state);
  state->fd = 0;
  if (fstat(0, &state->opened) != 0)
    throw FileError(FileAction::kRead, StandardStream::kInput, Reason(errno));
  file.size_ = std::nullopt;
  if (S_ISREG(state->opened.st_mode)) {
    // Redirected from a file, perhaps after the shell or a caller already read part of it.
    const off_t at = lseek(0, 0, SEEK_CUR);
    const auto size = static_cast<uint64_t>(state->opened.st_size);
    const uint64_t start = at > 0 ? static_cast<uint64_t>(at) : 0;
    state->promised = start < size ? size - start : 0;
    file.size_ = state->promised;
  }
  return file;
}

InputFile InputFile::Descriptor(int number) {
  auto* state = new State;
  InputFile file(state);
  state->name.descriptor = number;
  state->fd = number;
  if (number < 0 || (number < 3 && closed_at_start[number]) || fstat(number, &state->opened) != 0)
    throw state->Failure(FileAction::kRead, Reason(EBADF));
  if (S_ISDIR(state->opened.st_mode))
    throw state->Failure(FileAction::kRead, Reason(EISDIR));
  return file;
}

InputFile::~InputFile() {
  if (state_ == nullptr)
    return;
  if (state_->owned && state_->fd >= 0)
    close(state_->fd);
  delete state_;
}

size_t InputFile::Read(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count && !state_->ended) {
    const ssize_t got = read(state_->fd, buffer + done, count - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      throw state_->Failure(FileAction::kRead, Reason(errno));
    if (got == 0) {
      state_->ended = true;
      state_->CheckEnd();
      break;
    }
    done += static_cast<size_t>(got);
    state_->delivered += static_cast<uint64_t>(got);
  }
  return done;
}

FileIdentity InputFile::Identity() const {
  return {static_cast<uint64_t>(state_->opened.st_dev),
          static_cast<uint64_t>(state_->opened.st_ino), true};
}

bool InputFile::IsTerminal() const { return isatty(state_->fd) != 0; }

// ---------------------------------------------------------------------------------------------
// Outputs

struct OutputFile::State {
  int fd = -1;
  bool owned = true;
  detail::FileName name{{}, -1, StandardStream::kOutput};  // as the caller gave it
  // When a regular file is replaced:
  bool replace = false;
  std::string target;  // the file that is replaced (the end of any symlinks)
  std::string temporary;
  int slot = -1;
  bool existed = false;

  struct stat old {};

  int lock = -1;
  bool committed = false;

  FileError Failure(FileAction action, const std::string& reason) const {
    return name.Failure(action, reason);
  }

  void Direct(const std::string& file) {
    const int own = OwnDescriptor(file);
    if (own >= 0) {
      if (own < 3 && closed_at_start[own])
        throw Failure(FileAction::kCreate, Reason(EBADF));
      fd = fcntl(own, F_DUPFD_CLOEXEC, 3);
    } else {
      fd = open(file.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    }
    if (fd < 0)
      throw Failure(FileAction::kCreate, Reason(errno));
  }

  void Replace(const std::string& file, const struct stat* existing, Sharing sharing) {
    replace = true;
    target = file;
    if (existing != nullptr) {
      existed = true;
      old = *existing;
      // A write-protected file is refused even where the permission check would let us (root).
      if (access(file.c_str(), W_OK) != 0)
        throw Failure(FileAction::kCreate, Reason(errno));
      if ((old.st_mode & 0222) == 0)
        throw Failure(FileAction::kCreate, Reason(EACCES));
      if (sharing == Sharing::kNothing) {
        lock = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (lock >= 0 && flock(lock, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
          throw Failure(FileAction::kCreate, kInUse);
      }
    }
    const std::string folder = Folder(file);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string candidate = folder + "/" + detail::TemporaryName(LastName(file), NAME_MAX);
      const SignalsHeld held;
      fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd >= 0) {
        temporary = candidate;
        slot = temporaries.Add(candidate);
        return;
      }
      if (errno != EEXIST)
        throw Failure(FileAction::kCreate, Reason(errno));
    }
    throw Failure(FileAction::kCreate, Reason(EEXIST));
  }
};

OutputFile OutputFile::Create(const std::string& path, Sharing sharing, const InputFile* source) {
  auto* state = new State;
  OutputFile file(state);
  state->name.path = path;
  if (path.empty() || path.back() == '/')
    throw state->Failure(FileAction::kCreate, Reason(path.empty() ? ENOENT : EISDIR));
  std::string at = path;
  for (int links = 0;; ++links) {
    if (links > 40)
      throw state->Failure(FileAction::kCreate, Reason(ELOOP));

    struct stat info {};

    if (lstat(at.c_str(), &info) != 0) {
      if (errno != ENOENT)
        throw state->Failure(FileAction::kCreate, Reason(errno));
      state->Replace(at, nullptr, sharing);
      break;
    }
    if (OnPseudoFileSystem(Folder(at))) {
      state->Direct(at);
      break;
    }
    if (S_ISLNK(info.st_mode)) {
      std::string link(PATH_MAX, '\0');
      const ssize_t n = readlink(at.c_str(), link.data(), link.size());
      if (n < 0)
        throw state->Failure(FileAction::kCreate, Reason(errno));
      link.resize(static_cast<size_t>(n));
      at = link.front() == '/' ? link : Folder(at) + "/" + link;
      continue;
    }
    if (S_ISDIR(info.st_mode))
      throw state->Failure(FileAction::kCreate, Reason(EISDIR));
    if (!S_ISREG(info.st_mode)) {
      state->Direct(at);
      break;
    }
    if (source != nullptr) {
      const FileIdentity in = source->Identity();
      if (in.known && in.device == static_cast<uint64_t>(info.st_dev) &&
          in.inode == static_cast<uint64_t>(info.st_ino)) {
        throw state->Failure(FileAction::kCreate, sharing == Sharing::kNothing ? kInUse : kIsInput);
      }
    }
    state->Replace(at, &info, sharing);
    break;
  }
  return file;
}

OutputFile OutputFile::StandardOutput() {
  if (closed_at_start[1])
    throw FileError(FileAction::kWrite, StandardStream::kOutput, Reason(EBADF));
  auto* state = new State;
  state->fd = 1;
  state->owned = false;
  return OutputFile(state);
}

OutputFile::~OutputFile() {
  if (state_ == nullptr)
    return;
  if (state_->owned && state_->fd >= 0)
    close(state_->fd);
  if (state_->replace && !state_->committed) {
    unlink(state_->temporary.c_str());
    temporaries.Drop(state_->slot);
  }
  if (state_->lock >= 0)
    close(state_->lock);
  delete state_;
}

void OutputFile::Write(const uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    const ssize_t put = write(state_->fd, buffer + done, count - done);
    if (put < 0 && errno == EINTR)
      continue;
    if (put < 0)
      throw state_->Failure(FileAction::kWrite, Reason(errno));
    done += static_cast<size_t>(put);
  }
}

void OutputFile::Commit() {
  State& s = *state_;
  if (s.committed)
    return;
  if (!s.replace) {
    if (s.owned) {
      const int fd = s.fd;
      s.fd = -1;
      if (close(fd) != 0)
        throw s.Failure(FileAction::kWrite, Reason(errno));
    }
    s.committed = true;
    return;
  }
  if (s.existed) {
    // Owner first: a change of owner clears the set-id bits that the mode then restores.
    // Where the owner cannot be given back the file stays ours, with the old mode; where not
    // even that can be set, the temporary file's 0600 stands.
    if (fchown(s.fd, s.old.st_uid, s.old.st_gid) != 0)
      IgnoreResult(fchown(s.fd, static_cast<uid_t>(-1), s.old.st_gid));
    IgnoreResult(fchmod(s.fd, s.old.st_mode & 07777));
  } else {
    IgnoreResult(fchmod(s.fd, 0666 & ~CreationMask()));
  }
  if (fsync(s.fd) != 0)
    throw s.Failure(FileAction::kWrite, Reason(errno));
  const int fd = s.fd;
  s.fd = -1;
  if (close(fd) != 0)
    throw s.Failure(FileAction::kWrite, Reason(errno));
  if (rename(s.temporary.c_str(), s.target.c_str()) != 0)
    throw s.Failure(FileAction::kWrite, Reason(errno));
  s.committed = true;
  temporaries.Drop(s.slot);
  // The rename itself reaches the disk with the folder.
  const int folder = open(Folder(s.target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
}

bool OutputFile::IsTerminal() const { return state_->fd >= 0 && isatty(state_->fd) != 0; }

void RemoveTemporaryFiles() noexcept {
  temporaries.RemoveAll([](const char* path) { unlink(path); });
}

}  // namespace varkesh::platform
