// The smallest Windows program: the test command starts it under Wine to
// find out whether this machine runs Windows programs of its bitness.
#include <cstdio>

int main() {
  std::puts("probe ran");
  return 0;
}
