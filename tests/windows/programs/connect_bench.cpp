// The Windows build of the database connection benchmark (odbc32 under Wine),
// run by bench/database/run.sh beside the native one: one source for both.
#include "../../../bench/database/connect_bench.cpp"
