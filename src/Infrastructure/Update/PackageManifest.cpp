#include "Infrastructure/Update/PackageManifest.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "Infrastructure/Files/ZipExtractor.h"
#include "Infrastructure/Files/ZipReader.h"
#include "Infrastructure/Platform/FileStream.h"

namespace Infrastructure::Update {

using Platform::TSha256Digest;

namespace {

constexpr std::string_view kMagic = "QLMF";
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderSize = 28;
constexpr uint64_t kLocalHeaderSize = 30;
// Name length, method, offset, length: a byte each at least; CRC-32 and two digests.
constexpr size_t kMinEntrySize = 1 + 1 + 1 + 4 + 1 + 1 + 1 + 64;

uint32_t Get32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Get64(const unsigned char* p) {
  return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

class TCursor {
 public:
  explicit TCursor(std::string_view ABytes)
      : FData(reinterpret_cast<const unsigned char*>(ABytes.data())), FLeft(ABytes.size()) {}
  size_t Left() const { return FLeft; }
  const unsigned char* Take(size_t ASize) {
    if (ASize > FLeft) return nullptr;
    const unsigned char* result = FData;
    FData += ASize;
    FLeft -= ASize;
    return result;
  }
  // The shortest LEB128 form only, so one manifest has one encoding.
  bool Varint(uint64_t& AValue) {
    AValue = 0;
    for (unsigned shift = 0; shift < 64; shift += 7) {
      const unsigned char* p = Take(1);
      if (p == nullptr) return false;
      const uint64_t bits = *p & 0x7F;
      if (shift == 63 && bits > 1) return false;
      AValue |= bits << shift;
      if ((*p & 0x80) == 0) return *p != 0 || shift == 0;
    }
    return false;
  }
  bool Digest(TSha256Digest& ADigest) {
    const unsigned char* p = Take(ADigest.size());
    if (p != nullptr) std::memcpy(ADigest.data(), p, ADigest.size());
    return p != nullptr;
  }

 private:
  const unsigned char* FData;
  size_t FLeft;
};

std::optional<TPackageManifest> Refuse(std::string* AError, const std::string& AWhy) {
  if (AError != nullptr) *AError = "Manifesto do pacote inválido: " + AWhy + ".";
  return std::nullopt;
}

bool ReadEntry(TCursor& ACursor, TManifestEntry& AEntry) {
  uint64_t nameLength, method;
  const unsigned char* name;
  const unsigned char* crc;
  if (!ACursor.Varint(nameLength) || nameLength > 0xFFFF || (name = ACursor.Take(nameLength)) == nullptr ||
      !ACursor.Varint(method) || method > 0xFFFF || (crc = ACursor.Take(4)) == nullptr ||
      !ACursor.Varint(AEntry.UncompressedSize) || !ACursor.Varint(AEntry.RecordOffset) ||
      !ACursor.Varint(AEntry.RecordLength) || !ACursor.Digest(AEntry.ContentSha256) ||
      !ACursor.Digest(AEntry.RecordSha256))
    return false;
  AEntry.Name.assign(reinterpret_cast<const char*>(name), nameLength);
  AEntry.Method = static_cast<uint16_t>(method);
  AEntry.Crc32 = Get32(crc);
  return true;
}

}  // namespace

std::optional<TPackageManifest> ParsePackageManifest(std::string_view ABytes, std::string* AError) {
  TCursor cursor(ABytes);
  const unsigned char* header = cursor.Take(kHeaderSize);
  if (header == nullptr || std::memcmp(header, kMagic.data(), kMagic.size()) != 0)
    return Refuse(AError, "não é um manifesto");
  if (Get32(header + 4) != kVersion) return Refuse(AError, "versão " + std::to_string(Get32(header + 4)));
  TPackageManifest manifest;
  manifest.PackageSize = Get64(header + 8);
  const uint32_t pieceCount = Get32(header + 20);
  const uint32_t entryCount = Get32(header + 24);
  if (Get32(header + 16) != TPackageManifest::kPieceSize) return Refuse(AError, "tamanho de pedaço");
  if (manifest.PackageSize / TPackageManifest::kPieceSize +
          (manifest.PackageSize % TPackageManifest::kPieceSize != 0) !=
      pieceCount)
    return Refuse(AError, "número de pedaços incoerente com o tamanho do pacote");
  // Counts are checked against the bytes before anything is reserved for them.
  if (cursor.Left() / 32 < pieceCount || (cursor.Left() - pieceCount * size_t{32}) / kMinEntrySize < entryCount)
    return Refuse(AError, "mais pedaços ou entradas do que o manifesto contém");

  manifest.Pieces.resize(pieceCount);
  for (TSha256Digest& piece : manifest.Pieces) cursor.Digest(piece);
  manifest.Entries.resize(entryCount);
  uint64_t previousEnd = 0;
  for (TManifestEntry& entry : manifest.Entries) {
    if (!ReadEntry(cursor, entry)) return Refuse(AError, "entrada incompleta ou mal codificada");
    if (!Files::SafeRelativePath(entry.Name)) return Refuse(AError, "nome de entrada inseguro");
    // The launcher extracts nothing else, so no package it takes lists another method.
    if (entry.Method != Files::TZipReader::kStored && entry.Method != Files::TZipReader::kDeflated)
      return Refuse(AError, "método de compressão " + std::to_string(entry.Method));
    // A record holds at least its local header and name; records follow one
    // another inside the package without sharing a byte.
    if (entry.RecordLength < kLocalHeaderSize + entry.Name.size() || entry.RecordOffset < previousEnd ||
        entry.RecordOffset > manifest.PackageSize || entry.RecordLength > manifest.PackageSize - entry.RecordOffset)
      return Refuse(AError, "registro fora de ordem, sobreposto ou fora do pacote");
    previousEnd = entry.RecordOffset + entry.RecordLength;
  }
  if (cursor.Left() != 0) return Refuse(AError, "bytes além da última entrada");
  return manifest;
}

namespace {

class THashSink : public Platform::IByteSink {
 public:
  void Write(const void* AData, size_t ASize) override { FHash.Update(AData, ASize); }
  TSha256Digest Finish() { return FHash.Finish(); }

