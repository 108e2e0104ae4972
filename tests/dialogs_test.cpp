// The properties dialogs and the About box through the real exports. On Windows the host
// stand-in plays the author in the open dialog; elsewhere there is no dialog to show, and the
// edit step says so after filling (so broken parameters are still reported first).
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "host/host.h"
#include "hostlink/host_text.h"

#ifdef _WIN32
#  include "platform/win32.h"
#endif

namespace varkesh::test {
namespace {

using host::Answer;
using host::ControlState;
using host::DialogState;
using host::Host;
using host::Outcome;
using Params = std::vector<std::optional<std::string>>;

std::string Conversion(const std::string& text) {
  return "'" + text + "' no es un valor entero v\xE1lido";
}

class Dialogs : public testing::Test {
 protected:
  void SetUp() override {
    host_.Identify();
    host_.Register();
    // The plug-in keeps its callbacks for the life of the process, as in the real host.
    host_.SetInterfaceAccess(std::nullopt, std::nullopt);
  }

  void TearDown() override {
#ifndef _WIN32
    // On Windows the stand-in can only ask GlobalSize whether a block is still there, and the
    // dialogs' own use of the process heap soon reuses freed addresses.
    EXPECT_EQ(host_.heap().unfreed, 0);
    EXPECT_EQ(host_.heap().foreign_frees, 0);
#endif
  }

  // Opens action `action`'s dialog and carries out `steps`; the driver must have run them all.
  Outcome Edit(int action, const Params& params, const std::string& steps) {
    Outcome o = host_.Edit(action, params, host::ParseSteps(steps));
    EXPECT_EQ(o.dialog.errors, std::vector<std::string>{}) << steps;
    return o;
  }

