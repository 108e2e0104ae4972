// The plug-in and the varkesh tool read each other's data, for every cipher index and every
// key-hash index: a text encrypted through the plug-in decrypts with `varkesh --text`, and a file
// encrypted by `varkesh` decrypts through the plug-in.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "host/host.h"
#include "tests/test_platform.h"
#include "varkesh/algorithms.h"

namespace varkesh::test {
namespace {

namespace fs = std::filesystem;

int RunCli(const std::string& args) {
  const std::string command = "VARKESH_PASS='matrix pass' " + std::string(VARKESH_CLI) + " " +
                              args + " --passphrase-env VARKESH_PASS";
  return std::system(command.c_str());
}

TEST(Interop, EveryCipherWithEveryKeyHash) {
  host::Host host(VARKESH_PLUGIN);
  host.Identify();
  host.Register();
  const fs::path dir =
      fs::temp_directory_path() / ("varkesh-interop-" + std::to_string(ProcessId()));
  fs::create_directories(dir);
  std::string data(8192 + 1000, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 13 + i / 97);
  std::ofstream(dir / "plain", std::ios::binary) << data;

  for (const CipherEntry& cipher : CipherTable()) {
    for (const HashEntry& key_hash : HashTable()) {
      SCOPED_TRACE(std::string(cipher.class_name) + " / " + std::string(key_hash.class_name));
      const std::string c = std::to_string(cipher.index), k = std::to_string(key_hash.index);

      const host::Outcome enc =
          host.Exec(2, {"Text for the matrix", "V", "matrix pass", c, k, "0"});
      ASSERT_TRUE(enc.result) << enc.error;
      const fs::path text_out = dir / "text";
      ASSERT_EQ(RunCli("decrypt -c " + c + " -k " + k + " --text '" + enc.variables.at(0).second +
                       "' > " + text_out.string()),
                0);
      EXPECT_EQ(ReadFile(text_out), "Text for the matrix");

      ASSERT_EQ(RunCli("encrypt -c " + c + " -k " + k + " " + (dir / "plain").string() + " " +
                       (dir / "cli.enc").string()),
                0);
      const host::Outcome dec = host.Exec(
          1, {(dir / "cli.enc").string(), (dir / "back").string(), "matrix pass", c, k, "1"});
      ASSERT_TRUE(dec.result) << dec.error;
      EXPECT_EQ(ReadFile(dir / "back"), data);
    }
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace varkesh::test
