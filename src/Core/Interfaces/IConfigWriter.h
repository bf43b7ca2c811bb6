#pragma once
// Writing the launcher's configuration file.
#include <string>
#include <utility>
#include <vector>

namespace Core::Interfaces {

class IConfigWriter {
 public:
  virtual ~IConfigWriter() = default;
  // Sets the keys of section "BancoDados", in order, keeping the rest of the
  // file, and replaces the file in one step. Throws when a value cannot be
  // stored or the file cannot be written; the old file then stays as it was.
  virtual void WriteDatabaseSettings(const std::string& AConfigPath,
                                     const std::vector<std::pair<std::string, std::string>>& AValues) = 0;
};

}  // namespace Core::Interfaces
