#include "Infrastructure/Files/FileDownload.h"

#include <memory>

#include "Infrastructure/Files/DownloadProgressHelper.h"

namespace Infrastructure::Files {

using namespace Core::Interfaces;

TDownloadResult DownloadToFile(IHttpClient& AClient, const std::string& AUrl, const std::string& ADestinationPath,
                               const TProgressProc& AOnProgress, const THttpOptions& AOptions) {
  TDownloadResult result;
  try {
    std::unique_ptr<TDownloadProgressHelper> helper;
    TReceiveDataEvent onReceiveData;
    if (AOnProgress) {
      helper = std::make_unique<TDownloadProgressHelper>(AOnProgress);
      onReceiveData = [&helper](int64_t AContentLength, int64_t AReadCount, bool& AAbort) {
        helper->OnReceiveDataEvent(AContentLength, AReadCount, AAbort);
      };
    }

    // Before any traffic, so the file exists whatever the outcome.
    Platform::TFileWriter file(ADestinationPath, Platform::TCreateMode::Truncate);
    TFileSink sink(file);
    const THttpResult answer = AClient.Get(AUrl, sink, AOptions, onReceiveData);
    // A close that fails loses data the answer already counted as written.
    file.Close();

    result.StatusCode = answer.StatusCode;
    result.Success = answer.Succeeded();
    if (!answer.Completed)
      result.ErrorMessage = answer.ErrorMessage;
    else if (!result.Success)
      result.ErrorMessage = "O servidor respondeu com o código " + std::to_string(answer.StatusCode);
  } catch (const std::exception& e) {
    result.Success = false;
    result.ErrorMessage = e.what();
  } catch (...) {
    result.Success = false;
    result.ErrorMessage = "Falha inesperada no download";
  }
  return result;
}

}  // namespace Infrastructure::Files
