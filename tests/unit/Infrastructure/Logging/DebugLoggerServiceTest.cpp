#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "Core/Errors.h"
#include "Infrastructure/Logging/DebugLoggerService.h"
#include "Infrastructure/Platform/FileSystem.h"
#include "support/TempDir.h"

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
  EXPECT_EQ(logger.Lines,
            (std::vector<std::string>{"INFO|CheckBDE - Verificando BDE", "WARN|", "DEBUG|d", "ERROR|falhou"}));
}

// Errors are logged from the catch block of the exception they name.
TEST(DebugLoggerService, ErrorAppendsTheMostDerivedClassAndMessage) {
  TRecordingLogger logger;
  try {
    throw Core::EFileSystemError("disco cheio");
  } catch (const std::exception& e) {
    logger.Error("Salvar", &e);
  }
  try {
    throw std::runtime_error("");
  } catch (const std::exception& e) {
    // Another exception handled and finished in between does not change which one is current.
    try {
      throw std::logic_error("interna");
    } catch (const std::exception&) {
    }
    logger.Error("X", &e);
  }
  try {
    throw std::logic_error("outra");
  } catch (const std::exception&) {
    const std::exception notThrown;  // not the exception being handled: only its interface is known
    logger.Error("Y", &notThrown);
  }
  const Core::EUpdateError outsideHandler("fora");
  logger.Error("Z", &outsideHandler);
  EXPECT_EQ(logger.Lines, (std::vector<std::string>{"ERROR|Salvar | Exception: Core::EFileSystemError - disco cheio",
                                                    "ERROR|X | Exception: std::runtime_error - ",
                                                    "ERROR|Y | Exception: std::exception - std::exception",
                                                    "ERROR|Z | Exception: std::exception - fora"}));
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

namespace {

std::vector<std::string> LinesOf(const std::string& AText) {
  std::vector<std::string> lines;
  size_t start = 0, end;
  while ((end = AText.find("\r\n", start)) != std::string::npos) {
    lines.push_back(AText.substr(start, end - start));
    start = end + 2;
  }
  EXPECT_EQ(start, AText.size()) << "a line without its end";
  return lines;
}

// The fields after the time and the thread.
std::string Tail(const std::string& ALine) {
  const size_t level = ALine.find('\t', ALine.find('\t') + 1);
  return level == std::string::npos ? ALine : ALine.substr(level + 1);
}

}  // namespace

TEST(DebugLoggerService, SupportLogWritesOneMaskedLinePerCall) {
  TestSupport::TTempDir dir;
  TDebugLoggerService logger;
  logger.Info("antes - não vai");
  const std::string path = dir.Join("QuorvaneSoft/Launcher/launcher.log");
  ASSERT_TRUE(logger.StartSupportLog(path));
  EXPECT_TRUE(logger.SupportLogActive());
  logger.Info("Conectar - Driver={SQL Server};Pwd=abc;Uid=sa");
  logger.Warning("aviso");
  try {
    throw Core::EFileSystemError("sem acesso");
  } catch (const std::exception& e) {
    logger.Error("Salvar - falhou", &e);
  }
  const std::vector<std::string> lines = LinesOf(TestSupport::ReadFileBytes(path));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Tail(lines[0]), "INFO\tConectar\tDriver={SQL Server};Pwd=***;Uid=sa");
  EXPECT_EQ(Tail(lines[1]), "WARN\t-\taviso");
  EXPECT_EQ(Tail(lines[2]), "ERROR\tSalvar\tfalhou | Exception: Core::EFileSystemError - sem acesso");
}

TEST(DebugLoggerService, SupportLogRotatesKeepingThreeOldFiles) {
  TestSupport::TTempDir dir;
  TDebugLoggerService logger;
  const std::string path = dir.Join("launcher.log");
  ASSERT_TRUE(logger.StartSupportLog(path, 1000, 3));
  const std::string block(400, 'x');
  for (int i = 0; i < 20; ++i) logger.Info("L - " + std::to_string(i) + block);
  for (const char* name : {"launcher.log", "launcher.log.1", "launcher.log.2", "launcher.log.3"}) {
    SCOPED_TRACE(name);
    const std::string text = TestSupport::ReadFileBytes(dir.Join(name));
    EXPECT_LE(text.size(), 1000u);
    EXPECT_FALSE(LinesOf(text).empty());
  }
  EXPECT_FALSE(Infrastructure::Platform::FileExists(dir.Join("launcher.log.4")));
  // The newest line is in the current file, the two before it too; older ones moved along.
  EXPECT_NE(TestSupport::ReadFileBytes(path).find("\t19" + block), std::string::npos);
  EXPECT_NE(TestSupport::ReadFileBytes(dir.Join("launcher.log.1")).find("\t17" + block), std::string::npos);
}

TEST(DebugLoggerService, AHugeMessageStaysOneLineAndKeepsTheLogSmall) {
  TestSupport::TTempDir dir;
  TDebugLoggerService logger;
  const std::string path = dir.Join("launcher.log");
  ASSERT_TRUE(logger.StartSupportLog(path));
  logger.Info("Grande - " + std::string(1024 * 1024, 'z'));
  logger.Info("depois");
  const std::vector<std::string> lines = LinesOf(TestSupport::ReadFileBytes(path));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_LT(lines[0].size(), 20000u);
  EXPECT_EQ(Tail(lines[1]), "INFO\t-\tdepois");
}

TEST(DebugLoggerService, AFolderThatCannotBeMadeLeavesTheLoggerSilent) {
  TestSupport::TTempDir dir;
  const std::string blocker = dir.Join("arquivo");
  Infrastructure::Platform::WriteFileAtomically(blocker, "não é pasta");
  TDebugLoggerService logger;
  EXPECT_FALSE(logger.StartSupportLog(Infrastructure::Platform::JoinPath(blocker, "launcher.log")));
  EXPECT_FALSE(logger.SupportLogActive());
  logger.Info("nada acontece");  // no file, no throw
}

TEST(DebugLoggerService, LinesFromManyThreadsStayWhole) {
  TestSupport::TTempDir dir;
  TDebugLoggerService logger;
  const std::string path = dir.Join("launcher.log");
  ASSERT_TRUE(logger.StartSupportLog(path));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&logger, t] {
      for (int i = 0; i < 200; ++i) logger.Info("T" + std::to_string(t) + " - " + std::string(100, 'a' + t));
    });
  for (auto& thread : threads) thread.join();
  const std::vector<std::string> lines = LinesOf(TestSupport::ReadFileBytes(path));
  ASSERT_EQ(lines.size(), 800u);
  for (const std::string& line : lines) {
    const std::string tail = Tail(line);
    ASSERT_EQ(tail.size(), std::string("INFO\tT0\t").size() + 100) << line;
    EXPECT_EQ(tail.substr(tail.size() - 100), std::string(100, 'a' + (tail[6] - '0')));
  }
}
