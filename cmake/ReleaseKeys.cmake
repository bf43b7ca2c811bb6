# The public keys a release document may be signed with, compiled into the
# launcher. Empty: the launcher takes the document unsigned, as before keys.
#   -DQL_RELEASE_KEYS="/path/current.pub.pem;/path/next.pub.pem"
set(QL_RELEASE_KEYS "" CACHE STRING "PEM files of the public keys (P-256) trusted to sign the release document")

set(QL_RELEASE_KEY_TEXTS "")
foreach(pem IN LISTS QL_RELEASE_KEYS)
  if(NOT EXISTS "${pem}")
    message(FATAL_ERROR "QL_RELEASE_KEYS: ${pem} does not exist")
  endif()
  file(READ "${pem}" text)
  # A private key here would ship inside every launcher.
  if(text MATCHES "PRIVATE" OR NOT text MATCHES "-----BEGIN PUBLIC KEY-----")
    message(FATAL_ERROR "QL_RELEASE_KEYS: ${pem} is not a public key (make one with scripts/release-key.sh)")
  endif()
  string(APPEND QL_RELEASE_KEY_TEXTS "    R\"ql_pem(${text})ql_pem\",\n")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${pem}")
endforeach()
# What the default BDE installer must be. A build with keys runs the default installer only with
# both; a document that names another installer brings its own.
set(QL_DEFAULT_BDE_SHA256 "" CACHE STRING "SHA-256 (64 hex digits) of the default BDE installer")
set(QL_DEFAULT_BDE_SIZE "" CACHE STRING "Size in bytes of the default BDE installer")
if(NOT QL_DEFAULT_BDE_SHA256 STREQUAL "" AND NOT QL_DEFAULT_BDE_SHA256 MATCHES "^[0-9A-Fa-f]+$")
  message(FATAL_ERROR "QL_DEFAULT_BDE_SHA256: \"${QL_DEFAULT_BDE_SHA256}\" is not 64 hexadecimal digits")
endif()
string(LENGTH "${QL_DEFAULT_BDE_SHA256}" QL_DEFAULT_BDE_SHA256_LENGTH)
if(NOT QL_DEFAULT_BDE_SHA256_LENGTH MATCHES "^(0|64)$")
  message(FATAL_ERROR "QL_DEFAULT_BDE_SHA256: \"${QL_DEFAULT_BDE_SHA256}\" is not 64 hexadecimal digits")
endif()
if(NOT QL_DEFAULT_BDE_SIZE MATCHES "^([0-9]|[1-9][0-9]*)?$")
  message(FATAL_ERROR "QL_DEFAULT_BDE_SIZE: \"${QL_DEFAULT_BDE_SIZE}\" is not a size in bytes")
endif()
set(QL_DEFAULT_BDE_SIZE_VALUE "${QL_DEFAULT_BDE_SIZE}")
if(QL_DEFAULT_BDE_SIZE_VALUE STREQUAL "")
  set(QL_DEFAULT_BDE_SIZE_VALUE -1)
endif()
list(LENGTH QL_RELEASE_KEYS QL_RELEASE_KEY_COUNT)
message(STATUS "Release document keys: ${QL_RELEASE_KEY_COUNT}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/ReleaseKeys.h CONTENT [==[
#pragma once
// Generated from QL_RELEASE_KEYS (cmake/ReleaseKeys.cmake).
#include <string_view>
#include <vector>

#include "Core/ValueObjects/DownloadCheck.h"

namespace Bootstrap {

inline std::vector<std::string_view> CompiledReleaseKeys() {
  return {
@QL_RELEASE_KEY_TEXTS@  };
}

// From QL_DEFAULT_BDE_SHA256 and QL_DEFAULT_BDE_SIZE.
inline Core::ValueObjects::TDownloadCheck CompiledDefaultBdeCheck() {
  return {"@QL_DEFAULT_BDE_SHA256@", @QL_DEFAULT_BDE_SIZE_VALUE@};
}

}  // namespace Bootstrap
]==] @ONLY)
