// What the file actions meet outside the happy path: a full disk, a source that fails, shrinks
// or grows while it is read, a destination that someone else holds or that may not change, a
// run killed halfway, a name too long for the system. Nothing is lost in any of them: the
// source and an existing destination stay as they were, nothing is left where the run could
// clean up, and the message names the file and the reason.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "actions/file_streams.h"
#include "host/host.h"
#include "platform/files.h"
#include "tests/test_platform.h"
#include "varkesh/formats.h"

extern char** environ;

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;
using host::Host;
using host::Outcome;
using platform::FileAction;
using platform::FileError;
using platform::InputFile;
using platform::OutputFile;
using platform::Sharing;

std::string Pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 31 + i / 251) % 255 + 1);
  return s;
}

std::string Quoted(const std::string& what, const std::string& path, int error_number) {
  return "Cannot " + what + " file \"" + path + "\". " + std::strerror(error_number);
}

// A file-size limit for this process, as a full disk looks to a writer: writes beyond it fail
// with EFBIG (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    previous_ = signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, saved_.rlim_max};
    ok_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }

  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previous_);
  }

  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool ok() const { return ok_; }

 private:
  rlimit saved_{};
  sighandler_t previous_;
  bool ok_ = false;
};

// The immutable attribute (needs root and a file system that has it); false when it cannot be
// set.
bool SetImmutable(const fs::path& path, bool on) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0)
    return false;
  int flags = 0;
  bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  if (ok) {
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  }
  close(fd);
  return ok;
}

class Faults : public testing::Test {
 protected:
  void SetUp() override {
    host_.Identify();
    host_.Register();
    dir_ =
        fs::temp_directory_path() / ("varkesh-faults-" + std::to_string(ProcessId()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }

  void TearDown() override {
    SetImmutable(dir_, false);
    for (const auto& entry : fs::directory_iterator(dir_)) SetImmutable(entry.path(), false);
    fs::permissions(dir_, fs::perms::owner_all);
    fs::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }

  // What the folder holds, by name: shows that no temporary file was left behind.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.insert(entry.path().filename().string());
    return names;
  }

  Outcome EncryptFile(const std::string& source, const std::string& destination) {
    return host_.Exec(1, {source, destination, "pw", "0", "2", "0"});
  }

  Host host_{VARKESH_PLUGIN};
  fs::path dir_;
};

TEST_F(Faults, AFullDiskLeavesTheDestinationAsItWas) {
  const std::string data = Pattern(256 * 1024);
  WriteFile(Path("plain"), data);
  WriteFile(Path("out"), "old contents");
  Outcome existing, fresh;
  {
    const FileSizeLimit limit(64 * 1024);
    ASSERT_TRUE(limit.ok());
    existing = EncryptFile(Path("plain"), Path("out"));
    fresh = EncryptFile(Path("plain"), Path("new"));
  }
  EXPECT_FALSE(existing.result);
  EXPECT_EQ(existing.error, Quoted("write", Path("out"), EFBIG));
  EXPECT_FALSE(fresh.result);
  EXPECT_EQ(fresh.error, Quoted("write", Path("new"), EFBIG));
  EXPECT_EQ(ReadFile(Path("out")), "old contents");
  EXPECT_EQ(ReadFile(Path("plain")), data);
  EXPECT_EQ(Names(), (std::set<std::string>{"out", "plain"}));
  // With room again the same call goes through.
  EXPECT_TRUE(EncryptFile(Path("plain"), Path("out")).result);
  EXPECT_EQ(fs::file_size(Path("out")), data.size());
}

// The action's own streams, with something happening to the source once part of it was read:
// a failure, or a change of the file. Sources span several reads of the format's buffers, and
// the reads that meet the change are made on the calling thread or on the second one.
TEST_F(Faults, ASourceThatFailsOrChangesWhileReadLeavesTheDestinationAsItWas) {
  class Meddling final : public ByteReader {
   public:
    Meddling(ByteReader& in, size_t after, std::function<void()> act)
        : in_(in), after_(after), act_(std::move(act)) {}

    size_t Read(uint8_t* buffer, size_t count) override {
      if (act_ && read_ >= after_) {
        std::exchange(act_, nullptr)();
      }
      const size_t n = in_.Read(buffer, count);
      read_ += n;
      return n;
    }

   private:
    ByteReader& in_;
    size_t after_;
    size_t read_ = 0;
    std::function<void()> act_;
  };

  struct Case {
    const char* what;
    std::function<void(const std::string&)> act;
    std::string reason;
  };

  const std::string data = Pattern(2500 * 1000);
  const std::string kChanged = "The file changed while it was read.";
  const Case cases[] = {
      {"read error",
       [](const std::string& path) { throw FileError(FileAction::kRead, path, "I/O error"); },
       "I/O error"},
      {"truncated", [](const std::string& path) { fs::resize_file(path, 1000); }, kChanged},
      {"grown", [](const std::string& path) { std::ofstream(path, std::ios::app) << "more"; },
       kChanged},
  };
  using FileIo = PassPhraseCipher::FileIo;
  for (const Case& c : cases) {
    for (const int cipher : {0, 12, 16}) {  // 64-bit and 128-bit blocks, and the stream cipher
      for (const FileIo io : {FileIo::kThisThread, FileIo::kSecondThread}) {
        WriteFile(Path("plain"), data);
        WriteFile(Path("out"), "old contents");
        try {
          InputFile in = InputFile::Open(Path("plain"), Sharing::kNothing);
          OutputFile out = OutputFile::Create(Path("out"), Sharing::kNothing, &in);
          SourceStream source(in);
          Meddling reader(source, 1500 * 1000, [&] { c.act(Path("plain")); });
          DestinationStream writer(out);
          PassPhraseCipher(cipher, 2, "pw").EncryptFileStream(reader, writer, io);
          out.Commit();
          ADD_FAILURE() << c.what << " went unnoticed";
        } catch (const FileError& e) {
          EXPECT_EQ(std::string(e.what()),
                    "Cannot read file \"" + Path("plain") + "\". " + c.reason)
              << c.what;
        }
        EXPECT_EQ(ReadFile(Path("out")), "old contents") << c.what;
        EXPECT_EQ(Names(), (std::set<std::string>{"out", "plain"})) << c.what;
      }
    }
  }
}

TEST_F(Faults, ADestinationHeldOrProtectedIsRefusedUntouched) {
  WriteFile(Path("plain"), "data");
  WriteFile(Path("out"), "old contents");
  {
    const HeldOpen held(Path("out"));
    ASSERT_TRUE(held.ok());
    const Outcome o = EncryptFile(Path("plain"), Path("out"));
    EXPECT_FALSE(o.result);
    EXPECT_EQ(o.error,
              "Cannot create file \"" + Path("out") + "\". " + SystemText(SystemError::kInUse));
  }
  EXPECT_EQ(ReadFile(Path("out")), "old contents");

  // A destination that may not change, or a folder that takes no new file: the immutable
  // attribute where we may set it (root), else a folder without write permission.
  int protected_error = EACCES;
  if (SetImmutable(Path("out"), true)) {
    const Outcome o = EncryptFile(Path("plain"), Path("out"));
    EXPECT_FALSE(o.result);
    EXPECT_EQ(o.error, Quoted("create", Path("out"), EPERM));
    SetImmutable(Path("out"), false);
    ASSERT_TRUE(SetImmutable(dir_, true));
    protected_error = EPERM;
  } else {
    fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
  }
  const Outcome o = EncryptFile(Path("plain"), Path("new"));
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error, Quoted("create", Path("new"), protected_error));
  SetImmutable(dir_, false);
  fs::permissions(dir_, fs::perms::owner_all);
  EXPECT_EQ(ReadFile(Path("out")), "old contents");
  EXPECT_EQ(Names(), (std::set<std::string>{"out", "plain"}));
}

