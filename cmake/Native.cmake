# Native build: the portable core and its tests, with the sanitizers.
if(QL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

find_package(ZLIB REQUIRED)
find_package(ODBC REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

add_library(ql_core STATIC ${QL_PORTABLE_SOURCES} ${QL_POSIX_SOURCES})
target_include_directories(ql_core PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_compile_options(ql_core PRIVATE ${QL_WARNINGS})
target_link_libraries(ql_core PUBLIC ZLIB::ZLIB ODBC::ODBC OpenSSL::Crypto)

enable_testing()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_executable(unit_tests ${QL_UNIT_TEST_SOURCES} ${QL_SUPPORT_SOURCES})
target_include_directories(unit_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_compile_options(unit_tests PRIVATE ${QL_WARNINGS})
target_link_libraries(unit_tests PRIVATE ql_core GTest::gtest_main GTest::gmock)
# Tests of the publisher's scripts (scripts/) run them from the source tree.
target_compile_definitions(unit_tests PRIVATE QL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")

include(Fixtures)
include(GoogleTest)
# gtest_discover_tests drops the ";" of a property value, so an ENVIRONMENT
# list reached the tests as its first variable only: they start through
# "cmake -E env" with the whole list instead.
set_property(TARGET unit_tests PROPERTY CROSSCOMPILING_EMULATOR
  ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ${QL_TEST_ENVIRONMENT})
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60
  PROPERTIES
    FIXTURES_REQUIRED test_servers)

include(Bench)
