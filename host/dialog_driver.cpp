#include "host/dialog_driver.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

#ifdef _WIN32
#  include <chrono>
#  include <cstring>
#  include <fstream>

#  include "platform/win32.h"
#  include "ui/win32/ids.h"
// Needs <windows.h> first.
#  include <commctrl.h>
#  include <shellapi.h>
#endif

namespace varkesh::host {

namespace {

// Blanks, and the carriage returns of scripts written with Windows line ends.
std::string Trim(const std::string& s) {
  constexpr const char* kBlank = " \r";
  const size_t first = s.find_first_not_of(kBlank);
  if (first == std::string::npos)
    return {};
  return s.substr(first, s.find_last_not_of(kBlank) - first + 1);
}

DialogStep ParseStep(const std::string& text) {
  using Kind = DialogStep::Kind;
  const size_t space = text.find(' ');
  const std::string verb = text.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : Trim(text.substr(space + 1));
  const size_t equals = rest.find('=');
  const auto assignment = [&](Kind kind) {
    if (equals == std::string::npos)
      throw std::invalid_argument("step \"" + text + "\" needs NAME=VALUE");
    return DialogStep{kind, Trim(rest.substr(0, equals)), rest.substr(equals + 1)};
  };
  if (verb == "set")
    return assignment(Kind::kSet);
  if (verb == "select")
    return assignment(Kind::kSelect);
  if (verb == "click" && !rest.empty())
    return {Kind::kClick, rest, ""};
  if (verb == "key" && !rest.empty())
    return {Kind::kKey, rest, ""};
  if (verb == "shot" && !rest.empty())
    return {Kind::kShot, rest, ""};
  if (verb == "pick" && (rest == "1" || rest == "2" || rest == "3"))
    return {Kind::kClick, "btnVariables" + rest, ""};
  if (verb == "radio" && (rest == "0" || rest == "1"))
    return {Kind::kClick, rest == "0" ? "rbCifrar" : "rbDescifrar", ""};
  if (rest.empty()) {
    if (verb == "ok")
      return {Kind::kClick, "btnAceptar", ""};
    if (verb == "cancel")
      return {Kind::kClick, "btnCancelar", ""};
    if (verb == "help")
      return {Kind::kClick, "btnAyuda", ""};
    if (verb == "close")
      return {Kind::kClose, "", ""};
    if (verb == "state")
      return {Kind::kState, "", ""};
  }
  throw std::invalid_argument("unknown step \"" + text + "\"");
}

}  // namespace

std::vector<DialogStep> ParseSteps(const std::string& script) {
  std::vector<DialogStep> steps;
  std::string text = script;
  for (char& c : text) {
    if (c == '\n')
      c = ';';
  }
  std::stringstream in(text);
  std::string part;
  while (std::getline(in, part, ';')) {
    part = Trim(part);
    if (!part.empty())
      steps.push_back(ParseStep(part));
  }
  return steps;
}

const ControlState* DialogState::Find(const std::string& name) const {
  for (const ControlState& c : controls) {
    if (c.name == name)
      return &c;
  }
  return nullptr;
}

std::string Describe(const DialogReport& report) {
  std::ostringstream out;
  for (const DialogState& state : report.states) {
    out << "dialog \"" << state.caption << "\" " << state.client_width << "x" << state.client_height
        << (state.resizable ? " resizable" : "") << (state.common_controls_6 ? " comctl6" : "")
        << "\n";
    for (const ControlState& c : state.controls) {
      out << "  " << c.name << " " << c.kind << " \"" << c.text << "\" " << c.x << "," << c.y << " "
          << c.width << "x" << c.height;
      if (!c.visible)
        out << " hidden";
      if (!c.enabled)
        out << " disabled";
      if (c.focused)
        out << " focused";
      if (c.checked)
        out << " checked";
      if (!c.items.empty()) {
        out << " selected " << c.selected;
        if (c.selected >= 0 && static_cast<size_t>(c.selected) < c.items.size())
          out << " \"" << c.items[static_cast<size_t>(c.selected)] << "\"";
        out << " of " << c.items.size();
      }
      if (c.kind == "Edit")
        out << " selection " << c.selection_start << ".." << c.selection_end;
      if (c.text_color) {
        char color[16];
        std::snprintf(color, sizeof(color), " #%06X", static_cast<unsigned>(*c.text_color));
        out << color;
      }
      if (c.bold)
        out << " bold";
      if (c.underline)
        out << " underlined";
      out << "\n";
    }
    out << "  tab order:";
    for (const std::string& name : state.tab_order) out << " " << name;
    out << "\n";
  }
  for (const ShellRequest& r : report.shell) {
    out << "shell: size " << r.size << " mask 0x" << std::hex << r.mask << std::dec
        << (r.owner_is_desktop ? " owner desktop" : " owner other") << " verb "
        << r.verb.value_or("<none>") << " file " << r.file.value_or("<none>") << " parameters \""
        << r.parameters.value_or("<none>") << "\" directory " << r.directory.value_or("<none>")
        << " show " << r.show << "\n";
  }
  for (const std::string& e : report.errors) out << "driver: " << e << "\n";
  return out.str();
}

#ifndef _WIN32

struct DialogDriver::Impl {};

DialogDriver::DialogDriver(void*, std::vector<DialogStep> steps, DialogReport& report)
    : impl_(nullptr) {
  if (!steps.empty())
    report.errors.push_back("dialogs need Windows: no step was run");
}

DialogDriver::~DialogDriver() { delete impl_; }

#else

namespace {

struct NamedControl {
  const char* name;
  int id;
};

constexpr NamedControl kPropertiesControls[] = {
    {"lbCadenaCifrar", IDC_SOURCE_LABEL},
    {"edCadenaCifrar", IDC_SOURCE},
    {"lbVariable", IDC_VARIABLE_LABEL},
    {"edVariable", IDC_VARIABLE},
    {"lbContrasena", IDC_PASSWORD_LABEL},
    {"edContrasena", IDC_PASSWORD},
    {"lbAlgoritmo", IDC_ALGORITHM_LABEL},
    {"cbAlgoritmo", IDC_ALGORITHM},
    {"lbHash", IDC_HASH_LABEL},
    {"cbHash", IDC_HASH},
    {"rgCifrarDescifrar", IDC_DIRECTION},
    {"rbCifrar", IDC_ENCRYPT},
    {"rbDescifrar", IDC_DECRYPT},
    {"iconoAyuda", IDC_FOOTER_ICON},
    {"lbAccion", IDC_FOOTER_ACTION},
    {"lbInformacion", IDC_FOOTER_INFO},
    {"btnAceptar", IDOK},
    {"btnCancelar", IDCANCEL},
    {"btnAyuda", IDC_FOOTER_HELP},
    {"btnVariables1", IDC_PICK1},
    {"btnVariables2", IDC_PICK2},
    {"btnVariables3", IDC_PICK3},
};

constexpr NamedControl kAboutControls[] = {
    {"lbProyecto", IDC_ABOUT_PROJECT},
    {"lbBeta", IDC_ABOUT_BETA},
    {"lbAutor", IDC_ABOUT_AUTHOR},
    {"lbWeb", IDC_ABOUT_WEB},
    {"lbCorreo", IDC_ABOUT_MAIL},
    {"GroupBox1", IDC_ABOUT_SERIES},
    {"imgPaypal", IDC_ABOUT_DONATE},
    {"lbCreditos", IDC_ABOUT_CREDIT},
    {"btnAceptar", IDOK},
};

std::string Utf8(const wchar_t* text, int length = -1) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), n, nullptr, nullptr);
  if (length == -1 && !out.empty())
    out.pop_back();  // the terminator
  return out;
}

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string TextOf(HWND window) {
  std::wstring buffer(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  const int n = GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
  return Utf8(buffer.data(), n);
}

std::string ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return Utf8(name);
}

