#include "Infrastructure/Platform/Win32/WinHttpClient.h"

#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <climits>
#include <memory>

#include "Core/Errors.h"
#include "Infrastructure/Platform/Win32/Handles.h"
#include "Infrastructure/Platform/Win32/WinText.h"

// Windows 8.1 and later; older systems and Wine 8 may refuse it.
#ifndef WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY
#define WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY 4
#endif

namespace Infrastructure::Platform::Win32 {

using namespace Core::Interfaces;

namespace {

void CloseInternet(HINTERNET AHandle) {
  WinHttpCloseHandle(AHandle);
}
using TInternetHandle = TOwnedHandle<HINTERNET, static_cast<intptr_t>(0), CloseInternet>;

// Wine reports a time-out as the socket's own error.
constexpr DWORD kSocketTimedOut = 10060;
constexpr DWORD kReadBufferSize = 256 * 1024;
constexpr ULONGLONG kMaxDeliveryDelayMs = 100;

class EHttpFailure : public Core::EQuorvaneError {
 public:
  using Core::EQuorvaneError::EQuorvaneError;
};

std::string ErrorText(DWORD ACode, const THttpOptions& AOptions) {
  switch (ACode) {
    case ERROR_WINHTTP_TIMEOUT:
    case kSocketTimedOut:
      return "O servidor não respondeu dentro do tempo limite";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
      return "O nome do servidor não foi encontrado";
    case ERROR_WINHTTP_CANNOT_CONNECT:
      return "Não foi possível conectar ao servidor";
    case ERROR_WINHTTP_CONNECTION_ERROR:
      return "A conexão com o servidor foi interrompida";
    case ERROR_WINHTTP_REDIRECT_FAILED:
      // Also a redirect from HTTPS to plain HTTP, which WinHTTP refuses.
      return "Redirecionamento recusado: mais de " + std::to_string(AOptions.MaxRedirects) +
             " redirecionamentos, ou de HTTPS para HTTP";
    case ERROR_WINHTTP_INVALID_URL:
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
      return "Endereço inválido";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
    case ERROR_WINHTTP_HEADER_NOT_FOUND:
      return "Resposta inválida do servidor";
    case ERROR_WINHTTP_SECURE_FAILURE:
    case ERROR_WINHTTP_SECURE_INVALID_CA:
    case ERROR_WINHTTP_SECURE_CERT_DATE_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_CN_INVALID:
    case ERROR_WINHTTP_SECURE_CERT_REVOKED:
    case ERROR_WINHTTP_SECURE_INVALID_CERT:
    case ERROR_WINHTTP_SECURE_CHANNEL_ERROR:
    case ERROR_WINHTTP_CLIENT_AUTH_CERT_NEEDED:
      return "Falha na conexão segura com o servidor (certificado ou protocolo)";
    default:
      return "Falha na comunicação HTTP (código " + std::to_string(ACode) + ")";
  }
}

[[noreturn]] void Fail(const THttpOptions& AOptions) {
  throw EHttpFailure(ErrorText(GetLastError(), AOptions));
}

void SetDword(HINTERNET AHandle, DWORD AOption, DWORD AValue, const THttpOptions& AOptions) {
  if (!WinHttpSetOption(AHandle, AOption, &AValue, sizeof(AValue))) Fail(AOptions);
}

// A proxy that asks who the user is (407) is offered the logged-on user's
// own credentials, through Negotiate or NTLM: WinHTTP's default credentials,
// with the auto-logon policy lowered on this request only, which a proxy
// challenged, so no server is ever sent them unasked. False when the proxy
// takes neither scheme (Basic would need a password the launcher does not have).
bool OfferUserCredentialsToProxy(HINTERNET ARequest) {
  DWORD supported = 0, preferred = 0, target = 0;
  if (!WinHttpQueryAuthSchemes(ARequest, &supported, &preferred, &target) || target != WINHTTP_AUTH_TARGET_PROXY)
    return false;
  const DWORD scheme = (supported & WINHTTP_AUTH_SCHEME_NEGOTIATE) != 0 ? WINHTTP_AUTH_SCHEME_NEGOTIATE
                       : (supported & WINHTTP_AUTH_SCHEME_NTLM) != 0    ? WINHTTP_AUTH_SCHEME_NTLM
                                                                        : 0;
  if (scheme == 0) return false;
  DWORD policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_LOW;
  if (!WinHttpSetOption(ARequest, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof(policy))) return false;
  return WinHttpSetCredentials(ARequest, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr) != FALSE;
}

// A proxy the administrator set for the whole machine ("netsh winhttp set
// proxy") is used as set, bypass list included, through a session opened for
// it (Wine honours no proxy given any other way). Without one the session
// resolves the user's settings and automatic discovery where the system
// offers it (Windows 8.1 and later), else what WinHTTP's defaults say.
HINTERNET OpenSession() {
  constexpr const wchar_t* kAgent = L"QuorvaneSoftLauncher/1.0";
  WINHTTP_PROXY_INFO machine{};
  HINTERNET session = nullptr;
  if (WinHttpGetDefaultProxyConfiguration(&machine)) {
    if (machine.dwAccessType == WINHTTP_ACCESS_TYPE_NAMED_PROXY && machine.lpszProxy != nullptr &&
        *machine.lpszProxy != L'\0')
      session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, machine.lpszProxy,
                            machine.lpszProxyBypass != nullptr ? machine.lpszProxyBypass : WINHTTP_NO_PROXY_BYPASS, 0);
    if (machine.lpszProxy != nullptr) GlobalFree(machine.lpszProxy);
    if (machine.lpszProxyBypass != nullptr) GlobalFree(machine.lpszProxyBypass);
  }
  if (session == nullptr)
    session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  if (session == nullptr)
    session = WinHttpOpen(kAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  return session;
}

// Reads and drops what is left of an answer that will be asked again, so the
// connection can carry the next attempt.
void DiscardBody(HINTERNET ARequest) {
  char buffer[4096];
  for (int i = 0; i < 64; ++i) {
    DWORD read = 0;
    if (!WinHttpReadData(ARequest, buffer, sizeof(buffer), &read) || read == 0) return;
  }
}

struct TParsedUrl {
  bool Secure = false;
  std::wstring Host;
  INTERNET_PORT Port = 0;
  std::wstring PathAndQuery;
};

TParsedUrl ParseUrl(const std::string& AUrl) {
  const auto invalid = [&] { return EHttpFailure("Endereço inválido: \"" + AUrl + "\""); };
  // Control characters would end up in the request line.
  if (AUrl.empty() || std::any_of(AUrl.begin(), AUrl.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; }))
    throw invalid();
  const std::wstring url = ToWide(AUrl);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  parts.dwSchemeLength = static_cast<DWORD>(-1);
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) throw invalid();
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) throw invalid();
  if (parts.lpszHostName == nullptr || parts.dwHostNameLength == 0) throw invalid();
  TParsedUrl parsed;
  parsed.Secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  parsed.Host.assign(parts.lpszHostName, parts.dwHostNameLength);
  parsed.Port = parts.nPort;
  if (parts.lpszUrlPath != nullptr) parsed.PathAndQuery.assign(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo != nullptr) parsed.PathAndQuery.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (parsed.PathAndQuery.empty() || parsed.PathAndQuery[0] != L'/') parsed.PathAndQuery.insert(0, L"/");
  return parsed;
}

