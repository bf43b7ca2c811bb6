#include "Infrastructure/Files/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>

#include "Core/Text/Unicode.h"

namespace Infrastructure::Files {

using Core::Text::IsValidUtf8;

namespace {

constexpr uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr uint32_t kCentralHeaderSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kDataDescriptorSignature = 0x08074b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndRecordSize = 22;
constexpr size_t kZip64LocatorSize = 20;
constexpr size_t kZip64EndRecordSize = 56;
constexpr size_t kMaxCommentSize = 0xFFFF;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint16_t kUnicodePathExtraId = 0x7075;
constexpr uint16_t kUtf8Flag = 0x0800;
constexpr unsigned kHostUnix = 3;
constexpr unsigned kHostMacOs = 19;
// Strong encryption and a masked local header: contents that cannot be read as they stand.
constexpr uint16_t kUnreadableFlags = 0x0001 | 0x0040 | 0x2000;
// Fixed memory per archive whatever the entry sizes; large enough that the
// system calls stay few next to the inflate work.
constexpr size_t kInputBufferSize = 256 * 1024;
constexpr size_t kOutputBufferSize = 256 * 1024;

uint16_t Get16(const unsigned char* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Get32(const unsigned char* p) {
  return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16;
}
uint64_t Get64(const unsigned char* p) {
  return Get32(p) | static_cast<uint64_t>(Get32(p + 4)) << 32;
}

[[noreturn]] void Corrupt(const std::string& AWhat) {
  throw EZipError("Arquivo ZIP inválido: " + AWhat + ".");
}
[[noreturn]] void Unsupported(const std::string& AWhat) {
  throw EZipError("Arquivo ZIP não suportado: " + AWhat + ".");
}

void ReadExact(Platform::TFileReader& AFile, uint64_t AOffset, void* ABuffer, size_t ASize) {
  if (AFile.ReadAt(AOffset, ABuffer, ASize) != ASize) Corrupt("o arquivo termina antes do esperado");
}

// Bytes 0x80-0xFF of code page 437, the names' encoding unless the entry says UTF-8.
constexpr char16_t kCp437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

std::string Cp437ToUtf8(std::string_view AText) {
  std::string out;
  out.reserve(AText.size());
  for (const char c : AText) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80)
      out += c;
    else
      Core::Text::AppendUtf8(out, kCp437High[byte - 0x80]);
  }
  return out;
}

// Visits the (id, data) blocks of an extra field; a malformed tail ends the walk.
template <typename TVisit>
void ForEachExtraBlock(std::string_view AExtra, TVisit AVisit) {
  const auto* p = reinterpret_cast<const unsigned char*>(AExtra.data());
  size_t pos = 0;
  while (AExtra.size() - pos >= 4) {
    const uint16_t id = Get16(p + pos);
    const size_t length = Get16(p + pos + 2);
    if (AExtra.size() - pos - 4 < length) return;
    AVisit(id, AExtra.substr(pos + 4, length));
    pos += 4 + length;
  }
}

// ZIP64 keeps in its extra block, in this order, each field that the fixed
// header marks as too large (all bits set).
struct TZip64Fields {
  uint64_t* Uncompressed = nullptr;
  uint64_t* Compressed = nullptr;
  uint64_t* Offset = nullptr;
};

void ApplyZip64(std::string_view AExtra, const TZip64Fields& AFields) {
  uint64_t* wanted[] = {AFields.Uncompressed, AFields.Compressed, AFields.Offset};
  const bool needed = std::any_of(std::begin(wanted), std::end(wanted), [](uint64_t* f) { return f != nullptr; });
  if (!needed) return;
  bool found = false;
  ForEachExtraBlock(AExtra, [&](uint16_t AId, std::string_view AData) {
    if (AId != kZip64ExtraId || found) return;
    found = true;
    const auto* p = reinterpret_cast<const unsigned char*>(AData.data());
    size_t pos = 0;
    for (uint64_t* field : wanted) {
      if (field == nullptr) continue;
      if (AData.size() - pos < 8) Corrupt("campo ZIP64 incompleto");
      *field = Get64(p + pos);
      pos += 8;
    }
  });
  if (!found) Corrupt("campo ZIP64 ausente");
}

// The central directory, read in windows of a fixed buffer.
class TCentralCursor {
 public:
  TCentralCursor(Platform::TFileReader& AFile, uint64_t AOffset, uint64_t ASize)
      : FFile(AFile), FNext(AOffset), FRemaining(ASize), FBuffer(2 * 64 * 1024) {}

