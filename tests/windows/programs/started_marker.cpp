// A stand-in for the application: records that it started, and with which
// command line, in "<its own path>.started", then ends.
#include "started_marker.h"

int main() {
  return RecordStart();
}
