# The demo's application (scripts/demo.sh): one source built at two versions,
# the one installed before the demo and the one its update package carries.
# Not part of the product; the launcher's own targets do not depend on them.
set(QL_DEMO_OLD_VERSION 2.4.0.0)
set(QL_DEMO_NEW_VERSION 2.5.0.1)

function(ql_demo_app NAME VERSION)
  set(QL_DEMO_VERSION ${VERSION})
  string(REPLACE "." "," QL_DEMO_VERSION_NUMBERS ${VERSION})
  # A resource script per version: windres sees the change as a new source.
  set(resource ${CMAKE_BINARY_DIR}/generated/${NAME}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/demo/demo_app.rc.in ${resource} @ONLY)
  add_executable(${NAME} WIN32 ${PROJECT_SOURCE_DIR}/demo/demo_app.cpp ${resource})
  target_compile_definitions(${NAME} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:QL_DEMO_VERSION_TEXT="${VERSION}">)
  target_include_directories(${NAME} PRIVATE ${PROJECT_SOURCE_DIR}/tests/windows/programs)
  target_compile_options(${NAME} PRIVATE ${QL_WARNINGS})
  target_link_options(${NAME} PRIVATE -municode -s)
  target_link_libraries(${NAME} PRIVATE user32 gdi32 kernel32)
endfunction()

ql_demo_app(demo_app_old ${QL_DEMO_OLD_VERSION})
ql_demo_app(demo_app_new ${QL_DEMO_NEW_VERSION})
