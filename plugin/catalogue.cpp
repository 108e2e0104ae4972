#include "plugin/catalogue.h"

#include <string>

#include "hostlink/host_text.h"

namespace varkesh::plugin {

const std::array<ActionEntry, 4>& Catalogue() {
  static const std::array<ActionEntry, 4> kCatalogue{{
      {1,
       "OruFileCipher",
       "Шифрование файла",
       "Шифровать/Дешифровать указанный файл.",
       {kKindText, kKindText, kKindText, kKindText, kKindText, kKindText}},
      {2,
       "OruStringCipher",
       "Шифрование строки",
       "Шифровать/Дешифровать строку.",
       {kKindText, kKindVariable, kKindText, kKindText, kKindText, kKindText}},
      {3,
       "OruFileHashing",
       "Хеширование файла",
       "Получить хеш-сумму указанного файла.",
       {kKindText, kKindVariable, kKindText}},
      {4,
       "OruStringHashing",
       "Хеширование строки",
       "Получить хеш-сумму строки.",
       {kKindText, kKindVariable, kKindText}},
  }};
  return kCatalogue;
}

int ParameterCount(int32_t id) {
  for (const ActionEntry& entry : Catalogue()) {
    if (entry.id == id)
      return static_cast<int>(entry.kinds.size());
  }
  return 0;
}

void RegisterActions(RegisterActionCallback callback) {
  static constexpr uint8_t kTitleKinds[] = {kKindTitle};
  for (const ActionEntry& entry : Catalogue()) {
    const std::string title = ToHostText(entry.title);
    const std::string name(entry.name);
    const std::string hint = ToHostText(entry.hint);
    const auto count = static_cast<int32_t>(entry.kinds.size());
    CallRegisterAction(callback, 0, title.c_str(), "", kTitleKinds, 0, 0);
    CallRegisterAction(callback, entry.id, name.c_str(), hint.c_str(), entry.kinds.data(),
                       count - 1, count);
  }
}

}  // namespace varkesh::plugin
