// The test application at version 1.0.0.0: records that it started, like started_marker.
#include "started_marker.cpp"