std::optional<std::string> Optional(const wchar_t* text) {
  return text != nullptr ? std::optional<std::string>(Utf8(text)) : std::nullopt;
}

// Swaps one function the plug-in imports for our own while it lives.
class ImportPatch {
 public:
  ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (module == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE)
      return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
      return;
    for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name != 0; ++d) {
      if (_stricmp(reinterpret_cast<const char*>(base + d->Name), dll) != 0)
        continue;
      auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
          base + (d->OriginalFirstThunk != 0 ? d->OriginalFirstThunk : d->FirstThunk));
      auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
      for (; names->u1.AddressOfData != 0; ++names, ++slots) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
          continue;
        const auto* by_name =
            reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) != 0)
          continue;
        slot_ = &slots->u1.Function;
        original_ = *slot_;
        Write(reinterpret_cast<decltype(original_)>(replacement));
        return;
      }
    }
  }

  ~ImportPatch() {
    if (slot_ != nullptr)
      Write(original_);
  }

  ImportPatch(const ImportPatch&) = delete;
  ImportPatch& operator=(const ImportPatch&) = delete;

  bool active() const { return slot_ != nullptr; }

 private:
  using Slot = decltype(IMAGE_THUNK_DATA{}.u1.Function);

  void Write(Slot value) {
    DWORD old = 0;
    VirtualProtect(slot_, sizeof(*slot_), PAGE_READWRITE, &old);
    *slot_ = value;
    VirtualProtect(slot_, sizeof(*slot_), old, &old);
  }

  Slot* slot_ = nullptr;
  Slot original_ = 0;
};

}  // namespace

