# Native benchmark drivers, built only on request: bench/zip/run.sh builds
# zip_bench in a Release folder of its own.
add_executable(zip_bench EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/bench/zip/zip_bench.cpp)
target_compile_options(zip_bench PRIVATE ${QL_WARNINGS})
target_link_libraries(zip_bench PRIVATE ql_core)
target_include_directories(zip_bench PRIVATE ${PROJECT_SOURCE_DIR}/bench)
