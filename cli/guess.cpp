#include "cli/guess.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "crypto/detail/bytes.h"
#include "varkesh/formats.h"
#include "varkesh/hex.h"
#include "varkesh/io.h"

namespace varkesh::cli {

std::vector<PassPhraseVariant> PassPhraseVariants(std::string_view typed,
                                                  const std::vector<const text::CodePage*>& pages,
                                                  std::vector<const text::CodePage*>* missing) {
  std::vector<PassPhraseVariant> variants;
  for (const text::CodePage* page : pages) {
    std::string bytes;
    try {
      bytes = page->FromUtf8(typed);
    } catch (const text::CodePageError&) {
      if (missing != nullptr)
        missing->push_back(page);
      continue;
    }
    const auto same = std::find_if(variants.begin(), variants.end(),
                                   [&](const PassPhraseVariant& v) { return v.bytes == bytes; });
    if (same != variants.end()) {
      if (std::find(same->code_pages.begin(), same->code_pages.end(), page) ==
          same->code_pages.end())
        same->code_pages.push_back(page);
      detail::SecureWipe(bytes.data(), bytes.size());
    } else {
      variants.push_back({std::move(bytes), {page}});
    }
  }
  return variants;
}

void Wipe(std::vector<PassPhraseVariant>& variants) {
  for (PassPhraseVariant& v : variants) detail::SecureWipe(v.bytes.data(), v.bytes.size());
}

namespace {

unsigned Jobs(const SearchSettings& settings) {
  return settings.jobs != 0 ? settings.jobs : std::max(1u, std::thread::hardware_concurrency());
}

// Runs work(i) for every i below count on the settings' threads, taking the items in order;
// once an item returns true, no further item starts. The calling thread reports progress.
void ParallelFor(size_t count,
                 const SearchSettings& settings,
                 const std::function<bool(size_t)>& work) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  std::atomic<bool> stop{false};
  std::mutex lock;
  std::condition_variable finished;
  size_t running = std::min<size_t>(Jobs(settings), std::max<size_t>(count, 1));
  std::exception_ptr failure;
  const auto worker = [&] {
    for (size_t i = next++; i < count && !stop; i = next++) {
      try {
        if (work(i))
          stop = true;
      } catch (...) {
        const std::lock_guard<std::mutex> hold(lock);
        if (!failure)
          failure = std::current_exception();
        stop = true;
      }
      ++done;
    }
    const std::lock_guard<std::mutex> hold(lock);
    --running;
    finished.notify_all();
  };
  std::vector<std::thread> threads;
  for (size_t t = running; t > 0; --t) threads.emplace_back(worker);
  {
    std::unique_lock<std::mutex> hold(lock);
    while (running != 0) {
      finished.wait_for(hold, std::chrono::milliseconds(100));
      if (settings.progress && running != 0) {
        hold.unlock();
        settings.progress(done, count);
        hold.lock();
      }
    }
  }
  for (std::thread& thread : threads) thread.join();
  if (failure)
    std::rethrow_exception(failure);
}

PassPhraseCipher Keyed(const Candidate& c) {
  return PassPhraseCipher(*c.cipher->cls, *c.key_hash->cls, c.pass_phrase->bytes);
}

// Best first; equal scores keep their order.
void Rank(std::vector<Candidate>& candidates) {
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const Candidate& a, const Candidate& b) {
                     return a.plausibility.score > b.plausibility.score;
                   });
}

constexpr size_t kKeyHashes = 10;
constexpr size_t kFirstLook = 4096;
constexpr size_t kCloserLooks = 8;
constexpr size_t kCiphers = 19;

// Every variant under every key hash is hashed once, then keys all the ciphers.
std::vector<Candidate> Search(
    const std::vector<PassPhraseVariant>& variants,
    const SearchSettings& settings,
    const std::function<void(PassPhraseCipher&, Candidate&)>& decrypt_and_score) {
  std::vector<std::unique_ptr<PassPhraseDigest>> digests;
  for (const PassPhraseVariant& variant : variants) {
    for (const HashEntry& hash : HashTable())
      digests.push_back(std::make_unique<PassPhraseDigest>(*hash.cls, variant.bytes));
  }
  std::vector<Candidate> candidates(digests.size() * kCiphers);
  ParallelFor(candidates.size(), settings, [&](size_t i) {
    const size_t pair = i / kCiphers;
    Candidate& c = candidates[i];
    c.cipher = &CipherTable()[i % kCiphers];
    c.key_hash = &HashTable()[pair % kKeyHashes];
    c.pass_phrase = &variants[pair / kKeyHashes];
    PassPhraseCipher cipher(*c.cipher->cls, *digests[pair]);
    decrypt_and_score(cipher, c);
    return false;
  });
  Rank(candidates);
  return candidates;
}