struct DialogDriver::Impl {
  using Clock = std::chrono::steady_clock;

  Impl(void* module, std::vector<DialogStep> steps_to_run, DialogReport& out)
      : steps(std::move(steps_to_run)),
        report(out),
        shell_patch(static_cast<HMODULE>(module),
                    "shell32.dll",
                    "ShellExecuteExW",
                    reinterpret_cast<void*>(&Impl::RecordShell)) {
    current = this;
    timer = SetTimer(nullptr, 0, 30, &Impl::Tick);
    last_progress = Clock::now();
  }

  ~Impl() {
    KillTimer(nullptr, timer);
    current = nullptr;
    if (next < steps.size()) {
      report.errors.push_back(
          std::to_string(steps.size() - next) + " step(s) not run: " +
          (report.dialogs_shown == 0 ? "no dialog was shown" : "the dialog had closed"));
    }
  }

  static BOOL WINAPI RecordShell(SHELLEXECUTEINFOW* info) {
    if (current == nullptr || info == nullptr)
      return FALSE;
    ShellRequest r;
    r.size = info->cbSize;
    r.mask = info->fMask;
    r.owner_is_desktop = info->hwnd == GetDesktopWindow();
    r.verb = Optional(info->lpVerb);
    r.file = Optional(info->lpFile);
    r.parameters = Optional(info->lpParameters);
    r.directory = Optional(info->lpDirectory);
    r.show = info->nShow;
    current->report.shell.push_back(std::move(r));
    info->hInstApp = reinterpret_cast<HINSTANCE>(33);
    info->hProcess = nullptr;
    return TRUE;
  }

  static BOOL CALLBACK Collect(HWND window, LPARAM found) {
    if (IsWindowVisible(window) && ClassOf(window) == "#32770" &&
        (GetDlgItem(window, IDC_FOOTER_INFO) != nullptr ||
         GetDlgItem(window, IDC_ABOUT_PROJECT) != nullptr)) {
      *reinterpret_cast<HWND*>(found) = window;
      return FALSE;
    }
    return TRUE;
  }

