#include "Core/Text/Format.h"

#include "Core/Errors.h"

namespace Core::Text {

std::string FormatText(std::string_view AText, const std::vector<std::string>& AArgs) {
  std::string out;
  out.reserve(AText.size());
  size_t nextArg = 0;
  for (size_t i = 0; i < AText.size(); ++i) {
    if (AText[i] != '%') {
      out += AText[i];
      continue;
    }
    const char kind = i + 1 < AText.size() ? AText[i + 1] : '\0';
    if (kind == '%') {
      out += '%';
    } else if (kind == 's') {
      if (nextArg >= AArgs.size())
        throw EFormatError("Formato \"" + std::string(AText) + "\" tem mais \"%s\" que argumentos");
      out += AArgs[nextArg++];
    } else {
      throw EFormatError("Formato \"" + std::string(AText) + "\" inválido");
    }
    ++i;
  }
  return out;
}

}  // namespace Core::Text
