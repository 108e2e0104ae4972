// How plausible a candidate plaintext is. A wrong key turns a string or a file into bytes that
// look uniformly random; the right one gives text or a file of some known kind. The score is
// the evidence for the latter in bits: log2 of how much likelier the bytes are under our models
// of text and files than as random bytes, less the bits it takes to name the model. Every model
// is a probability distribution over byte strings, so random bytes reach a score of s with a
// chance of at most 2^-s, whatever the models are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "text/code_page.h"

namespace varkesh::cli {

// Files are judged by their first bytes only.
inline constexpr size_t kFilePrefix = 64 * 1024;

struct Plausibility {
  double score = 0;
  // What the bytes look like ("text", "PDF document", "compressible data"); empty when they
  // look random.
  std::string kind;
  // The usual file name extension of that kind ("pdf"), if it has one.
  std::string extension;
  // The code page the bytes read best in as text; null when they do not look like text.
  const text::CodePage* code_page = nullptr;
};

class PlausibilityModel {
 public:
  // Text is looked for in these code pages and in UTF-8.
  explicit PlausibilityModel(const std::vector<const text::CodePage*>& code_pages);
  ~PlausibilityModel();
  PlausibilityModel(const PlausibilityModel&) = delete;
  PlausibilityModel& operator=(const PlausibilityModel&) = delete;

  // A decrypted string: text in one of the code pages or in UTF-8. Long strings are judged by
  // their first kStringPrefix bytes.
  Plausibility ScoreString(std::span<const uint8_t> bytes) const;
  static constexpr size_t kStringPrefix = 4096;

  // The first bytes of a decrypted file (at most kFilePrefix): signatures of common file
  // types, text, and how well the bytes compress. Safe to call from several threads at once.
  Plausibility ScoreFile(std::span<const uint8_t> prefix) const;

  struct Tables;  // built once, read by every thread

 private:
  std::unique_ptr<const Tables> tables_;
};

}  // namespace varkesh::cli
