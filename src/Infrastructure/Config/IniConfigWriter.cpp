#include "Infrastructure/Config/IniConfigWriter.h"

#include "Infrastructure/Config/IniFile.h"

namespace Infrastructure::Config {

void TIniConfigWriter::WriteDatabaseSettings(const std::string& AConfigPath,
                                             const std::vector<std::pair<std::string, std::string>>& AValues) {
  // Every key is set in memory before anything is written: a value the file
  // cannot hold fails the save with the old file whole.
  TIniFile file = TIniFile::Load(AConfigPath);
  for (const auto& [key, value] : AValues) file.WriteString("BancoDados", key, value);
  file.Save(AConfigPath);
}

}  // namespace Infrastructure::Config