std::wstring QueryText(HINTERNET ARequest, DWORD AInfo) {
  DWORD size = 0;
  WinHttpQueryHeaders(ARequest, AInfo, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER, &size,
                      WINHTTP_NO_HEADER_INDEX);
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0) return {};
  std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(ARequest, AInfo, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &size, WINHTTP_NO_HEADER_INDEX))
    return {};
  text.resize(size / sizeof(wchar_t));
  return text;
}

// The announced body length, or -1 when there is none to trust.
int64_t ContentLength(HINTERNET ARequest) {
  const std::wstring encoding = QueryText(ARequest, WINHTTP_QUERY_TRANSFER_ENCODING);
  if (!encoding.empty()) return -1;  // a chunked body: any Content-Length beside it is ignored
  const std::wstring text = QueryText(ARequest, WINHTTP_QUERY_CONTENT_LENGTH);
  if (text.empty() || text.size() > 18) return -1;
  int64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') return -1;
    value = value * 10 + (c - L'0');
  }
  return value;
}

// The request's own headers: a single range and its validator. Control
// characters in a validator would end the header line, so it is refused.
std::wstring RequestHeaders(const THttpOptions& AOptions) {
  if (!AOptions.Range) return {};
  if (AOptions.Range->Last < AOptions.Range->First) throw EHttpFailure("Intervalo de bytes inválido");
  std::string headers =
      "Range: bytes=" + std::to_string(AOptions.Range->First) + "-" + std::to_string(AOptions.Range->Last) + "\r\n";
  if (!AOptions.IfRange.empty()) {
    if (std::any_of(AOptions.IfRange.begin(), AOptions.IfRange.end(),
                    [](char c) { return (c >= 0 && c < 0x20) || c == 0x7f; }))
      throw EHttpFailure("Validador If-Range inválido");
    headers += "If-Range: " + AOptions.IfRange + "\r\n";
  }
  return ToWide(headers);
}

