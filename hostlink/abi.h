// The binary interface with the host: its calling convention, its callbacks and our exports.
//
// On 32-bit Windows the host passes the first three arguments in EAX, EDX and ECX and the rest
// on the stack, the LAST argument nearest the return address, and the callee pops them. GCC's
// regparm(3) + stdcall matches that exactly for up to one stack argument. With more than one,
// GCC pushes in the opposite order (first stack argument nearest the return address), so a
// function type with several stack arguments declares them in reverse: see
// RegisterActionCallback. Elsewhere (the portable build and its host stand-in) everything uses
// the native C convention with the same declarations.
#pragma once

#include <cstdint>

#if defined(_WIN32) && defined(__i386__)
#  define VARKESH_HOSTCALL __attribute__((regparm(3), stdcall))
#  define VARKESH_EXPORT extern "C" __declspec(dllexport)
#else
#  define VARKESH_HOSTCALL
#  define VARKESH_EXPORT extern "C" __attribute__((visibility("default")))
#endif

extern "C" {

// Host callback: registers one catalogue entry. The host's order is (id, name, hint, kinds,
// last_index, count); the three stack arguments are declared reversed (see above).
using RegisterActionCallback = void(VARKESH_HOSTCALL*)(int32_t id,
                                                       const char* name,
                                                       const char* hint,
                                                       int32_t count,
                                                       int32_t last_index,
                                                       const uint8_t* kinds);

// Host callback: stores `value` into the host variable `name`.
using SetVariableCallback = void(VARKESH_HOSTCALL*)(const char* name, const char* value);

// Host callback: answers request `code` by filling `*text` with a global-heap block (which we
// free). True when the host answered.
using InterfaceAccessCallback = bool(VARKESH_HOSTCALL*)(int32_t code, char** text);

// Callbacks the host hands over but we only keep.
using OpaqueCallback = void*;

}  // extern "C"

// Our entry points, as the host calls them.
VARKESH_EXPORT void VARKESH_HOSTCALL nbInitPlugIn(uint32_t host_handle,
                                                  char** name_slot,
                                                  char** author_slot,
                                                  char** description_slot);
VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterPlugIn(RegisterActionCallback register_action,
                                                      OpaqueCallback second,
                                                      OpaqueCallback third,
                                                      SetVariableCallback set_variable);
VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterScriptProcessor(uint32_t value);
VARKESH_EXPORT void VARKESH_HOSTCALL nbRegisterInterfaceAccess(InterfaceAccessCallback callback);
VARKESH_EXPORT void VARKESH_HOSTCALL nbMessage(int32_t, int32_t, int32_t);
VARKESH_EXPORT bool VARKESH_HOSTCALL nbEditAction(int32_t action, char** parameters);
VARKESH_EXPORT bool VARKESH_HOSTCALL nbExecAction(int32_t action, char** parameters);
VARKESH_EXPORT void VARKESH_HOSTCALL nbAbout();
// For test hosts only: the message of the last error an export caught ("" after success).
VARKESH_EXPORT const char* VARKESH_HOSTCALL VarkeshLastError();

// The calls our code makes to a RegisterActionCallback, in the host's argument order.
inline void CallRegisterAction(RegisterActionCallback callback,
                               int32_t id,
                               const char* name,
                               const char* hint,
                               const uint8_t* kinds,
                               int32_t last_index,
                               int32_t count) {
  callback(id, name, hint, count, last_index, kinds);
}
