// Linked into every test program: tells tests where the source and build trees are, through the
// environment variables ORVANTA_SOURCE_DIR and ORVANTA_BINARY_DIR, unless the caller set them.
// Tests never open real windows, whatever the environment says: the display is headless.
#include <cstdlib>

namespace {
struct TestEnvironment {
  TestEnvironment() {
    setenv("ORVANTA_SOURCE_DIR", ORVANTA_SOURCE_DIR_VALUE, 0);
    setenv("ORVANTA_BINARY_DIR", ORVANTA_BINARY_DIR_VALUE, 0);
    setenv("ORVANTA_DISPLAY", "headless", 1);
  }
} environment;
}  // namespace