std::span<const uint8_t> Bytes(std::string_view s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Collects what a file decryption writes.
class Collector final : public ByteWriter {
 public:
  explicit Collector(size_t capacity) { bytes_.reserve(capacity); }

  void Write(const uint8_t* buffer, size_t count) override {
    bytes_.insert(bytes_.end(), buffer, buffer + count);
  }

  std::vector<uint8_t>& bytes() { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// Hashes what a file decryption writes.
class Hasher final : public ByteWriter {
 public:
  explicit Hasher(const HashClass& hash) : hash_(hash.create()) { hash_->Init(); }

  void Write(const uint8_t* buffer, size_t count) override { hash_->Update(buffer, count); }

  std::string Hex() {
    std::vector<uint8_t> digest(hash_->DigestBytes());
    hash_->Final(digest.data());
    return ToHex(digest);
  }

 private:
  std::unique_ptr<Hash> hash_;
};

const Candidate* FirstMatch(const std::vector<Candidate>& ranked,
                            const SearchSettings& settings,
                            const std::function<bool(const Candidate&)>& matches) {
  std::atomic<size_t> first{ranked.size()};
  ParallelFor(ranked.size(), settings, [&](size_t i) {
    if (!matches(ranked[i]))
      return false;
    for (size_t seen = first; i < seen && !first.compare_exchange_weak(seen, i);) {
    }
    return true;
  });
  return first < ranked.size() ? &ranked[first] : nullptr;
}

}  // namespace

std::vector<Candidate> GuessString(std::string_view base64,
                                   const std::vector<PassPhraseVariant>& variants,
                                   const PlausibilityModel& model,
                                   const SearchSettings& settings) {
  // Base64 decodes group by group and 8-bit CFB decrypts byte by byte, so the start of the text
  // gives the start of the plaintext.
  const std::string_view start = base64.substr(0, 4 * ((PlausibilityModel::kStringPrefix + 2) / 3));
  return Search(variants, settings, [&](PassPhraseCipher& cipher, Candidate& c) {
    const std::string plain = cipher.DecryptString(start);
    c.plausibility = model.ScoreString(Bytes(plain));
    c.start = plain.substr(0, kStartBytes);
  });
}

std::vector<Candidate> GuessFile(std::span<const uint8_t> prefix,
                                 const std::vector<PassPhraseVariant>& variants,
                                 const PlausibilityModel& model,
                                 const SearchSettings& settings) {
  // A prefix of whole blocks (and of whole RC4 chunks) decrypts to the start of the plaintext.
  prefix = prefix.first(std::min(prefix.size(), kFilePrefix));
  const auto score = [&](PassPhraseCipher& cipher, Candidate& c, std::span<const uint8_t> part) {
    MemoryReader in(part);
    Collector out(part.size());
    cipher.DecryptFileStream(in, out);
    c.plausibility = model.ScoreFile(out.bytes());
    const size_t n = std::min(out.bytes().size(), kStartBytes);
    c.start.assign(reinterpret_cast<const char*>(out.bytes().data()), n);
  };
  // A wrong key gives random bytes from the first byte on, and the kinds of files we know show
  // themselves early; so every candidate first decrypts a few KiB, and only those that look
  // like something, or are among the few best, decrypt the whole prefix.
  const std::span<const uint8_t> first_look = prefix.first(std::min(prefix.size(), kFirstLook));
  std::vector<Candidate> ranked =
      Search(variants, settings,
             [&](PassPhraseCipher& cipher, Candidate& c) { score(cipher, c, first_look); });
  if (prefix.size() == first_look.size())
    return ranked;
  size_t closer = 0;
  while (closer < ranked.size() && (closer < kCloserLooks || ranked[closer].plausibility.score > 0))
    ++closer;
  ParallelFor(closer, settings, [&](size_t i) {
    PassPhraseCipher cipher = Keyed(ranked[i]);
    score(cipher, ranked[i], prefix);
    return false;
  });
  Rank(ranked);
  return ranked;
}

Verdict Judge(const std::vector<Candidate>& ranked) {
  if (ranked.empty())
    return {};
  const double best = ranked[0].plausibility.score;
  const double second = ranked.size() > 1 ? std::max(0.0, ranked[1].plausibility.score) : 0;
  Verdict verdict;
  verdict.lead = best - second;
  verdict.clear = best >= kClearScore && verdict.lead >= kClearLead;
  return verdict;
}

const Candidate* ConfirmString(const std::vector<Candidate>& ranked,
                               std::string_view base64,
                               const Expectation& expected,
                               const SearchSettings& settings) {
  return FirstMatch(ranked, settings, [&](const Candidate& c) {
    return HashSum(*expected.hash, Keyed(c).DecryptString(base64)) == expected.hex;
  });
}

const Candidate* ConfirmFile(const std::vector<Candidate>& ranked,
                             const std::function<std::unique_ptr<ByteReader>()>& open,
                             const Expectation& expected,
                             const SearchSettings& settings) {
  return FirstMatch(ranked, settings, [&](const Candidate& c) {
    const std::unique_ptr<ByteReader> in = open();
    Hasher out(*expected.hash);
    Keyed(c).DecryptFileStream(*in, out);
    return out.Hex() == expected.hex;
  });
}

}  // namespace varkesh::cli
