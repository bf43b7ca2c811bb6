#include "support/ZipBuilder.h"

#include <zlib.h>

#include <fstream>
#include <stdexcept>

#include "support/Utf8Path.h"

namespace TestSupport {

namespace {

void Put16(std::string& AOut, uint64_t AValue) {
  AOut += static_cast<char>(AValue & 0xFF);
  AOut += static_cast<char>((AValue >> 8) & 0xFF);
}
void Put32(std::string& AOut, uint64_t AValue) {
  Put16(AOut, AValue & 0xFFFF);
  Put16(AOut, (AValue >> 16) & 0xFFFF);
}
void Put64(std::string& AOut, uint64_t AValue) {
  Put32(AOut, AValue & 0xFFFFFFFF);
  Put32(AOut, AValue >> 32);
}

constexpr uint32_t kMarker32 = 0xFFFFFFFF;
constexpr uint16_t kDosDate = (0 << 9) | (1 << 5) | 1;  // 1980-01-01

std::string Zip64Extra(std::initializer_list<uint64_t> AValues) {
  std::string extra;
  Put16(extra, 0x0001);
  Put16(extra, AValues.size() * 8);
  for (const uint64_t value : AValues) Put64(extra, value);
  return extra;
}

}  // namespace

std::string Deflate(std::string_view AData, int ALevel) {
  z_stream stream{};
  if (deflateInit2(&stream, ALevel, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&stream, static_cast<uLong>(AData.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData.data()));
  stream.avail_in = static_cast<uInt>(AData.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int status = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  out.shrink_to_fit();
  deflateEnd(&stream);
  if (status != Z_STREAM_END) throw std::runtime_error("deflate");
  return out;
}

uint32_t Crc32(std::string_view AData) {
  return static_cast<uint32_t>(
      crc32_z(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(AData.data()), AData.size()));
}

TZipBuilder& TZipBuilder::Add(TZipBuilderEntry AEntry) {
  FEntries.push_back(std::move(AEntry));
  return *this;
}

TZipBuilder& TZipBuilder::File(std::string AName, std::string AData, uint16_t AMethod) {
  TZipBuilderEntry entry;
  entry.Name = std::move(AName);
  entry.Data = std::move(AData);
  entry.Method = AMethod;
  return Add(std::move(entry));
}

TZipBuilder& TZipBuilder::Folder(std::string AName) {
  TZipBuilderEntry entry;
  entry.Name = std::move(AName);
  entry.Method = 0;
  entry.ExternalAttributes = 0x10;
  return Add(std::move(entry));
}

TZipBuilder& TZipBuilder::Prefix(std::string ABytes, bool AAdjustOffsets) {
  FPrefix = std::move(ABytes);
  FAdjustOffsets = AAdjustOffsets;
  return *this;
}

TZipBuilder& TZipBuilder::Comment(std::string AComment) {
  FComment = std::move(AComment);
  return *this;
}

TZipBuilder& TZipBuilder::Zip64End(bool AEnabled) {
  FZip64End = AEnabled;
  return *this;
}

TZipBuilder& TZipBuilder::DiskNumber(uint16_t ADisk) {
  FDisk = ADisk;
  return *this;
}

TZipBuilder& TZipBuilder::Level(int ALevel) {
  FLevel = ALevel;
  return *this;
}

std::string TZipBuilder::Build() const {
  const uint64_t base = FAdjustOffsets ? FPrefix.size() : 0;
  std::string out;
  std::string central;
  bool anyZip64 = FZip64End;
  for (const TZipBuilderEntry& entry : FEntries) {
    const std::string stored = entry.StoredBytes   ? *entry.StoredBytes
                               : entry.Method == 8 ? Deflate(entry.Data, FLevel)
                                                   : entry.Data;
    const uint32_t crc = entry.Crc32.value_or(Crc32(entry.Data));
    const uint64_t compressed = entry.CompressedSize.value_or(stored.size());
    const uint64_t uncompressed = entry.UncompressedSize.value_or(entry.Data.size());
    const uint16_t flags = entry.Flags | (entry.DataDescriptor ? 0x0008 : 0);
    const uint16_t version = entry.Zip64 ? 45 : 20;
    const uint64_t offset = entry.LocalHeaderOffset.value_or(base + out.size());
    anyZip64 = anyZip64 || entry.Zip64;

    // Local header.
    const std::string localName = entry.LocalName.value_or(entry.Name);
    const uint32_t localCrc = entry.LocalCrc32.value_or(crc);
    const uint64_t localCompressed = entry.LocalCompressedSize.value_or(compressed);
    const uint64_t localUncompressed = entry.LocalUncompressedSize.value_or(uncompressed);
    std::string localExtra = entry.Extra;
    if (entry.Zip64)
      localExtra += entry.DataDescriptor ? Zip64Extra({0, 0}) : Zip64Extra({localUncompressed, localCompressed});
    Put32(out, 0x04034b50);
    Put16(out, version);
    Put16(out, flags);
    Put16(out, entry.LocalMethod.value_or(entry.Method));
    Put16(out, 0);
    Put16(out, kDosDate);
    Put32(out, entry.DataDescriptor ? 0 : localCrc);
    Put32(out, entry.DataDescriptor ? 0 : entry.Zip64 ? kMarker32 : localCompressed);
    Put32(out, entry.DataDescriptor ? 0 : entry.Zip64 ? kMarker32 : localUncompressed);
    Put16(out, localName.size());
    Put16(out, localExtra.size());
    out += localName;
    out += localExtra;
    out += stored;
    if (entry.DataDescriptor) {
      if (entry.DescriptorSignature) Put32(out, 0x08074b50);
      Put32(out, crc);
      if (entry.Zip64) {
        Put64(out, compressed);
        Put64(out, uncompressed);
      } else {
        Put32(out, compressed);
        Put32(out, uncompressed);
      }
    }

    // Central header.
    const std::string centralExtra =
        entry.Extra + (entry.Zip64 ? Zip64Extra({uncompressed, compressed, offset}) : std::string());
    Put32(central, 0x02014b50);
    Put16(central, entry.Host << 8 | version);
    Put16(central, version);
    Put16(central, flags);
    Put16(central, entry.Method);
    Put16(central, 0);
    Put16(central, kDosDate);
    Put32(central, crc);
    Put32(central, entry.Zip64 ? kMarker32 : compressed);
    Put32(central, entry.Zip64 ? kMarker32 : uncompressed);
    Put16(central, entry.Name.size());
    Put16(central, centralExtra.size());
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, entry.ExternalAttributes);
    Put32(central, entry.Zip64 ? kMarker32 : offset);
    central += entry.Name;
    central += centralExtra;
  }

  const uint64_t centralOffset = base + out.size();
  out += central;
  const uint64_t count = FEntries.size();
  if (anyZip64) {
    const uint64_t recordOffset = base + out.size();
    Put32(out, 0x06064b50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, FDisk);
    Put32(out, FDisk);
    Put64(out, count);
    Put64(out, count);
    Put64(out, central.size());
    Put64(out, centralOffset);
    Put32(out, 0x07064b50);
    Put32(out, FDisk);
    Put64(out, recordOffset);
    Put32(out, FDisk + 1);
  }
  Put32(out, 0x06054b50);
  Put16(out, FDisk);
  Put16(out, FDisk);
  Put16(out, anyZip64 ? 0xFFFF : count);
  Put16(out, anyZip64 ? 0xFFFF : count);
  Put32(out, anyZip64 ? kMarker32 : central.size());
  Put32(out, anyZip64 ? kMarker32 : centralOffset);
  Put16(out, FComment.size());
  out += FComment;
  return FPrefix + out;
}

void TZipBuilder::WriteTo(const std::string& APath) const {
  const std::string bytes = Build();
  std::ofstream file(PathFromUtf8(APath), std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + APath);
}

}  // namespace TestSupport