  Host host_{VARKESH_PLUGIN};
};

#ifndef _WIN32

TEST_F(Dialogs, WithoutAWindowSystemTheEditStepFillsThenRefuses) {
  host_.SetInterfaceAccess(Answer{true, "5"}, std::nullopt);
  Outcome o = host_.Edit(2, {"a", "b", "c", "1", "2", "0"});
  EXPECT_FALSE(o.result);
  EXPECT_EQ(o.error, "No properties dialog is available in this build");
  EXPECT_EQ(o.replaced_slots, 0);
  EXPECT_EQ(host_.interface_requests(), std::vector<int32_t>{6});

  o = host_.Edit(3, {"a", "b", "x"});
  EXPECT_EQ(o.error, Conversion("x"));
  EXPECT_EQ(o.replaced_slots, 0);
  host_.About();
  EXPECT_EQ(host_.LastError(), "");
}

#else

// The same as its message box shows it (UTF-8): the accented letter stays one whatever the
// code page, and the host text is read in the system's (1251 in the tests).
std::string ConversionBox(const std::string& text) {
  std::string box = "'";
  box += FromHostText(text);
  box += "' no es un valor entero válido";
  return box;
}

const ControlState& Control(const DialogState& state, const std::string& name) {
  const ControlState* c = state.Find(name);
  if (c == nullptr)
    throw std::runtime_error("no control " + name);
  return *c;
}

const std::vector<std::string> kCiphers = {"BlowFish", "CAST 128", "CAST 256", "DES",    "3 DES",
                                           "ICE",      "Thin ICE", "ICE 2",    "IDEA",   "Mars",
                                           "Misty 1",  "RC2",      "RC4",      "RC5",    "RC6",
                                           "Rijndael", "SerPent",  "TEA",      "TwoFish"};
const std::vector<std::string> kKeyHashes = {"Haval", "MD4",     "MD5",     "RMD 128", "RMD 160",
                                             "SHA 1", "SHA 256", "SHA 384", "SHA 512", "Tiger"};
const std::vector<std::string> kHashes = {"MD5", "RMD 160", "SHA 256"};

TEST_F(Dialogs, ANewActionOpensAsDesigned) {
  struct Case {
    int action;
    const char* caption;
    std::vector<std::string> labels;  // of edCadenaCifrar, edVariable[, edContrasena]
    const char* name;
    const char* hint;
  };

  const Case cases[] = {
      {1,
       "VarkeshFile Свойства",
       {"&Имя исходного файла:", "&Имя конечного файла:", "&Ключ шифрования:"},
       "VarkeshFile",
       "Шифровать/Дешифровать указанный файл."},
      {2,
       "VarkeshString Свойства",
       {"&Исходная строка:", "&Сохранить результат в переменной:", "&Ключ шифрования:"},
       "VarkeshString",
       "Шифровать/Дешифровать строку."},
      {3,
       "OruFileHashing Свойства",
       {"&Имя файла:", "&Сохранить результат в переменной:"},
       "OruFileHashing",
       "Получить хеш-сумму указанного файла."},
      {4,
       "OruStringHashing Свойства",
       {"&Строка:", "&Сохранить результат в переменной:"},
       "OruStringHashing",
       "Получить хеш-сумму строки."},
  };
  const char* const kLabels[] = {"lbCadenaCifrar", "lbVariable", "lbContrasena"};
  const char* const kEdits[] = {"edCadenaCifrar", "edVariable", "edContrasena"};
  const char* const kPickers[] = {"btnVariables1", "btnVariables2", "btnVariables3"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caption);
    const bool cipher = c.action <= 2;
    host_.SetInterfaceAccess(Answer{true, "5"}, std::nullopt);
    const Outcome o = Edit(c.action, Params(cipher ? 6 : 3), "state; cancel");
    EXPECT_FALSE(o.result);
    EXPECT_EQ(o.replaced_slots, 0);
    ASSERT_EQ(o.dialog.states.size(), 1u);
    const DialogState& s = o.dialog.states[0];
    EXPECT_EQ(s.caption, c.caption);
    EXPECT_EQ(s.client_width, 356);
    EXPECT_EQ(s.client_height, cipher ? 460 : 319);
    EXPECT_FALSE(s.resizable);
    EXPECT_TRUE(s.common_controls_6);
    for (size_t i = 0; i < c.labels.size(); ++i) {
      EXPECT_EQ(Control(s, kLabels[i]).text, c.labels[i]);
      EXPECT_EQ(Control(s, kEdits[i]).text, "");
      EXPECT_EQ(Control(s, kEdits[i]).width, 289);
      EXPECT_TRUE(Control(s, kPickers[i]).visible);
    }
    const ControlState& hash = Control(s, "cbHash");
    EXPECT_EQ(Control(s, "lbHash").text, "&Хеш-функция:");
    EXPECT_EQ(hash.items, cipher ? kKeyHashes : kHashes);
    EXPECT_EQ(hash.selected, 0);
    EXPECT_EQ(Control(s, "lbAccion").text, c.name);
    EXPECT_TRUE(Control(s, "lbAccion").bold);
    EXPECT_EQ(Control(s, "lbAccion").text_color, 0xFFFFFFu);
    EXPECT_EQ(Control(s, "lbInformacion").text, c.hint);
    EXPECT_EQ(Control(s, "btnAceptar").text, "OK");
    EXPECT_FALSE(Control(s, "btnAceptar").enabled);
    EXPECT_EQ(Control(s, "btnCancelar").text, "Отмена");
    EXPECT_EQ(Control(s, "btnAyuda").text, "&Помощь");
    EXPECT_EQ(Control(s, "lbCadenaCifrar").font, "Arial");
    EXPECT_EQ(Control(s, "lbCadenaCifrar").font_height, 12);
    if (cipher) {
      EXPECT_EQ(Control(s, "lbAlgoritmo").text, "Ал&горитм шифрования:");
      EXPECT_EQ(Control(s, "cbAlgoritmo").items, kCiphers);
      EXPECT_EQ(Control(s, "cbAlgoritmo").selected, 0);
      EXPECT_EQ(Control(s, "rgCifrarDescifrar").text, "Требуемое действие");
      EXPECT_EQ(Control(s, "rbCifrar").text, "Шифровать");
      EXPECT_EQ(Control(s, "rbDescifrar").text, "Дешифровать");
      EXPECT_FALSE(Control(s, "rbCifrar").checked);
      EXPECT_TRUE(Control(s, "rbDescifrar").checked);
      // The two choices side by side.
      EXPECT_EQ(Control(s, "rbCifrar").y, Control(s, "rbDescifrar").y);
      EXPECT_EQ(s.tab_order, (std::vector<std::string>{
                                 "edCadenaCifrar", "edVariable", "edContrasena", "cbAlgoritmo",
                                 "cbHash", "rbDescifrar", "btnCancelar", "btnAyuda",
                                 "btnVariables1", "btnVariables2", "btnVariables3"}));
    } else {
      EXPECT_EQ(s.Find("cbAlgoritmo"), nullptr);
      EXPECT_EQ(s.Find("edContrasena"), nullptr);
      EXPECT_EQ(s.tab_order,
                (std::vector<std::string>{"edCadenaCifrar", "edVariable", "cbHash", "btnCancelar",
                                          "btnAyuda", "btnVariables1", "btnVariables2"}));
    }
  }
}

TEST_F(Dialogs, OkIsEnabledExactlyWhileEveryTextFieldHoldsText) {
  const Outcome o = Edit(2, Params(6),
                         "set edCadenaCifrar=a; set edVariable=b; state; set edContrasena=c; "
                         "state; set edVariable=; state; ok; state; key enter; state; "
                         "set edVariable=b; state; key enter");
  ASSERT_EQ(o.dialog.states.size(), 6u);
  const bool expected[] = {false, true, false, false, false, true};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(Control(o.dialog.states[i], "btnAceptar").enabled, expected[i]) << i;
  }
  // OK and Enter did nothing while OK was disabled; the last Enter confirmed.
  EXPECT_TRUE(o.result);
  EXPECT_EQ(o.parameters, (Params{"a", "b", "c", "0", "0", "1"}));

