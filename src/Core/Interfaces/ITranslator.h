#pragma once
#include <string>
#include <vector>

namespace Core::Interfaces {

class ITranslator {
public:
  virtual ~ITranslator() = default;
  // The text for AKey, or AKey itself when the catalogue has no entry.
  virtual std::string Translate(const std::string& AKey) const = 0;
  // Translate, then "%s" takes the next argument and "%%" gives "%".
  // Throws Core::EFormatError when the text has more "%s" than arguments.
  virtual std::string TranslateFormat(const std::string& AKey, const std::vector<std::string>& AArgs) const = 0;
};

}  // namespace Core::Interfaces
