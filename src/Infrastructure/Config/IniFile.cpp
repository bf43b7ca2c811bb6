#include "Infrastructure/Config/IniFile.h"

#include "Core/Errors.h"
#include "Core/Text/TextUtils.h"
#include "Core/Text/Unicode.h"
#include "Infrastructure/Platform/FileSystem.h"

using Core::EArgumentError;
using Core::EFileSystemError;

namespace Infrastructure::Config {

using Core::Text::IsValidUtf8;
using Core::Text::LowerAscii;

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LEMark = "\xFF\xFE";
constexpr std::string_view kUtf16BEMark = "\xFE\xFF";

bool StartsWith(std::string_view AText, std::string_view APrefix) {
  return AText.substr(0, APrefix.size()) == APrefix;
}

// Valid UTF-8 passes unchanged; any other byte is one Windows-1252 character.
std::string DecodeUtf8OrWindows1252(std::string_view ABytes) {
  std::string out;
  out.reserve(ABytes.size());
  for (size_t pos = 0; pos < ABytes.size();) {
    size_t ascii = pos;
    while (ascii < ABytes.size() && static_cast<unsigned char>(ABytes[ascii]) < 0x80) ++ascii;
    if (ascii != pos) {
      out.append(ABytes.substr(pos, ascii - pos));
      pos = ascii;
      continue;
    }
    char32_t codePoint;
    const size_t length = Core::Text::DecodeUtf8(ABytes, pos, codePoint);
    if (length != 0) {
      out.append(ABytes.substr(pos, length));
      pos += length;
      continue;
    }
    Core::Text::AppendUtf8(out, Core::Text::Windows1252ToCodePoint(static_cast<unsigned char>(ABytes[pos++])));
  }
  return out;
}

std::string DecodeUtf16(std::string_view ABytes, bool ABigEndian) {
  std::u16string units;
  units.reserve(ABytes.size() / 2 + 1);
  for (size_t pos = 0; pos + 1 < ABytes.size(); pos += 2) {
    const auto first = static_cast<unsigned char>(ABytes[pos]);
    const auto second = static_cast<unsigned char>(ABytes[pos + 1]);
    units += static_cast<char16_t>(ABigEndian ? (first << 8) | second : (second << 8) | first);
  }
  if (ABytes.size() % 2 != 0) units += u'\uFFFD';  // a cut-off last unit
  return Core::Text::Utf16ToUtf8(units);
}

// The database application reads an unmarked file in its ANSI code page,
// Windows-1252: UTF-8 there turns every accented value into mojibake. Text the
// code page cannot hold, or that would read back as other characters (bytes
// that happen to form valid UTF-8), stays UTF-8.
std::string EncodeUnmarked(const std::string& AText) {
  std::string ansi;
  if (Core::Text::Utf8ToWindows1252(AText, ansi) && DecodeUtf8OrWindows1252(ansi) == AText) return ansi;
  return AText;
}

std::string EncodeUtf16(std::string_view AText, bool ABigEndian) {
  const std::u16string units = Core::Text::Utf8ToUtf16(AText);
  std::string out;
  out.reserve(units.size() * 2);
  for (const char16_t unit : units) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += ABigEndian ? high : low;
    out += ABigEndian ? low : high;
  }
  return out;
}

bool HasLineBreakOrNul(std::string_view AText) {
  return AText.find_first_of(std::string_view("\r\n\0", 3)) != AText.npos;
}

// Reason a name cannot be written, or nullptr. The name itself is not quoted
// in the message: it may hold the very line breaks that are refused.
const char* NameProblem(std::string_view AName) {
  if (HasLineBreakOrNul(AName)) return "contém quebra de linha ou caractere nulo";
  if (!IsValidUtf8(AName)) return "não é um texto UTF-8 válido";
  if (Core::Text::Trim(AName).size() != AName.size()) return "começa ou termina com espaço ou caractere de controle";
  return nullptr;
}

}  // namespace

TIniFile TIniFile::Parse(std::string_view ABytes) {
  TIniFile ini;
  std::string text;
  if (StartsWith(ABytes, kUtf8Mark)) {
    ini.FEncoding = TIniEncoding::Utf8WithMark;
    text = DecodeUtf8OrWindows1252(ABytes.substr(kUtf8Mark.size()));
  } else if (StartsWith(ABytes, kUtf16LEMark)) {
    ini.FEncoding = TIniEncoding::Utf16LE;
    text = DecodeUtf16(ABytes.substr(kUtf16LEMark.size()), false);
  } else if (StartsWith(ABytes, kUtf16BEMark)) {
    ini.FEncoding = TIniEncoding::Utf16BE;
    text = DecodeUtf16(ABytes.substr(kUtf16BEMark.size()), true);
  } else {
    text = DecodeUtf8OrWindows1252(ABytes);
  }

  constexpr size_t kNone = static_cast<size_t>(-1);
  size_t section = kNone;  // kNone: before the first header, or under a repeated one
  const std::string_view all(text);
  for (size_t start = 0; start < all.size();) {
    // CR LF counts as two breaks around an empty line, and empty lines are skipped.
    size_t end = all.find_first_of("\r\n", start);
    if (end == all.npos) end = all.size();
    const std::string_view line = Core::Text::Trim(all.substr(start, end - start));
    start = end + 1;

    if (line.empty() || line.front() == ';') continue;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      const std::string_view name = Core::Text::Trim(line.substr(1, line.size() - 2));
      const std::string lower = LowerAscii(name);
      if (ini.FSectionIndex.count(lower) != 0) {
        section = kNone;  // the first occurrence's keys stand
        continue;
      }
      section = ini.FSections.size();
      ini.FSectionIndex.emplace(lower, section);
      ini.FSections.push_back(TIniSection{std::string(name), {}});
      ini.FKeyIndex.emplace_back();
      continue;
    }
    if (section == kNone) continue;
    const size_t equals = line.find('=');
    if (equals == line.npos) {
      ini.AddKey(section, line, {});
    } else {
      ini.AddKey(section, Core::Text::TrimRight(line.substr(0, equals)), Core::Text::TrimLeft(line.substr(equals + 1)));
    }
  }
  return ini;
}

