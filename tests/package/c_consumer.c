/* A C program outside the tree, built against an installed Varkesh (through CMake or through
   pkg-config): decrypts a string the plug-in wrote and hashes a text through the C API. */
#include <stdio.h>
#include <string.h>
#include <varkesh/varkesh.h>

int main(void) {
  /* Rijndael keyed with MD5 of a code-page 1251 pass phrase; the plaintext holds a zero byte. */
  static const char phrase[] = "\xEF\xE0\xF0\xEE\xEB\xFC";
  static const char secret[] = "XdJfiCUo7yXZ4z9xJVCkzaM=";
  static const unsigned char expected[] = {0x22, 0x84, 0x06, 0xf2, 0x00, 0x89, 0x6f, 0xbd, 0xa0,
                                           0xc6, 0x23, 0x86, 0x82, 0xb1, 0x74, 0x15, 0x41};
  unsigned char plain[64];
  size_t size = sizeof plain;
  char hex[129];
  size_t hex_size = sizeof hex;
  const int cipher = varkesh_cipher_index("rijndael");
  const int key_hash = varkesh_hash_index("MD5");
  if (varkesh_decrypt_string(cipher, key_hash, phrase, strlen(phrase), secret, strlen(secret),
                             plain, &size) != VARKESH_OK ||
      size != sizeof expected || memcmp(plain, expected, size) != 0) {
    fprintf(stderr, "decryption failed: %s\n", varkesh_last_error());
    return 1;
  }
  if (varkesh_hash(key_hash, "abc", 3, hex, &hex_size) != VARKESH_OK ||
      strcmp(hex, "900150983CD24FB0D6963F7D28E17F72") != 0) {
    fprintf(stderr, "hash failed: %s\n", varkesh_last_error());
    return 1;
  }
  printf("varkesh %s from C: decrypted %zu bytes, MD5(\"abc\") = %s\n", varkesh_version(), size,
         hex);
  return 0;
}
