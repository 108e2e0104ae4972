// The properties dialogs' logic through a scripted view: filling from the slots, the layout
// chosen from the host's version, the OK rule, the "..." picker and the write-back.
#include "ui/properties.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "actions/tables.h"
#include "host/host.h"
#include "hostlink/host_link.h"
#include "hostlink/integer_rule.h"
#include "varkesh/algorithms.h"

namespace varkesh::test {
namespace {

using host::Host;
using hostlink::Link;
using ui::CipherListTexts;
using ui::FormKind;
using ui::HashingListTexts;
using ui::KeyHashListTexts;
using ui::PropertiesDialog;
using Values = std::vector<std::optional<std::string>>;

constexpr FormKind kAllKinds[] = {FormKind::kFileCipher, FormKind::kStringCipher,
                                  FormKind::kFileHashing, FormKind::kStringHashing};

// The host's answers to requests 6 (version) and 14 (pick a variable), and what it was asked.
struct FakeHost {
  std::optional<std::string> version = "5";
  std::optional<std::string> picked;
  bool pick_answered = true;
  std::vector<int32_t> requests;
};

FakeHost fake;

bool VARKESH_HOSTCALL AnswerRequest(int32_t code, char** text) {
  fake.requests.push_back(code);
  const std::optional<std::string>& answer = code == 6 ? fake.version : fake.picked;
  if (answer)
    *text = Host::NewBlock(*answer);
  return code == 6 || fake.pick_answered;
}

// A host's parameter array, made of host-heap blocks.
class Slots {
 public:
  explicit Slots(const Values& values) {
    for (const auto& v : values) slots_.push_back(v ? Host::NewBlock(*v) : nullptr);
    before_ = slots_;
  }

  ~Slots() {
    for (char* slot : slots_) Host::FreeBlock(slot);
  }

  Slots(const Slots&) = delete;
  Slots& operator=(const Slots&) = delete;

  char** data() { return slots_.data(); }

  Values values() const {
    Values v;
    for (const char* slot : slots_)
      v.push_back(slot ? std::optional<std::string>(slot) : std::nullopt);
    return v;
  }

  int replaced() const {
    int n = 0;
    for (size_t i = 0; i < slots_.size(); ++i) n += slots_[i] != before_[i];
    return n;
  }

 private:
  std::vector<char*> slots_;
  std::vector<char*> before_;
};

// Plays the author: the script runs while the dialog is "shown" and says how it closes.
class ScriptedView : public ui::PropertiesView {
 public:
  using Script = std::function<bool(PropertiesDialog&)>;

  explicit ScriptedView(Script script = [](PropertiesDialog&) { return false; })
      : script_(std::move(script)) {}

  void ShowError(const std::string& message) override { errors.push_back(message); }

  bool Run(PropertiesDialog& dialog) override {
    ++runs;
    opened_with = dialog.form();
    ok_at_open = dialog.OkEnabled();
    return script_(dialog);
  }

  std::vector<std::string> errors;
  int runs = 0;
  ui::PropertiesForm opened_with;
  bool ok_at_open = false;

 private:
  Script script_;
};

Values Empty(FormKind kind) { return Values(ui::SlotCount(kind)); }

class Properties : public testing::Test {
 protected:
  void SetUp() override {
    fake = FakeHost{};
    Link().interface_access = &AnswerRequest;
  }

  void TearDown() override { Link() = hostlink::HostLink{}; }

