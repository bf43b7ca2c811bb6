#include "Infrastructure/Logging/RotatingLogFile.h"

#include "Infrastructure/Platform/FileSystem.h"

namespace Infrastructure::Logging {

namespace {

std::string OldName(const std::string& APath, int AIndex) {
  return APath + "." + std::to_string(AIndex);
}

}  // namespace

TRotatingLogFile::TRotatingLogFile(std::string APath, uint64_t AMaxBytes, int AKeep)
    : FPath(std::move(APath)), FMaxBytes(AMaxBytes), FKeep(AKeep) {}

bool TRotatingLogFile::Open() {
  try {
    Platform::CreateDirectories(Platform::ParentPath(FPath));
    FFile = Platform::TFileWriter(FPath, Platform::TCreateMode::Append);
    FSize = Platform::TFileReader(FPath).Size();
    return true;
  } catch (const std::exception&) {
    FFile = Platform::TFileWriter();
    return false;
  }
}

void TRotatingLogFile::Rotate() {
  FFile = Platform::TFileWriter();
  Platform::RemoveFile(OldName(FPath, FKeep));
  for (int i = FKeep - 1; i >= 1; --i) {
    try {
      if (Platform::FileExists(OldName(FPath, i))) Platform::MovePath(OldName(FPath, i), OldName(FPath, i + 1));
    } catch (const std::exception&) {
      // An old file another program holds stays as it is.
    }
  }
  try {
    if (FKeep > 0)
      Platform::MovePath(FPath, OldName(FPath, 1));
    else
      Platform::RemoveFile(FPath);
  } catch (const std::exception&) {
    // Held by another launcher: it goes on growing until one of them can move it.
  }
  Open();
}

bool TRotatingLogFile::Append(std::string_view ALine) {
  if (!FFile.IsOpen()) return false;
  if (FSize > 0 && FSize + ALine.size() > FMaxBytes) {
    Rotate();
    if (!FFile.IsOpen()) return false;
  }
  try {
    FFile.Write(ALine);
    FSize += ALine.size();
    return true;
  } catch (const std::exception&) {
    FFile = Platform::TFileWriter();
    return false;
  }
}

}  // namespace Infrastructure::Logging
