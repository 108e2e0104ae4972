#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cwchar>

#include "platform/files.h"
#include "platform/files_internal.h"
#include "platform/win32.h"

namespace varkesh::platform {

namespace {

constexpr const char* kIsInput = "It is the input file; choose another output.";
constexpr const char* kChanged = "The file changed while it was read.";

bool utf8_names = false;
bool closed_at_start[2] = {false, false};

UINT NameCodePage() { return utf8_names ? CP_UTF8 : CP_ACP; }

std::wstring Wide(const std::string& text) {
  if (text.empty())
    return {};
  const int n = MultiByteToWideChar(NameCodePage(), 0, text.data(), static_cast<int>(text.size()),
                                    nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(NameCodePage(), 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      n);
  return wide;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty())
    return {};
  const int n = WideCharToMultiByte(NameCodePage(), 0, wide.data(), static_cast<int>(wide.size()),
                                    nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(NameCodePage(), 0, wide.data(), static_cast<int>(wide.size()), text.data(), n,
                      nullptr, nullptr);
  return text;
}

// The path in full, or as it is when it has none.
std::wstring FullWidePath(const std::wstring& path) {
  const DWORD n = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (n == 0)
    return path;
  std::wstring full(n, L'\0');
  const DWORD got = GetFullPathNameW(path.c_str(), n, full.data(), nullptr);
  if (got == 0 || got >= n)
    return path;
  full.resize(got);
  return full;
}

std::string LastErrorText() { return SystemMessage(GetLastError()); }

bool Missing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

std::wstring Folder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  if (slash == std::wstring::npos) {
    // "C:name" lives in the current folder of drive C.
    return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : L".";
  }
  return path.substr(0, slash + 1);
}

std::wstring LastName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/:");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

detail::TemporaryFiles<wchar_t, 1024> temporaries;

uint64_t FileSize(const BY_HANDLE_FILE_INFORMATION& info) {
  return uint64_t{info.nFileSizeHigh} << 32 | info.nFileSizeLow;
}

}  // namespace

std::string SystemMessage(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n != 0 ? Narrow(std::wstring(text, n)) : "Error " + std::to_string(code);
  LocalFree(text);
  while (!message.empty() &&
         (message.back() == '\r' || message.back() == '\n' || message.back() == ' ')) {
    message.pop_back();
  }
  return message;
}

bool IsExistingFile(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(Wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH || error == ERROR_BAD_NET_NAME) {
      return false;
    }
    throw FileError(FileAction::kOpen, path, SystemMessage(error));
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string FullPath(const std::string& path) { return Narrow(FullWidePath(Wide(path))); }

void UseUtf8Names() { utf8_names = true; }

std::vector<std::string> MatchingNames(const std::string& pattern) {
  const std::wstring wide = Wide(pattern);
  const size_t cut = wide.find_last_of(L"\\/:");
  const std::wstring folder = cut == std::wstring::npos ? L"" : wide.substr(0, cut + 1);
  std::vector<std::wstring> found;
  WIN32_FIND_DATAW entry{};
  const HANDLE search = FindFirstFileW(wide.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return {};
  do {
    const std::wstring name = entry.cFileName;
    if (name != L"." && name != L"..")
      found.push_back(name);
  } while (FindNextFileW(search, &entry));
  FindClose(search);
  std::sort(found.begin(), found.end(), [](const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_LESS_THAN;
  });
  std::vector<std::string> names;
  for (const std::wstring& name : found) names.push_back(Narrow(folder + name));
  return names;
}

void GuardStandardStreams() {
  const DWORD ids[2] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE};
  for (int i = 0; i < 2; ++i) {
    const HANDLE h = GetStdHandle(ids[i]);
    closed_at_start[i] = h == nullptr || h == INVALID_HANDLE_VALUE;
  }
  // Data passes the standard streams byte for byte: no end at 0x1A, no line-end rewriting.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

namespace detail {

uint64_t RandomSeed() {
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  return static_cast<uint64_t>(counter.QuadPart) ^ (uint64_t{GetCurrentProcessId()} << 32) ^
         GetTickCount64();
}

}  // namespace detail

// ---------------------------------------------------------------------------------------------
// Sources

struct InputFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool owned = false;
  detail::FileName name;
  bool disk = false;
  BY_HANDLE_FILE_INFORMATION opened{};
  uint64_t promised = 0;
  uint64_t delivered = 0;
  bool ended = false;

  FileError Failure(FileAction action, const std::string& reason) const {
    return name.Failure(action, reason);
  }

  void Examine() {
    disk =
        GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &opened) != 0;
  }

  void CheckEnd() const {
    if (!disk)
      return;
    BY_HANDLE_FILE_INFORMATION now{};
    if (!GetFileInformationByHandle(handle, &now))
      throw Failure(FileAction::kRead, LastErrorText());
    const bool changed = FileSize(now) != FileSize(opened) ||
                         CompareFileTime(&now.ftLastWriteTime, &opened.ftLastWriteTime) != 0;
    if (changed || delivered < promised)
      throw Failure(FileAction::kRead, kChanged);
  }
};

InputFile InputFile::Open(const std::string& path, Sharing sharing) {
  auto* state = new State;
  InputFile file(state);
  state->name.path = path;
  state->owned = true;
  const DWORD share =
      sharing == Sharing::kNothing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  state->handle = CreateFileW(Wide(path).c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (state->handle == INVALID_HANDLE_VALUE)
    throw FileError(FileAction::kOpen, path, LastErrorText());
  state->Examine();
  if (state->disk) {
    state->promised = FileSize(state->opened);
    file.size_ = state->promised;
  }
  return file;
}

InputFile InputFile::StandardInput() {
  if (closed_at_start[0])
    throw FileError(FileAction::kRead, StandardStream::kInput, SystemMessage(ERROR_INVALID_HANDLE));
  auto* state = new State;
  InputFile file(state);
  state->handle = GetStdHandle(STD_INPUT_HANDLE);
  state->Examine();
  if (state->disk) {
    LARGE_INTEGER at{};
    SetFilePointerEx(state->handle, LARGE_INTEGER{}, &at, FILE_CURRENT);
    const uint64_t size = FileSize(state->opened);
    const auto start = static_cast<uint64_t>(at.QuadPart);
    state->promised = start < size ? size - start : 0;
    file.size_ = state->promised;
  }
  return file;
}

InputFile InputFile::Descriptor(int number) {
  auto* state = new State;
  InputFile file(state);
  state->name.descriptor = number;
  const intptr_t handle = number >= 0 ? _get_osfhandle(number) : -1;
  if (handle == -1 || handle == -2 || (number == 0 && closed_at_start[0]))
    throw state->Failure(FileAction::kRead, SystemMessage(ERROR_INVALID_HANDLE));
  state->handle = reinterpret_cast<HANDLE>(handle);
  state->Examine();
  return file;
}

InputFile::~InputFile() {
  if (state_ == nullptr)
    return;
  if (state_->owned && state_->handle != INVALID_HANDLE_VALUE)
    CloseHandle(state_->handle);
  delete state_;
}

size_t InputFile::Read(uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count && !state_->ended) {
    DWORD got = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    if (!ReadFile(state_->handle, buffer + done, want, &got, nullptr)) {
      // A pipe whose writer has gone reports that instead of an end of file.
      if (GetLastError() != ERROR_BROKEN_PIPE)
        throw state_->Failure(FileAction::kRead, LastErrorText());
      got = 0;
    }
    if (got == 0) {
      state_->ended = true;
      state_->CheckEnd();
      break;
    }
    done += got;
    state_->delivered += got;
  }
  return done;
}

FileIdentity InputFile::Identity() const {
  if (!state_->disk)
    return {};
  const BY_HANDLE_FILE_INFORMATION& info = state_->opened;
  return {info.dwVolumeSerialNumber, uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow,
          true};
}

bool InputFile::IsTerminal() const {
  DWORD mode = 0;
  return GetConsoleMode(state_->handle, &mode) != 0;
}

// ---------------------------------------------------------------------------------------------
// Outputs

struct OutputFile::State {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool owned = true;
  detail::FileName name{{}, -1, StandardStream::kOutput};  // as the caller gave it
  bool replace = false;
  std::wstring target;
  std::wstring temporary;
  int slot = -1;
  bool existed = false;
  HANDLE lock = INVALID_HANDLE_VALUE;
  bool committed = false;

