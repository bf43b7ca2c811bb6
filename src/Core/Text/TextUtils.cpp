#include "Core/Text/TextUtils.h"

namespace Core::Text {

namespace {
char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}
}  // namespace

std::string_view TrimLeft(std::string_view AText) {
  size_t start = 0;
  while (start < AText.size() && IsBlank(AText[start])) ++start;
  return AText.substr(start);
}

std::string_view TrimRight(std::string_view AText) {
  size_t end = AText.size();
  while (end > 0 && IsBlank(AText[end - 1])) --end;
  return AText.substr(0, end);
}

std::string_view Trim(std::string_view AText) {
  return TrimRight(TrimLeft(AText));
}

bool SameTextAscii(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i)
    if (LowerAscii(A[i]) != LowerAscii(B[i])) return false;
  return true;
}

bool EndsWithTextAscii(std::string_view AText, std::string_view ASuffix) {
  return AText.size() >= ASuffix.size() && SameTextAscii(AText.substr(AText.size() - ASuffix.size()), ASuffix);
}

int IndexOfTextAscii(const std::vector<std::string>& AList, std::string_view AText) {
  for (size_t i = 0; i < AList.size(); ++i)
    if (SameTextAscii(AList[i], AText)) return static_cast<int>(i);
  return -1;
}

std::string LowerAscii(std::string_view AText) {
  std::string lower(AText);
  for (char& c : lower) c = LowerAscii(c);
  return lower;
}

}  // namespace Core::Text