// A header of the answer as received; only ASCII is expected, anything else is kept byte for byte
// where it fits (a validator is compared, never shown).
std::string HeaderText(HINTERNET ARequest, DWORD AInfo) {
  const std::wstring text = QueryText(ARequest, AInfo);
  std::string narrow;
  narrow.reserve(text.size());
  for (wchar_t c : text) narrow.push_back(c < 0x100 ? static_cast<char>(c) : '?');
  return narrow;
}

// The whole request's deadline: every wait is cut to what is left of it, so a
// server that trickles or sends nothing cannot hold the caller past it.
class TDeadline {
 public:
  explicit TDeadline(uint32_t AMilliseconds)
      : FEnd(AMilliseconds == 0 ? 0 : GetTickCount64() + AMilliseconds) {}
  // AWaitMs, or less when the deadline comes first; throws once it has passed.
  int Limit(uint32_t AWaitMs) const {
    int wait = static_cast<int>(std::min<uint32_t>(AWaitMs, INT_MAX));
    if (FEnd == 0) return wait;
    const ULONGLONG now = GetTickCount64();
    if (now >= FEnd) throw EHttpFailure(ErrorText(ERROR_WINHTTP_TIMEOUT, {}));
    return static_cast<int>(std::min<ULONGLONG>(static_cast<ULONGLONG>(wait), FEnd - now));
  }
  bool Set() const { return FEnd != 0; }

 private:
  ULONGLONG FEnd;
};

