/* The C API from a C program: values from the format vectors (computed independently), the
   caller-buffer protocol, errors as codes and per-thread messages, files, and the lists. */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "varkesh/varkesh.h"
#include "varkesh/version.h"

static int failures = 0;
static int checks = 0;

#define CHECK(condition)                                                      \
  do {                                                                        \
    ++checks;                                                                 \
    if (!(condition)) {                                                       \
      ++failures;                                                             \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
    }                                                                         \
  } while (0)

/* Rijndael (15) keyed with MD5 (2) of the code-page 1251 word for "password". */
static const char kPhrase[] = "\xEF\xE0\xF0\xEE\xEB\xFC";
static const unsigned char kPlain[] = {0x22, 0x84, 0x06, 0xf2, 0x00, 0x89, 0x6f, 0xbd, 0xa0,
                                       0xc6, 0x23, 0x86, 0x82, 0xb1, 0x74, 0x15, 0x41};
static const char kBase64[] = "XdJfiCUo7yXZ4z9xJVCkzaM=";
static const unsigned char kFileOut[] = {0x9b, 0x11, 0x57, 0xd2, 0x0c, 0x31, 0xc7, 0x4e, 0x32,
                                         0xa4, 0x0d, 0x87, 0x32, 0x5b, 0xbb, 0xfb, 0x98};

static void Strings(void) {
  char text[64];
  unsigned char plain[64];
  size_t size = sizeof text;
  CHECK(varkesh_encrypt_string(15, 2, kPhrase, 6, kPlain, sizeof kPlain, text, &size) ==
        VARKESH_OK);
  CHECK(size == strlen(kBase64) && strcmp(text, kBase64) == 0);

  size = sizeof plain;
  CHECK(varkesh_decrypt_string(15, 2, kPhrase, 6, kBase64, strlen(kBase64), plain, &size) ==
        VARKESH_OK);
  CHECK(size == sizeof kPlain && memcmp(plain, kPlain, size) == 0); /* the zero byte included */

  /* Too small a buffer, or none: the size needed, nothing written. */
  memset(text, '#', sizeof text);
  size = strlen(kBase64); /* no room for the terminating zero */
  CHECK(varkesh_encrypt_string(15, 2, kPhrase, 6, kPlain, sizeof kPlain, text, &size) ==
        VARKESH_ERROR_BUFFER);
  CHECK(size == strlen(kBase64) + 1 && text[0] == '#');
  size = 0;
  CHECK(varkesh_decrypt_string(15, 2, kPhrase, 6, kBase64, strlen(kBase64), NULL, &size) ==
        VARKESH_ERROR_BUFFER);
  CHECK(size == sizeof kPlain);

  /* Empty input, empty pass phrase (a null pointer with size 0 is fine). */
  size = sizeof text;
  CHECK(varkesh_encrypt_string(0, 0, NULL, 0, NULL, 0, text, &size) == VARKESH_OK);
  CHECK(size == 0 && text[0] == '\0');
}

static void Errors(void) {
  char text[64];
  size_t size = sizeof text;
  CHECK(varkesh_encrypt_string(19, 2, "x", 1, "a", 1, text, &size) == VARKESH_ERROR_ARGUMENT);
  CHECK(strcmp(varkesh_last_error(), "Invalid cipher index: 19") == 0);
  CHECK(varkesh_encrypt_string(0, -1, "x", 1, "a", 1, text, &size) == VARKESH_ERROR_ARGUMENT);
  CHECK(strcmp(varkesh_last_error(), "Invalid key hash index: -1") == 0);
  CHECK(varkesh_encrypt_string(0, 0, NULL, 3, "a", 1, text, &size) == VARKESH_ERROR_ARGUMENT);
  CHECK(varkesh_hash(2, "abc", 3, text, NULL) == VARKESH_ERROR_ARGUMENT);
  /* A call that succeeds clears the message. */
  CHECK(varkesh_hash(2, "abc", 3, text, &size) == VARKESH_OK);
  CHECK(strcmp(varkesh_last_error(), "") == 0);
}

static void Hashes(void) {
  char hex[129];
  size_t size = sizeof hex;
  CHECK(varkesh_hash(varkesh_hash_index("md5"), "abc", 3, hex, &size) == VARKESH_OK);
  CHECK(size == 32 && strcmp(hex, "900150983CD24FB0D6963F7D28E17F72") == 0);
  size = 64; /* SHA-512 needs 129 */
  CHECK(varkesh_hash(8, "", 0, hex, &size) == VARKESH_ERROR_BUFFER && size == 129);
}

static void WriteBytes(const char* path, const void* bytes, size_t size) {
  FILE* f = fopen(path, "wb");
  CHECK(f != NULL);
  if (f != NULL) {
    CHECK(fwrite(bytes, 1, size, f) == size);
    fclose(f);
  }
}

