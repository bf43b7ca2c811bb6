# Source lists by convention, so that adding a unit needs no edit here:
#   src/**/Win32/*.cpp and *.Win32.cpp   Windows target only
#   src/**/Posix/*.cpp and *.Posix.cpp   native target only
#   src/Bootstrap/Main.cpp               the program entry (Windows only)
#   src/Bootstrap/Win32/Runtime/*.cpp    the executable's own link only: its replacements for parts
#                                        of the C++ runtime (Windows only)
#   src/Presentation/Views/**            the windows (Windows only)
file(GLOB_RECURSE QL_ALL_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/*.cpp)

set(QL_PORTABLE_SOURCES)
set(QL_WIN32_SOURCES)
set(QL_POSIX_SOURCES)
foreach(f IN LISTS QL_ALL_SOURCES)
  if(f MATCHES "/Bootstrap/Main\\.cpp$|/Bootstrap/Win32/Runtime/")
    continue()
  elseif(f MATCHES "/Win32/|\\.Win32\\.cpp$|/Presentation/Views/")
    list(APPEND QL_WIN32_SOURCES ${f})
  elseif(f MATCHES "/Posix/|\\.Posix\\.cpp$")
    list(APPEND QL_POSIX_SOURCES ${f})
  else()
    list(APPEND QL_PORTABLE_SOURCES ${f})
  endif()
endforeach()

file(GLOB_RECURSE QL_UNIT_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/unit/*.cpp)
file(GLOB_RECURSE QL_SUPPORT_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
file(GLOB_RECURSE QL_WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/windows/*.cpp)
# A Windows test may need a helper program of its own (tests/windows/programs/<name>.cpp).
file(GLOB QL_WINDOWS_TEST_PROGRAMS CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/windows/programs/*.cpp)
list(FILTER QL_WINDOWS_TEST_SOURCES EXCLUDE REGEX "/tests/windows/programs/|/tests/windows/runtime/")

set(QL_WARNINGS -Wall -Wextra)