TIniFile TIniFile::Load(const std::string& APath) {
  if (Platform::FileExists(APath)) return Parse(Platform::ReadFileBytes(APath));
  if (Platform::DirectoryExists(APath))
    throw EFileSystemError("\"" + APath + "\" é uma pasta e não pode ser lida como arquivo de configuração.");
  return TIniFile();
}

std::string TIniFile::ReadString(std::string_view ASection, std::string_view AKey, std::string_view ADefault) const {
  const auto section = FSectionIndex.find(LowerAscii(ASection));
  if (section == FSectionIndex.end()) return std::string(ADefault);
  const auto& keys = FKeyIndex[section->second];
  const auto key = keys.find(LowerAscii(AKey));
  if (key == keys.end()) return std::string(ADefault);
  return FSections[section->second].Keys[key->second].Value;
}

void TIniFile::WriteString(std::string_view ASection, std::string_view AKey, std::string_view AValue) {
  if (const char* problem = NameProblem(ASection))
    throw EArgumentError(std::string("Nome de seção inválido para o arquivo INI: ") + problem + ".");
  if (const char* problem = NameProblem(AKey))
    throw EArgumentError(std::string("Nome de chave inválido para o arquivo INI: ") + problem + ".");
  if (AKey.find('=') != AKey.npos)
    throw EArgumentError("Nome de chave inválido para o arquivo INI: \"" + std::string(AKey) + "\" contém \"=\".");
  // The value is never quoted in a message: it is often a password.
  if (HasLineBreakOrNul(AValue))
    throw EArgumentError("O valor da chave \"" + std::string(AKey) +
                         "\" contém quebra de linha ou caractere nulo e não pode ser gravado no arquivo INI.");
  if (!IsValidUtf8(AValue))
    throw EArgumentError("O valor da chave \"" + std::string(AKey) + "\" não é um texto UTF-8 válido.");
  const std::string_view value = Core::Text::Trim(AValue);
  const bool readsAsComment = !AKey.empty() && AKey.front() == ';';
  // The line written is key "=" value: it opens with the key and closes with the value.
  const bool readsAsHeader = !AKey.empty() && AKey.front() == '[' && !value.empty() && value.back() == ']';
  if (readsAsComment || readsAsHeader)
    throw EArgumentError("A chave \"" + std::string(AKey) + "\" com este valor seria lida como " +
                         (readsAsComment ? "comentário" : "cabeçalho de seção") + " no arquivo INI.");

  const std::string lowerSection = LowerAscii(ASection);
  auto section = FSectionIndex.find(lowerSection);
  if (section == FSectionIndex.end()) {
    section = FSectionIndex.emplace(lowerSection, FSections.size()).first;
    FSections.push_back(TIniSection{std::string(ASection), {}});
    FKeyIndex.emplace_back();
  }
  const auto& keys = FKeyIndex[section->second];
  const auto key = keys.find(LowerAscii(AKey));
  if (key != keys.end())
    FSections[section->second].Keys[key->second].Value = std::string(value);
  else
    AddKey(section->second, AKey, value);
}

void TIniFile::AddKey(size_t ASection, std::string_view AName, std::string_view AValue) {
  auto& keys = FSections[ASection].Keys;
  FKeyIndex[ASection].emplace(LowerAscii(AName), keys.size());  // keeps the first occurrence
  keys.push_back(TIniKey{std::string(AName), std::string(AValue)});
}

std::string TIniFile::Serialize() const {
  std::string text;
  for (const TIniSection& section : FSections) {
    text += '[';
    text += section.Name;
    text += "]\r\n";
    for (const TIniKey& key : section.Keys) {
      text += key.Name;
      text += '=';
      text += key.Value;
      text += "\r\n";
    }
    text += "\r\n";
  }
  switch (FEncoding) {
    case TIniEncoding::NoMark:
      return EncodeUnmarked(text);
    case TIniEncoding::Utf8WithMark:
      return std::string(kUtf8Mark) + text;
    case TIniEncoding::Utf16LE:
      return std::string(kUtf16LEMark) + EncodeUtf16(text, false);
    case TIniEncoding::Utf16BE:
      return std::string(kUtf16BEMark) + EncodeUtf16(text, true);
  }
  return text;
}

void TIniFile::Save(const std::string& APath) const {
  Platform::WriteFileKeepingAttributes(APath, Serialize());
}

}  // namespace Infrastructure::Config