  const Outcome hashing =
      Edit(4, Params(3), "set edCadenaCifrar=x; state; set edVariable=R; state; ok");
  EXPECT_FALSE(Control(hashing.dialog.states[0], "btnAceptar").enabled);
  EXPECT_TRUE(Control(hashing.dialog.states[1], "btnAceptar").enabled);
  EXPECT_EQ(hashing.parameters, (Params{"x", "R", "0"}));
}

TEST_F(Dialogs, CancelEscAndTheCloseBoxLeaveEverySlot) {
  const Params before = {"src", "dst", "pw", "3", "4", "0"};
  for (const char* closing : {"cancel", "key esc", "close"}) {
    const Outcome o =
        Edit(1, before,
             std::string("set edCadenaCifrar=other; select cbAlgoritmo=7; radio 1; ") + closing);
    EXPECT_FALSE(o.result) << closing;
    EXPECT_EQ(o.replaced_slots, 0) << closing;
    EXPECT_EQ(o.parameters, before) << closing;
    EXPECT_EQ(o.error, "") << closing;
  }
}

TEST_F(Dialogs, DirectionOpensAndWritesBack) {
  struct Case {
    std::optional<std::string> slot;
    bool encrypt;
  };

  for (const Case& c : {Case{"0", true}, Case{"$0", true}, Case{"1", false}, Case{"2", false},
                        Case{"-7", false}, Case{"", false}, Case{std::nullopt, false}}) {
    const std::string label = c.slot.value_or("<null>");
    const Outcome o = Edit(2, {"a", "b", "c", "0", "0", c.slot}, "state; ok");
    ASSERT_EQ(o.dialog.states.size(), 1u) << label;
    EXPECT_EQ(Control(o.dialog.states[0], "rbCifrar").checked, c.encrypt) << label;
    EXPECT_EQ(Control(o.dialog.states[0], "rbDescifrar").checked, !c.encrypt) << label;
    EXPECT_EQ(o.parameters[5], c.encrypt ? "0" : "1") << label;
  }
  EXPECT_EQ(Edit(2, {"a", "b", "c", "0", "0", "1"}, "radio 0; ok").parameters[5], "0");
  EXPECT_EQ(Edit(2, {"a", "b", "c", "0", "0", "0"}, "radio 1; ok").parameters[5], "1");
}

TEST_F(Dialogs, ConfirmingRewritesEverySlotNormalised) {
  Outcome o = Edit(1, {"src", "dst", "pw", " +3", "$9", "0x2"}, "state; ok");
  EXPECT_TRUE(o.result);
  EXPECT_EQ(Control(o.dialog.states[0], "cbAlgoritmo").selected, 3);
  EXPECT_EQ(Control(o.dialog.states[0], "cbHash").selected, 9);
  EXPECT_EQ(o.parameters, (Params{"src", "dst", "pw", "3", "9", "1"}));
  EXPECT_EQ(o.replaced_slots, 6);

  // The author's choices, with text the host's code page carries.
  o = Edit(2, Params(6),
           "set edCadenaCifrar=Привет, мир; set edVariable=Итог; set edContrasena=ключ; "
           "select cbAlgoritmo=18; select cbHash=9; radio 0; ok");
  EXPECT_EQ(o.parameters, (Params{ToHostText("Привет, мир"), ToHostText("Итог"), ToHostText("ключ"),
                                  "18", "9", "0"}));

  o = Edit(3, {"file.bin", "Sum", "0x2"}, "ok");
  EXPECT_EQ(o.parameters, (Params{"file.bin", "Sum", "2"}));
  EXPECT_EQ(o.replaced_slots, 3);

  // An index beyond the list leaves the list without a selection, and that is what OK keeps.
  o = Edit(4, {"t", "V", "7"}, "state; ok");
  EXPECT_EQ(Control(o.dialog.states[0], "cbHash").selected, -1);
  EXPECT_EQ(o.parameters, (Params{"t", "V", "-1"}));
}