  // The next ASize bytes (at most 65535); valid until the next call.
  const unsigned char* Take(size_t ASize) {
    if (FEnd - FPos < ASize) {
      if (ASize - (FEnd - FPos) > FRemaining) Corrupt("diretório central incompleto");
      std::memmove(FBuffer.data(), FBuffer.data() + FPos, FEnd - FPos);
      FEnd -= FPos;
      FPos = 0;
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(FBuffer.size() - FEnd, FRemaining));
      ReadExact(FFile, FNext, FBuffer.data() + FEnd, chunk);
      FNext += chunk;
      FRemaining -= chunk;
      FEnd += chunk;
    }
    const unsigned char* result = FBuffer.data() + FPos;
    FPos += ASize;
    return result;
  }
  bool AtEnd() const { return FPos == FEnd && FRemaining == 0; }

 private:
  Platform::TFileReader& FFile;
  uint64_t FNext;
  uint64_t FRemaining;
  std::vector<unsigned char> FBuffer;
  size_t FPos = 0;
  size_t FEnd = 0;
};

std::string_view AsText(const unsigned char* AData, size_t ASize) {
  return std::string_view(reinterpret_cast<const char*>(AData), ASize);
}

std::string DecodeName(const std::string& ARaw, uint16_t AFlags, uint16_t AMadeBy, std::string_view AExtra) {
  if ((AFlags & kUtf8Flag) != 0) {
    if (!IsValidUtf8(ARaw)) Corrupt("nome de entrada com UTF-8 inválido");
    return ARaw;
  }
  // Info-ZIP keeps the UTF-8 name aside, tied to the stored name by its CRC-32.
  std::string unicode;
  ForEachExtraBlock(AExtra, [&](uint16_t AId, std::string_view AData) {
    if (AId != kUnicodePathExtraId || AData.size() < 5 || AData[0] != 1) return;
    const auto* p = reinterpret_cast<const unsigned char*>(AData.data());
    const uint32_t crc =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(ARaw.data()), static_cast<uInt>(ARaw.size())));
    const std::string_view name = AData.substr(5);
    if (Get32(p + 1) == crc && IsValidUtf8(name)) unicode = std::string(name);
  });
  if (!unicode.empty()) return unicode;
  // Info-ZIP on Linux and macOS stores the system's UTF-8 names without the
  // flag; CP437 is what DOS and Windows tools meant.
  const unsigned host = AMadeBy >> 8;
  if ((host == kHostUnix || host == kHostMacOs) && IsValidUtf8(ARaw)) return ARaw;
  return Cp437ToUtf8(ARaw);
}

bool AddOverflows(uint64_t A, uint64_t B, uint64_t& AResult) {
  AResult = A + B;
  return AResult < A;
}

}  // namespace

struct TZipReader::TEndRecord {
  uint64_t EntryCount = 0;
  uint64_t CentralDirectorySize = 0;
  uint64_t CentralDirectoryOffset = 0;
  uint64_t CentralDirectoryEnd = 0;  // where the end records begin in the file
};

TZipReader::TZipReader(const std::string& APath) : FFile(APath) {
  const TEndRecord end = ReadEndRecord(FFile.Size());
  // A self-extractor's program before the archive shifts every offset by its size.
  FPrefixSize = end.CentralDirectoryEnd - end.CentralDirectorySize - end.CentralDirectoryOffset;
  const uint64_t start = end.CentralDirectoryOffset + FPrefixSize;
  ReadCentralDirectory(start, end.CentralDirectorySize, end.EntryCount);
  CheckLayout(start);
}

TZipReader::TZipReader(const std::string& APath, TRecordsOnly) : FFile(APath) {}