  static HWND FindDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), &Impl::Collect, reinterpret_cast<LPARAM>(&found));
    return found;
  }

  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current != nullptr && !current->busy) {
      current->busy = true;
      current->Advance();
      current->busy = false;
    }
  }

  void Advance() {
    const HWND dialog = FindDialog();
    if (dialog == nullptr)
      return;
    if (dialog != last_dialog) {
      last_dialog = dialog;
      ++report.dialogs_shown;
      last_progress = Clock::now();
    }
    // A message box of its own is up: wait until it is answered.
    if (!IsWindowEnabled(dialog)) {
      if (Clock::now() - last_progress > std::chrono::seconds(15)) {
        report.errors.push_back("the dialog stayed blocked; cancelled");
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        last_progress = Clock::now();
      }
      return;
    }
    last_progress = Clock::now();
    if (next < steps.size()) {
      Run(dialog, steps[next++]);
      return;
    }
    if (!steps.empty() && !cancelled_open) {
      report.errors.push_back("the dialog was still open after the last step; cancelled");
    }
    cancelled_open = true;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  }

  const NamedControl* Controls(HWND dialog, size_t* count) const {
    if (GetDlgItem(dialog, IDC_ABOUT_PROJECT) != nullptr) {
      *count = std::size(kAboutControls);
      return kAboutControls;
    }
    *count = std::size(kPropertiesControls);
    return kPropertiesControls;
  }

  HWND Control(HWND dialog, const std::string& name) {
    size_t count = 0;
    const NamedControl* controls = Controls(dialog, &count);
    for (size_t i = 0; i < count; ++i) {
      if (name == controls[i].name)
        return GetDlgItem(dialog, controls[i].id);
    }
    return nullptr;
  }

  std::string NameOf(HWND dialog, HWND control) const {
    size_t count = 0;
    const NamedControl* controls = Controls(dialog, &count);
    const int id = GetDlgCtrlID(control);
    for (size_t i = 0; i < count; ++i) {
      if (controls[i].id == id)
        return controls[i].name;
    }
    char unnamed[16];
    std::snprintf(unnamed, sizeof(unnamed), "#%d", id);
    return unnamed;
  }

  void Run(HWND dialog, const DialogStep& step) {
    using Kind = DialogStep::Kind;
    HWND control = nullptr;
    if (step.kind == Kind::kSet || step.kind == Kind::kSelect || step.kind == Kind::kClick) {
      control = Control(dialog, step.target);
      if (control == nullptr) {
        report.errors.push_back("no control " + step.target);
        return;
      }
    }
    switch (step.kind) {
      case Kind::kSet:
        SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(step.value).c_str()));
        break;
      case Kind::kSelect:
        SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(std::stoi(step.value)), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(control));
        break;
      case Kind::kClick:
        if (ClassOf(control) == "Button") {
          PostMessageW(control, BM_CLICK, 0, 0);
        } else {
          PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
          PostMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
        }
        break;
      case Kind::kKey:
        PressKey(dialog, step.target);
        break;
      case Kind::kClose:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
      case Kind::kState:
        report.states.push_back(Capture(dialog));
        break;
      case Kind::kShot:
        Shoot(dialog, step.target);
        break;
    }
  }

  void PressKey(HWND dialog, const std::string& key) {
    HWND focus = GetFocus();
    if (focus == nullptr)
      focus = dialog;
    if (key.rfind("alt+", 0) == 0) {
      const std::wstring letter = Wide(key.substr(4));
      if (letter.size() == 1) {
        PostMessageW(focus, WM_SYSCHAR, letter[0], 1 << 29);
        return;
      }
    }
    UINT code = 0;
    if (key == "esc")
      code = VK_ESCAPE;
    else if (key == "enter")
      code = VK_RETURN;
    else if (key == "tab")
      code = VK_TAB;
    if (code == 0) {
      report.errors.push_back("no key " + key);
      return;
    }
    PostMessageW(focus, WM_KEYDOWN, code, 1);
    PostMessageW(focus, WM_KEYUP, code, 1 | (3u << 30));
  }

  DialogState Capture(HWND dialog) {
    DialogState state;
    state.caption = TextOf(dialog);
    RECT client{};
    GetClientRect(dialog, &client);
    state.client_width = client.right;
    state.client_height = client.bottom;
    state.resizable = (GetWindowLongW(dialog, GWL_STYLE) & WS_THICKFRAME) != 0;
    const HWND owner = GetWindow(dialog, GW_OWNER);
    state.owner = reinterpret_cast<uintptr_t>(owner);
    state.owner_enabled = owner == nullptr || IsWindowEnabled(owner);
    SIZE ideal{};
    state.common_controls_6 = SendMessageW(GetDlgItem(dialog, IDOK), BCM_GETIDEALSIZE, 0,
                                           reinterpret_cast<LPARAM>(&ideal)) != 0;

    size_t count = 0;
    const NamedControl* controls = Controls(dialog, &count);
    for (size_t i = 0; i < count; ++i) {
      const HWND window = GetDlgItem(dialog, controls[i].id);
      if (window == nullptr)
        continue;
      ControlState c;
      c.name = controls[i].name;
      c.kind = ClassOf(window);
      c.text = TextOf(window);
      c.visible = IsWindowVisible(window) != FALSE;
      c.enabled = IsWindowEnabled(window) != FALSE;
      c.focused = GetFocus() == window;
      RECT r{};
      GetWindowRect(window, &r);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
      c.x = r.left;
      c.y = r.top;
      c.width = r.right - r.left;
      c.height = r.bottom - r.top;
      if (c.kind == "Button")
        c.checked = SendMessageW(window, BM_GETCHECK, 0, 0) == BST_CHECKED;
      if (c.kind == "ComboBox") {
        c.selected = static_cast<int>(SendMessageW(window, CB_GETCURSEL, 0, 0));
        const auto n = static_cast<int>(SendMessageW(window, CB_GETCOUNT, 0, 0));
        for (int k = 0; k < n; ++k) {
          std::wstring item(static_cast<size_t>(SendMessageW(window, CB_GETLBTEXTLEN, k, 0)) + 1,
                            L'\0');
          SendMessageW(window, CB_GETLBTEXT, k, reinterpret_cast<LPARAM>(item.data()));
          c.items.push_back(Utf8(item.c_str()));
        }
      }
      if (c.kind == "Edit") {
        DWORD start = 0, end = 0;
        SendMessageW(window, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        c.selection_start = static_cast<int>(start);
        c.selection_end = static_cast<int>(end);
      }
      LOGFONTW font{};
      if (GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)), sizeof(font),
                     &font) != 0) {
        c.font = Utf8(font.lfFaceName);
        c.font_height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
        c.bold = font.lfWeight >= FW_BOLD;
        c.underline = font.lfUnderline != 0;
      }
      if (c.kind == "Static")
        c.text_color = TextColor(dialog, window);
      state.controls.push_back(std::move(c));
    }

    const HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND item = first; item != nullptr && state.tab_order.size() < 32;) {
      state.tab_order.push_back(NameOf(dialog, item));
      item = GetNextDlgTabItem(dialog, item, FALSE);
      if (item == first)
        break;
    }
    return state;
  }

  // The colour the dialog gives a label's text, asked the way the label itself asks.
  static std::optional<uint32_t> TextColor(HWND dialog, HWND label) {
    const HDC dc = CreateCompatibleDC(nullptr);
    const COLORREF unset = RGB(1, 2, 3);
    SetTextColor(dc, unset);
    SendMessageW(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(label));
    const COLORREF color = GetTextColor(dc);
    DeleteDC(dc);
    if (color == unset)
      return std::nullopt;
    return (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
  }

  void Shoot(HWND dialog, const std::string& path) {
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT r{};
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const HDC window_dc = GetWindowDC(dialog);
    const HDC memory = CreateCompatibleDC(window_dc);
    const HBITMAP bitmap = CreateDIBSection(window_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, window_dc, 0, 0, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD image_size = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
    file.bfSize = file.bfOffBits + image_size;
    info.bmiHeader.biSizeImage = image_size;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(info.bmiHeader));
    out.write(static_cast<const char*>(bits), image_size);
    if (!out)
      report.errors.push_back("cannot write " + path);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(dialog, window_dc);
  }

  static inline Impl* current = nullptr;

  std::vector<DialogStep> steps;
  size_t next = 0;
  DialogReport& report;
  ImportPatch shell_patch;
  UINT_PTR timer = 0;
  bool busy = false;
  bool cancelled_open = false;
  HWND last_dialog = nullptr;
  Clock::time_point last_progress;
};

DialogDriver::DialogDriver(void* module, std::vector<DialogStep> steps, DialogReport& report)
    : impl_(new Impl(module, std::move(steps), report)) {}

DialogDriver::~DialogDriver() { delete impl_; }

#endif

}  // namespace varkesh::host
