// A program that shows one plain window: the floor of a windowed start.
#include "BareWindow.h"

int main() {
  return ShowBareWindow(L"QLBareWindow");
}
