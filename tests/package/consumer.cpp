// A program outside the tree, built against an installed Varkesh with only its public headers:
// hashes a text, and decrypts a string the plug-in wrote.
#include <varkesh/algorithms.h>
#include <varkesh/formats.h>
#include <varkesh/version.h>

#include <cstdio>

int main() {
  const std::string sum = varkesh::HashSum(varkesh::HashByName("md5"), "abc");
  std::printf("varkesh %s: MD5(\"abc\") = %s\n", varkesh::Version(), sum.c_str());
  if (sum != "900150983CD24FB0D6963F7D28E17F72")
    return 1;
  varkesh::PassPhraseCipher cipher(varkesh::CipherByName("serpent"), varkesh::HashByName("sha256"),
                                   "correct horse");
  const std::string secret = cipher.EncryptString("Meet me at noon");
  return cipher.DecryptString(secret) == "Meet me at noon" ? 0 : 1;
}
