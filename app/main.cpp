// Entry point of the program. Until the window layer exists it reports what it is and exits.
#include <cstdio>

int main() {
  std::printf("orvanta 1.0\n");
  return 0;
}