 private:
  Platform::TSha256 FHash;
};

TSha256Digest HashRange(Platform::TFileReader& AFile, uint64_t AOffset, uint64_t ALength,
                        std::vector<unsigned char>& ABuffer) {
  Platform::TSha256 hash;
  while (ALength > 0) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(ALength, ABuffer.size()));
    if (AFile.ReadAt(AOffset, ABuffer.data(), chunk) != chunk) throw Files::EZipError("o arquivo terminou antes");
    hash.Update(ABuffer.data(), chunk);
    AOffset += chunk;
    ALength -= chunk;
  }
  return hash.Finish();
}

bool HasZip64Block(const unsigned char* AExtra, size_t ASize) {
  for (size_t pos = 0; ASize - pos >= 4;) {
    const size_t length = AExtra[pos + 2] | AExtra[pos + 3] << 8;
    if ((AExtra[pos] | AExtra[pos + 1] << 8) == 0x0001) return true;
    pos += 4 + std::min(length, ASize - pos - 4);
  }
  return false;
}

// Local header, name, extra, data and the data descriptor (its signature is optional).
uint64_t RecordLengthOf(Platform::TFileReader& AFile, const Files::TZipEntry& AEntry) {
  unsigned char header[kLocalHeaderSize];
  if (AFile.ReadAt(AEntry.LocalHeaderOffset, header, sizeof(header)) != sizeof(header)) return 0;
  const size_t nameLength = header[26] | header[27] << 8;
  const size_t extraLength = header[28] | header[29] << 8;
  uint64_t length = kLocalHeaderSize + nameLength + extraLength + AEntry.CompressedSize;
  if (!AEntry.HasDataDescriptor()) return length;
  std::vector<unsigned char> extra(extraLength);
  unsigned char signature[4] = {};
  AFile.ReadAt(AEntry.LocalHeaderOffset + kLocalHeaderSize + nameLength, extra.data(), extraLength);
  AFile.ReadAt(AEntry.LocalHeaderOffset + length, signature, sizeof(signature));
  if (Get32(signature) == 0x08074b50) length += 4;
  return length + 4 + (HasZip64Block(extra.data(), extraLength) ? 16 : 8);
}

}  // namespace

std::optional<std::string> FindPackageMismatch(const TPackageManifest& AManifest, const std::string& APath) {
  try {
    Files::TZipReader zip(APath);
    Platform::TFileReader file(APath);
    if (file.Size() != AManifest.PackageSize) return "tamanho do pacote";
    const uint64_t pieces = (AManifest.PackageSize + TPackageManifest::kPieceSize - 1) / TPackageManifest::kPieceSize;
    if (AManifest.Pieces.size() != pieces) return "número de pedaços";
    std::vector<const Files::TZipEntry*> entries;
    for (const Files::TZipEntry& entry : zip.Entries()) entries.push_back(&entry);
    std::sort(entries.begin(), entries.end(), [](const Files::TZipEntry* A, const Files::TZipEntry* B) {
      return A->LocalHeaderOffset < B->LocalHeaderOffset;
    });
    if (entries.size() != AManifest.Entries.size()) return "número de entradas";

    std::vector<unsigned char> buffer(256 * 1024);
    for (size_t i = 0; i < entries.size(); ++i) {
      const Files::TZipEntry& actual = *entries[i];
      const TManifestEntry& expected = AManifest.Entries[i];
      const std::string where = " de \"" + expected.Name + "\"";
      if (actual.RawName != expected.Name) return "nome da entrada " + std::to_string(i) + where;
      if (actual.LocalHeaderOffset != expected.RecordOffset || RecordLengthOf(file, actual) != expected.RecordLength)
        return "posição ou comprimento do registro" + where;
      if (actual.Method != expected.Method || actual.Crc32 != expected.Crc32 ||
          actual.UncompressedSize != expected.UncompressedSize)
        return "método, tamanho ou CRC-32" + where;
      if (HashRange(file, expected.RecordOffset, expected.RecordLength, buffer) != expected.RecordSha256)
        return "SHA-256 do registro" + where;
      THashSink content;
      zip.ReadEntry(actual, content);
      if (content.Finish() != expected.ContentSha256) return "SHA-256 do conteúdo" + where;
    }
    for (size_t i = 0; i < AManifest.Pieces.size(); ++i) {
      const uint64_t offset = i * uint64_t{TPackageManifest::kPieceSize};
      const uint64_t length = std::min<uint64_t>(TPackageManifest::kPieceSize, AManifest.PackageSize - offset);
      if (HashRange(file, offset, length, buffer) != AManifest.Pieces[i])
        return "SHA-256 do pedaço " + std::to_string(i);
    }
    return std::nullopt;
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace Infrastructure::Update
