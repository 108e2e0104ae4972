// The file format over a source that hands its bytes out in fuzzer-chosen pieces and may fail
// on one of its reads, written the way the file action writes: to a file that replaces the
// destination when everything is through. Whatever the pieces, the destination then holds what
// one read of the whole source gives; after a failure it holds its old contents and nothing is
// left beside it.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "actions/file_streams.h"
#include "fuzz/check.h"
#include "platform/files.h"
#include "varkesh/algorithms.h"
#include "varkesh/formats.h"
#include "varkesh/io.h"

namespace {

namespace fs = std::filesystem;
using varkesh::platform::FileAction;
using varkesh::platform::FileError;

constexpr uint8_t kFail = 0xFF;
constexpr const char* kOldContents = "the destination as it was";

// A piece code: up to 128 bytes one by one, or steps of 509 bytes (which never meet the
// format's 8192-byte chunks evenly); 0xFF fails the read.
class PiecewiseReader final : public varkesh::ByteReader {
 public:
  PiecewiseReader(const std::string& bytes, std::vector<uint8_t> pieces)
      : bytes_(bytes), pieces_(std::move(pieces)) {}

  size_t Read(uint8_t* buffer, size_t count) override {
    size_t n = count;
    if (!pieces_.empty()) {
      const uint8_t code = pieces_[next_++ % pieces_.size()];
      if (code == kFail) {
        failed_ = true;
        throw FileError(FileAction::kRead, "source", "Input/output error");
      }
      n = code < 0x80 ? code + 1u : (code - 0x7Fu) * 509u;
    }
    n = std::min({n, count, bytes_.size() - at_});
    std::copy_n(bytes_.data() + at_, n, buffer);
    at_ += n;
    return n;
  }

  bool failed() const { return failed_; }

 private:
  const std::string& bytes_;
  std::vector<uint8_t> pieces_;
  size_t next_ = 0;
  size_t at_ = 0;
  bool failed_ = false;
};

// A folder of this process's own, in memory where the system has one, so that the flushes
// before each rename cost nothing; removed when the run ends.
class Scratch {
 public:
  Scratch() {
    const fs::path shm = "/dev/shm";
    std::error_code ec;
    const fs::path base = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
    folder_ = base / ("varkesh-fuzz-file-" + std::to_string(getpid()));
    fs::create_directories(folder_);
  }

  ~Scratch() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }

  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const fs::path& folder() const { return folder_; }

 private:
  fs::path folder_;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

size_t Entries(const fs::path& folder) {
  return static_cast<size_t>(
      std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

// Keyed ciphers are kept between inputs: every file starts from the freshly keyed state, so an
// object that served before must give what a new one gives.
varkesh::PassPhraseCipher& Keyed(int cipher, int key_hash, int pass_phrase) {
  static const std::array<std::string, 4> kPassPhrases = {
      "", "secret", "correct horse battery staple", std::string(300, 'p')};
  static std::map<std::tuple<int, int, int>, std::unique_ptr<varkesh::PassPhraseCipher>> keyed;
  auto& slot = keyed[{cipher, key_hash, pass_phrase}];
  if (!slot) {
    slot = std::make_unique<varkesh::PassPhraseCipher>(
        cipher, key_hash, kPassPhrases[static_cast<size_t>(pass_phrase)]);
  }
  return *slot;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch;
  FuzzedDataProvider input(data, size);
  varkesh::PassPhraseCipher& cipher =
      Keyed(input.ConsumeIntegralInRange(0, 18), input.ConsumeIntegralInRange(0, 9),
            input.ConsumeIntegralInRange(0, 3));
  const bool encrypt = input.ConsumeBool();
  const auto sharing = input.ConsumeBool() ? varkesh::platform::Sharing::kNothing
                                           : varkesh::platform::Sharing::kReaders;
  // Now and then the source grows to a few bytes around the end of its first or second chunk,
  // where the format's 8192-byte pieces meet; everything shorter the fuzzer reaches by itself.
  // Sources that long cost time that short ones spend better, so there are no longer ones.
  const uint8_t grow = input.ConsumeIntegral<uint8_t>();
  const std::vector<uint8_t> pieces =
      input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 16));
  std::string source = input.ConsumeRemainingBytesAsString();
  if (grow >= 0xF0) {
    const size_t chunks = grow >= 0xF8 ? 2 : 1;
    const size_t length = chunks * varkesh::kStreamChunk + (grow & 7u) * 5u - 17u;
    const size_t seed = source.size();
    if (seed < length) {
      source.resize(length);
      for (size_t i = seed; i < length; ++i)
        source[i] = static_cast<char>((seed == 0 ? 0 : source[i % seed]) ^ (i >> 8));
    }
  }

  varkesh::MemoryReader whole(source);
  varkesh::StringWriter one_shot;
  const uint64_t n = encrypt ? cipher.EncryptFileStream(whole, one_shot)
                             : cipher.DecryptFileStream(whole, one_shot);
  FUZZ_CHECK(n == source.size() && one_shot.bytes().size() == source.size());

  const fs::path destination = scratch.folder() / "destination";
  std::ofstream(destination, std::ios::binary | std::ios::trunc) << kOldContents;
  PiecewiseReader reader(source, pieces);
  try {
    auto out = varkesh::platform::OutputFile::Create(destination.string(), sharing);
    varkesh::DestinationStream writer(out);
    const uint64_t written = encrypt ? cipher.EncryptFileStream(reader, writer)
                                     : cipher.DecryptFileStream(reader, writer);
    FUZZ_CHECK(written == source.size());
    out.Commit();
  } catch (const FileError& e) {
    // Only the source's own failure, told as it was raised.
    FUZZ_CHECK(reader.failed());
    FUZZ_CHECK(std::string(e.what()).starts_with("Cannot read file \""));
  }
  FUZZ_CHECK(ReadFile(destination) ==
             (reader.failed() ? std::string(kOldContents) : one_shot.bytes()));
  FUZZ_CHECK(Entries(scratch.folder()) == 1);
  return 0;
}