TEST_F(Dialogs, ABrokenNumberIsReportedBeforeAnyDialogShows) {
  const std::string two = ToHostText("два");
  for (const auto& [action, params, quoted] :
       {std::tuple<int, Params, std::string>{1, {"a", "b", "c", "1", "x", "0"}, "x"},
        {2, {"a", "b", "c", "1", "2", "1.0"}, "1.0"},
        {4, {"a", "b", "2 "}, "2 "},
        {4, {"a", "b", two}, two}}) {
    const Outcome o = Edit(action, params, "");
    EXPECT_FALSE(o.result);
    EXPECT_EQ(o.dialog.dialogs_shown, 0);
    EXPECT_EQ(o.error, Conversion(quoted));
    EXPECT_EQ(o.message_boxes, std::vector<std::string>{ConversionBox(quoted)});
    EXPECT_EQ(o.replaced_slots, 0);
  }
}

TEST_F(Dialogs, TheHostVersionShowsOrHidesThePickers) {
  struct Case {
    std::optional<std::string> version;  // none: no interface-access callback
    bool shown;
    bool error_box;
  };

  for (const Case& c : {Case{std::nullopt, false, false}, Case{"4.0", false, false},
                        Case{"5", true, false}, Case{"12", false, false}, Case{"x", true, true}}) {
    const std::string label = c.version.value_or("<none>");
    if (c.version) {
      host_.SetInterfaceAccess(Answer{true, *c.version}, std::nullopt);
    } else {
      host_.SetInterfaceAccess(std::nullopt, std::nullopt);
    }
    for (const int action : {2, 3}) {
      const Outcome o = Edit(action, Params(action == 2 ? 6 : 3), "state; cancel");
      const DialogState& s = o.dialog.states.at(0);
      const int width = c.shown ? 289 : (action == 2 ? 316 : 315);
      EXPECT_EQ(Control(s, "edCadenaCifrar").width, width) << label;
      EXPECT_EQ(Control(s, "edVariable").width, width) << label;
      EXPECT_EQ(Control(s, "btnVariables1").visible, c.shown) << label;
      EXPECT_EQ(Control(s, "btnVariables2").visible, c.shown) << label;
      if (action == 2) {
        EXPECT_EQ(Control(s, "edContrasena").width, width) << label;
        EXPECT_EQ(Control(s, "btnVariables3").visible, c.shown) << label;
      }
      // A field that takes the buttons' place ends where they ended.
      const ControlState& button = Control(s, "btnVariables1");
      EXPECT_EQ(Control(s, "edCadenaCifrar").x + (action == 2 ? 316 : 315),
                button.x + button.width);
      EXPECT_EQ(o.message_boxes, c.error_box ? std::vector<std::string>{ConversionBox("x") + "."}
                                             : std::vector<std::string>{})
          << label;
    }
  }
}

TEST_F(Dialogs, APickedVariableGoesInFrontAndIsSelected) {
  host_.SetInterfaceAccess(Answer{true, "5"}, Answer{true, "%Picked%"});
  Outcome o = Edit(2, {"T", "", "key", "0", "0", "0"}, "pick 1; state; pick 2; pick 3; state; ok");
  const ControlState& first = Control(o.dialog.states[0], "edCadenaCifrar");
  EXPECT_EQ(first.text, "%Picked%T");
  EXPECT_TRUE(first.focused);
  EXPECT_EQ(first.selection_start, 0);
  EXPECT_EQ(first.selection_end, 9);
  EXPECT_TRUE(Control(o.dialog.states[1], "edContrasena").focused);
  EXPECT_TRUE(o.result);
  EXPECT_EQ(o.parameters, (Params{"%Picked%T", "%Picked%", "%Picked%key", "0", "0", "0"}));
  EXPECT_EQ(host_.interface_requests(), (std::vector<int32_t>{6, 14, 14, 14}));

  // The host lets nobody pick: nothing changes.
  host_.SetInterfaceAccess(Answer{true, "5"}, Answer{false, "%Ignored%"});
  o = Edit(4, {"T", "V", "0"}, "pick 1; pick 2; ok");
  EXPECT_EQ(o.parameters, (Params{"T", "V", "0"}));
}

