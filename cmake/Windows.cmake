# Windows target: the product and the Windows test programs (run under Wine).
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -static-libgcc -static-libstdc++ -Wl,--gc-sections)

set(QL_WIN32_LIBS winhttp bcrypt odbc32 version shell32 comctl32 ole32 advapi32 gdi32 user32 kernel32 ntdll)
find_library(QL_ZLIB NAMES libz.a REQUIRED)

function(ql_windows_core NAME)
  add_library(${NAME} STATIC ${QL_PORTABLE_SOURCES} ${QL_WIN32_SOURCES})
  target_include_directories(${NAME} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
  target_compile_options(${NAME} PRIVATE ${QL_WARNINGS} ${ARGN})
  target_link_libraries(${NAME} PUBLIC ${QL_ZLIB} ${QL_WIN32_LIBS})
endfunction()
# The tests' copy keeps run-time type information (they check what the service locator holds).
ql_windows_core(ql_core)
# The shipped executable's copy is built for size. Without run-time type information: the names of
# every class, lambda and shared object it would carry cost about 25 KB, and nothing in the
# launcher asks a type at run time. Without interprocedural scalar replacement: at -Os it clones
# string helpers into every object that calls them (about 7 KB, for no speed the user sees).
set(QL_SHIPPED_FLAGS -fno-rtti -fno-ipa-sra)
ql_windows_core(ql_launcher_core ${QL_SHIPPED_FLAGS})

file(GLOB QL_LAUNCHER_RUNTIME_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/Bootstrap/Win32/Runtime/*.cpp)
configure_file(${PROJECT_SOURCE_DIR}/src/Bootstrap/Version.h.in ${CMAKE_BINARY_DIR}/generated/Version.h)
add_executable(QuorvaneSoftLauncher WIN32
  ${PROJECT_SOURCE_DIR}/src/Bootstrap/Main.cpp
  ${QL_LAUNCHER_RUNTIME_SOURCES}
  ${PROJECT_SOURCE_DIR}/src/Bootstrap/Launcher.rc)
target_include_directories(QuorvaneSoftLauncher PRIVATE ${CMAKE_BINARY_DIR}/generated)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/Bootstrap/Launcher.rc PROPERTIES
  OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/src/Bootstrap/Launcher.manifest;${CMAKE_BINARY_DIR}/generated/Version.h")
target_compile_options(QuorvaneSoftLauncher PRIVATE ${QL_WARNINGS} ${QL_SHIPPED_FLAGS})
target_link_options(QuorvaneSoftLauncher PRIVATE -municode -Wl,-Map=${CMAKE_BINARY_DIR}/QuorvaneSoftLauncher.map)
target_link_libraries(QuorvaneSoftLauncher PRIVATE ql_launcher_core)

# src/Bootstrap/Win32/Runtime/LibraryThrows.cpp stands in for libstdc++'s own throw helpers, as they
# are in the GCC 12 library. Another library may name or split them otherwise: then the link either
# fails on a duplicate or silently takes the library's members again. Both must stop the build.
if(NOT CMAKE_CXX_COMPILER_VERSION MATCHES "^12\\.")
  message(FATAL_ERROR "LibraryThrows.cpp replaces the throw helpers of GCC 12's libstdc++, not those of "
                      "${CMAKE_CXX_COMPILER_VERSION}: compare them with this library's functexcept.cc, then accept "
                      "the version here")
endif()
add_custom_command(TARGET QuorvaneSoftLauncher POST_BUILD
  COMMAND ${CMAKE_COMMAND} -DMAP=${CMAKE_BINARY_DIR}/QuorvaneSoftLauncher.map
          -P ${PROJECT_SOURCE_DIR}/cmake/CheckLibraryThrows.cmake
  VERBATIM)

# Stripped copy: the size that ships.
add_custom_command(TARGET QuorvaneSoftLauncher POST_BUILD
  COMMAND ${CMAKE_STRIP} -o ${CMAKE_BINARY_DIR}/release/QuorvaneSoftLauncher.exe $<TARGET_FILE:QuorvaneSoftLauncher>
  VERBATIM)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/release)

enable_testing()
include(Fixtures)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# The portable unit tests again, compiled for Windows: paths, encodings and
# file-system behaviour are checked on the system they are written for.
add_executable(unit_tests ${QL_UNIT_TEST_SOURCES} ${QL_SUPPORT_SOURCES})
target_include_directories(unit_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(unit_tests PRIVATE ${QL_WARNINGS})
target_link_libraries(unit_tests PRIVATE ql_core GTest::gtest_main GTest::gmock)
add_test(NAME windows_unit_tests COMMAND unit_tests)
set_tests_properties(windows_unit_tests PROPERTIES ENVIRONMENT "${QL_TEST_ENVIRONMENT}" FIXTURES_REQUIRED test_servers)

foreach(src IN LISTS QL_WINDOWS_TEST_PROGRAMS)
  get_filename_component(name ${src} NAME_WE)
  get_filename_component(dir ${src} DIRECTORY)
  add_executable(${name} ${src})
  if(EXISTS ${dir}/${name}.rc)
    target_sources(${name} PRIVATE ${dir}/${name}.rc)  # a version resource of its own
  endif()
  target_compile_options(${name} PRIVATE ${QL_WARNINGS})
  target_link_libraries(${name} PRIVATE ${QL_WIN32_LIBS})
  # A benchmark measures the product's own code, and a launcher_ program plays part of the
  # launcher: both link the core.
  if(name MATCHES "_bench$|^launcher_")
    target_link_libraries(${name} PRIVATE ql_core)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
  endif()
  list(APPEND QL_WINDOWS_TEST_PROGRAM_TARGETS ${name})
endforeach()

if(QL_WINDOWS_TEST_SOURCES)
  add_executable(windows_tests ${QL_WINDOWS_TEST_SOURCES} ${QL_SUPPORT_SOURCES}
    ${PROJECT_SOURCE_DIR}/tests/windows/windows_tests.rc)
  # The manifest of the launcher (Common Controls 6, DPI awareness) is found beside its .rc.
  set_source_files_properties(${PROJECT_SOURCE_DIR}/tests/windows/windows_tests.rc PROPERTIES
    COMPILE_OPTIONS "-I${PROJECT_SOURCE_DIR}/src/Bootstrap"
    OBJECT_DEPENDS "${PROJECT_SOURCE_DIR}/src/Bootstrap/Launcher.manifest")
  target_include_directories(windows_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_compile_options(windows_tests PRIVATE ${QL_WARNINGS})
  target_compile_definitions(windows_tests PRIVATE
    QL_LAUNCHER_EXE="$<TARGET_FILE:QuorvaneSoftLauncher>"
    QL_BUILD_DIR="${CMAKE_BINARY_DIR}")
  target_link_libraries(windows_tests PRIVATE ql_core GTest::gtest_main GTest::gmock)
  add_dependencies(windows_tests QuorvaneSoftLauncher ${QL_WINDOWS_TEST_PROGRAM_TARGETS})
  add_test(NAME windows_tests COMMAND windows_tests)
  set_tests_properties(windows_tests PROPERTIES RUN_SERIAL TRUE ENVIRONMENT "${QL_TEST_ENVIRONMENT}"
    FIXTURES_REQUIRED test_servers)
endif()

# The standard library's failures and the log's class names in the launcher's own build configuration.
add_executable(launcher_runtime_probe ${PROJECT_SOURCE_DIR}/tests/windows/runtime/launcher_runtime_probe.cpp
  ${QL_LAUNCHER_RUNTIME_SOURCES})
target_compile_options(launcher_runtime_probe PRIVATE ${QL_WARNINGS} ${QL_SHIPPED_FLAGS})
target_link_libraries(launcher_runtime_probe PRIVATE ql_launcher_core)
add_test(NAME launcher_runtime COMMAND launcher_runtime_probe)

# The form and size of what ships: the 32-bit build only (the x86-64 build is a test twin).
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  add_test(NAME launcher_executable_format
    COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-executable.sh ${CMAKE_BINARY_DIR}/release/QuorvaneSoftLauncher.exe)
endif()
