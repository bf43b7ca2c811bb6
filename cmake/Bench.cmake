# Native benchmark drivers, built only on request: bench/zip/run.sh and
# bench/database/run.sh build them in a Release folder of their own.
foreach(source bench/zip/zip_bench.cpp bench/database/connect_bench.cpp)
  get_filename_component(driver ${source} NAME_WE)
  add_executable(${driver} EXCLUDE_FROM_ALL ${PROJECT_SOURCE_DIR}/${source})
  target_compile_options(${driver} PRIVATE ${QL_WARNINGS})
  target_link_libraries(${driver} PRIVATE ql_core)
  target_include_directories(${driver} PRIVATE ${PROJECT_SOURCE_DIR}/bench)
endforeach()