TEST_F(Dialogs, LabelAcceleratorsMoveTheFocusAndHelpIsNotThereYet) {
  const Outcome o = Edit(2, Params(6),
                         "key alt+С; state; key alt+К; state; key alt+г; state; key alt+Х; state; "
                         "key alt+И; state; help; cancel");
  const char* const focused[] = {"edVariable", "edContrasena", "cbAlgoritmo", "cbHash",
                                 "edCadenaCifrar"};
  ASSERT_EQ(o.dialog.states.size(), std::size(focused));
  for (size_t i = 0; i < std::size(focused); ++i) {
    EXPECT_TRUE(Control(o.dialog.states[i], focused[i]).focused) << focused[i];
  }
  EXPECT_EQ(o.message_boxes, std::vector<std::string>{"Не реализовано."});
}

// A window of the host's own that is active when the call comes.
class HostWindow {
 public:
  HostWindow() {
    window_ = CreateWindowExW(0, L"STATIC", L"Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                              300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetActiveWindow(window_);
  }

  ~HostWindow() { DestroyWindow(window_); }

  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST_F(Dialogs, DialogsAreModalAndOwnedByTheActiveWindow) {
  const HostWindow window;
  ASSERT_EQ(GetActiveWindow(), window.get());
  const Outcome o = Edit(3, Params(3), "state; cancel");
  const host::DialogReport about = host_.About(host::ParseSteps("state; ok"));
  for (const DialogState& s : {o.dialog.states.at(0), about.states.at(0)}) {
    EXPECT_EQ(s.owner, reinterpret_cast<uintptr_t>(window.get())) << s.caption;
    EXPECT_FALSE(s.owner_enabled) << s.caption;
  }
  EXPECT_TRUE(IsWindowEnabled(window.get()));
}

TEST_F(Dialogs, TheAboutBox) {
  const host::DialogReport report =
      host_.About(host::ParseSteps("state; click lbWeb; click lbCorreo; click imgPaypal; "
                                   "click lbAutor; key enter"));
  EXPECT_EQ(report.errors, std::vector<std::string>{});
  ASSERT_EQ(report.states.size(), 1u);
  const DialogState& s = report.states[0];
  EXPECT_EQ(s.caption, "О плагине Varkesh");
  EXPECT_EQ(s.client_width, 363);
  EXPECT_EQ(s.client_height, 315);
  EXPECT_FALSE(s.resizable);
  const ControlState& project = Control(s, "lbProyecto");
  const ControlState& beta = Control(s, "lbBeta");
  EXPECT_EQ(project.text, "Varkesh 1.0");
  EXPECT_TRUE(project.bold);
  EXPECT_EQ(project.font_height, 19);
  EXPECT_EQ(beta.text, "beta");
  EXPECT_EQ(beta.text_color, 0xFF0000u);
  EXPECT_TRUE(beta.bold);
  EXPECT_EQ(beta.font_height, 13);
  EXPECT_GE(beta.x, project.x + project.width);  // to the right of the name
  EXPECT_EQ(Control(s, "lbAutor").text, "Brannoc");
  for (const char* link : {"lbWeb", "lbCorreo"}) {
    EXPECT_EQ(Control(s, link).text_color, 0x0000FFu) << link;
    EXPECT_TRUE(Control(s, link).underline) << link;
  }
  EXPECT_EQ(Control(s, "GroupBox1").text, "Новая серия плагинов OruPlugins");
  EXPECT_EQ(Control(s, "btnAceptar").text, "OK");

  const std::string web = "http://" + Control(s, "lbWeb").text;
  const std::string mail = "mailto:" + Control(s, "lbCorreo").text;
  ASSERT_EQ(report.shell.size(), 3u);  // the author label is no link
  const std::string targets[] = {web, mail, web};
  for (size_t i = 0; i < 3; ++i) {
    const host::ShellRequest& r = report.shell[i];
    EXPECT_EQ(r.file, targets[i]);
    EXPECT_EQ(r.size, 60u);
    EXPECT_EQ(r.mask, 0x40u);
    EXPECT_TRUE(r.owner_is_desktop);
    EXPECT_EQ(r.verb, std::nullopt);
    EXPECT_EQ(r.parameters, "");
    EXPECT_EQ(r.directory, std::nullopt);
    EXPECT_EQ(r.show, 1);
  }

  // Esc closes it too (the driver reports a box still open after the last step).
  EXPECT_EQ(host_.About(host::ParseSteps("key esc")).errors, std::vector<std::string>{});
  EXPECT_EQ(host_.LastError(), "");
}

#endif

}  // namespace
}  // namespace varkesh::test
