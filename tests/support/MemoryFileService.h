#pragma once
// A file service that answers from memory and records what it was asked,
// for unit tests of the decisions above it. The real one is tested under Wine.
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Core/Errors.h"
#include "Core/Interfaces/IFileService.h"

namespace TestSupport {

class TMemoryFileService : public Core::Interfaces::IFileService {
 public:
  struct TCall {
    std::string Operation;
    std::string First;
    std::string Second;
    bool operator==(const TCall&) const = default;
  };

  std::set<std::string> Files;
  std::set<std::string> Directories;
  std::string ApplicationExecutable;
  std::string Version = "0.0.0.0";
  bool DownloadAnswer = true;
  // When set, what every verified download answers; otherwise it is
  // DownloadFile's answer as Ok or Failed.
  std::optional<Core::ValueObjects::TDownloadVerdict> VerdictAnswer;
  // The checks verified downloads were given, in order.
  std::vector<Core::ValueObjects::TDownloadCheck> Checks;
  std::vector<TCall> Calls;

  bool FileExists(const std::string& APath) override {
    Calls.push_back({"FileExists", APath, {}});
    return Files.count(APath) != 0;
  }
  bool DirectoryExists(const std::string& APath) override {
    Calls.push_back({"DirectoryExists", APath, {}});
    return Directories.count(APath) != 0;
  }
  std::string ReadVersionFromFile(const std::string& AFilePath) override {
    Calls.push_back({"ReadVersionFromFile", AFilePath, {}});
    return Version;
  }
  std::string GetApplicationExecutable() override {
    Calls.push_back({"GetApplicationExecutable", {}, {}});
    return ApplicationExecutable;
  }
  std::string GetApplicationPath() override {
    Calls.push_back({"GetApplicationPath", {}, {}});
    const size_t slash = ApplicationExecutable.find_last_of("\\/");
    if (slash == std::string::npos) throw Core::EArgumentError("Nenhum executável da aplicação encontrado");
    return ApplicationExecutable.substr(0, slash);
  }
  bool DownloadFile(const std::string& AUrl, const std::string& ADestinationPath,
                    Core::Interfaces::TProgressProc /*AOnProgress*/ = {}) override {
    Calls.push_back({"DownloadFile", AUrl, ADestinationPath});
    return DownloadAnswer;
  }
  Core::ValueObjects::TDownloadVerdict DownloadVerifiedFile(const std::string& AUrl,
                                                            const std::string& ADestinationPath,
                                                            const Core::ValueObjects::TDownloadCheck& ACheck,
                                                            Core::Interfaces::TProgressProc AOnProgress = {}) override {
    Checks.push_back(ACheck);
    if (VerdictAnswer) {
      Calls.push_back({"DownloadFile", AUrl, ADestinationPath});
      return *VerdictAnswer;
    }
    return DownloadFile(AUrl, ADestinationPath, AOnProgress) ? Core::ValueObjects::TDownloadVerdict::Ok
                                                             : Core::ValueObjects::TDownloadVerdict::Failed;
  }

  // The calls of one operation, in order.
  std::vector<TCall> CallsOf(const std::string& AOperation) const {
    std::vector<TCall> found;
    for (const TCall& call : Calls)
      if (call.Operation == AOperation) found.push_back(call);
    return found;
  }
};

}  // namespace TestSupport
