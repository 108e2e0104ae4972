// The eight entry points the host calls, and VarkeshLastError for test hosts. Each export is a
// thin forward: no exception may leave it (the host cannot unwind our frames), so each one runs
// its work inside Guarded, which turns an error into a false result, keeps the message and
// shows it to the author the way the host would have.
#include "actions/actions.h"
#include "hostlink/abi.h"
#include "hostlink/host_link.h"
#include "hostlink/host_text.h"
#include "plugin/catalogue.h"
#include "plugin/guard.h"
#include "plugin/routing.h"

using namespace varkesh::hostlink;
using namespace varkesh::plugin;

VARKESH_EXPORT void VARKESH_HOSTCALL nbInitPlugIn(uint32_t host_handle,
                                                  char** name_slot,
                                                  char** author_slot,
                                                  char** description_slot) {
  Guarded([&] {
    Link().host_handle = host_handle;
    StoreHostString(name_slot, "Varkesh");
    StoreHostString(author_slot, "Brannoc");
    StoreHostString(description_slot,
                    varkesh::ToHostText("Шифрование, Хеширование файлов и строк."));
    return true;
  });
}

VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterPlugIn(RegisterActionCallback register_action,
                                                      OpaqueCallback second,
                                                      OpaqueCallback third,
                                                      SetVariableCallback set_variable) {
  Guarded([&] {
    HostLink& link = Link();
    link.register_action = register_action;
    link.second_callback = second;
    link.third_callback = third;
    link.set_variable = set_variable;
    if (register_action != nullptr)
      RegisterActions(register_action);
    return true;
  });
}

VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterScriptProcessor(uint32_t value) {
  Link().script_processor = value;
}

VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterInterfaceAccess(InterfaceAccessCallback callback) {
  Link().interface_access = callback;
}

VARKESH_EXPORT void VARKESH_HOSTCALL nbMessage(int32_t, int32_t, int32_t) {}

VARKESH_EXPORT bool VARKESH_HOSTCALL nbEditAction(int32_t action, char** parameters) {
  return Guarded([&] { return EditAction(action, parameters); });
}

VARKESH_EXPORT bool VARKESH_HOSTCALL nbExecAction(int32_t action, char** parameters) {
  return Guarded([&] { return ExecAction(action, parameters); });
}

VARKESH_EXPORT void VARKESH_HOSTCALL nbAbout() {
  Guarded([] { return ShowAbout(); });
}

// Not called by the real host: the message of the last error an export caught, or empty when
// the last guarded call succeeded.
VARKESH_EXPORT const char* VARKESH_HOSTCALL VarkeshLastError() { return LastError().c_str(); }
