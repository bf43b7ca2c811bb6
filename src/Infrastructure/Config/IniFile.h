#pragma once
// An INI document: sections in file order, keys in stored order. The same
// parser serves the readers and the save, so both see a file the same way.
//
// Reading: lines end at CR LF, LF or a lone CR and are trimmed of codes 0-32;
// empty lines and ";" lines are skipped; "[name]" opens a section (name
// trimmed); a header naming a section already seen opens nothing and its key
// lines are ignored up to the next header; a key line is "key = value" split
// at the first "=" (a line without "=" is a key with an empty value); lines
// before the first header are ignored. Names compare ASCII case-insensitively.
// A repeated key is kept; reads and writes use its first occurrence.
//
// Writing: "[name]", then "key=value" per key, then an empty line, for every
// section; CR LF line breaks; comments and lines outside sections are gone.
//
// Text inside is UTF-8. The file's byte-order mark decides its encoding
// (UTF-8, UTF-16 LE, UTF-16 BE); without one the bytes are UTF-8, and a byte
// that is not part of valid UTF-8 is read as Windows-1252. A save keeps the
// mark's encoding. A file without a mark and a new file are shared with the
// database application, which reads them in Windows-1252: they are saved in
// Windows-1252 when the whole text fits there and reads back identical,
// otherwise as UTF-8 without a mark.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Infrastructure::Config {

enum class TIniEncoding { NoMark, Utf8WithMark, Utf16LE, Utf16BE };

struct TIniKey {
  std::string Name;
  std::string Value;
  bool operator==(const TIniKey&) const = default;
};

struct TIniSection {
  std::string Name;
  std::vector<TIniKey> Keys;
  bool operator==(const TIniSection&) const = default;
};

class TIniFile {
public:
  // An empty document, saved without a mark.
  TIniFile() = default;

  // Any bytes give a document; nothing here throws for bad content.
  static TIniFile Parse(std::string_view ABytes);
  // A missing file gives an empty document. A folder at the path, or a file
  // that cannot be read, throws Core::EFileSystemError.
  static TIniFile Load(const std::string& APath);

  // The first occurrence of the key, or ADefault when the section or key is missing.
  std::string ReadString(std::string_view ASection, std::string_view AKey, std::string_view ADefault = {}) const;

  // Replaces the key's first occurrence in place, or appends the key to its
  // section, or appends the section. The value is stored trimmed, as the file
  // would give it back. Throws Core::EArgumentError, leaving the document
  // unchanged, for text that would not read back as written: CR, LF or NUL
  // anywhere, invalid UTF-8, blanks around a name, "=" in a key, or a key line
  // that would read as a comment or a header.
  void WriteString(std::string_view ASection, std::string_view AKey, std::string_view AValue);

  // The file's bytes in Encoding().
  std::string Serialize() const;
  // Writes to a temporary file beside APath, then puts it in place in one
  // step: a failure leaves the old file whole. An existing file keeps its
  // attributes and security; in a folder that takes no new file, a writable
  // file is rewritten in place. Throws Core::EFileSystemError, also for a
  // read-only file.
  void Save(const std::string& APath) const;

  TIniEncoding Encoding() const { return FEncoding; }
  const std::vector<TIniSection>& Sections() const { return FSections; }

private:
  void AddKey(size_t ASection, std::string_view AName, std::string_view AValue);

  TIniEncoding FEncoding = TIniEncoding::NoMark;
  std::vector<TIniSection> FSections;
  // Lower-case name -> position, so a parse stays linear in the file's size.
  std::unordered_map<std::string, size_t> FSectionIndex;
  std::vector<std::unordered_map<std::string, size_t>> FKeyIndex;
};

}  // namespace Infrastructure::Config
