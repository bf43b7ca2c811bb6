#pragma once
// Project exceptions. what() carries the message callers show or log.
#include <stdexcept>
#include <string>

namespace Core {

class EQuorvaneError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
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

// A file or folder that exists but cannot be read, written or created.
class EFileSystemError : public EQuorvaneError {
public:
  using EQuorvaneError::EQuorvaneError;
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
