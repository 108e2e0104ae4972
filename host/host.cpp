#include "host/host.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <stdexcept>
#include <unordered_set>

#include "hostlink/abi.h"
#include "hostlink/host_text.h"
#include "platform/host_heap.h"

#ifdef _WIN32
#  include "platform/win32.h"
#else
#  include <dlfcn.h>
#endif

namespace varkesh::host {

namespace {

// The host's heap. Blocks are tracked so that a free of anything else, and an answer block the
// plug-in did not free, show up in heap(). One call at a time, as in the real host: no locks.
struct TrackedHeap {
  std::unordered_set<void*> live;
  std::unordered_set<void*> owed;  // blocks the plug-in must free
  int foreign_frees = 0;
  int foreign_blocks = 0;
};

TrackedHeap& Tracked() {
  static TrackedHeap heap;
  return heap;
}

#ifdef _WIN32

// On Windows the heap is the system's global heap: the plug-in frees with GlobalFree, which we
// cannot watch, so a block counts as freed once GlobalSize no longer knows it.
bool StillAllocated(void* block) { return GlobalSize(block) != 0; }

#else

bool StillAllocated(void* block) { return Tracked().live.count(block) != 0; }

void* TrackedAllocate(size_t size) {
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr)
    Tracked().live.insert(block);
  return block;
}

void TrackedRelease(void* block) {
  TrackedHeap& heap = Tracked();
  if (heap.live.erase(block) == 0) {
    ++heap.foreign_frees;  // never ours, or freed twice: leave it alone
    return;
  }
  heap.owed.erase(block);
  std::free(block);
}

#endif

#ifdef _WIN32

// While an export runs, a second thread watches for message boxes of this process, records
// their text and presses OK, so that an error box never leaves a test waiting.
class BoxCloser {
 public:
  explicit BoxCloser(std::vector<std::string>& texts) : texts_(texts) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &BoxCloser::Watch, this, 0, nullptr);
  }

  ~BoxCloser() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(stop_);
  }

  BoxCloser(const BoxCloser&) = delete;
  BoxCloser& operator=(const BoxCloser&) = delete;

 private:
  static DWORD WINAPI Watch(void* self) {
    auto* closer = static_cast<BoxCloser*>(self);
    while (WaitForSingleObject(closer->stop_, 20) == WAIT_TIMEOUT) {
      EnumWindows(&BoxCloser::Visit, reinterpret_cast<LPARAM>(closer));
    }
    return 0;
  }

  static BOOL CALLBACK Visit(HWND window, LPARAM self) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char class_name[16] = {};
    GetClassNameA(window, class_name, sizeof(class_name));
    // A message box is a dialog whose text sits in the static with id 0xFFFF.
    HWND text = GetDlgItem(window, 0xFFFF);
    if (process != GetCurrentProcessId() || std::strcmp(class_name, "#32770") != 0 ||
        text == nullptr || !IsWindowVisible(window)) {
      return TRUE;
    }
    // Read as the author sees it, in wide characters, whatever the ANSI code page.
    wchar_t wide[2048] = {};
    GetWindowTextW(text, wide, static_cast<int>(std::size(wide)));
    char utf8[3 * std::size(wide)] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof(utf8), nullptr, nullptr);
    auto* closer = reinterpret_cast<BoxCloser*>(self);
    if (closer->closing_.insert(window).second)
      closer->texts_.emplace_back(utf8);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
  }

  std::vector<std::string>& texts_;
  std::unordered_set<HWND> closing_;
  HANDLE stop_;
  HANDLE thread_;
};

#else

// No window system: nothing can pop up.
class BoxCloser {
 public:
  explicit BoxCloser(std::vector<std::string>&) {}

  ~BoxCloser() {}  // user-provided, so that a guard object is not an unused variable
};

#endif

Host* current = nullptr;

}  // namespace
}  // namespace varkesh::host

#ifndef _WIN32
// Found by the plug-in through dlsym: this process owns the host heap.
extern "C" {
__attribute__((visibility("default"))) VarkeshHostHeap varkesh_host_heap = {
    &varkesh::host::TrackedAllocate, &varkesh::host::TrackedRelease};
}
#endif

