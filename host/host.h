// A stand-in for the closed host application: loads the plug-in, plays the host's side of
// every export and callback, and records what the plug-in did. Integration tests and the demo
// drive the real exports through it.
//
// One Host at a time per process: the callbacks it hands to the plug-in are plain functions
// that reach the current Host.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/dialog_driver.h"

namespace varkesh::host {

struct Registration {
  int32_t id;
  std::string name;  // host text
  std::string hint;
  std::vector<uint8_t> kinds;
  int32_t last_index;
  int32_t count;
};

// How the host answers an interface-access request: the Boolean, and the text it leaves in the
// pointer (none: it leaves the pointer null).
struct Answer {
  bool answered = true;
  std::optional<std::string> text;
};

struct Outcome {
  bool result = false;
  std::vector<std::pair<std::string, std::string>> variables;  // in the order they were set
  std::string error;                                           // VarkeshLastError afterwards
  std::vector<std::optional<std::string>> parameters;  // the slots after the call (null: none)
  int replaced_slots = 0;                              // slots whose pointer the plug-in changed
  std::vector<std::string> message_boxes;  // texts (UTF-8) of the boxes shown and closed meanwhile
  DialogReport dialog;                     // what happened in the dialog an edit call opened
};

// What went wrong on the host's heap: blocks freed that the heap never gave out (seen only
// where the host owns the heap, not on Windows); blocks the plug-in left in slots that are not
// blocks of the heap; and blocks the plug-in had to free but did not: answers to
// interface-access requests, and the old blocks of slots it replaced.
struct HeapReport {
  int foreign_frees = 0;
  int foreign_blocks = 0;
  int unfreed = 0;
};

class Host {
 public:
  // Loads the plug-in; throws std::runtime_error when it or one of its exports is missing.
  explicit Host(const std::string& plugin_path);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // nbInitPlugIn with three slots (null or pre-filled); the texts the plug-in left in them.
  std::array<std::string, 3> Identify(
      const std::array<std::optional<std::string>, 3>& prefill = {});

  // nbRegisterPlugIn; without a variable callback when `with_set_variable` is false.
  void Register(bool with_set_variable = true);

  const std::vector<Registration>& registrations() const { return registrations_; }

  int other_callback_calls() const { return other_callback_calls_; }

  // nbRegisterInterfaceAccess: the answers to requests 6 (version) and 14 (pick a variable),
  // or no callback at all (null).
  void SetInterfaceAccess(std::optional<Answer> version, std::optional<Answer> pick);

  const std::vector<int32_t>& interface_requests() const { return interface_requests_; }

  void ScriptProcessor(uint32_t value);
  void Message(int32_t a, int32_t b, int32_t c);
  // nbExecAction. A list shorter than the action registered is completed with empty texts, as
  // the host always passes the registered count.
  Outcome Exec(int32_t action, const std::vector<std::optional<std::string>>& parameters);
  // nbEditAction; `steps` are carried out in the dialog it opens (see DialogDriver).
  Outcome Edit(int32_t action,
               const std::vector<std::optional<std::string>>& parameters,
               std::vector<DialogStep> steps = {});
  // nbAbout, with the steps carried out in the About box.
  DialogReport About(std::vector<DialogStep> steps = {});
  std::string LastError() const;

  HeapReport heap() const;

  // Host-heap blocks, as the host itself makes them.
  static char* NewBlock(const std::string& text);
  static void FreeBlock(char* block);
  // Declares a block that the plug-in must free; heap() counts it until it is gone.
  static void Owe(void* block);
  // Checks a block that the plug-in handed over.
  static void Receive(void* block);

 private:
  struct Library;
  Outcome Call(bool edit,
               int32_t action,
               const std::vector<std::optional<std::string>>& parameters,
               std::vector<DialogStep> steps);

  Library* library_;
  std::vector<Registration> registrations_;
  int other_callback_calls_ = 0;
  std::vector<int32_t> interface_requests_;
  std::optional<Answer> version_answer_;
  std::optional<Answer> pick_answer_;
  std::vector<std::pair<std::string, std::string>> variables_;

  friend struct Callbacks;
};

// Host text for a terminal: code page 1251 to UTF-8, control bytes as \xNN.
std::string Printable(const std::string& host_text);

}  // namespace varkesh::host
