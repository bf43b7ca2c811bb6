#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Logging/DebugLoggerService.h"

using Infrastructure::Logging::TDebugLoggerService;

namespace {

// Records what reaches the sink, to check what the level operations prepare.
class TRecordingLogger : public TDebugLoggerService {
public:
  void Log(const std::string& ALevel, const std::string& AMessage) override {
    Lines.push_back(ALevel + "|" + AMessage);
  }
  std::vector<std::string> Lines;
};

}  // namespace

TEST(DebugLoggerService, LevelOperationsHandTheLevelWordAndTextToTheSink) {
  TRecordingLogger logger;
  logger.Info("CheckBDE - Verificando BDE");
  logger.Warning("");
  logger.Debug("d");
  logger.Error("falhou");
  EXPECT_EQ(logger.Lines, (std::vector<std::string>{"INFO|CheckBDE - Verificando BDE", "WARN|", "DEBUG|d",
                                                     "ERROR|falhou"}));
}

TEST(DebugLoggerService, ErrorAppendsTheMostDerivedClassAndMessage) {
  TRecordingLogger logger;
  const Core::EFileSystemError fileError("disco cheio");
  const std::runtime_error emptyMessage("");
  logger.Error("Salvar", &fileError);
  logger.Error("X", &emptyMessage);
  ASSERT_EQ(logger.Lines.size(), 2u);
  EXPECT_EQ(logger.Lines[0], "ERROR|Salvar | Exception: Core::EFileSystemError - disco cheio");
  EXPECT_EQ(logger.Lines[1], "ERROR|X | Exception: std::runtime_error - ");
}

TEST(DebugLoggerService, SinkEmitsNothingFromManyThreads) {
  TDebugLoggerService logger;
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&logger] {
      const std::logic_error error("e");
      for (int i = 0; i < 1000; ++i) {
        logger.Info("i");
        logger.Error("e", &error);
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}