THttpResult Transfer(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions,
                     const TReceiveDataEvent& AOnReceiveData) {
  const TDeadline deadline(AOptions.DeadlineMs);
  const TParsedUrl url = ParseUrl(AUrl);

  TInternetHandle session(OpenSession());
  if (!session) Fail(AOptions);

  TInternetHandle connection(WinHttpConnect(session.Get(), url.Host.c_str(), url.Port, 0));
  if (!connection) Fail(AOptions);
  TInternetHandle request(WinHttpOpenRequest(connection.Get(), L"GET", url.PathAndQuery.c_str(), nullptr,
                                             WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                             url.Secure ? WINHTTP_FLAG_SECURE : 0));
  if (!request) Fail(AOptions);

  const int connect = deadline.Limit(AOptions.ConnectionTimeoutMs);
  const int response = deadline.Limit(AOptions.ResponseTimeoutMs);
  if (!WinHttpSetTimeouts(request.Get(), connect, connect, response, response)) Fail(AOptions);
  // The wait for the answer's headers has a time-out of its own.
  SetDword(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, static_cast<DWORD>(response), AOptions);
  // Before each read of the body: the time left, when less than a whole wait.
  const auto limitNextWait = [&] {
    if (!deadline.Set()) return;
    const int wait = deadline.Limit(AOptions.ResponseTimeoutMs);
    if (wait < response) SetDword(request.Get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, static_cast<DWORD>(wait), AOptions);
  };
  SetDword(request.Get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, AOptions.MaxRedirects, AOptions);
  // Added once, they go with every send of this request (the proxy's second try, redirects).
  const std::wstring headers = RequestHeaders(AOptions);
  if (!headers.empty() && !WinHttpAddRequestHeaders(request.Get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                                                    WINHTTP_ADDREQ_FLAG_ADD | WINHTTP_ADDREQ_FLAG_REPLACE))
    Fail(AOptions);

  THttpResult result;
  DWORD status = 0;
  for (bool offered = false;;) {
    if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.Get(), nullptr))
      Fail(AOptions);
    DWORD size = sizeof(status);
    if (!WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
      Fail(AOptions);
    if (status != HTTP_STATUS_PROXY_AUTH_REQ || offered) break;
    offered = true;
    if (!OfferUserCredentialsToProxy(request.Get())) break;
    DiscardBody(request.Get());
  }
  result.StatusCode = static_cast<int>(status);
  if (status == HTTP_STATUS_PROXY_AUTH_REQ) {
    // The proxy's page is not what was asked for: nothing reaches the sink.
    result.ErrorMessage =
        "O proxy da rede recusou a conexão (exige autenticação e não aceitou as credenciais do "
        "usuário do Windows)";
    return result;
  }
  const int64_t length = ContentLength(request.Get());
  result.ETag = HeaderText(request.Get(), WINHTTP_QUERY_ETAG);
  result.LastModified = HeaderText(request.Get(), WINHTTP_QUERY_LAST_MODIFIED);
  result.ContentRange = HeaderText(request.Get(), WINHTTP_QUERY_CONTENT_RANGE);
  result.ContentEncoding = HeaderText(request.Get(), WINHTTP_QUERY_CONTENT_ENCODING);
  result.ContentType = HeaderText(request.Get(), WINHTTP_QUERY_CONTENT_TYPE);

  // WinHTTP hands the body over a few KB at a time; the sink gets it gathered
  // into larger blocks (one file write each), but never held back for long,
  // so progress still moves on a slow line.
  const std::unique_ptr<char[]> buffer(new char[kReadBufferSize]);
  DWORD gathered = 0;
  ULONGLONG lastDelivery = GetTickCount64();
  int64_t received = 0;
  const auto deliver = [&] {
    if (gathered == 0) return;
    try {
      ASink.Write(buffer.get(), gathered);
    } catch (const std::exception& e) {
      throw EHttpFailure(std::string("Falha ao gravar os dados recebidos: ") + e.what());
    }
    received += gathered;
    gathered = 0;
    lastDelivery = GetTickCount64();
    if (AOnReceiveData) {
      bool abort = false;
      AOnReceiveData(length, received, abort);
      if (abort) throw EHttpFailure("Transferência cancelada");
    }
  };
  try {
    ASink.Begin(result);
    for (;;) {
      DWORD available = 0;
      limitNextWait();
      if (!WinHttpQueryDataAvailable(request.Get(), &available)) Fail(AOptions);
      if (available == 0) break;
      DWORD read = 0;
      if (!WinHttpReadData(request.Get(), buffer.get() + gathered, std::min(available, kReadBufferSize - gathered),
                           &read))
        Fail(AOptions);
      if (read == 0) break;
      gathered += read;
      if (gathered == kReadBufferSize || GetTickCount64() - lastDelivery >= kMaxDeliveryDelayMs) deliver();
    }
    deliver();
    // Wine ends a body cut short by the server as if it were complete.
    if (length > 0 && received < length)
      throw EHttpFailure("A conexão foi encerrada antes do fim da resposta (" + std::to_string(received) + " de " +
                         std::to_string(length) + " bytes)");
  } catch (const std::exception& e) {
    result.ErrorMessage = e.what();
    return result;
  }
  result.Completed = true;
  return result;
}

}  // namespace

THttpResult TWinHttpClient::Get(const std::string& AUrl, IHttpSink& ASink, const THttpOptions& AOptions,
                                const TReceiveDataEvent& AOnReceiveData) {
  try {
    return Transfer(AUrl, ASink, AOptions, AOnReceiveData);
  } catch (const std::exception& e) {
    THttpResult failed;
    failed.ErrorMessage = e.what();
    return failed;
  } catch (...) {
    THttpResult failed;
    failed.ErrorMessage = "Falha inesperada na transferência";
    return failed;
  }
}

}  // namespace Infrastructure::Platform::Win32
