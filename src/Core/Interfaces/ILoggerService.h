#pragma once
#include <exception>
#include <string>

namespace Core::Interfaces {

class ILoggerService {
public:
  virtual ~ILoggerService() = default;
  virtual void Info(const std::string& AMessage) = 0;
  virtual void Warning(const std::string& AMessage) = 0;
  // With an error object the line gains " | Exception: <class> - <message>".
  virtual void Error(const std::string& AMessage, const std::exception* AException = nullptr) = 0;
  virtual void Debug(const std::string& AMessage) = 0;
  // The sink. Consumers call the four level operations, never this.
  virtual void Log(const std::string& ALevel, const std::string& AMessage) = 0;
};

}  // namespace Core::Interfaces
