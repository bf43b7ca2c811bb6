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
list(LENGTH QL_RELEASE_KEYS QL_RELEASE_KEY_COUNT)
message(STATUS "Release document keys: ${QL_RELEASE_KEY_COUNT}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/generated/ReleaseKeys.h CONTENT [==[
#pragma once
// Generated from QL_RELEASE_KEYS (cmake/ReleaseKeys.cmake).
#include <string_view>
#include <vector>

namespace Bootstrap {

inline std::vector<std::string_view> CompiledReleaseKeys() {
  return {
@QL_RELEASE_KEY_TEXTS@  };
}

}  // namespace Bootstrap
]==] @ONLY)
