#include "support/MemoryRegistry.h"

#include <algorithm>

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"

namespace TestSupport {

TMemoryRegistry::TKey* TMemoryRegistry::Find(THive AHive, const std::string& AKey) {
  auto found = Hive(AHive).find(Core::Text::LowerAscii(AKey));
  return found == Hive(AHive).end() ? nullptr : &found->second;
}

bool TMemoryRegistry::KeyExists(THive AHive, const std::string& AKey) {
  return Find(AHive, AKey) != nullptr;
}

std::vector<std::string> TMemoryRegistry::GetValueNames(THive AHive, const std::string& AKey) {
  std::vector<std::string> names;
  if (const TKey* key = Find(AHive, AKey))
    for (const TValue& value : key->Values) names.push_back(value.Name);
  return names;
}

TMemoryRegistry::TType TMemoryRegistry::GetValueType(THive AHive, const std::string& AKey, const std::string& AName) {
  if (const TKey* key = Find(AHive, AKey))
    for (const TValue& value : key->Values)
      if (Core::Text::SameTextAscii(value.Name, AName)) return value.Type;
  return TType::Missing;
}

std::optional<std::string> TMemoryRegistry::ReadString(THive AHive, const std::string& AKey, const std::string& AName) {
  if (const TKey* key = Find(AHive, AKey))
    for (const TValue& value : key->Values)
      if (Core::Text::SameTextAscii(value.Name, AName)) {
        if (value.Type != TType::String && value.Type != TType::ExpandString)
          throw Core::ERegistryError("Tipo de dado inválido para o valor \"" + AName + "\" do registro");
        return value.Data;
      }
  return std::nullopt;
}

bool TMemoryRegistry::CreateKey(THive AHive, const std::string& AKey) {
  if (FReadOnly[static_cast<int>(AHive)]) return false;
  // Parents exist implicitly: a lookup is by full path.
  Hive(AHive)[Core::Text::LowerAscii(AKey)];
  return true;
}

bool TMemoryRegistry::WriteString(THive AHive, const std::string& AKey, const std::string& AName,
                                  const std::string& AValue) {
  TKey* key = Find(AHive, AKey);
  if (key == nullptr || FReadOnly[static_cast<int>(AHive)]) return false;
  Writes.push_back(std::string(AHive == THive::CurrentUser ? "HKCU\\" : "HKLM\\") + AKey + "\\" + AName + "=" + AValue);
  for (TValue& value : key->Values)
    if (Core::Text::SameTextAscii(value.Name, AName)) {
      value.Data = AValue;
      value.Type = TType::String;
      return true;
    }
  key->Values.push_back({AName, AValue, TType::String});
  return true;
}

bool TMemoryRegistry::DeleteValue(THive AHive, const std::string& AKey, const std::string& AName) {
  TKey* key = Find(AHive, AKey);
  if (key == nullptr || FReadOnly[static_cast<int>(AHive)]) return false;
  const auto before = key->Values.size();
  std::erase_if(key->Values, [&](const TValue& value) { return Core::Text::SameTextAscii(value.Name, AName); });
  return key->Values.size() != before;
}

bool TMemoryRegistry::DeleteKey(THive AHive, const std::string& AKey) {
  if (FReadOnly[static_cast<int>(AHive)] || Find(AHive, AKey) == nullptr) return false;
  const std::string prefix = Core::Text::LowerAscii(AKey) + "\\";
  std::erase_if(Hive(AHive), [&](const auto& entry) {
    return entry.first == Core::Text::LowerAscii(AKey) || entry.first.compare(0, prefix.size(), prefix) == 0;
  });
  return true;
}

void TMemoryRegistry::Put(THive AHive, const std::string& AKey, const std::string& AName, const std::string& AData,
                          TType AType) {
  TKey& key = Hive(AHive)[Core::Text::LowerAscii(AKey)];
  for (TValue& value : key.Values)
    if (Core::Text::SameTextAscii(value.Name, AName)) {
      value = {AName, AData, AType};
      return;
    }
  key.Values.push_back({AName, AData, AType});
}

}  // namespace TestSupport
