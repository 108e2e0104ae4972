// The life cycle that every block hash of this library shares: Init loads the initial state,
// Update counts the bits and compresses whole blocks, Final pads, appends the bit count, writes
// the state words as the digest and wipes. A hash names its state and block layout as template
// arguments, befriends MdHashCore and supplies as private members
//
//   void Compress(const uint8_t* blocks, size_t count);  // `count` consecutive whole blocks
//   static constexpr auto& kInitialState = ...;  // for MdHash; the state takes its first words
//   static constexpr std::array<uint8_t, n> kLengthPrefix = ...;  // optional: fixed bytes just
//                                                                 // ahead of the bit count
//
// Compress is called through the static type, straight on the caller's whole blocks, so a run
// of blocks costs no virtual call.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/algorithm_ids.h"
#include "crypto/detail/bytes.h"
#include "crypto/detail/md_buffer.h"

namespace varkesh::detail {

enum class ByteOrder : uint8_t { kLittle, kBig };

struct MdFormat {
  size_t block_bytes = 64;
  ByteOrder order = ByteOrder::kLittle;  // of the bit count and of the digest words
  uint8_t pad_byte = 0x80;               // the first byte after the message
  size_t length_bytes = 8;               // the bit count's field: 8 (wraps) or 16 bytes
};

// Update, Wipe and the halves of Init and Final that need no identity: Start(initial) and
// Finish(digest, words). A hash family sharing one compression derives from this directly.
template <class Self, class State, MdFormat kFormat>
class MdHashCore : public Hash {
  using Word = typename State::value_type;
  static_assert(sizeof(Word) == 4 || sizeof(Word) == 8);
  static_assert(kFormat.length_bytes == 8 || kFormat.length_bytes == 16);

 public:
  ~MdHashCore() override { MdHashCore::Wipe(); }

  void Update(const uint8_t* data, size_t size) override {
    if (!initialized_)
      throw HashError(std::string(kHashNotInitialized));
    // size * 8 may need up to 67 bits; its low 64 go to the low half with a carry.
    const auto bits_low = static_cast<uint64_t>(size) << 3;
    bit_count_low_ += bits_low;
    bit_count_high_ += (static_cast<uint64_t>(size) >> 61) + (bit_count_low_ < bits_low ? 1 : 0);
    buffer_.Absorb(data, size, [this](const uint8_t* b, size_t n) { self().Compress(b, n); });
  }

  void Wipe() override {
    bit_count_high_ = 0;
    bit_count_low_ = 0;
    SecureWipeObject(state_);
    buffer_.Wipe();
    initialized_ = false;
  }

  using Hash::Update;

 protected:
  MdHashCore() = default;

  template <size_t kInitialWords>
  void Start(const std::array<Word, kInitialWords>& initial) {
    static_assert(kInitialWords >= std::tuple_size_v<State>);
    Wipe();
    for (size_t i = 0; i < state_.size(); ++i) state_[i] = initial[i];
    initialized_ = true;
  }

  void StartFromInitialState() { Start(Self::kInitialState); }

  // Pads, writes the first `words` state words and wipes.
  void Finish(uint8_t* digest, size_t words = std::tuple_size_v<State>) {
    if (!initialized_)
      throw HashError(std::string(kHashNotInitialized));
    constexpr auto kPrefix = LengthPrefix();
    const auto compress = [this](const uint8_t* b, size_t n) { self().Compress(b, n); };
    buffer_.Pad(kFormat.pad_byte, kPrefix.size() + kFormat.length_bytes, compress);
    uint8_t* length = buffer_.block_data() + kFormat.block_bytes - kFormat.length_bytes;
    std::copy(kPrefix.begin(), kPrefix.end(), length - kPrefix.size());
    if constexpr (kFormat.length_bytes == 16) {
      Store<uint64_t>(length, kFormat.order == ByteOrder::kBig ? bit_count_high_ : bit_count_low_);
      Store<uint64_t>(length + 8,
                      kFormat.order == ByteOrder::kBig ? bit_count_low_ : bit_count_high_);
    } else {
      Store<uint64_t>(length, bit_count_low_);
    }
    self().Compress(buffer_.block_data(), 1);
    for (size_t i = 0; i < words; ++i) Store<Word>(digest + sizeof(Word) * i, state_[i]);
    Wipe();
  }

  State state_{};

 private:
  template <class T>
  static void Store(uint8_t* p, T v) {
    constexpr bool kBig = kFormat.order == ByteOrder::kBig;
    if constexpr (sizeof(T) == 4 && kBig)
      StoreBe32(p, v);
    else if constexpr (sizeof(T) == 4)
      StoreLe32(p, v);
    else if constexpr (kBig)
      StoreBe64(p, v);
    else
      StoreLe64(p, v);
  }

  static constexpr auto LengthPrefix() {
    if constexpr (requires { Self::kLengthPrefix; })
      return Self::kLengthPrefix;
    else
      return std::array<uint8_t, 0>{};
  }

  Self& self() { return static_cast<Self&>(*this); }

  // 128 bits, so a 16-byte length field never wraps; an 8-byte one takes the low half, which
  // wraps modulo 2^64 as the field does.
  uint64_t bit_count_high_ = 0;
  uint64_t bit_count_low_ = 0;
  BlockBuffer<kFormat.block_bytes> buffer_;
};

// A complete hash: its identity, Init from Self::kInitialState and Final writing every state word.
template <class Self, const ids::HashIdentity& kIdentity, class State, MdFormat kFormat>
class MdHash : public HashImpl<Self, kIdentity, MdHashCore<Self, State, kFormat>> {
 public:
  void Init() override { this->StartFromInitialState(); }

  void Final(uint8_t* digest) override { this->Finish(digest); }
};

}  // namespace varkesh::detail