static size_t ReadBytes(const char* path, unsigned char* bytes, size_t capacity) {
  FILE* f = fopen(path, "rb");
  size_t n = 0;
  if (f != NULL) {
    n = fread(bytes, 1, capacity, f);
    fclose(f);
  }
  return n;
}

static void Files(const char* dir) {
  char plain[512], encrypted[512], decrypted[512], missing[512];
  unsigned char bytes[64];
  char hex[129];
  size_t size = sizeof hex;
  snprintf(plain, sizeof plain, "%s/plain", dir);
  snprintf(encrypted, sizeof encrypted, "%s/encrypted", dir);
  snprintf(decrypted, sizeof decrypted, "%s/decrypted", dir);
  snprintf(missing, sizeof missing, "%s/missing", dir);
  WriteBytes(plain, kPlain, sizeof kPlain);

  CHECK(varkesh_encrypt_file(15, 2, kPhrase, 6, plain, encrypted) == VARKESH_OK);
  CHECK(ReadBytes(encrypted, bytes, sizeof bytes) == sizeof kFileOut &&
        memcmp(bytes, kFileOut, sizeof kFileOut) == 0);
  CHECK(varkesh_decrypt_file(15, 2, kPhrase, 6, encrypted, decrypted) == VARKESH_OK);
  CHECK(ReadBytes(decrypted, bytes, sizeof bytes) == sizeof kPlain &&
        memcmp(bytes, kPlain, sizeof kPlain) == 0);

  CHECK(varkesh_hash_file(2, plain, hex, &size) == VARKESH_OK);
  size = sizeof hex;
  {
    char from_bytes[129];
    size_t n = sizeof from_bytes;
    CHECK(varkesh_hash(2, kPlain, sizeof kPlain, from_bytes, &n) == VARKESH_OK);
    CHECK(strcmp(hex, from_bytes) == 0);
  }

  CHECK(varkesh_encrypt_file(15, 2, kPhrase, 6, missing, encrypted) == VARKESH_ERROR_FILE);
  CHECK(strncmp(varkesh_last_error(), "Cannot open file", 16) == 0);
  CHECK(varkesh_hash_file(2, missing, hex, &size) == VARKESH_ERROR_FILE);
  /* The same file on both sides would be emptied before it is read: refused, left alone. */
  CHECK(varkesh_encrypt_file(15, 2, kPhrase, 6, plain, plain) == VARKESH_ERROR_ARGUMENT);
  CHECK(ReadBytes(plain, bytes, sizeof bytes) == sizeof kPlain);
  remove(plain);
  remove(encrypted);
  remove(decrypted);
}

static void Lists(void) {
  CHECK(varkesh_cipher_count() == 19 && varkesh_hash_count() == 10);
  CHECK(strcmp(varkesh_cipher_name(4), "TripleDes") == 0);
  CHECK(strcmp(varkesh_hash_name(9), "Tiger") == 0);
  CHECK(varkesh_cipher_name(19) == NULL && varkesh_hash_name(-1) == NULL);
  CHECK(varkesh_cipher_index("AES") == 15 && varkesh_cipher_index("3des") == 4);
  CHECK(varkesh_cipher_index("12") == 12 && varkesh_hash_index("sha-256") == 6);
  CHECK(varkesh_cipher_index("enigma") == -1);
  CHECK(strcmp(varkesh_last_error(), "Unknown cipher: enigma") == 0);
  CHECK(varkesh_cipher_block_bits(12) == 0 && varkesh_cipher_block_bits(2) == 128);
  CHECK(varkesh_cipher_max_key_bits(9) == 1248 && varkesh_hash_bits(0) == 256);
  CHECK(strcmp(varkesh_version(), VARKESH_VERSION_STRING) == 0);
}

/* Each thread sees the message of its own last failure. */
static void* FailWith(void* name) {
  int i;
  for (i = 0; i < 1000; ++i) {
    if (varkesh_hash_index((const char*)name) != -1 ||
        strstr(varkesh_last_error(), (const char*)name) == NULL)
      return (void*)1;
  }
  return NULL;
}

static void Threads(void) {
  pthread_t a, b;
  void* ra = (void*)1;
  void* rb = (void*)1;
  CHECK(pthread_create(&a, NULL, FailWith, (void*)"whirlpool") == 0);
  CHECK(pthread_create(&b, NULL, FailWith, (void*)"snefru") == 0);
  pthread_join(a, &ra);
  pthread_join(b, &rb);
  CHECK(ra == NULL && rb == NULL);
}

int main(int argc, char** argv) {
  Strings();
  Errors();
  Hashes();
  Files(argc > 1 ? argv[1] : ".");
  Lists();
  Threads();
  printf("%d passed, %d failed\n", checks - failures, failures);
  return failures == 0 ? 0 : 1;
}
