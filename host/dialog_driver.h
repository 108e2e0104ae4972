// Plays the author in the plug-in's dialogs while an export runs: finds the dialog the call
// opened, carries out a list of steps (type into fields, pick list entries, click buttons,
// press keys), and records what the dialog looked like and what it asked the shell to open.
// Needs Windows; elsewhere no dialog ever opens and the driver only notes that.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varkesh::host {

// One thing the author does. Controls are named as in the dialogs' design: edCadenaCifrar,
// edVariable, edContrasena, cbAlgoritmo, cbHash, rbCifrar, rbDescifrar, btnVariables1-3,
// btnAceptar, btnCancelar, btnAyuda; in the About box lbWeb, lbCorreo, imgPaypal, btnAceptar.
struct DialogStep {
  enum class Kind {
    kSet,     // target's text becomes value (UTF-8), as if typed
    kSelect,  // list target selects entry number value
    kClick,   // a mouse click on target
    kKey,     // key target: esc, enter, tab, or alt+<letter>
    kClose,   // the close box in the caption
    kState,   // records a DialogState
    kShot,    // saves a picture of the dialog to the BMP file target
  };

  Kind kind;
  std::string target;
  std::string value;
};

// Parses steps separated by ';' or line ends:
//   set NAME=TEXT   select NAME=N   click NAME   key KEY   close   state   shot FILE
// and the short forms ok, cancel, help (click btnAceptar/btnCancelar/btnAyuda), pick N
// (click btnVariablesN) and radio 0|1 (click rbCifrar/rbDescifrar). Throws
// std::invalid_argument for anything else.
std::vector<DialogStep> ParseSteps(const std::string& script);

struct ControlState {
  std::string name;
  std::string kind;  // window class: Edit, ComboBox, Button, Static
  std::string text;  // UTF-8
  bool visible = false;
  bool enabled = false;
  bool focused = false;
  int x = 0, y = 0, width = 0, height = 0;     // client pixels
  bool checked = false;                        // buttons
  int selected = -1;                           // lists
  std::vector<std::string> items;              // lists
  int selection_start = 0, selection_end = 0;  // edits
  std::string font;                            // face name
  int font_height = 0;                         // pixels
  bool bold = false;
  bool underline = false;
  std::optional<uint32_t> text_color;  // 0xRRGGBB, for labels that set one
};

struct DialogState {
  std::string caption;
  int client_width = 0, client_height = 0;
  bool resizable = false;
  bool common_controls_6 = false;  // the buttons answer like version 6 of the common controls
  uintptr_t owner = 0;             // the window that owns the dialog
  bool owner_enabled = true;       // a modal dialog disables its owner
  std::vector<ControlState> controls;
  std::vector<std::string> tab_order;  // names, from the first tab stop on

  const ControlState* Find(const std::string& name) const;
};

// What the plug-in asked the shell to open (the request is recorded, nothing is started).
struct ShellRequest {
  uint32_t size = 0;
  uint32_t mask = 0;
  bool owner_is_desktop = false;
  std::optional<std::string> verb, file, parameters, directory;
  int show = 0;
};

struct DialogReport {
  int dialogs_shown = 0;
  std::vector<DialogState> states;
  std::vector<ShellRequest> shell;
  std::vector<std::string> errors;  // the driver's own: steps that could not run, time-outs
};

// Active on the calling thread while it lives. `module` is the plug-in, whose calls to the
// shell are recorded instead of carried out. Without steps, a dialog that opens is cancelled
// at once.
class DialogDriver {
 public:
  DialogDriver(void* module, std::vector<DialogStep> steps, DialogReport& report);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  struct Impl;

 private:
  Impl* impl_;
};

// A report for a terminal, one line per item.
std::string Describe(const DialogReport& report);

}  // namespace varkesh::host
