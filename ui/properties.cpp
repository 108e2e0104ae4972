#include "ui/properties.h"

#include <array>
#include <exception>

#include "hostlink/host_link.h"
#include "hostlink/host_text.h"
#include "hostlink/integer_rule.h"

namespace varkesh::ui {

namespace {

// Slot positions of the list and direction values.
constexpr size_t kCipherAlgorithmSlot = 3;
constexpr size_t kCipherHashSlot = 4;
constexpr size_t kDirectionSlot = 5;
constexpr size_t kHashingHashSlot = 2;

std::string WithFullStop(std::string message) {
  if (message.empty() || message.back() != '.')
    message += '.';
  return message;
}

}  // namespace

std::optional<FormKind> FormForAction(int32_t action) {
  switch (action) {
    case 1:
      return FormKind::kFileCipher;
    case 2:
      return FormKind::kStringCipher;
    case 3:
      return FormKind::kFileHashing;
    case 4:
      return FormKind::kStringHashing;
    default:
      return std::nullopt;
  }
}

std::span<const std::string_view> CipherListTexts() {
  static constexpr std::array<std::string_view, 19> kTexts{
      "BlowFish", "CAST 128", "CAST 256", "DES",     "3 DES",  "ICE", "Thin ICE",
      "ICE 2",    "IDEA",     "Mars",     "Misty 1", "RC2",    "RC4", "RC5",
      "RC6",      "Rijndael", "SerPent",  "TEA",     "TwoFish"};
  return kTexts;
}

std::span<const std::string_view> KeyHashListTexts() {
  static constexpr std::array<std::string_view, 10> kTexts{"Haval",   "MD4",   "MD5",     "RMD 128",
                                                           "RMD 160", "SHA 1", "SHA 256", "SHA 384",
                                                           "SHA 512", "Tiger"};
  return kTexts;
}

std::span<const std::string_view> HashingListTexts() {
  static constexpr std::array<std::string_view, 3> kTexts{"MD5", "RMD 160", "SHA 256"};
  return kTexts;
}

bool IsCipherForm(FormKind kind) {
  return kind == FormKind::kFileCipher || kind == FormKind::kStringCipher;
}

size_t TextFieldCount(FormKind kind) { return IsCipherForm(kind) ? 3 : 2; }

size_t SlotCount(FormKind kind) { return IsCipherForm(kind) ? 6 : 3; }

int EditWidth(FormKind kind, bool picker_shown) {
  if (picker_shown)
    return kEditWidthBesidePicker;
  return IsCipherForm(kind) ? 316 : 315;
}

void PropertiesDialog::Create(PropertiesView& view) {
  try {
    form_.picker_shown = hostlink::HostSupportsVariablePicker();
  } catch (const std::exception& e) {
    form_.picker_shown = true;
    view.ShowError(WithFullStop(ErrorBoxText(e)));
  }
}

void PropertiesDialog::Fill(char* const* slots) {
  for (size_t i = 0; i < TextFieldCount(kind_); ++i) {
    const std::string text = hostlink::ReadHostString(slots[i]);
    if (!text.empty())
      form_.texts[i] = text;
  }
  // The hash list before the algorithm list: with both slots broken, the hash slot's error is
  // the one the author sees.
  const std::string hash =
      hostlink::ReadHostString(slots[IsCipherForm(kind_) ? kCipherHashSlot : kHashingHashSlot]);
  if (!hash.empty())
    form_.hash = ToInteger(hash);
  if (!IsCipherForm(kind_))
    return;
  const std::string algorithm = hostlink::ReadHostString(slots[kCipherAlgorithmSlot]);
  if (!algorithm.empty())
    form_.algorithm = ToInteger(algorithm);
  // A new action (no direction yet) opens on decryption.
  const std::string direction = hostlink::ReadHostString(slots[kDirectionSlot]);
  form_.direction = direction.empty() || ToInteger(direction) != 0 ? kDecrypt : kEncrypt;
}

bool PropertiesDialog::OkEnabled() const {
  for (size_t i = 0; i < TextFieldCount(kind_); ++i) {
    if (form_.texts[i].empty())
      return false;
  }
  return true;
}

bool PropertiesDialog::Pick(int tag) {
  const std::string picked = hostlink::PickHostVariable();
  if (tag < 1 || static_cast<size_t>(tag) > TextFieldCount(kind_) || picked.empty())
    return false;
  std::string& text = form_.texts[static_cast<size_t>(tag - 1)];
  text = picked + text;
  return true;
}

void PropertiesDialog::WriteBack(char** slots) const {
  for (size_t i = 0; i < TextFieldCount(kind_); ++i)
    hostlink::StoreHostString(&slots[i], form_.texts[i]);
  if (IsCipherForm(kind_)) {
    hostlink::StoreHostString(&slots[kCipherAlgorithmSlot], FromInteger(form_.algorithm));
    hostlink::StoreHostString(&slots[kCipherHashSlot], FromInteger(form_.hash));
    hostlink::StoreHostString(&slots[kDirectionSlot], FromInteger(form_.direction));
  } else {
    hostlink::StoreHostString(&slots[kHashingHashSlot], FromInteger(form_.hash));
  }
}

bool EditProperties(FormKind kind, char** slots, PropertiesView& view) {
  PropertiesDialog dialog(kind);
  dialog.Create(view);
  dialog.Fill(slots);
  if (!view.Run(dialog))
    return false;
  dialog.WriteBack(slots);
  return true;
}

}  // namespace varkesh::ui