// The host ends while the action writes: the old destination survives, and only the temporary
// file is left, which the next run does not mind.
TEST_F(Faults, AHostKilledHalfwayLeavesTheDestinationAsItWas) {
  const std::string data = Pattern(48 << 20);
  WriteFile(Path("plain"), data);
  WriteFile(Path("out"), "old contents");
  const std::string tool = VARKESH_HOST_TOOL, plugin = VARKESH_PLUGIN;
  const std::string source = Path("plain"), destination = Path("out");
  std::vector<const char*> argv = {tool.c_str(),
                                   "--plugin",
                                   plugin.c_str(),
                                   "exec",
                                   "1",
                                   source.c_str(),
                                   destination.c_str(),
                                   "pw",
                                   "0",
                                   "2",
                                   "0",
                                   nullptr};
  pid_t pid = 0;
  ASSERT_EQ(
      posix_spawn(&pid, tool.c_str(), nullptr, nullptr, const_cast<char**>(argv.data()), environ),
      0);
  const auto writing = [&] {
    for (const std::string& name : Names()) {
      std::error_code ec;  // the file may go meanwhile
      if (name.starts_with(".out.varkesh-") && fs::file_size(dir_ / name, ec) > 0 && !ec)
        return true;
    }
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!writing() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFSIGNALED(status))
    GTEST_SKIP() << "the run ended before it could be interrupted";
  EXPECT_EQ(ReadFile(Path("out")), "old contents");
  EXPECT_EQ(ReadFile(Path("plain")), data);
  EXPECT_TRUE(EncryptFile(Path("plain"), Path("out")).result);
  EXPECT_EQ(fs::file_size(Path("out")), data.size());
}

// A name the system cannot even look up is an error that says so, not a missing file.
TEST_F(Faults, ANameTooLongForTheSystemIsAClearError) {
  std::string deep = dir_.string();
  while (deep.size() <= 4096) deep += "/folder";
  for (const std::string& name : {Path(std::string(300, 'n')), deep + "/plain"}) {
    const Outcome cipher = EncryptFile(name, Path("out"));
    EXPECT_FALSE(cipher.result);
    EXPECT_EQ(cipher.error, Quoted("open", name, ENAMETOOLONG));
    const Outcome hash = host_.Exec(3, {name, "V", "0"});
    EXPECT_FALSE(hash.result);
    EXPECT_EQ(hash.error, Quoted("open", name, ENAMETOOLONG));
  }
  EXPECT_TRUE(Names().empty());
}

}  // namespace
}  // namespace varkesh::test
