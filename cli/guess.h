// The search behind `varkesh guess`: decrypt a string or the start of a file with every cipher,
// key hash and code page of the pass phrase, and rank the plaintexts by how plausible they are.
// Nothing in the formats tells a right key from a wrong one, so plausibility is all there is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/plausibility.h"
#include "text/code_page.h"
#include "varkesh/algorithms.h"
#include "varkesh/framework.h"

namespace varkesh::cli {

// The pass phrase in the bytes of one or more code pages.
struct PassPhraseVariant {
  std::string bytes;
  std::vector<const text::CodePage*> code_pages;  // every page that gives these bytes
};

// The pass phrase as typed (UTF-8) in each code page. Pages that give the same bytes share one
// variant, so an ASCII pass phrase has only one. A page that lacks one of its characters gives
// none and is listed in `missing`.
std::vector<PassPhraseVariant> PassPhraseVariants(std::string_view typed,
                                                  const std::vector<const text::CodePage*>& pages,
                                                  std::vector<const text::CodePage*>* missing);

// Wipes the variants' bytes.
void Wipe(std::vector<PassPhraseVariant>& variants);

struct Candidate {
  const CipherEntry* cipher;
  const HashEntry* key_hash;
  const PassPhraseVariant* pass_phrase;
  Plausibility plausibility;
  std::string start;  // the first bytes of the plaintext (kStartBytes at most)
};

inline constexpr size_t kStartBytes = 96;

struct SearchSettings {
  unsigned jobs = 0;  // threads; 0: one per processor
  // Called now and then from the calling thread with the number of candidates done.
  std::function<void(size_t done, size_t total)> progress;
};

// Every cipher and key hash with every variant, best first (ties in table order). The
// candidates point into `variants`, which must outlive them.
std::vector<Candidate> GuessString(std::string_view base64,
                                   const std::vector<PassPhraseVariant>& variants,
                                   const PlausibilityModel& model,
                                   const SearchSettings& settings);

// The same for a file, of which `prefix` holds the first kFilePrefix bytes (or all of a
// shorter file).
std::vector<Candidate> GuessFile(std::span<const uint8_t> prefix,
                                 const std::vector<PassPhraseVariant>& variants,
                                 const PlausibilityModel& model,
                                 const SearchSettings& settings);

// One candidate clearly wins when its score is at least kClearScore and at least kClearLead
// above every other candidate's.
inline constexpr double kClearScore = 30;
inline constexpr double kClearLead = 10;

struct Verdict {
  bool clear = false;
  double lead = 0;  // of the best over the second (its whole score when it stands alone)
};

Verdict Judge(const std::vector<Candidate>& ranked);

// A digest that the whole plaintext must have, as uppercase hexadecimal.
struct Expectation {
  const HashClass* hash;
  std::string hex;
};

// The first candidate in rank order whose whole plaintext has the expected digest; null when
// none has. Decrypts several candidates at once, so the string or file is decrypted as often as
// it takes. `open` gives a reader of the whole encrypted file each time it is called.
const Candidate* ConfirmString(const std::vector<Candidate>& ranked,
                               std::string_view base64,
                               const Expectation& expected,
                               const SearchSettings& settings);
const Candidate* ConfirmFile(const std::vector<Candidate>& ranked,
                             const std::function<std::unique_ptr<ByteReader>()>& open,
                             const Expectation& expected,
                             const SearchSettings& settings);

}  // namespace varkesh::cli
