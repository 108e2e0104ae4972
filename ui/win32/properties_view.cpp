// The properties dialogs as Win32 dialog boxes. The logic (what is shown, when OK may be
// pressed, what goes back into the slots) is PropertiesDialog's; this view only mirrors it in
// the controls and reports the author's changes back.
#include <array>

#include "platform/ui.h"
#include "ui/dialogs.h"
#include "ui/win32/common.h"
#include "ui/win32/footer.h"
#include "ui/win32/ids.h"
#include "varkesh/framework.h"

namespace varkesh::ui {

namespace {

using win32::Box;
using win32::Place;

constexpr std::array<int, 3> kFieldIds = {IDC_SOURCE, IDC_VARIABLE, IDC_PASSWORD};
constexpr std::array<int, 3> kFieldLabelIds = {IDC_SOURCE_LABEL, IDC_VARIABLE_LABEL,
                                               IDC_PASSWORD_LABEL};
constexpr std::array<int, 3> kPickIds = {IDC_PICK1, IDC_PICK2, IDC_PICK3};

constexpr int kClientWidth = 356;
constexpr int kMargin = 8;
constexpr int kLabelHeight = 15;
constexpr int kFieldHeight = 21;
constexpr int kRow = 45;  // from one label to the next
constexpr int kPickWidth = 23;
constexpr int kListDropHeight = 300;

int DialogId(FormKind kind) {
  switch (kind) {
    case FormKind::kFileCipher:
      return IDD_FILE_CIPHER;
    case FormKind::kStringCipher:
      return IDD_STRING_CIPHER;
    case FormKind::kFileHashing:
      return IDD_FILE_HASHING;
    case FormKind::kStringHashing:
      return IDD_STRING_HASHING;
  }
  return 0;
}

int ClientHeight(FormKind kind) { return IsCipherForm(kind) ? 460 : 319; }

void AddItem(HWND dialog, int list, std::string_view text) {
  SendDlgItemMessageA(dialog, list, CB_ADDSTRING, 0,
                      reinterpret_cast<LPARAM>(std::string(text).c_str()));
}

class Win32PropertiesView final : public PropertiesView, public win32::ModalDialog {
 public:
  // The owner is the window active when the dialog is made.
  Win32PropertiesView() : owner_(GetActiveWindow()) {}

  void ShowError(const std::string& message) override { platform::ShowErrorBox(message); }

  bool Run(PropertiesDialog& dialog) override {
    dialog_ = &dialog;
    return RunModal(DialogId(dialog.kind()), owner_, "properties dialog") == IDOK;
  }

 private:
  INT_PTR Handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_INITDIALOG:
        window_ = window;
        Open();
        return TRUE;
      case WM_COMMAND:
        Command(LOWORD(wparam), HIWORD(wparam));
        return TRUE;
      case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        footer_.Paint(dc);
        EndPaint(window, &paint);
        return TRUE;
      }
      case WM_CTLCOLORSTATIC:
        return reinterpret_cast<INT_PTR>(
            footer_.ColorStatic(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
      default:
        return FALSE;
    }
  }

