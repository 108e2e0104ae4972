/* The library from C and from any language that can call C (Python's ctypes, PHP's FFI, ...):
   the plug-in's encrypted strings and files, hash sums and the algorithm lists.

   Conventions:
   - Every function that can fail returns a varkesh_status; VARKESH_OK is 0, errors are
     negative. No C++ exception leaves the library.
   - varkesh_last_error() gives the message of the last failed call on the calling thread
     (each thread has its own), so the functions can be called from several threads at once.
   - Ciphers and key hashes are chosen by the indices the plug-in stores in its actions
     (cipher 0-18, key hash 0-9); varkesh_cipher_index() and varkesh_hash_index() find them
     by name.
   - Pass phrases and data are byte buffers with a length; the pass phrase's bytes are taken
     as they are (the plug-in hands over the host's ANSI code page, e.g. 1251).
   - Output buffers belong to the caller: *size gives its capacity on entry and the number of
     bytes written on return. When it is too small, VARKESH_ERROR_BUFFER is returned, *size
     holds the size needed and nothing is written.

   The functions and values declared here stay as they are in later versions of the library;
   new ones may be added. */
#ifndef VARKESH_VARKESH_H
#define VARKESH_VARKESH_H

#include <stddef.h>

#include "varkesh/export.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum varkesh_status {
  VARKESH_OK = 0,
  /** A null pointer with a nonzero length, an index or a name outside the lists. */
  VARKESH_ERROR_ARGUMENT = -1,
  /** The output buffer is too small; *size holds the size needed. */
  VARKESH_ERROR_BUFFER = -2,
  /** A file could not be opened, created, read or written. */
  VARKESH_ERROR_FILE = -3,
  /** The cryptographic framework refused (for example the key set-up). */
  VARKESH_ERROR_CRYPTO = -4,
  /** Out of memory. */
  VARKESH_ERROR_MEMORY = -5
} varkesh_status;

/** The version of the library linked at run time, e.g. "1.1.0". */
VARKESH_API const char* varkesh_version(void);

/** The message of the last failed call on this thread; "" when none failed. Valid until the
    thread's next call into the library. */
VARKESH_API const char* varkesh_last_error(void);

/** The number of ciphers (19) and of key hashes (10). */
VARKESH_API int varkesh_cipher_count(void);
VARKESH_API int varkesh_hash_count(void);

/** The class name of the cipher or hash at an index ("Blowfish", "Sha256"); NULL outside the
    list. The text is static. */
VARKESH_API const char* varkesh_cipher_name(int index);
VARKESH_API const char* varkesh_hash_name(int index);

/** The cipher's maximum key size and block size in bits (0 for the stream cipher), and the
    hash's digest size in bits; -1 outside the list. */
VARKESH_API int varkesh_cipher_max_key_bits(int index);
VARKESH_API int varkesh_cipher_block_bits(int index);
VARKESH_API int varkesh_hash_bits(int index);

/** The index of a cipher or hash given by its index as text ("15") or by name: the class name,
    the algorithm name or a common short name, ignoring case, spaces, '-' and '_' ("rijndael",
    "AES", "3des", "sha-256", "rmd160"). -1 with VARKESH_ERROR_ARGUMENT's message when none
    matches. */
VARKESH_API int varkesh_cipher_index(const char* name);
VARKESH_API int varkesh_hash_index(const char* name);

/** Encrypts `plain` into the string format: Base64 text of as many cipher bytes as `plain`
    has, written with a terminating zero. `base64` needs 4 * ((plain_size + 2) / 3) + 1 bytes;
    *base64_size returns the text's length without the zero. */
VARKESH_API varkesh_status varkesh_encrypt_string(int cipher,
                                                  int key_hash,
                                                  const void* pass_phrase,
                                                  size_t pass_phrase_size,
                                                  const void* plain,
                                                  size_t plain_size,
                                                  char* base64,
                                                  size_t* base64_size);

/** Decrypts a text in the string format. The Base64 text is read leniently, as the plug-in
    reads it; `plain` needs at most base64_size bytes and receives no terminating zero (the
    plaintext may contain zero bytes). A wrong pass phrase, cipher or key hash is not an error:
    it gives other bytes. */
VARKESH_API varkesh_status varkesh_decrypt_string(int cipher,
                                                  int key_hash,
                                                  const void* pass_phrase,
                                                  size_t pass_phrase_size,
                                                  const char* base64,
                                                  size_t base64_size,
                                                  void* plain,
                                                  size_t* plain_size);

/** Encrypts or decrypts the file `source` into the file `destination` (created or emptied) in
    the file format: as many bytes as the source, no header. The two must be different files.
    After an error the destination may hold part of the output. */
VARKESH_API varkesh_status varkesh_encrypt_file(int cipher,
                                                int key_hash,
                                                const void* pass_phrase,
                                                size_t pass_phrase_size,
                                                const char* source,
                                                const char* destination);
VARKESH_API varkesh_status varkesh_decrypt_file(int cipher,
                                                int key_hash,
                                                const void* pass_phrase,
                                                size_t pass_phrase_size,
                                                const char* source,
                                                const char* destination);

/** The hash sum of bytes or of a file's contents with the hash at `hash` (the key-hash list,
    0-9): two uppercase hexadecimal digits per digest byte and a terminating zero. `hex` needs
    hash bits / 4 + 1 bytes (129 suffice for every hash); *hex_size returns the length without
    the zero. */
VARKESH_API varkesh_status
varkesh_hash(int hash, const void* data, size_t data_size, char* hex, size_t* hex_size);
VARKESH_API varkesh_status varkesh_hash_file(int hash,
                                             const char* path,
                                             char* hex,
                                             size_t* hex_size);

#ifdef __cplusplus
}
#endif

#endif
