# The loopback peers (HTTP server, database servers) as one CTest fixture:
# started before the first test that needs them, stopped after the last.
# Tests find them through the files in QL_TEST_STATE.
set(QL_TEST_STATE ${CMAKE_BINARY_DIR}/test-servers)
add_test(NAME test_servers_start
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/test-servers.sh start ${QL_TEST_STATE})
add_test(NAME test_servers_stop
  COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/test-servers.sh stop ${QL_TEST_STATE})
set_tests_properties(test_servers_start PROPERTIES FIXTURES_SETUP test_servers)
set_tests_properties(test_servers_stop PROPERTIES FIXTURES_CLEANUP test_servers)
set(QL_TEST_ENVIRONMENT "QL_TEST_STATE=${QL_TEST_STATE}")
# The database peers (tests/fixtures/servers/postgres.sh): unixODBC's driver
# and data-source files, and the libpq service that gives driver connections
# without a port the test cluster's port.
list(APPEND QL_TEST_ENVIRONMENT
  "ODBCSYSINI=${QL_TEST_STATE}/database/odbc" "ODBCINI=${QL_TEST_STATE}/database/odbc.ini"
  "PGSERVICEFILE=${QL_TEST_STATE}/database/pg_service.conf" "PGSERVICE=ql_direta")
