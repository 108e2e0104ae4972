// Rijndael on processors without AES instructions: our SSSE3 kernel ("aes-N-ssse3:<op>") and our
// word-table form ("aes-N-table:<op>"), on the same buffers as the AES rows. OpenSSL reads its
// processor features once, from the environment, so its code without AES instructions is
// measured in a run of its own, where it joins these rows:
//
//   OPENSSL_ia32cap='~0x200000000000000' bench/compare.py --filter 'ssse3|table'
//
// (bit 57 of the capability vector is AES-NI; OpenSSL then runs its vector-permute or bit-sliced
// code). Without that variable the rows have our figures alone.
#include <cstdlib>

#include "bench/bench.h"
#include "bench/peers.h"
#include "crypto/detail/cpu.h"

namespace varkesh::bench {

namespace {

// Ours with the processor features narrowed to `features` during each call, so that the other
// rows, interleaved with these, keep every path.
MakeWork OnFeatures(MakeWork make, detail::CpuFeatures features) {
  if (!make)
    return {};
  return [make, features]() -> Work {
    Work work = make();
    return [work, features](uint8_t* data, size_t size) {
      const detail::ScopedCpuFeatures use(features);
      work(data, size);
    };
  };
}

}  // namespace

void AddAesPathRows() {
  const detail::CpuFeatures available = detail::AvailableCpuFeatures();
  if ((available & detail::kCpuSsse3) == 0)
    return;
  const bool openssl_masked = std::getenv("OPENSSL_ia32cap") != nullptr;

  const struct {
    const char* name;
    detail::CpuFeatures features;
  } paths[] = {{"ssse3", available & ~detail::CpuFeatures{detail::kCpuAes}}, {"table", 0}};

  const struct {
    Op op;
    size_t bytes;
  } ops[] = {
      {Op::kCbcEncrypt, 8192}, {Op::kCbcDecrypt, 8192}, {Op::kCtr, 8192}, {Op::kCfb8Encrypt, 64}};

  for (const unsigned bits : {128u, 256u}) {
    const std::vector<uint8_t> key = TestBytes(bits / 8, 7);
    for (const auto& path : paths) {
      for (const auto& o : ops) {
        std::vector<Contender> contenders{
            {"varkesh", OnFeatures(OurCipher("Rijndael", key, o.op), path.features)}};
        if (openssl_masked)
          contenders.push_back({"OpenSSL", OpenSslPeer().cipher("aes", o.op, key)});
        std::string row = "aes-" + std::to_string(bits) + "-" + path.name + ":";
        row.append(OpName(o.op));
        if (o.bytes != 8192)
          row.append("@").append(std::to_string(o.bytes));
        AddRow(row, o.bytes, std::move(contenders));
      }
    }
  }
}

}  // namespace varkesh::bench
