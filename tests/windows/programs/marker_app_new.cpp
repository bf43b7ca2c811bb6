// The test application at version 3.1.4.1: records that it started, like started_marker.
#include "started_marker.cpp"
