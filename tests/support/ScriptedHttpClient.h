#pragma once
// An HTTP port that answers from a script, for unit tests of its callers.
// It keeps the port's promises: blocks go to the sink, the receive event
// follows each block, and nothing throws out of Get.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "Core/Interfaces/IHttpClient.h"

namespace TestSupport {

struct TScriptedAnswer {
  int StatusCode = 200;
  std::string Body;
  bool AnnounceLength = true;
  size_t BlockSize = 3;
  // Non-empty: the transfer fails with this text after FailAfterBytes bytes.
  std::string Failure;
  size_t FailAfterBytes = 0;
  // Headers of the answer, reported as received.
  std::string ETag{};
  std::string LastModified{};
  std::string ContentRange{};
  std::string ContentEncoding{};
  std::string ContentType{};
};

// An answer that arrives whole.
inline TScriptedAnswer Reply(int AStatusCode, std::string ABody, bool AAnnounceLength = true, size_t ABlockSize = 3) {
  return {AStatusCode, std::move(ABody), AAnnounceLength, ABlockSize, {}, 0};
}

class TScriptedHttpClient : public Core::Interfaces::IHttpClient {
 public:
  TScriptedAnswer Answer;
  // Answers for particular addresses; any other gets Answer.
  std::map<std::string, TScriptedAnswer> AnswersByUrl;
  // When set, answers every request instead of the fields above (a server
  // that looks at the Range and If-Range it is sent).
  std::function<TScriptedAnswer(const std::string& AUrl, const Core::Interfaces::THttpOptions& AOptions)> Respond;
  // Runs when Get starts, before the first byte.
  std::function<void()> BeforeTraffic;
  std::vector<std::string> Urls;
  std::vector<Core::Interfaces::THttpOptions> Options;

  Core::Interfaces::THttpResult Get(const std::string& AUrl, Core::Interfaces::IHttpSink& ASink,
                                    const Core::Interfaces::THttpOptions& AOptions = {},
                                    const Core::Interfaces::TReceiveDataEvent& AOnReceiveData = {}) override;
};

}  // namespace TestSupport
