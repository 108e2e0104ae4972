// The one runner for the known-answer vector files under tests/vectors/. Adding a vector is a
// data change only; each record becomes one test case named after its section and line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "tests/cpu_paths.h"
#include "tests/test_platform.h"
#include "tests/test_streams.h"
#include "tests/vector_file.h"
#include "varkesh/algorithms.h"
#include "varkesh/base64.h"
#include "varkesh/formats.h"
#include "varkesh/hex.h"

#ifndef _WIN32
#  include <sys/wait.h>
#endif

namespace varkesh::test {
namespace {

std::string RecordName(const testing::TestParamInfo<VectorRecord>& info) {
  return info.param.Name();
}

// ---------------------------------------------------------------------------------------------
// Hashes: [Class name]  In, Out, optional Repeat (In is fed that many times).

class HashVectors : public testing::TestWithParam<VectorRecord> {
 protected:
  std::unique_ptr<Hash> MakeHash() {
    const HashEntry* entry = FindHash(GetParam().section);
    return entry != nullptr ? entry->cls->create() : nullptr;
  }

  void CheckDigest();

  std::vector<uint8_t> Digest(Hash& hash) {
    std::vector<uint8_t> digest(hash.DigestBytes());
    hash.Final(digest.data());
    return digest;
  }
};

// Every record runs on every kernel tier the machine has, the portable code included.
TEST_P(HashVectors, Digest) {
  ForEachCpuPath([this] { CheckDigest(); });
}

void HashVectors::CheckDigest() {
  const VectorRecord& record = GetParam();
  const auto hash = MakeHash();
  ASSERT_NE(hash, nullptr) << record;
  const std::vector<uint8_t> in = record.Bytes("In");
  const std::vector<uint8_t> expected = record.Bytes("Out");
  const uint64_t repeat = record.Has("Repeat") ? record.Number("Repeat") : 1;

  // Twice in a row on one object, so that Final's wipe leaves nothing behind for the next Init.
  for (int round = 0; round < 2; ++round) {
    hash->Init();
    for (uint64_t i = 0; i < repeat; ++i) hash->Update(in.data(), in.size());
    EXPECT_EQ(Digest(*hash), expected) << record;
  }
  if (repeat != 1 || in.size() > 300)
    return;

  // Every split into two pieces, with an empty update between them.
  for (size_t split = 0; split <= in.size(); ++split) {
    hash->Init();
    hash->Update(in.data(), split);
    hash->Update(in.data() + split, 0);
    hash->Update(in.data() + split, in.size() - split);
    ASSERT_EQ(Digest(*hash), expected) << record << " split at " << split;
  }
  // Byte by byte.
  hash->Init();
  for (const uint8_t byte : in) hash->Update(&byte, 1);
  EXPECT_EQ(Digest(*hash), expected) << record << " byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         HashVectors,
                         testing::ValuesIn(LoadVectors("hash", {"In", "Out"}, {"Repeat"})),
                         RecordName);

// ---------------------------------------------------------------------------------------------
// Block ciphers, one block: [Class name]  Key, In, Out, optional KeyBits (default: all of Key).
// Also decrypts back, works in place, and refuses after Wipe.

class BlockVectors : public testing::TestWithParam<VectorRecord> {
 protected:
  void CheckBlock();
};

TEST_P(BlockVectors, OneBlock) {
  ForEachCpuPath([this] { CheckBlock(); });
}

void BlockVectors::CheckBlock() {
  const VectorRecord& record = GetParam();
  const CipherEntry* entry = FindCipher(record.section);
  ASSERT_NE(entry, nullptr) << record;
  const std::unique_ptr<Cipher> cipher = entry->cls->create();
  auto& block_cipher = dynamic_cast<BlockCipher&>(*cipher);

  const std::vector<uint8_t> key = record.Bytes("Key");
  const std::vector<uint8_t> in = record.Bytes("In");
  const std::vector<uint8_t> expected = record.Bytes("Out");
  const auto key_bits =
      static_cast<uint32_t>(record.Has("KeyBits") ? record.Number("KeyBits") : key.size() * 8);
  ASSERT_EQ(in.size() * 8, static_cast<size_t>(block_cipher.BlockSize())) << record;

  block_cipher.Init(key.data(), key_bits);
  std::vector<uint8_t> out(in.size());
  block_cipher.EncryptBlock(in.data(), out.data());
  EXPECT_EQ(out, expected) << record << " encrypt";
  block_cipher.DecryptBlock(expected.data(), out.data());
  EXPECT_EQ(out, in) << record << " decrypt";

  out = in;
  block_cipher.EncryptBlock(out.data(), out.data());
  EXPECT_EQ(out, expected) << record << " encrypt in place";
  block_cipher.DecryptBlock(out.data(), out.data());
  EXPECT_EQ(out, in) << record << " decrypt in place";

  block_cipher.Wipe();
  EXPECT_THROW(block_cipher.EncryptBlock(in.data(), out.data()), BlockCipherError);
  EXPECT_THROW(block_cipher.DecryptBlock(in.data(), out.data()), BlockCipherError);
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         BlockVectors,
                         testing::ValuesIn(LoadVectors("block", {"Key", "In", "Out"}, {"KeyBits"})),
                         RecordName);

// ---------------------------------------------------------------------------------------------
// Base64: [Encode] checks both directions, [Decode] only decoding.

class Base64Vectors : public testing::TestWithParam<VectorRecord> {};

TEST_P(Base64Vectors, Codec) {
  const VectorRecord& record = GetParam();
  const std::string in = record.Text("In");
  const std::string out = record.Text("Out");
  if (record.section == "Encode") {
    EXPECT_EQ(EncodeBase64Text(in), out) << record;
    EXPECT_EQ(DecodeBase64Text(out), in) << record;
  } else {
    EXPECT_EQ(DecodeBase64Text(in), out) << record;
  }
}

INSTANTIATE_TEST_SUITE_P(Vectors,
                         Base64Vectors,
                         testing::ValuesIn(LoadVectors("base64", {"In", "Out"})),
                         RecordName);

// ---------------------------------------------------------------------------------------------
// The string and file formats: [String] or [File] with Cipher and KeyHash (the cipher actions'
// indices), PassPhrase, In and Out. A string's Out is the Base64 text; an Out written
// sha256(...) gives the digest of an output too long to write out. Every record is checked in
// both directions through the library, and a sample through the plug-in's exports and the
// command-line tool.

using Bytes = std::vector<uint8_t>;

struct FormatCase {
  bool file;
  int cipher;
  int key_hash;
  std::string phrase;
  Bytes in;
};

FormatCase ReadFormatCase(const VectorRecord& record) {
  return {record.section == "File", static_cast<int>(record.Number("Cipher")),
          static_cast<int>(record.Number("KeyHash")), record.Text("PassPhrase"),
          record.Bytes("In")};
}

// Whether `got` is the record's Out, written out or as its digest.
testing::AssertionResult IsOut(const VectorRecord& record, const Bytes& got) {
  const std::optional<Bytes> digest = record.Sha256("Out");
  const std::string text(got.begin(), got.end());
  if (digest) {
    const std::string sum = HashSum(HashByName("sha256"), text);
    if (sum == ToHex(*digest))
      return testing::AssertionSuccess();
    return testing::AssertionFailure() << "SHA-256 " << sum << " instead of " << ToHex(*digest);
  }
  if (got == record.Bytes("Out"))
    return testing::AssertionSuccess();
  const bool base64 = record.section == "String";
  return testing::AssertionFailure() << (base64 ? "\"" + text + "\"" : ToHex(got)) << " instead of "
                                     << record.values.find("Out")->second;
}

Bytes ToBytes(std::string_view s) { return {s.begin(), s.end()}; }

std::string ToString(const Bytes& b) { return {b.begin(), b.end()}; }

using FileIo = PassPhraseCipher::FileIo;

Bytes LibraryFile(PassPhraseCipher& cipher, bool encrypt, const Bytes& in, FileIo io) {
  MemoryReader reader(in, 5000);  // short reads: the format must not depend on them
  MemoryWriter writer;
  const uint64_t n = encrypt ? cipher.EncryptFileStream(reader, writer, io)
                             : cipher.DecryptFileStream(reader, writer, io);
  EXPECT_EQ(n, in.size());
  return writer.data;
}

class FormatVectors : public testing::TestWithParam<VectorRecord> {};

TEST_P(FormatVectors, BothWaysThroughTheLibrary) {
  const VectorRecord& record = GetParam();
  const FormatCase c = ReadFormatCase(record);
  PassPhraseCipher cipher(c.cipher, c.key_hash, c.phrase);
  // One object for both directions and twice over: every operation starts from the key. Files
  // are read and written on the calling thread, then on a second one.
  for (const FileIo io : {FileIo::kThisThread, FileIo::kSecondThread}) {
    const Bytes out = c.file ? LibraryFile(cipher, true, c.in, io)
                             : ToBytes(cipher.EncryptString(ToString(c.in)));
    ASSERT_TRUE(IsOut(record, out)) << record << " encrypt";
    const Bytes back =
        c.file ? LibraryFile(cipher, false, out, io) : ToBytes(cipher.DecryptString(ToString(out)));
    ASSERT_EQ(back, c.in) << record << " decrypt";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Vectors,
    FormatVectors,
    testing::ValuesIn(LoadVectors("formats", {"Cipher", "KeyHash", "PassPhrase", "In", "Out"})),
    RecordName);

// The sample for the tools: strings longer than a 64-bit block, short enough to be written out,
// that cross the host as texts (no zero byte); files of one chunk and one byte.
std::vector<VectorRecord> ToolSample(int key_hash = -1) {
  std::vector<VectorRecord> sample;
  for (const VectorRecord& record :
       LoadVectors("formats", {"Cipher", "KeyHash", "PassPhrase", "In", "Out"})) {
    const Bytes in = record.Bytes("In");
    const bool text_ok =
        in.size() > 8 && !record.Sha256("Out") && std::find(in.begin(), in.end(), 0) == in.end();
    if (key_hash >= 0 && record.Number("KeyHash") != static_cast<uint64_t>(key_hash))
      continue;
    if (record.section == "File" ? in.size() == 8193 : text_ok)
      sample.push_back(record);
  }
  return sample;
}

// The tools are public so that a test can name them as pointers to members.
class FormatVectorsThroughTools : public testing::TestWithParam<VectorRecord> {
 public:
  static void SetUpTestSuite() {
    host_ = new host::Host(VARKESH_PLUGIN);
    host_->Identify();
    host_->Register();
    dir_ =
        std::filesystem::temp_directory_path() / ("varkesh-formats-" + std::to_string(ProcessId()));
    std::filesystem::create_directories(dir_);
  }

  static void TearDownTestSuite() {
    delete host_;
    host_ = nullptr;
    std::filesystem::remove_all(dir_);
  }

  // Action 2 (string) or 1 (file), direction 0 or 1, on `in`; what the action gave.
  Bytes Plugin(const FormatCase& c, bool encrypt, const Bytes& in) {
    const std::string way = encrypt ? "0" : "1";
    const std::string cipher = std::to_string(c.cipher), hash = std::to_string(c.key_hash);
    if (!c.file) {
      const host::Outcome o = host_->Exec(2, {ToString(in), "V", c.phrase, cipher, hash, way});
      EXPECT_TRUE(o.result) << o.error;
      return o.variables.empty() ? Bytes{} : ToBytes(o.variables[0].second);
    }
    const std::filesystem::path src = dir_ / "plugin-in", dst = dir_ / "plugin-out";
    WriteFile(src, ToString(in));
    const host::Outcome o =
        host_->Exec(1, {src.string(), dst.string(), c.phrase, cipher, hash, way});
    EXPECT_TRUE(o.result) << o.error;
    return ToBytes(ReadFile(dst));
  }

#ifndef _WIN32
  // varkesh encrypt/decrypt on `in`; what it wrote (for strings without the line end).
  Bytes Cli(const FormatCase& c, bool encrypt, const Bytes& in) {
    WriteFile(dir_ / "phrase", c.phrase);
    WriteFile(dir_ / "cli-in", ToString(in));
    std::string command = "cd '" + dir_.string() + "' && '" VARKESH_CLI "' " +
                          (encrypt ? "encrypt" : "decrypt") + " -c " + std::to_string(c.cipher) +
                          " -k " + std::to_string(c.key_hash) +
                          " --passphrase-file phrase --empty-passphrase --code-page raw ";
    command += c.file ? "cli-in cli-out" : "--text - <cli-in >cli-out";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::string out = ReadFile(dir_ / "cli-out");
    if (!c.file && encrypt && out.ends_with('\n'))
      out.pop_back();
    return ToBytes(out);
  }
#endif

  using Tool = Bytes (FormatVectorsThroughTools::*)(const FormatCase&, bool, const Bytes&);

  // The record's input through `tool` must give Out, and Out back the input.
  void CheckBothWays(Tool tool) {
    const VectorRecord& record = GetParam();
    const FormatCase c = ReadFormatCase(record);
    const Bytes out = (this->*tool)(c, true, c.in);
    ASSERT_TRUE(IsOut(record, out)) << record << " encrypt";
    EXPECT_EQ((this->*tool)(c, false, out), c.in) << record << " decrypt";
  }

  static host::Host* host_;
  static std::filesystem::path dir_;
};

host::Host* FormatVectorsThroughTools::host_ = nullptr;
std::filesystem::path FormatVectorsThroughTools::dir_;

TEST_P(FormatVectorsThroughTools, PluginExports) {
  CheckBothWays(&FormatVectorsThroughTools::Plugin);
}

#ifndef _WIN32
class FormatVectorsThroughCli : public FormatVectorsThroughTools {};

TEST_P(FormatVectorsThroughCli, CommandLine) { CheckBothWays(&FormatVectorsThroughTools::Cli); }
#endif

INSTANTIATE_TEST_SUITE_P(Vectors,
                         FormatVectorsThroughTools,
                         testing::ValuesIn(ToolSample()),
                         RecordName);

#ifndef _WIN32
// A process per call: the tool takes the part of the sample keyed with SHA-512 (every cipher).
INSTANTIATE_TEST_SUITE_P(Vectors,
                         FormatVectorsThroughCli,
                         testing::ValuesIn(ToolSample(8)),
                         RecordName);
#endif

}  // namespace
}  // namespace varkesh::test