  void Open() {
    const FormKind kind = dialog_->kind();
    const PropertiesForm& form = dialog_->form();
    const size_t fields = TextFieldCount(kind);
    const int full = EditWidth(kind, false);
    const int edit_width = EditWidth(kind, form.picker_shown);

    win32::SizeAndCentre(window_, kClientWidth, ClientHeight(kind));
    int y = kMargin;
    for (size_t i = 0; i < fields; ++i, y += kRow) {
      Place(window_, kFieldLabelIds[i], {kMargin, y, kClientWidth - 2 * kMargin, kLabelHeight});
      Place(window_, kFieldIds[i], {kMargin, y + 16, edit_width, kFieldHeight});
      Place(window_, kPickIds[i], {kMargin + full - kPickWidth, y + 16, kPickWidth, kFieldHeight});
      if (!form.picker_shown)
        ShowWindow(GetDlgItem(window_, kPickIds[i]), SW_HIDE);
      // Texts of any length: the host keeps whatever it is given.
      SendDlgItemMessageW(window_, kFieldIds[i], EM_SETLIMITTEXT, 0, 0);
      SetDlgItemTextA(window_, kFieldIds[i], form.texts[i].c_str());
    }
    if (IsCipherForm(kind)) {
      Place(window_, IDC_ALGORITHM_LABEL, {kMargin, y, full, kLabelHeight});
      Place(window_, IDC_ALGORITHM, {kMargin, y + 16, full, kListDropHeight});
      for (const std::string_view text : CipherListTexts()) AddItem(window_, IDC_ALGORITHM, text);
      y += kRow;
      Place(window_, IDC_HASH_LABEL, {kMargin, y, full, kLabelHeight});
      Place(window_, IDC_HASH, {kMargin, y + 16, full, kListDropHeight});
      for (const std::string_view text : KeyHashListTexts()) AddItem(window_, IDC_HASH, text);
      y += kRow + 3;
      Place(window_, IDC_DIRECTION, {kMargin, y, full, 50});
      Place(window_, IDC_ENCRYPT, {kMargin + 12, y + 20, 140, 20});
      Place(window_, IDC_DECRYPT, {kMargin + 12 + full / 2, y + 20, 140, 20});
      SendDlgItemMessageW(window_, IDC_ALGORITHM, CB_SETCURSEL, static_cast<WPARAM>(form.algorithm),
                          0);
      CheckRadioButton(window_, IDC_ENCRYPT, IDC_DECRYPT,
                       form.direction == kEncrypt ? IDC_ENCRYPT : IDC_DECRYPT);
    } else {
      Place(window_, IDC_HASH_LABEL, {kMargin, y, full, kLabelHeight});
      Place(window_, IDC_HASH, {kMargin, y + 16, full, kListDropHeight});
      for (const std::string_view text : HashingListTexts()) AddItem(window_, IDC_HASH, text);
    }
    // Out-of-range positions go to the list as they are; the list decides what it shows.
    SendDlgItemMessageW(window_, IDC_HASH, CB_SETCURSEL, static_cast<WPARAM>(form.hash), 0);
    footer_.Create(window_, kClientWidth, ClientHeight(kind));
    UpdateOk();
  }

  void Command(int id, int code) {
    for (size_t i = 0; i < TextFieldCount(dialog_->kind()); ++i) {
      if (id == kFieldIds[i] && code == EN_CHANGE) {
        dialog_->form().texts[i] = win32::WindowTextA(GetDlgItem(window_, id));
        UpdateOk();
        return;
      }
      if (id == kPickIds[i] && code == BN_CLICKED) {
        Pick(static_cast<int>(i) + 1);
        return;
      }
    }
    switch (id) {
      case IDOK:
        // Enter reaches here even while OK is disabled.
        if (dialog_->OkEnabled()) {
          ReadLists();
          EndDialog(window_, IDOK);
        }
        break;
      case IDCANCEL:
        EndDialog(window_, IDCANCEL);
        break;
      case IDC_FOOTER_HELP:
        MessageBoxW(window_, win32::LoadText(IDS_NOT_IMPLEMENTED).c_str(),
                    win32::LoadText(IDS_BOX_CAPTION).c_str(), MB_OK | MB_ICONINFORMATION);
        break;
      default:
        break;
    }
  }

  void Pick(int tag) {
    const bool changed = dialog_->Pick(tag);
    footer_.Repaint();
    if (!changed)
      return;
    const HWND field = GetDlgItem(window_, kFieldIds[static_cast<size_t>(tag - 1)]);
    SetWindowTextA(field, dialog_->form().texts[static_cast<size_t>(tag - 1)].c_str());
    SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageW(field, EM_SETSEL, 0, -1);
  }

  void ReadLists() {
    PropertiesForm& form = dialog_->form();
    form.hash = static_cast<int32_t>(SendDlgItemMessageW(window_, IDC_HASH, CB_GETCURSEL, 0, 0));
    if (!IsCipherForm(dialog_->kind()))
      return;
    form.algorithm =
        static_cast<int32_t>(SendDlgItemMessageW(window_, IDC_ALGORITHM, CB_GETCURSEL, 0, 0));
    form.direction = IsDlgButtonChecked(window_, IDC_ENCRYPT) == BST_CHECKED ? kEncrypt : kDecrypt;
  }

  void UpdateOk() { EnableWindow(GetDlgItem(window_, IDOK), dialog_->OkEnabled()); }

  HWND owner_;
  HWND window_ = nullptr;
  PropertiesDialog* dialog_ = nullptr;
  win32::Footer footer_;
};

}  // namespace

bool EditWithDialog(FormKind kind, char** slots) {
  Win32PropertiesView view;
  return EditProperties(kind, slots, view);
}

}  // namespace varkesh::ui