namespace varkesh::host {

struct Host::Library {
#ifdef _WIN32
  HMODULE handle = nullptr;

  void* Symbol(const char* name) { return reinterpret_cast<void*>(GetProcAddress(handle, name)); }
#else
  void* handle = nullptr;

  void* Symbol(const char* name) { return dlsym(handle, name); }
#endif
  decltype(&nbInitPlugIn) init = nullptr;
  decltype(&nbRegisterPlugIn) register_plugin = nullptr;
  decltype(&nbRegisterScriptProcessor) register_script = nullptr;
  decltype(&nbRegisterInterfaceAccess) register_access = nullptr;
  decltype(&nbMessage) message = nullptr;
  decltype(&nbEditAction) edit = nullptr;
  decltype(&nbExecAction) exec = nullptr;
  decltype(&nbAbout) about = nullptr;
  decltype(&VarkeshLastError) last_error = nullptr;
};

struct Callbacks {
  static void VARKESH_HOSTCALL RegisterAction(int32_t id,
                                              const char* name,
                                              const char* hint,
                                              int32_t count,
                                              int32_t last_index,
                                              const uint8_t* kinds) {
    Registration r{
        id,   name != nullptr ? name : "<null>", hint != nullptr ? hint : "<null>", {}, last_index,
        count};
    if (kinds != nullptr && last_index >= 0)
      r.kinds.assign(kinds, kinds + last_index + 1);
    current->registrations_.push_back(std::move(r));
  }

  static void VARKESH_HOSTCALL Other() { ++current->other_callback_calls_; }

  static void VARKESH_HOSTCALL SetVariable(const char* name, const char* value) {
    current->variables_.emplace_back(name != nullptr ? name : "<null>",
                                     value != nullptr ? value : "<null>");
  }

