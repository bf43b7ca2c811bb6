#pragma once
// The BDE service as the BDE road sees it: detection and installation answer
// as scripted, and what the installation was given is kept.
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "Core/Errors.h"
#include "Core/Interfaces/IBDEService.h"

namespace TestSupport {

class TScriptedBDE : public Core::Interfaces::IBDEService {
 public:
  std::optional<bool> Installed = true;  // nullopt: detection raises
  std::vector<std::pair<int64_t, int64_t>> InstallReports;
  std::optional<bool> InstallAnswer = false;  // nullopt: installation raises
  std::string InstalledFrom;
  Core::ValueObjects::TDownloadCheck InstalledWith;
  bool RefuseDownload = false;  // the download does not verify
  Core::Interfaces::TBDEInstallStatus CheckBDEInstalled() override {
    if (!Installed) throw std::runtime_error("registro ilegível");
    return {*Installed, "5.2.0.0", "C:\\BDE", false};
  }
  bool IsBDEInstalled() override { return Installed.value_or(false); }
  std::string GetBDEVersion() override { return {}; }
  std::string GetBDEPath() override { return {}; }
  bool InstallBDE(const std::string&, Core::Interfaces::TProgressProc) override { return false; }
  bool InstallBDEFromURL(const std::string& AUrl, const std::string&, Core::Interfaces::TProgressProc AOnProgress,
                         const Core::ValueObjects::TDownloadCheck& ACheck) override {
    InstalledFrom = AUrl;
    InstalledWith = ACheck;
    if (RefuseDownload) throw Core::EDownloadVerificationError("instalador recusado");
    for (const auto& [current, total] : InstallReports) AOnProgress(current, total);
    if (!InstallAnswer) throw std::runtime_error("instalador sumiu");
    return *InstallAnswer;
  }
  bool ConfigureBDE(const std::string&) override { return false; }
};

}  // namespace TestSupport
