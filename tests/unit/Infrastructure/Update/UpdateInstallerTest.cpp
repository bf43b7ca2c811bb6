// The one installation path over real files: a package that is not what it
// claims, a folder that cannot take it or a full volume change nothing; the
// executable it carries proves its version first.
#include "Infrastructure/Update/PartialInstall.h"
#include "Infrastructure/Update/UpdateInstaller.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <thread>

#include "Core/Errors.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "Infrastructure/Translator/PortugueseTranslator.h"
#include "support/ManifestBuilder.h"
#include "support/TempDir.h"
#include "support/Utf8Path.h"
#include "support/ZipBuilder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using Core::Interfaces::TInstallRequest;
using Core::Interfaces::TPackageKind;
using Infrastructure::Update::TUpdateInstaller;

namespace {

// Version resources by file name, for the proof's decisions; the real reader
// is exercised under Wine.
class TNamedVersions : public Core::Interfaces::IVersionResourceReader {
 public:
  std::map<std::string, std::string> Versions;
  Core::Interfaces::TVersionResource Read(const std::string& AFilePath) override {
    const auto found = Versions.find(Infrastructure::Platform::FileNameOf(AFilePath));
    if (found == Versions.end()) return {};
    return {found->second, std::nullopt};
  }
};

// The smallest file that passes for a PE image: "MZ", and "PE\0\0" where the header points.
std::string PortableExecutable(const std::string& ATag) {
  std::string image(128, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = 64;
  image.replace(64, 4, std::string("PE\0\0", 4));
  return image + ATag;
}

using TestSupport::FolderSnapshot;

struct UpdateInstallerTest : ::testing::Test {
  TestSupport::TTempDir Dir;
  std::shared_ptr<TNamedVersions> Versions = std::make_shared<TNamedVersions>();
  TUpdateInstaller Installer{std::make_shared<Infrastructure::Translator::TPortugueseTranslator>(), Versions};

  void SetUp() override {
    Dir.WriteFile("app/QuorvaneSoft.exe", PortableExecutable("v1"));
    Dir.WriteFile("app/dados.dat", "dados v1");
  }
  TInstallRequest Zip(const TestSupport::TZipBuilder& APackage, const std::string& ARequired = "2.0.0.0") {
    APackage.WriteTo(Dir.Join("pacote.zip"));
    TInstallRequest request;
    request.PackagePath = Dir.Join("pacote.zip");
    request.Destination = Dir.Join("app");
    request.ApplicationExecutable = Dir.Join("app/QuorvaneSoft.exe");
    request.RequiredVersion = ARequired;
    return request;
  }
  // Installs and answers the message of the refusal ("" when it went through).
  std::string Refusal(const TInstallRequest& ARequest) {
    try {
      Installer.Install(ARequest);
      return "";
    } catch (const Core::EUpdateError& e) {
      return e.what();
    }
  }
};

TEST_F(UpdateInstallerTest, AZipPackageThatProvesItsVersionReplacesTheApplicationWhole) {
  Versions->Versions["QuorvaneSoft.exe"] = "2.1.0.0";
  TestSupport::TZipBuilder package;
  package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("dados.dat", "dados v2").File("sub/novo.txt", "n");
  std::vector<int64_t> progress;
  TInstallRequest request = Zip(package);
  request.OnProgress = [&](int64_t ADone, int64_t ATotal) {
    EXPECT_EQ(ATotal, 1000);
    progress.push_back(ADone);
  };
  EXPECT_EQ(Refusal(request), "");
  // The old copies wait for the next start, which finds the new files whole.
  EXPECT_EQ(FolderSnapshot(Dir.Join("app")).size(), 7u) << "journal and two old copies besides the new files";
  Installer.Recover(Dir.Join("app"));
  EXPECT_EQ(FolderSnapshot(Dir.Join("app")),
            (std::map<std::string, std::string>{{"QuorvaneSoft.exe", PortableExecutable("v2")},
                                                {"dados.dat", "dados v2"},
                                                {"sub", "<pasta>"},
                                                {"sub/novo.txt", "n"}}));
  ASSERT_FALSE(progress.empty());
  EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  EXPECT_EQ(progress.back(), 1000);
}

TEST_F(UpdateInstallerTest, APackageThatIsNotWhatItClaimsChangesNothing) {
  const auto before = FolderSnapshot(Dir.Join("app"));
  const std::string html = "<html><body>Entre na rede Wi-Fi</body></html>";
  struct TCase {
    const char* Name;
    std::function<TInstallRequest()> Request;
    std::string Message;
  };
  const TCase cases[] = {
      {"last entry corrupt",
       [&] {
         TestSupport::TZipBuilder package;
         package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("dados.dat", "dados v2");
         TestSupport::TZipBuilderEntry bad;
         bad.Name = "ultimo.txt";
         bad.Data = "conteúdo";
         bad.Crc32 = 1;
         package.Add(bad);
         Versions->Versions["QuorvaneSoft.exe"] = "2.0.0.0";
         return Zip(package);
       },
       "Erro ao extrair arquivo"},
      {"an HTML page instead of a ZIP", [&] {
         Dir.WriteFile("pacote.zip", html);
         TInstallRequest request = Zip(TestSupport::TZipBuilder());
         Dir.WriteFile("pacote.zip", html);
         return request;
       },
       "Erro ao extrair arquivo"},
      {"an older executable (a replayed release)",
       [&] {
         Versions->Versions["QuorvaneSoft.exe"] = "1.9.9.9";
         TestSupport::TZipBuilder package;
         package.File("QuorvaneSoft.exe", PortableExecutable("v0")).File("dados.dat", "dados v0");
         return Zip(package);
       },
       "O pacote baixado traz a versão 1.9.9.9, mais antiga que a exigida (2.0.0.0). Nada foi alterado."},
      {"no application executable in the package",
       [&] {
         TestSupport::TZipBuilder package;
         package.File("dados.dat", "dados v2");
         return Zip(package);
       },
       "O pacote baixado não contém o executável da aplicação. Nada foi alterado."},
      {"an executable without a version",
       [&] {
         Versions->Versions.clear();
         TestSupport::TZipBuilder package;
         package.File("QuorvaneSoft.exe", PortableExecutable("v2"));
         return Zip(package);
       },
       "O executável do pacote baixado não informa sua versão. Nada foi alterado."},
      {"an HTML page where the executable package should be",
       [&] {
         TInstallRequest request;
         request.Kind = TPackageKind::Executable;
         request.PackagePath = Dir.WriteFile("baixado.exe", html);
         request.Destination = Dir.Join("app/QuorvaneSoft.exe");
         request.RequiredVersion = "2.0.0.0";
         return request;
       },
       "O pacote baixado não é um executável do Windows. Nada foi alterado."},
      {"a package claiming more than the volume could ever hold",
       [&] {
         TestSupport::TZipBuilder package;
         TestSupport::TZipBuilderEntry huge;
         huge.Name = "enorme.bin";
         huge.Data = "x";
         huge.Zip64 = true;
         huge.UncompressedSize = uint64_t{1} << 52;
         package.Add(huge);
         return Zip(package);
       },
       "Espaço insuficiente"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::string message = Refusal(c.Request());
    EXPECT_EQ(message.substr(0, c.Message.size()), c.Message);
    EXPECT_EQ(FolderSnapshot(Dir.Join("app")), before);  // byte-identical, no staging left
  }
}

TEST_F(UpdateInstallerTest, AReadOnlyFileKeepsItsMarkAndStopsTheUpdate) {
  Versions->Versions["QuorvaneSoft.exe"] = "2.0.0.0";
  std::filesystem::permissions(TestSupport::PathFromUtf8(Dir.Join("app/dados.dat")),
                               std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  const auto before = FolderSnapshot(Dir.Join("app"));
  TestSupport::TZipBuilder package;
  package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("dados.dat", "dados v2");
  EXPECT_NE(Refusal(Zip(package)).find("Sem permissão para substituir"), std::string::npos);
  EXPECT_EQ(FolderSnapshot(Dir.Join("app")), before);
}

TEST_F(UpdateInstallerTest, CancelledBeforeTheSwapLeavesTheApplicationAsItWas) {
  Versions->Versions["QuorvaneSoft.exe"] = "2.0.0.0";
  const auto before = FolderSnapshot(Dir.Join("app"));
  TestSupport::TZipBuilder package;
  package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("dados.dat", "dados v2");
  TInstallRequest request = Zip(package);
  request.IsCancelled = [] { return true; };
  EXPECT_THROW(Installer.Install(request), Core::EUpdateCancelled);
  EXPECT_EQ(FolderSnapshot(Dir.Join("app")), before);
}

// A package fetched in part: the unchanged files, the executable among them,
// stay as they are, and the installed executable proves the version.
struct PartialInstallTest : UpdateInstallerTest {
  Infrastructure::Update::TPackageManifest Manifest;
  Infrastructure::Update::TDeltaPlan Plan;

  void SetUp() override {
    UpdateInstallerTest::SetUp();
    Dir.WriteFile("app/modulo.dll", "módulo 1");
  }
  // Plans APackage against the installation and writes the partial file of the plan.
  TInstallRequest Partial(const TestSupport::TZipBuilder& APackage, const std::string& ARequired = "2.0.0.0") {
    TInstallRequest request = Zip(APackage, ARequired);
    Manifest = TestSupport::ManifestOfZip(request.PackagePath);
    Plan = Infrastructure::Update::PlanDelta(Manifest, request.Destination);
    TestSupport::WritePartialPackage(request.PackagePath, Plan.Ranges, Dir.Join("parcial.part"));
    request.PackagePath = Dir.Join("parcial.part");
    return request;
  }
  std::string PartialRefusal(const TInstallRequest& ARequest) {
    try {
      Infrastructure::Update::InstallPartialPackage(Installer, ARequest, Manifest, Plan);
      return "";
    } catch (const Core::EUpdateError& e) {
      return e.what();
    }
  }
  TestSupport::TZipBuilder Version2() {
    TestSupport::TZipBuilder package;
    package.File("QuorvaneSoft.exe", PortableExecutable("v1"))
        .File("modulo.dll", "módulo 1")
        .File("dados.dat", "dados v2")
        .File("novo/leiame.txt", "novo");
    return package;
  }
};

TEST_F(PartialInstallTest, OnlyTheChangedFilesAreSwappedInAndTheOthersKeepTheirFileAndTimes) {
  Versions->Versions["QuorvaneSoft.exe"] = "2.1.0.0";
  const std::string module = Dir.Join("app/modulo.dll");
  std::filesystem::last_write_time(TestSupport::PathFromUtf8(module),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(24 * 30));
  // As the system keeps it (whole seconds through the MinGW library).
  const auto old = std::filesystem::last_write_time(TestSupport::PathFromUtf8(module));
  TInstallRequest request = Partial(Version2());
  ASSERT_FALSE(Plan.WholePackage);
  ASSERT_EQ(Plan.Entries, (std::vector<size_t>{2, 3}));
  std::vector<std::string> replaced;
  request.OnFileReplaced = [&](const std::string& APath) { replaced.push_back(APath); };
#ifndef _WIN32
  // Held open across the update: the same file, not a new one under its name.
  const int held = ::open(module.c_str(), O_RDONLY);
  ASSERT_GE(held, 0);
  struct stat before {};
  ::fstat(held, &before);
#endif

  EXPECT_EQ(PartialRefusal(request), "");
  Installer.Recover(Dir.Join("app"));
  EXPECT_EQ(FolderSnapshot(Dir.Join("app")),
            (std::map<std::string, std::string>{{"QuorvaneSoft.exe", PortableExecutable("v1")},
                                                {"modulo.dll", "módulo 1"},
                                                {"dados.dat", "dados v2"},
                                                {"novo", "<pasta>"},
                                                {"novo/leiame.txt", "novo"}}));
  EXPECT_EQ(replaced, (std::vector<std::string>{Dir.Join("app/dados.dat"), Dir.Join("app/novo/leiame.txt")}));
  EXPECT_EQ(std::filesystem::last_write_time(TestSupport::PathFromUtf8(module)), old);
#ifndef _WIN32
  struct stat after {};
  EXPECT_EQ(::stat(module.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  ::close(held);
#endif
}

TEST_F(PartialInstallTest, TheVersionIsProvedByTheChangedExecutableOrByTheInstalledOne) {
  struct TCase {
    const char* Name;
    std::string Installed;  // the installed executable's version
    bool ExecutableChanges;
    std::function<void()> BeforeInstall;
    std::string Message;
  };
  const TCase cases[] = {
      {"unchanged and new enough", "2.0.0.0", false, {}, ""},
      {"unchanged and too old",
       "1.9.0.0",
       false,
       {},
       "O pacote baixado traz a versão 1.9.0.0, mais antiga que a exigida (2.0.0.0). Nada foi alterado."},
      {"unchanged when planned, changed since", "2.0.0.0", false,
       [&] { Dir.WriteFile("app/QuorvaneSoft.exe", PortableExecutable("v1, alterado")); }, "Erro ao extrair arquivo"},
      {"changed and new enough", "2.0.0.0", true, {}, ""},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Dir.WriteFile("app/QuorvaneSoft.exe", PortableExecutable("v1"));
    Dir.WriteFile("app/dados.dat", "dados v1");
    Installer.Recover(Dir.Join("app"));
    Versions->Versions["QuorvaneSoft.exe"] = c.Installed;
    TestSupport::TZipBuilder package = Version2();
    if (c.ExecutableChanges) {
      package = TestSupport::TZipBuilder();
      package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("dados.dat", "dados v2");
    }
    const TInstallRequest request = Partial(package);
    if (c.BeforeInstall) c.BeforeInstall();
    const auto before = FolderSnapshot(Dir.Join("app"));
    const std::string message = PartialRefusal(request);
    EXPECT_EQ(message.substr(0, c.Message.size()), c.Message);
    if (!c.Message.empty()) {
      EXPECT_EQ(FolderSnapshot(Dir.Join("app")), before);
    }
    Installer.Recover(Dir.Join("app"));
    if (c.Message.empty() && c.ExecutableChanges) {
      EXPECT_EQ(TestSupport::ReadFileBytes(Dir.Join("app/QuorvaneSoft.exe")), PortableExecutable("v2"));
    }
  }
}

#ifndef _WIN32
// A real small volume as the destination: too little room refuses the update
// before anything is written.
TEST_F(UpdateInstallerTest, AFullVolumeRefusesBeforeWriting) {
  const std::string volume = Dir.MakeDir("volume");
  if (mount("tmpfs", volume.c_str(), "tmpfs", 0, "size=4m") != 0) GTEST_SKIP() << "no tmpfs mount here (not root)";
  const TestSupport::TTempDir scratch;
  TestSupport::TZipBuilder package;
  package.File("QuorvaneSoft.exe", PortableExecutable("v2")).File("grande.bin", std::string(3 << 20, 'g'), 0);
  package.WriteTo(scratch.Join("pacote.zip"));
  Infrastructure::Platform::CreateDirectories(volume + "/app");
  Infrastructure::Platform::WriteFileAtomically(volume + "/app/QuorvaneSoft.exe", "v1");
  TInstallRequest request;
  request.PackagePath = scratch.Join("pacote.zip");
  request.Destination = volume + "/app";
  const std::string message = Refusal(request);
  const auto after = FolderSnapshot(volume + "/app");
  umount(volume.c_str());
  EXPECT_EQ(message.substr(0, 20), "Espaço insuficiente");
  EXPECT_EQ(after, (std::map<std::string, std::string>{{"QuorvaneSoft.exe", "v1"}}));
}
#endif

}  // namespace

namespace {

// The platform's lock for real (a named mutex on Windows, a file lock
// elsewhere): one holder per folder, whichever thread or process asks.
TEST(InstallationLock, OneHolderPerFolderAtATime) {
  const TestSupport::TTempDir dir;
  TUpdateInstaller installer(std::make_shared<Infrastructure::Translator::TPortugueseTranslator>());
  const auto first = installer.Lock(dir.Path());
  ASSERT_TRUE(first->TryAcquire());
  const auto fromAnotherThread = [&](const std::string& AFolder) {
    bool acquired = false;
    std::thread([&] {
      const auto other = installer.Lock(AFolder);
      acquired = other->TryAcquire();
    }).join();
    return acquired;
  };
  EXPECT_FALSE(fromAnotherThread(dir.Path()));
  EXPECT_TRUE(fromAnotherThread(dir.MakeDir("outra")));  // another folder is another lock
  first->Release();
  EXPECT_TRUE(fromAnotherThread(dir.Path()));
}

}  // namespace
