#include "support/ScriptedHttpClient.h"

#include <algorithm>

namespace TestSupport {

using namespace Core::Interfaces;

THttpResult TScriptedHttpClient::Get(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions,
                                     const TReceiveDataEvent& AOnReceiveData) {
  Urls.push_back(AUrl);
  Options.push_back(AOptions);
  THttpResult result;
  const auto own = AnswersByUrl.find(AUrl);
  TScriptedAnswer responded;
  if (Respond) responded = Respond(AUrl, AOptions);
  const TScriptedAnswer& Answer = Respond ? responded : own != AnswersByUrl.end() ? own->second : this->Answer;
  try {
    if (BeforeTraffic) BeforeTraffic();
    const bool fails = !Answer.Failure.empty();
    if (fails && Answer.FailAfterBytes == 0) {
      result.ErrorMessage = Answer.Failure;
      return result;
    }
    result.StatusCode = Answer.StatusCode;
    result.ETag = Answer.ETag;
    result.LastModified = Answer.LastModified;
    result.ContentRange = Answer.ContentRange;
    result.ContentEncoding = Answer.ContentEncoding;
    result.ContentType = Answer.ContentType;
    ASink.Begin(result);
    const size_t end = fails ? std::min(Answer.FailAfterBytes, Answer.Body.size()) : Answer.Body.size();
    const int64_t length = Answer.AnnounceLength ? static_cast<int64_t>(Answer.Body.size()) : -1;
    for (size_t at = 0; at < end;) {
      const size_t block = std::min(std::max<size_t>(Answer.BlockSize, 1), end - at);
      ASink.Write(Answer.Body.data() + at, block);
      at += block;
      bool abort = false;
      if (AOnReceiveData) AOnReceiveData(length, static_cast<int64_t>(at), abort);
      if (abort) {
        result.ErrorMessage = "Transferência cancelada";
        return result;
      }
    }
    if (fails) {
      result.ErrorMessage = Answer.Failure;
      return result;
    }
    result.Completed = true;
  } catch (const std::exception& e) {
    result.Completed = false;
    result.ErrorMessage = e.what();
  }
  return result;
}

}  // namespace TestSupport