  FileError Failure(FileAction action, const std::string& reason) const {
    return name.Failure(action, reason);
  }

  void Replace(const std::wstring& file, bool exists, Sharing sharing) {
    replace = true;
    target = file;
    existed = exists;
    if (exists && sharing == Sharing::kNothing) {
      lock = CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
      if (lock == INVALID_HANDLE_VALUE)
        throw Failure(FileAction::kCreate, LastErrorText());
    }
    const std::wstring folder = Folder(file);
    const bool separator = folder.back() == L'\\' || folder.back() == L'/' || folder.back() == L':';
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::wstring candidate =
          folder + (separator ? L"" : L"\\") + detail::TemporaryName(LastName(file), MAX_PATH - 5);
      handle = CreateFileW(candidate.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        temporary = candidate;
        slot = temporaries.Add(candidate);
        return;
      }
      const DWORD error = GetLastError();
      if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
        throw Failure(FileAction::kCreate, SystemMessage(error));
    }
    throw Failure(FileAction::kCreate, SystemMessage(ERROR_FILE_EXISTS));
  }
};

OutputFile OutputFile::Create(const std::string& path, Sharing sharing, const InputFile* source) {
  auto* state = new State;
  OutputFile file(state);
  state->name.path = path;
  // In full: the replacing works in the destination's folder, which a bare name leaves open.
  const std::wstring wide = FullWidePath(Wide(path));
  // A first look, following links, without asking for any access.
  const HANDLE look =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (look == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (!Missing(error))
      throw state->Failure(FileAction::kCreate, SystemMessage(error));
    // A missing folder is reported when the temporary file cannot be made in it.
    state->Replace(wide, false, sharing);
    return file;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool disk = GetFileType(look) == FILE_TYPE_DISK && GetFileInformationByHandle(look, &info);
  std::wstring target = wide;
  if (disk && (GetFileAttributesW(wide.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    std::wstring final_path(32768, L'\0');
    const DWORD n = GetFinalPathNameByHandleW(look, final_path.data(),
                                              static_cast<DWORD>(final_path.size()), 0);
    if (n != 0 && n < final_path.size()) {
      final_path.resize(n);
      target = final_path;
    }
  }
  CloseHandle(look);
  if (!disk) {
    state->handle = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (state->handle == INVALID_HANDLE_VALUE)
      throw state->Failure(FileAction::kCreate, LastErrorText());
    return file;
  }
  // Folders and write-protected files are refused as the system refuses to open them.
  if ((info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
    throw state->Failure(FileAction::kCreate, SystemMessage(ERROR_ACCESS_DENIED));
  if (source != nullptr) {
    const FileIdentity in = source->Identity();
    if (in.known && in.device == info.dwVolumeSerialNumber &&
        in.inode == (uint64_t{info.nFileIndexHigh} << 32 | info.nFileIndexLow)) {
      throw state->Failure(FileAction::kCreate, sharing == Sharing::kNothing
                                                    ? SystemMessage(ERROR_SHARING_VIOLATION)
                                                    : kIsInput);
    }
  }
  state->Replace(target, true, sharing);
  return file;
}

OutputFile OutputFile::StandardOutput() {
  if (closed_at_start[1]) {
    throw FileError(FileAction::kWrite, StandardStream::kOutput,
                    SystemMessage(ERROR_INVALID_HANDLE));
  }
  auto* state = new State;
  state->handle = GetStdHandle(STD_OUTPUT_HANDLE);
  state->owned = false;
  return OutputFile(state);
}

OutputFile::~OutputFile() {
  if (state_ == nullptr)
    return;
  if (state_->owned && state_->handle != INVALID_HANDLE_VALUE)
    CloseHandle(state_->handle);
  if (state_->lock != INVALID_HANDLE_VALUE)
    CloseHandle(state_->lock);
  if (state_->replace && !state_->committed) {
    DeleteFileW(state_->temporary.c_str());
    temporaries.Drop(state_->slot);
  }
  delete state_;
}

void OutputFile::Write(const uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    DWORD put = 0;
    const DWORD want = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    if (!WriteFile(state_->handle, buffer + done, want, &put, nullptr))
      throw state_->Failure(FileAction::kWrite, LastErrorText());
    done += put;
  }
}

void OutputFile::Commit() {
  State& s = *state_;
  if (s.committed)
    return;
  if (!s.replace) {
    if (s.owned) {
      const HANDLE h = s.handle;
      s.handle = INVALID_HANDLE_VALUE;
      if (!CloseHandle(h))
        throw s.Failure(FileAction::kWrite, LastErrorText());
    }
    s.committed = true;
    return;
  }
  if (!FlushFileBuffers(s.handle))
    throw s.Failure(FileAction::kWrite, LastErrorText());
  const HANDLE h = s.handle;
  s.handle = INVALID_HANDLE_VALUE;
  if (!CloseHandle(h))
    throw s.Failure(FileAction::kWrite, LastErrorText());
  if (s.lock != INVALID_HANDLE_VALUE) {
    CloseHandle(s.lock);
    s.lock = INVALID_HANDLE_VALUE;
  }
  // Replacing keeps the old file's attributes and access rights.
  const bool moved = s.existed
                         ? ReplaceFileW(s.target.c_str(), s.temporary.c_str(), nullptr,
                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr) != 0
                         : MoveFileExW(s.temporary.c_str(), s.target.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!moved)
    throw s.Failure(FileAction::kWrite, LastErrorText());
  s.committed = true;
  temporaries.Drop(s.slot);
}

bool OutputFile::IsTerminal() const {
  DWORD mode = 0;
  return GetConsoleMode(state_->handle, &mode) != 0;
}

void RemoveTemporaryFiles() noexcept {
  // The files are open with delete sharing: they go when the process ends.
  temporaries.RemoveAll([](const wchar_t* path) { DeleteFileW(path); });
}

}  // namespace varkesh::platform
