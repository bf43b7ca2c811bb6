// A delta update on a real Windows: a file the application holds open without
// delete sharing (a loaded DLL) stops a whole-package update, but not one that
// fetched and swaps only the files that changed, since it never touches it.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "Infrastructure/Update/DeltaPlan.h"
#include "Infrastructure/Update/PartialInstall.h"
#include "Infrastructure/Update/UpdateInstaller.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/ZipBuilder.h"

using Infrastructure::Platform::Win32::TFileHandle;
using Infrastructure::Platform::Win32::ToWide;

namespace {

TFileHandle Hold(const std::string& APath, DWORD ASharing) {
  return TFileHandle(CreateFileW(ToWide(APath).c_str(), GENERIC_READ, ASharing, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
}

FILETIME WrittenAt(HANDLE AFile) {
  FILETIME written{};
  GetFileTime(AFile, nullptr, nullptr, &written);
  return written;
}

std::string ReadThrough(HANDLE AFile) {
  SetFilePointer(AFile, 0, nullptr, FILE_BEGIN);
  char buffer[256];
  DWORD read = 0;
  ReadFile(AFile, buffer, sizeof(buffer), &read, nullptr);
  return std::string(buffer, read);
}

TEST(DeltaUpdateOnWindows, AnUnchangedFileHeldWithoutDeleteSharingDoesNotStopTheUpdate) {
  TestSupport::TTempDir dir;
  const std::string app = dir.MakeDir("app");
  dir.WriteFile("app/QuorvaneSoft.exe", "executável 1");
  dir.WriteFile("app/modulo.dll", "módulo carregado");
  dir.WriteFile("app/dados.dat", "dados 1");
  TestSupport::TZipBuilder()
      .File("QuorvaneSoft.exe", "executável 1")
      .File("modulo.dll", "módulo carregado")
      .File("dados.dat", "dados 2")
      .WriteTo(dir.Join("pacote.zip"));
  const auto manifest = TestSupport::ManifestOfZip(dir.Join("pacote.zip"));
  Infrastructure::Update::TUpdateInstaller installer(
      std::make_shared<Infrastructure::Translator::TPortugueseTranslator>());
  Core::Interfaces::TInstallRequest request;
  request.PackagePath = dir.Join("pacote.zip");
  request.Destination = app;

  const TFileHandle module = Hold(dir.Join("app/modulo.dll"), FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(module.Valid());
  const FILETIME written = WrittenAt(module.Get());
  // The whole package moves every file aside, and this one cannot move.
  EXPECT_THROW(installer.Install(request), Core::EUpdateError);
  EXPECT_EQ(TestSupport::ReadFileBytes(dir.Join("app/dados.dat")), "dados 1");

  const auto plan = Infrastructure::Update::PlanDelta(manifest, app);
  ASSERT_FALSE(plan.WholePackage);
  ASSERT_EQ(plan.Entries, std::vector<size_t>{2});
  TestSupport::WritePartialPackage(dir.Join("pacote.zip"), plan.Ranges, dir.Join("parcial.part"));
  request.PackagePath = dir.Join("parcial.part");
  EXPECT_NO_THROW(Infrastructure::Update::InstallPartialPackage(installer, request, manifest, plan));
  installer.Recover(app);

  EXPECT_EQ(TestSupport::ReadFileBytes(dir.Join("app/dados.dat")), "dados 2");
  EXPECT_EQ(ReadThrough(module.Get()), "módulo carregado");
  const FILETIME writtenAfter = WrittenAt(module.Get());
  EXPECT_EQ(CompareFileTime(&written, &writtenAfter), 0);
  EXPECT_EQ(TestSupport::FolderSnapshot(app).size(), 3u) << "nothing left beside the installation";
}

TEST(DeltaUpdateOnWindows, AFileHeldWithoutReadSharingCountsAsChanged) {
  TestSupport::TTempDir dir;
  dir.WriteFile("app/dados.dat", "dados");
  TestSupport::TZipBuilder().File("dados.dat", "dados").WriteTo(dir.Join("pacote.zip"));
  const auto manifest = TestSupport::ManifestOfZip(dir.Join("pacote.zip"));
  EXPECT_TRUE(Infrastructure::Update::PlanDelta(manifest, dir.Join("app")).Entries.empty());
  const TFileHandle exclusive = Hold(dir.Join("app/dados.dat"), 0);
  ASSERT_TRUE(exclusive.Valid());
  EXPECT_EQ(Infrastructure::Update::PlanDelta(manifest, dir.Join("app")).Entries, std::vector<size_t>{0});
}

}  // namespace
