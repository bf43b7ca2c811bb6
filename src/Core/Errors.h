#pragma once
// Project exceptions. what() carries the message callers show or log.
#include <exception>
#include <string>
#include <utility>

namespace Core {

// Derived from std::exception, not std::runtime_error: the latter keeps its text in a second
// string implementation of the standard library that would otherwise be linked in for this alone.
class EQuorvaneError : public std::exception {
public:
  explicit EQuorvaneError(std::string AMessage) : FMessage(std::move(AMessage)) {}
  explicit EQuorvaneError(const char* AMessage) : FMessage(AMessage) {}
  const char* what() const noexcept override { return FMessage.c_str(); }

private:
  std::string FMessage;
};

// A text with more "%s" placeholders than arguments, or a malformed placeholder.
class EFormatError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
};

// An argument the operation cannot work with (an empty file name has no folder).
class EArgumentError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
};

// Why a file operation failed, where the caller acts on the reason.
enum class TFileErrorKind {
  Other,
  InUse,         // another process holds the file (sharing or lock violation)
  AccessDenied,  // permissions, a read-only file or medium
  DiskFull,
};

// A file or folder that exists but cannot be read, written or created.
class EFileSystemError : public EQuorvaneError {
public:
  explicit EFileSystemError(const std::string& AMessage, TFileErrorKind AKind = TFileErrorKind::Other,
                            std::string APath = {})
      : EQuorvaneError(AMessage), FKind(AKind), FPath(std::move(APath)) {}
  TFileErrorKind Kind() const { return FKind; }
  // The file the operation failed on, when known.
  const std::string& Path() const { return FPath; }

private:
  TFileErrorKind FKind;
  std::string FPath;
};

// An application update that stopped before changing the installed
// application; what() is the message for the user, in Portuguese.
class EUpdateError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
};

// The user closed the launcher while an update was being prepared.
class EUpdateCancelled : public EUpdateError {
public:
  using EUpdateError::EUpdateError;
};

}  // namespace Core

namespace Core {

// A download that arrived but is not what the release document published;
// what() is the translated message for the user.
class EDownloadVerificationError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
};

// A registry value that exists but is not of the type the reader needs.
class ERegistryError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
};

}  // namespace Core
