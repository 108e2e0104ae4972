// The plug-in's exports and its calls to RegisterActionCallback follow the host's register
// convention exactly, checked against a caller and a callee written in assembly.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32.h"

extern "C" {
uint32_t varkesh_call_hostconv(void* fn,
                               uint32_t eax,
                               uint32_t edx,
                               uint32_t ecx,
                               const uint32_t* stack_args,
                               uint32_t count,
                               uint32_t* popped);
void varkesh_register_action_callee();
void varkesh_on_register_action(int32_t id,
                                const char* name,
                                const char* hint,
                                const uint8_t* kinds,
                                int32_t last_index,
                                int32_t count);
}

namespace {

struct Registration {
  int32_t id;
  std::string name;
  std::string hint;
  std::vector<uint8_t> kinds;
  int32_t last_index;
  int32_t count;
};

std::vector<Registration> registrations;

}  // namespace

extern "C" void varkesh_on_register_action(int32_t id,
                                           const char* name,
                                           const char* hint,
                                           const uint8_t* kinds,
                                           int32_t last_index,
                                           int32_t count) {
  registrations.push_back({id, name, hint, {kinds, kinds + last_index + 1}, last_index, count});
}

namespace {

uint32_t Arg(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

class Convention : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryA(VARKESH_PLUGIN);
    ASSERT_NE(module_, nullptr);
  }

  void* Export(const char* name) { return reinterpret_cast<void*>(GetProcAddress(module_, name)); }

  // Calls an export as the host does; returns EAX and checks how many stack bytes it removed.
  uint32_t Call(const char* name,
                std::vector<uint32_t> registers,
                std::vector<uint32_t> stack,
                uint32_t expect_popped) {
    registers.resize(3);
    uint32_t popped = 0xFFFF;
    const uint32_t eax =
        varkesh_call_hostconv(Export(name), registers[0], registers[1], registers[2], stack.data(),
                              static_cast<uint32_t>(stack.size()), &popped);
    EXPECT_EQ(popped, expect_popped) << name;
    return eax;
  }

  HMODULE module_ = nullptr;
};

TEST_F(Convention, InitTakesThreeRegistersAndPopsOneStackArgument) {
  char* slots[3] = {};
  Call("nbInitPlugIn", {0x1234, Arg(&slots[0]), Arg(&slots[1])}, {Arg(&slots[2])}, 4);
  EXPECT_STREQ(slots[0], "Varkesh");
  EXPECT_STREQ(slots[1], "Brannoc");
  ASSERT_NE(slots[2], nullptr);
  EXPECT_EQ(static_cast<unsigned char>(slots[2][0]), 0xD8);  // "Ш" in code page 1251
  for (char* slot : slots) GlobalFree(slot);
}

TEST_F(Convention, RegistrationCallsTheHostCallbackWithItsStackOrder) {
  registrations.clear();
  const auto callee = reinterpret_cast<void*>(&varkesh_register_action_callee);
  Call("nbRegisterPlugIn", {Arg(callee), 0, 0}, {0}, 4);
  ASSERT_EQ(registrations.size(), 8u);
  const Registration& title = registrations[0];
  EXPECT_EQ(title.id, 0);
  EXPECT_EQ(title.hint, "");
  EXPECT_EQ(title.kinds, std::vector<uint8_t>{0});
  EXPECT_EQ(title.last_index, 0);
  EXPECT_EQ(title.count, 0);
  const Registration& strings = registrations[3];
  EXPECT_EQ(strings.id, 2);
  EXPECT_EQ(strings.name, "OruStringCipher");
  EXPECT_EQ(strings.kinds, (std::vector<uint8_t>{1, 6, 1, 1, 1, 1}));
  EXPECT_EQ(strings.last_index, 5);
  EXPECT_EQ(strings.count, 6);
  const Registration& text_hash = registrations[7];
  EXPECT_EQ(text_hash.kinds, (std::vector<uint8_t>{1, 6, 1}));
  EXPECT_EQ(text_hash.last_index, 2);
  EXPECT_EQ(text_hash.count, 3);
}

std::string variable_set;

void __attribute__((regparm(3), stdcall)) SetVariable(const char* name, const char* value) {
  variable_set = std::string(name) + "=" + value;
}

TEST_F(Convention, RegisterOnlyExportsPopNothingAndBooleansComeInAl) {
  Call("nbRegisterScriptProcessor", {7}, {}, 0);
  Call("nbRegisterInterfaceAccess", {0}, {}, 0);
  Call("nbMessage", {1, 2, 3}, {}, 0);
  registrations.clear();
  const auto callee = reinterpret_cast<void*>(&varkesh_register_action_callee);
  Call("nbRegisterPlugIn", {Arg(callee), 0, 0}, {Arg(reinterpret_cast<void*>(&SetVariable))}, 4);
  const char* params[3] = {"abc", "V", "0"};
  EXPECT_EQ(Call("nbExecAction", {4, Arg(params)}, {}, 0) & 0xFF, 1u);
  EXPECT_EQ(variable_set, "V=900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(Call("nbExecAction", {7, Arg(params)}, {}, 0) & 0xFF, 0u);  // no such action
}

}  // namespace