  static bool VARKESH_HOSTCALL InterfaceAccess(int32_t code, char** text) {
    current->interface_requests_.push_back(code);
    const std::optional<Answer>& answer =
        code == 6 ? current->version_answer_ : current->pick_answer_;
    if (!answer)
      return false;
    if (answer->text) {
      *text = Host::NewBlock(*answer->text);
      Host::Owe(*text);
    }
    return answer->answered;
  }
};

Host::Host(const std::string& plugin_path) : library_(new Library) {
  if (current != nullptr)
    throw std::runtime_error("only one Host at a time");
#ifdef _WIN32
  library_->handle = LoadLibraryA(plugin_path.c_str());
#else
  library_->handle = dlopen(plugin_path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (library_->handle == nullptr) {
    delete library_;
    throw std::runtime_error("cannot load the plug-in " + plugin_path);
  }
  const auto bind = [this](auto& fn, const char* name) {
    fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(library_->Symbol(name));
    if (fn == nullptr)
      throw std::runtime_error(std::string("the plug-in lacks ") + name);
  };
  bind(library_->init, "nbInitPlugIn");
  bind(library_->register_plugin, "nbRegisterPlugIn");
  bind(library_->register_script, "nbRegisterScriptProcessor");
  bind(library_->register_access, "nbRegisterInterfaceAccess");
  bind(library_->message, "nbMessage");
  bind(library_->edit, "nbEditAction");
  bind(library_->exec, "nbExecAction");
  bind(library_->about, "nbAbout");
  bind(library_->last_error, "VarkeshLastError");
  current = this;
}

Host::~Host() {
  // The plug-in stays loaded: its static state belongs to the process, as in the real host,
  // and a second Host in the same process gets the same library back.
  delete library_;
  current = nullptr;
}

char* Host::NewBlock(const std::string& text) {
  auto* block = static_cast<char*>(platform::HostAllocate(text.size() + 1));
  std::memcpy(block, text.c_str(), text.size() + 1);
  return block;
}

void Host::FreeBlock(char* block) { platform::HostRelease(block); }

// A block the plug-in left in a slot must be a block of the host heap: the host frees it.
void Host::Receive(void* block) {
  if (block != nullptr && !StillAllocated(block))
    ++Tracked().foreign_blocks;
}

void Host::Owe(void* block) {
  if (block != nullptr)
    Tracked().owed.insert(block);
}

std::array<std::string, 3> Host::Identify(
    const std::array<std::optional<std::string>, 3>& prefill) {
  std::array<char*, 3> slots{};
  for (size_t i = 0; i < 3; ++i) {
    slots[i] = prefill[i] ? NewBlock(*prefill[i]) : nullptr;
    Owe(slots[i]);  // the plug-in replaces every slot, freeing what was there
  }
  library_->init(0x1234, &slots[0], &slots[1], &slots[2]);
  std::array<std::string, 3> texts;
  for (size_t i = 0; i < 3; ++i) {
    Receive(slots[i]);
    texts[i] = slots[i] != nullptr ? slots[i] : "<null>";
    FreeBlock(slots[i]);
  }
  return texts;
}

void Host::Register(bool with_set_variable) {
  registrations_.clear();
  auto other = reinterpret_cast<OpaqueCallback>(&Callbacks::Other);
  library_->register_plugin(&Callbacks::RegisterAction, other, other,
                            with_set_variable ? &Callbacks::SetVariable : nullptr);
}

void Host::SetInterfaceAccess(std::optional<Answer> version, std::optional<Answer> pick) {
  version_answer_ = std::move(version);
  pick_answer_ = std::move(pick);
  const bool present = version_answer_.has_value() || pick_answer_.has_value();
  library_->register_access(present ? &Callbacks::InterfaceAccess : nullptr);
}

void Host::ScriptProcessor(uint32_t value) { library_->register_script(value); }

void Host::Message(int32_t a, int32_t b, int32_t c) { library_->message(a, b, c); }

Outcome Host::Exec(int32_t action, const std::vector<std::optional<std::string>>& parameters) {
  return Call(false, action, parameters, {});
}

Outcome Host::Edit(int32_t action,
                   const std::vector<std::optional<std::string>>& parameters,
                   std::vector<DialogStep> steps) {
  return Call(true, action, parameters, std::move(steps));
}

Outcome Host::Call(bool edit,
                   int32_t action,
                   const std::vector<std::optional<std::string>>& parameters,
                   std::vector<DialogStep> steps) {
  // The host always passes as many parameters as the action registered; a shorter list gets
  // empty texts for the rest (without a registration, as many as any action takes).
  size_t count = 6;
  for (const Registration& r : registrations_) {
    if (r.id == action && r.id != 0)
      count = static_cast<size_t>(std::max(r.count, 0));
  }
  std::vector<char*> slots;
  for (const auto& p : parameters) slots.push_back(p ? NewBlock(*p) : nullptr);
  while (slots.size() < count) slots.push_back(NewBlock(""));
  slots.push_back(nullptr);  // never read: the plug-in touches only the action's own slots
  const std::vector<char*> before = slots;
  variables_.clear();
  Outcome outcome;
  {
    const BoxCloser boxes(outcome.message_boxes);
    const DialogDriver driver(library_->handle, std::move(steps), outcome.dialog);
    outcome.result = (edit ? library_->edit : library_->exec)(action, slots.data());
  }
  outcome.variables = variables_;
  outcome.error = LastError();
  slots.pop_back();
  for (size_t i = 0; i < slots.size(); ++i) {
    if (slots[i] == before[i])
      continue;
    ++outcome.replaced_slots;
    Owe(before[i]);
    Receive(slots[i]);
  }
  for (char* slot : slots) {
    outcome.parameters.push_back(slot != nullptr ? std::optional<std::string>(slot) : std::nullopt);
    FreeBlock(slot);
  }
  return outcome;
}

DialogReport Host::About(std::vector<DialogStep> steps) {
  std::vector<std::string> ignored;
  DialogReport report;
  {
    const BoxCloser boxes(ignored);
    const DialogDriver driver(library_->handle, std::move(steps), report);
    library_->about();
  }
  return report;
}

std::string Host::LastError() const { return library_->last_error(); }

HeapReport Host::heap() const {
  TrackedHeap& heap = Tracked();
  std::erase_if(heap.owed, [](void* block) { return !StillAllocated(block); });
  return {heap.foreign_frees, heap.foreign_blocks, static_cast<int>(heap.owed.size())};
}

std::string Printable(const std::string& host_text) {
  std::string out;
  for (const char c : FromHostText(host_text)) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || b == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof(escaped), "\\x%02X", b);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace varkesh::host