bool NameReadsAlike(std::string_view ARawName) {
  return std::all_of(ARawName.begin(), ARawName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

TZipEntry TZipReader::RecordEntry(uint64_t AOffset, uint64_t ALength) {
  unsigned char header[kLocalHeaderSize];
  if (ALength < kLocalHeaderSize) Corrupt("registro menor que um cabeçalho local");
  ReadExact(FFile, AOffset, header, kLocalHeaderSize);
  if (Get32(header) != kLocalHeaderSignature) Corrupt("cabeçalho local inválido");
  TZipEntry entry;
  entry.Flags = Get16(header + 6);
  entry.Method = Get16(header + 8);
  entry.LocalHeaderOffset = AOffset;
  const size_t nameLength = Get16(header + 26);
  const size_t extraLength = Get16(header + 28);
  const uint64_t dataOffset = kLocalHeaderSize + nameLength + extraLength;
  if (ALength < dataOffset) Corrupt("registro menor que seu cabeçalho local");
  if (AddOverflows(AOffset, ALength, entry.DataLimit)) Corrupt("registro fora do arquivo");
  std::string nameAndExtra(nameLength + extraLength, '\0');
  ReadExact(FFile, AOffset + kLocalHeaderSize, nameAndExtra.data(), nameAndExtra.size());
  entry.RawName = nameAndExtra.substr(0, nameLength);
  if (!NameReadsAlike(entry.RawName)) Unsupported("nome fora do ASCII num registro lido sem o diretório central");
  entry.Name = entry.RawName;
  const std::string_view extra = std::string_view(nameAndExtra).substr(nameLength);
  bool zip64 = false;
  ForEachExtraBlock(extra, [&](uint16_t AId, std::string_view) { zip64 = zip64 || AId == kZip64ExtraId; });

  const uint64_t room = ALength - dataOffset;  // data and descriptor
  if (!entry.HasDataDescriptor()) {
    entry.Crc32 = Get32(header + 14);
    entry.CompressedSize = Get32(header + 18);
    entry.UncompressedSize = Get32(header + 22);
    TZip64Fields fields;
    if (entry.UncompressedSize == 0xFFFFFFFF) fields.Uncompressed = &entry.UncompressedSize;
    if (entry.CompressedSize == 0xFFFFFFFF) fields.Compressed = &entry.CompressedSize;
    ApplyZip64(extra, fields);
    if (entry.CompressedSize != room) Corrupt("tamanho compactado difere do registro");
  } else {
    // CRC-32, then both sizes in 8 bytes each with a ZIP64 block, else 4; the
    // signature before them is optional. The compressed size it states must
    // fill the record up to the descriptor, which settles whether it is there.
    const size_t fields = zip64 ? 20 : 12;
    unsigned char tail[4 + 20];
    bool found = false;
    for (const size_t size : {fields + 4, fields}) {
      if (room < size) continue;
      ReadExact(FFile, AOffset + ALength - size, tail, size);
      const unsigned char* p = tail + (size - fields);
      if (size != fields && Get32(tail) != kDataDescriptorSignature) continue;
      const uint64_t compressed = zip64 ? Get64(p + 4) : Get32(p + 4);
      if (compressed != room - size) continue;
      entry.Crc32 = Get32(p);
      entry.CompressedSize = compressed;
      entry.UncompressedSize = zip64 ? Get64(p + 12) : Get32(p + 8);
      found = true;
      break;
    }
    if (!found) Corrupt("descritor de dados não confere com o registro");
  }
  if (entry.Method == kStored && !entry.IsEncrypted() && entry.CompressedSize != entry.UncompressedSize)
    Corrupt("tamanhos incoerentes");
  return entry;
}

TZipReader::TEndRecord TZipReader::ReadEndRecord(uint64_t AFileSize) {
  if (AFileSize < kEndRecordSize) Corrupt("arquivo curto demais");
  // The end record sits before a comment of up to 65535 bytes, and the comment
  // is any text: it may hold the signature, even a whole false end record.
  const size_t tail = static_cast<size_t>(std::min<uint64_t>(AFileSize, kEndRecordSize + kMaxCommentSize));
  const uint64_t tailStart = AFileSize - tail;
  std::vector<unsigned char> buffer(tail);
  ReadExact(FFile, tailStart, buffer.data(), tail);
  // Of the records whose directory adds up: one pointing at entries beats one
  // pointing at none (a false record in a comment reads as an empty archive);
  // then one whose comment runs to the end of the file, as the format has it,
  // beats one followed by appended bytes; then the first, since all that
  // follows a record is its comment.
  std::optional<TEndRecord> best;
  int bestRank = -1;
  std::optional<EZipError> firstError;
  for (size_t i = 0; i + kEndRecordSize <= tail; ++i) {
    if (Get32(&buffer[i]) != kEndSignature) continue;
    const size_t recordEnd = i + kEndRecordSize + Get16(&buffer[i + 20]);
    if (recordEnd > tail) continue;
    try {
      const TEndRecord end = ParseEndRecord(tailStart + i, &buffer[i]);
      const int rank = (end.EntryCount != 0 ? 2 : 0) + (recordEnd == tail ? 1 : 0);
      if (rank > bestRank) {
        best = end;
        bestRank = rank;
      }
    } catch (const EZipError& error) {
      if (!firstError) firstError = error;
    }
  }
  if (best) return *best;
  if (firstError) throw *firstError;
  Corrupt("fim do diretório central não encontrado");
}

TZipReader::TEndRecord TZipReader::ParseEndRecord(uint64_t ARecordOffset, const unsigned char* ARecord) {
  TEndRecord end;
  uint32_t disk = Get16(ARecord + 4);
  uint32_t centralDisk = Get16(ARecord + 6);
  uint64_t entriesOnDisk = Get16(ARecord + 8);
  end.EntryCount = Get16(ARecord + 10);
  end.CentralDirectorySize = Get32(ARecord + 12);
  end.CentralDirectoryOffset = Get32(ARecord + 16);
  end.CentralDirectoryEnd = ARecordOffset;

  unsigned char locator[kZip64LocatorSize];
  if (ARecordOffset >= kZip64LocatorSize) {
    ReadExact(FFile, ARecordOffset - kZip64LocatorSize, locator, kZip64LocatorSize);
    if (Get32(locator) == kZip64LocatorSignature) {
      if (Get32(locator + 4) != 0 || Get32(locator + 16) > 1) Unsupported("arquivo em vários volumes");
      const uint64_t locatorOffset = ARecordOffset - kZip64LocatorSize;
      // Normally right before the locator; its stated offset does not count a prefix.
      unsigned char record64[kZip64EndRecordSize];
      const auto recordAt = [&](uint64_t AOffset) {
        if (AOffset > locatorOffset || locatorOffset - AOffset < kZip64EndRecordSize) return false;
        ReadExact(FFile, AOffset, record64, kZip64EndRecordSize);
        return Get32(record64) == kZip64EndSignature;
      };
      uint64_t record64Offset = locatorOffset - std::min<uint64_t>(locatorOffset, kZip64EndRecordSize);
      if (!recordAt(record64Offset)) {
        record64Offset = Get64(locator + 8);
        if (!recordAt(record64Offset)) Corrupt("registro final ZIP64 não encontrado");
      }
      disk = Get32(record64 + 16);
      centralDisk = Get32(record64 + 20);
      entriesOnDisk = Get64(record64 + 24);
      end.EntryCount = Get64(record64 + 32);
      end.CentralDirectorySize = Get64(record64 + 40);
      end.CentralDirectoryOffset = Get64(record64 + 48);
      end.CentralDirectoryEnd = record64Offset;
    }
  }
  if (disk != 0 || centralDisk != 0 || entriesOnDisk != end.EntryCount) Unsupported("arquivo em vários volumes");

  // The directory the record points at must be there: inside the file, as
  // many headers as it can hold, and a central header where it starts.
  if (end.CentralDirectorySize > end.CentralDirectoryEnd ||
      end.CentralDirectoryOffset > end.CentralDirectoryEnd - end.CentralDirectorySize)
    Corrupt("diretório central fora do arquivo");
  if (end.EntryCount > end.CentralDirectorySize / kCentralHeaderSize ||
      (end.EntryCount == 0) != (end.CentralDirectorySize == 0))
    Corrupt("número de entradas incoerente");
  if (end.EntryCount != 0) {
    unsigned char signature[4];
    ReadExact(FFile, end.CentralDirectoryEnd - end.CentralDirectorySize, signature, sizeof(signature));
    if (Get32(signature) != kCentralHeaderSignature) Corrupt("cabeçalho central inválido");
  }
  return end;
}

void TZipReader::ReadCentralDirectory(uint64_t AOffset, uint64_t ASize, uint64_t ACount) {
  TCentralCursor cursor(FFile, AOffset, ASize);
  FEntries.reserve(static_cast<size_t>(std::min<uint64_t>(ACount, 4096)));
  for (uint64_t i = 0; i < ACount; ++i) {
    const unsigned char* header = cursor.Take(kCentralHeaderSize);
    if (Get32(header) != kCentralHeaderSignature) Corrupt("cabeçalho central inválido");
    TZipEntry entry;
    const uint16_t madeBy = Get16(header + 4);
    entry.Flags = Get16(header + 8);
    entry.Method = Get16(header + 10);
    entry.Crc32 = Get32(header + 16);
    entry.CompressedSize = Get32(header + 20);
    entry.UncompressedSize = Get32(header + 24);
    const size_t nameLength = Get16(header + 28);
    const size_t extraLength = Get16(header + 30);
    const size_t commentLength = Get16(header + 32);
    const uint16_t disk = Get16(header + 34);
    uint64_t offset = Get32(header + 42);

    entry.RawName = std::string(AsText(cursor.Take(nameLength), nameLength));
    const std::string extra(AsText(cursor.Take(extraLength), extraLength));
    cursor.Take(commentLength);

    TZip64Fields zip64;
    if (entry.UncompressedSize == 0xFFFFFFFF) zip64.Uncompressed = &entry.UncompressedSize;
    if (entry.CompressedSize == 0xFFFFFFFF) zip64.Compressed = &entry.CompressedSize;
    if (offset == 0xFFFFFFFF) zip64.Offset = &offset;
    ApplyZip64(extra, zip64);
    if (disk != 0 && disk != 0xFFFF) Unsupported("arquivo em vários volumes");
    if (AddOverflows(offset, FPrefixSize, entry.LocalHeaderOffset)) Corrupt("posição de entrada inválida");
    entry.Name = DecodeName(entry.RawName, entry.Flags, madeBy, extra);
    FEntries.push_back(std::move(entry));
  }
  if (!cursor.AtEnd()) Corrupt("número de entradas incoerente");
}

void TZipReader::CheckLayout(uint64_t ACentralDirectoryOffset) {
  // Entries must not share bytes: overlapping entries multiply a small file
  // into an unbounded amount of output.
  std::vector<size_t> order(FEntries.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::sort(order.begin(), order.end(),
            [&](size_t A, size_t B) { return FEntries[A].LocalHeaderOffset < FEntries[B].LocalHeaderOffset; });
  // A wrong directory offset reads as a prefix: the first entry must start where it says.
  if (!order.empty()) {
    unsigned char signature[4];
    ReadExact(FFile, FEntries[order.front()].LocalHeaderOffset, signature, sizeof(signature));
    if (Get32(signature) != kLocalHeaderSignature) Corrupt("cabeçalho local inválido");
  }
  for (size_t i = 0; i < order.size(); ++i) {
    TZipEntry& entry = FEntries[order[i]];
    entry.DataLimit = i + 1 < order.size() ? FEntries[order[i + 1]].LocalHeaderOffset : ACentralDirectoryOffset;
    uint64_t end;
    if (AddOverflows(entry.LocalHeaderOffset, kLocalHeaderSize + entry.RawName.size(), end) ||
        AddOverflows(end, entry.CompressedSize, end) || end > entry.DataLimit)
      Corrupt("entradas sobrepostas ou fora do arquivo");
    if (entry.Method == kStored && !entry.IsEncrypted() && entry.CompressedSize != entry.UncompressedSize)
      Corrupt("tamanhos incoerentes");
  }
}

bool TZipReader::CanRead(const TZipEntry& AEntry) {
  return (AEntry.Flags & kUnreadableFlags) == 0 && (AEntry.Method == kStored || AEntry.Method == kDeflated);
}

uint64_t TZipReader::LocateData(const TZipEntry& AEntry) {
  unsigned char header[kLocalHeaderSize];
  ReadExact(FFile, AEntry.LocalHeaderOffset, header, kLocalHeaderSize);
  if (Get32(header) != kLocalHeaderSignature) Corrupt("cabeçalho local inválido");
  const uint16_t flags = Get16(header + 6);
  const size_t nameLength = Get16(header + 26);
  const size_t extraLength = Get16(header + 28);
  if (Get16(header + 8) != AEntry.Method || ((flags ^ AEntry.Flags) & 0x0009) != 0 ||
      nameLength != AEntry.RawName.size())
    Corrupt("cabeçalho local difere do diretório central");

  FInput.resize(kInputBufferSize);
  ReadExact(FFile, AEntry.LocalHeaderOffset + kLocalHeaderSize, FInput.data(), nameLength + extraLength);
  const std::string_view name = AsText(FInput.data(), nameLength);
  if (name != AEntry.RawName) Corrupt("cabeçalho local difere do diretório central");

  if (!AEntry.HasDataDescriptor()) {
    uint64_t compressed = Get32(header + 18);
    uint64_t uncompressed = Get32(header + 22);
    TZip64Fields zip64;
    if (uncompressed == 0xFFFFFFFF) zip64.Uncompressed = &uncompressed;
    if (compressed == 0xFFFFFFFF) zip64.Compressed = &compressed;
    ApplyZip64(AsText(FInput.data() + nameLength, extraLength), zip64);
    if (Get32(header + 14) != AEntry.Crc32 || compressed != AEntry.CompressedSize ||
        uncompressed != AEntry.UncompressedSize)
      Corrupt("cabeçalho local difere do diretório central");
  }
  const uint64_t data = AEntry.LocalHeaderOffset + kLocalHeaderSize + nameLength + extraLength;
  if (data > AEntry.DataLimit || AEntry.DataLimit - data < AEntry.CompressedSize)
    Corrupt("entradas sobrepostas ou fora do arquivo");
  return data;
}

void TZipReader::ReadEntry(const TZipEntry& AEntry, Platform::IByteSink& ASink) {
  if (!CanRead(AEntry)) {
    if ((AEntry.Flags & kUnreadableFlags) != 0) Unsupported("entrada criptografada");
    Unsupported("método de compressão " + std::to_string(AEntry.Method));
  }
  const uint64_t data = LocateData(AEntry);
  FOutput.resize(kOutputBufferSize);
  if (AEntry.Method == kStored)
    CopyStored(AEntry, data, ASink);
  else
    Inflate(AEntry, data, ASink);
}

void TZipReader::CopyStored(const TZipEntry& AEntry, uint64_t AOffset, Platform::IByteSink& ASink) {
  uLong crc = crc32(0, Z_NULL, 0);
  for (uint64_t remaining = AEntry.CompressedSize; remaining > 0;) {
    const size_t chunk = static_cast<size_t>(std::min<uint64_t>(remaining, FInput.size()));
    ReadExact(FFile, AOffset, FInput.data(), chunk);
    crc = crc32(crc, FInput.data(), static_cast<uInt>(chunk));
    ASink.Write(FInput.data(), chunk);
    AOffset += chunk;
    remaining -= chunk;
  }
  if (crc != AEntry.Crc32) Corrupt("CRC-32 não confere em \"" + AEntry.Name + "\"");
}

void TZipReader::Inflate(const TZipEntry& AEntry, uint64_t AOffset, Platform::IByteSink& ASink) {
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) throw EZipError("Memória insuficiente para descompactar.");
  struct TEnd {
    z_stream& Stream;
    ~TEnd() { inflateEnd(&Stream); }
  } end{stream};

  uLong crc = crc32(0, Z_NULL, 0);
  uint64_t remainingInput = AEntry.CompressedSize;
  uint64_t produced = 0;
  for (int status = Z_OK; status != Z_STREAM_END;) {
    if (stream.avail_in == 0) {
      if (remainingInput == 0) Corrupt("dados compactados incompletos em \"" + AEntry.Name + "\"");
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(remainingInput, FInput.size()));
      ReadExact(FFile, AOffset, FInput.data(), chunk);
      AOffset += chunk;
      remainingInput -= chunk;
      stream.next_in = FInput.data();
      stream.avail_in = static_cast<uInt>(chunk);
    }
    stream.next_out = FOutput.data();
    stream.avail_out = static_cast<uInt>(FOutput.size());
    status = inflate(&stream, Z_NO_FLUSH);
    if (status != Z_OK && status != Z_STREAM_END && !(status == Z_BUF_ERROR && stream.avail_in == 0))
      Corrupt("dados compactados inválidos em \"" + AEntry.Name + "\"");
    const size_t got = FOutput.size() - stream.avail_out;
    // Stop at the declared size: more output is a corrupt entry or a bomb.
    if (got > AEntry.UncompressedSize - produced) Corrupt("entrada maior que o declarado: \"" + AEntry.Name + "\"");
    crc = crc32(crc, FOutput.data(), static_cast<uInt>(got));
    ASink.Write(FOutput.data(), got);
    produced += got;
  }
  if (produced != AEntry.UncompressedSize) Corrupt("tamanho não confere em \"" + AEntry.Name + "\"");
  if (crc != AEntry.Crc32) Corrupt("CRC-32 não confere em \"" + AEntry.Name + "\"");
}

}  // namespace Infrastructure::Files
