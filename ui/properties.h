// The properties dialogs of the four actions, apart from any window system: what each dialog
// holds, how it is filled from the action's parameter slots, when OK may be pressed, what a
// "..." button does, and how the slots are written back. A PropertiesView shows the dialog;
// the Win32 one lives in ui/win32, and tests drive the logic through a scripted view.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace varkesh::ui {

enum class FormKind { kFileCipher, kStringCipher, kFileHashing, kStringHashing };

// The dialog of action 1-4; none for any other number.
std::optional<FormKind> FormForAction(int32_t action);

bool IsCipherForm(FormKind kind);

// Text fields of the dialog: edCadenaCifrar, edVariable and, in the cipher dialogs,
// edContrasena. Also the number of "..." buttons.
size_t TextFieldCount(FormKind kind);

// Number of parameter slots the dialog reads and rewrites: 6 or 3.
size_t SlotCount(FormKind kind);

// Width of the text fields: as designed when the "..." buttons show, wider when the fields
// take the buttons' place.
inline constexpr int kEditWidthBesidePicker = 289;
int EditWidth(FormKind kind, bool picker_shown);

// What the lists show, in index order: the ciphers (0-18) and key hashes (0-9) of the cipher
// dialogs, and the hashing dialogs' three hashes.
std::span<const std::string_view> CipherListTexts();
std::span<const std::string_view> KeyHashListTexts();
std::span<const std::string_view> HashingListTexts();

inline constexpr int32_t kEncrypt = 0;
inline constexpr int32_t kDecrypt = 1;

// What the dialog's controls hold. Texts are host text (the host's 8-bit code page). The list
// positions are handed to the list controls as they are, out of range or not; what a list
// reports back (-1 for no selection, on Windows) is what gets written.
struct PropertiesForm {
  std::array<std::string, 3> texts;
  int32_t algorithm = 0;  // cbAlgoritmo, cipher dialogs
  int32_t hash = 0;       // cbHash
  int32_t direction = kDecrypt;
  bool picker_shown = true;  // the designed layout: "..." buttons beside the fields
};

class PropertiesDialog;

// Shows a properties dialog. Implementations keep dialog.form() in step with their controls,
// enable OK as dialog.OkEnabled() says whenever a text changes, and call dialog.Pick for a
// "..." button.
class PropertiesView {
 public:
  virtual ~PropertiesView() = default;

  // An error message box while the dialog is being made (UTF-8, see ErrorBoxText).
  virtual void ShowError(const std::string& message) = 0;

  // Runs the dialog modally; true when the author closed it with OK.
  virtual bool Run(PropertiesDialog& dialog) = 0;
};

class PropertiesDialog {
 public:
  explicit PropertiesDialog(FormKind kind) : kind_(kind) {}

  FormKind kind() const { return kind_; }

  PropertiesForm& form() { return form_; }

  const PropertiesForm& form() const { return form_; }

  // Chooses the layout from the host's version. A failure to read the version does not stop
  // the dialog: it is shown to the author and the designed layout stays.
  void Create(PropertiesView& view);

  // Takes the slots' values (null reads as empty). A non-empty index or direction that is not
  // an integer text fails with the conversion error.
  void Fill(char* const* slots);

  // Every text field holds something.
  bool OkEnabled() const;

  // The "..." button with tag 1-3: the variable the author picks in the host goes in front of
  // the field's text. True when the field changed; the view then focuses it and selects all.
  bool Pick(int tag);

  // Rewrites every slot, in parameter order, texts as typed and numbers as plain decimal.
  void WriteBack(char** slots) const;

 private:
  FormKind kind_;
  PropertiesForm form_;
};

// The edit step of one action: make the dialog, fill it, show it, and on OK rewrite the slots.
// True only when the author confirmed; the slots are untouched otherwise.
bool EditProperties(FormKind kind, char** slots, PropertiesView& view);

}  // namespace varkesh::ui
