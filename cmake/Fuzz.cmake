# libFuzzer targets (clang only). Each also runs briefly as a CTest test;
# a longer run by hand:  build/fuzz/fuzz_<name> -max_total_time=600 <corpus folder>
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "QL_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
endif()
add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g)
add_link_options(-fsanitize=address,undefined)

find_package(ZLIB REQUIRED)
find_package(ODBC REQUIRED)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)
add_library(ql_core STATIC ${QL_PORTABLE_SOURCES} ${QL_POSIX_SOURCES})
target_include_directories(ql_core PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(ql_core PUBLIC ZLIB::ZLIB ODBC::ODBC OpenSSL::Crypto)

enable_testing()
file(GLOB QL_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/fuzz_*.cpp)
foreach(src IN LISTS QL_FUZZ_SOURCES)
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE ql_core)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${corpus})
  set(seeds)
  if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/tests/fuzz/seeds/${name})
    set(seeds ${PROJECT_SOURCE_DIR}/tests/fuzz/seeds/${name})
  endif()
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${QL_FUZZ_SECONDS} -timeout=10 -rss_limit_mb=2048
            -max_len=65536 -print_final_stats=1 ${corpus} ${seeds})
endforeach()