  Host host_{VARKESH_PLUGIN};  // owns the heap accounting
};

TEST_F(Properties, ANewActionOpensOnTheFirstEntriesAndDecryptionWithOkDisabled) {
  for (const FormKind kind : kAllKinds) {
    for (const std::string blank : {"<null>", ""}) {
      Values values = Empty(kind);
      if (blank.empty())
        values.assign(values.size(), "");
      Slots slots(values);
      ScriptedView view;
      EXPECT_FALSE(ui::EditProperties(kind, slots.data(), view));
      ASSERT_EQ(view.runs, 1);
      EXPECT_EQ(view.opened_with.texts, (std::array<std::string, 3>{}));
      EXPECT_EQ(view.opened_with.algorithm, 0);
      EXPECT_EQ(view.opened_with.hash, 0);
      if (ui::IsCipherForm(kind)) {
        EXPECT_EQ(view.opened_with.direction, ui::kDecrypt);
      }
      EXPECT_FALSE(view.ok_at_open);
      EXPECT_EQ(slots.replaced(), 0);
    }
  }
}

TEST_F(Properties, FillsFromTheSlots) {
  struct Case {
    Values slots;
    std::array<std::string, 3> texts;
    int32_t algorithm, hash, direction;
  };

  const Case cases[] = {
      {{"src", "dst", "pass", "15", "6", "0"}, {"src", "dst", "pass"}, 15, 6, ui::kEncrypt},
      {{"", "V", "", " +3", "$9", "1"}, {"", "V", ""}, 3, 9, ui::kDecrypt},
      {{"a", "b", "c", "0x12", "-1", "2"}, {"a", "b", "c"}, 18, -1, ui::kDecrypt},
      {{"a", "b", "c", "", "", "-7"}, {"a", "b", "c"}, 0, 0, ui::kDecrypt},
      {{"a", "b", "c", "", "", "$0"}, {"a", "b", "c"}, 0, 0, ui::kEncrypt},
      // Out of the lists' range: handed to the lists as they are.
      {{"a", "b", "c", "25", "10", ""}, {"a", "b", "c"}, 25, 10, ui::kDecrypt},
  };
  for (const Case& c : cases) {
    Slots slots(c.slots);
    ScriptedView view;
    ui::EditProperties(FormKind::kStringCipher, slots.data(), view);
    EXPECT_EQ(view.opened_with.texts, c.texts) << *c.slots[3];
    EXPECT_EQ(view.opened_with.algorithm, c.algorithm) << *c.slots[3];
    EXPECT_EQ(view.opened_with.hash, c.hash) << *c.slots[4];
    EXPECT_EQ(view.opened_with.direction, c.direction) << *c.slots[5];
  }

  Slots hashing({"text", "Result", "2"});
  ScriptedView view;
  ui::EditProperties(FormKind::kStringHashing, hashing.data(), view);
  EXPECT_EQ(view.opened_with.texts, (std::array<std::string, 3>{"text", "Result", ""}));
  EXPECT_EQ(view.opened_with.hash, 2);
}

TEST_F(Properties, ABrokenNumberFailsBeforeTheDialogShowsAndTouchesNothing) {
  struct Case {
    FormKind kind;
    Values slots;
    std::string quoted;  // the text the error quotes
  };

  const Case cases[] = {
      {FormKind::kFileCipher, {"a", "b", "c", "x", "0", "0"}, "x"},
      // The hash list is filled first, so its error wins.
      {FormKind::kFileCipher, {"a", "b", "c", "1.5", "7 ", "0"}, "7 "},
      {FormKind::kStringCipher, {"a", "b", "c", "1", "2", "yes"}, "yes"},
      {FormKind::kStringCipher, {"a", "b", "c", "1", "2", " "}, " "},
      {FormKind::kFileHashing, {"a", "b", "$"}, "$"},
      {FormKind::kStringHashing, {"a", "b", "2147483648"}, "2147483648"},
  };
  for (const Case& c : cases) {
    Slots slots(c.slots);
    ScriptedView view([](PropertiesDialog&) { return true; });
    try {
      ui::EditProperties(c.kind, slots.data(), view);
      ADD_FAILURE() << "no error for " << c.quoted;
    } catch (const ConversionError& e) {
      EXPECT_STREQ(e.what(), ConversionError(c.quoted).what());
    }
    EXPECT_EQ(view.runs, 0) << c.quoted;
    EXPECT_EQ(slots.replaced(), 0) << c.quoted;
    EXPECT_EQ(slots.values(), c.slots) << c.quoted;
  }
}

TEST_F(Properties, OkNeedsEveryTextField) {
  for (const FormKind kind : kAllKinds) {
    PropertiesDialog dialog(kind);
    const size_t fields = ui::TextFieldCount(kind);
    for (size_t i = 0; i < fields; ++i) {
      EXPECT_FALSE(dialog.OkEnabled());
      dialog.form().texts[i].assign(1, 'x');
    }
    EXPECT_TRUE(dialog.OkEnabled());
    for (size_t i = 0; i < fields; ++i) {
      dialog.form().texts[i].clear();
      EXPECT_FALSE(dialog.OkEnabled()) << i;
      dialog.form().texts[i].assign(1, ' ');  // a blank is text
      EXPECT_TRUE(dialog.OkEnabled()) << i;
    }
  }
}

TEST_F(Properties, ConfirmingRewritesEverySlotAsPlainDecimal) {
  Slots cipher({"src", "dst", "pw", " +$F", "0x3", "-7"});
  ScriptedView view([](PropertiesDialog&) { return true; });
  EXPECT_TRUE(ui::EditProperties(FormKind::kFileCipher, cipher.data(), view));
  EXPECT_EQ(cipher.values(), (Values{"src", "dst", "pw", "15", "3", "1"}));
  EXPECT_EQ(cipher.replaced(), 6);  // fresh blocks, also for unchanged texts

  // The author's changes, including a list left without a selection.
  Slots changed(Empty(FormKind::kStringCipher));
  ScriptedView author([](PropertiesDialog& d) {
    d.form().texts = {"Привет", "Var", "пароль"};
    d.form().algorithm = -1;
    d.form().hash = 9;
    d.form().direction = ui::kEncrypt;
    return true;
  });
  EXPECT_TRUE(ui::EditProperties(FormKind::kStringCipher, changed.data(), author));
  EXPECT_EQ(changed.values(), (Values{"Привет", "Var", "пароль", "-1", "9", "0"}));

  Slots hashing({"file.txt", "R", "00"});
  EXPECT_TRUE(ui::EditProperties(FormKind::kFileHashing, hashing.data(), view));
  EXPECT_EQ(hashing.values(), (Values{"file.txt", "R", "0"}));
  EXPECT_EQ(hashing.replaced(), 3);
  EXPECT_EQ(host_.heap().unfreed, 0);
}

TEST_F(Properties, CancelLeavesTheSlotsEvenAfterChanges) {
  Slots slots({"a", "b", "c", "1", "2", "0"});
  ScriptedView view([](PropertiesDialog& d) {
    d.form().texts[0] = "changed";
    d.form().direction = ui::kDecrypt;
    return false;
  });
  EXPECT_FALSE(ui::EditProperties(FormKind::kStringCipher, slots.data(), view));
  EXPECT_EQ(slots.replaced(), 0);
  EXPECT_EQ(slots.values(), (Values{"a", "b", "c", "1", "2", "0"}));
}

TEST_F(Properties, TheHostVersionChoosesTheLayout) {
  struct Case {
    std::optional<std::string> version;  // none: no interface-access callback at all
    bool registered;
    bool picker;
    std::string error;
  };

  const Case cases[] = {
      {std::nullopt, false, false, ""},
      {"4.2", true, false, ""},
      {"5", true, true, ""},
      {"12", true, false, ""},  // only the first character counts
      // An unreadable version is shown, with a full stop, and the designed layout stays.
      {"x", true, true, "'x' no es un valor entero válido."},
      {"", true, true, "'' no es un valor entero válido."},
      {std::nullopt, true, true, "'' no es un valor entero válido."},
  };
  for (const Case& c : cases) {
    fake.version = c.version;
    Link().interface_access = c.registered ? &AnswerRequest : nullptr;
    Slots slots(Empty(FormKind::kStringHashing));
    ScriptedView view;
    ui::EditProperties(FormKind::kStringHashing, slots.data(), view);
    const std::string label = c.version.value_or("<none>");
    EXPECT_EQ(view.runs, 1) << label;
    EXPECT_EQ(view.opened_with.picker_shown, c.picker) << label;
    EXPECT_EQ(view.errors,
              c.error.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.error})
        << label;
  }
  EXPECT_EQ(host_.heap().unfreed, 0);
  EXPECT_EQ(ui::EditWidth(FormKind::kFileCipher, true), 289);
  EXPECT_EQ(ui::EditWidth(FormKind::kFileCipher, false), 316);
  EXPECT_EQ(ui::EditWidth(FormKind::kFileHashing, false), 315);
}

TEST_F(Properties, APickedVariableGoesInFrontOfTheText) {
  struct Case {
    std::optional<std::string> picked;
    bool answered;
    int tag;
    std::array<std::string, 3> after;
  };

  const std::array<std::string, 3> before = {"T0", "", "T2"};
  const Case cases[] = {
      {"R", true, 1, {"RT0", "", "T2"}},
      {"%Var%", true, 2, {"T0", "%Var%", "T2"}},
      {"R", true, 3, {"T0", "", "RT2"}},
      {"R", false, 1, before},  // the host did not answer
      {"", true, 1, before},
      {std::nullopt, true, 2, before},
  };
  for (const Case& c : cases) {
    fake.picked = c.picked;
    fake.pick_answered = c.answered;
    fake.requests.clear();
    PropertiesDialog dialog(FormKind::kStringCipher);
    dialog.form().texts = before;
    EXPECT_EQ(dialog.Pick(c.tag), c.after != before) << c.tag;
    EXPECT_EQ(dialog.form().texts, c.after) << c.tag;
    EXPECT_EQ(fake.requests, std::vector<int32_t>{14});
  }
  EXPECT_EQ(host_.heap().unfreed, 0);

  // No callback: nothing to pick, nothing changes.
  Link().interface_access = nullptr;
  PropertiesDialog dialog(FormKind::kFileHashing);
  EXPECT_FALSE(dialog.Pick(1));
  EXPECT_EQ(dialog.form().texts[0], "");
}

// The lists show the tables in index order; the hashing dialogs list the hashing actions' own
// three hashes, which are rows of the key-hash list.
TEST(PropertiesLists, TextsInIndexOrder) {
  const std::vector<std::string_view> ciphers(CipherListTexts().begin(), CipherListTexts().end());
  EXPECT_EQ(ciphers, (std::vector<std::string_view>{"BlowFish", "CAST 128", "CAST 256", "DES",
                                                    "3 DES", "ICE", "Thin ICE", "ICE 2", "IDEA",
                                                    "Mars", "Misty 1", "RC2", "RC4", "RC5", "RC6",
                                                    "Rijndael", "SerPent", "TEA", "TwoFish"}));
  const std::vector<std::string_view> hashes(KeyHashListTexts().begin(), KeyHashListTexts().end());
  EXPECT_EQ(hashes,
            (std::vector<std::string_view>{"Haval", "MD4", "MD5", "RMD 128", "RMD 160", "SHA 1",
                                           "SHA 256", "SHA 384", "SHA 512", "Tiger"}));
  ASSERT_EQ(HashingListTexts().size(), HashingActionTable().size());
  for (size_t i = 0; i < HashingListTexts().size(); ++i) {
    EXPECT_EQ(HashingListTexts()[i], hashes[static_cast<size_t>(HashingActionTable()[i])]);
    EXPECT_EQ(&HashingActionHash(static_cast<int32_t>(i)), &HashAt(HashingActionTable()[i]));
  }
  EXPECT_THROW(HashingActionHash(3), Error);
}

}  // namespace
}  // namespace varkesh::test
