#pragma once
#include "Core/Interfaces/IConfigWriter.h"

namespace Infrastructure::Config {

// The configuration file written by the INI writing rules (TIniFile).
class TIniConfigWriter : public Core::Interfaces::IConfigWriter {
 public:
  void WriteDatabaseSettings(const std::string& AConfigPath,
                             const std::vector<std::pair<std::string, std::string>>& AValues) override;
};

}  // namespace Infrastructure::Config
