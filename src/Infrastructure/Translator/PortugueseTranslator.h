#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Core/Interfaces/ITranslator.h"

namespace Infrastructure::Translator {

struct TCatalogueEntry {
  std::string_view Key;
  std::string_view Text;
};

// The launcher's one message catalogue: English keys, Brazilian Portuguese texts.
// The table is built once per process and only read afterwards, so lookups from
// any thread take no lock, and a translator made after another one was destroyed
// finds it intact.
class TPortugueseTranslator : public Core::Interfaces::ITranslator {
public:
  TPortugueseTranslator();

  std::string Translate(const std::string& AKey) const override;
  std::string TranslateFormat(const std::string& AKey, const std::vector<std::string>& AArgs) const override;

  // Every entry, in catalogue order.
  static std::span<const TCatalogueEntry> Entries();
};

}  // namespace Infrastructure::Translator
