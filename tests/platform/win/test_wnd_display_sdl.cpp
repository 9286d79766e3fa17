// The SDL display leaves the ending signals to the program: a terminate or interrupt signal ends
// a program that shows windows, as it ends any other.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/win/wnd_internal.h"

namespace {

class SdlDisplaySignals : public ::testing::TestWithParam<int> {};

TEST_P(SdlDisplaySignals, EndTheProgram) {
  const int sig = GetParam();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    // The library's display-less driver: the display is made as on a screen, with no server.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    auto display = CreateSdlBackend();
    if (!display) _exit(3);
    raise(sig);
    _exit(0);  // still here: the signal was taken and the program went on
  }
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 3) GTEST_SKIP() << "no SDL display driver without a server";
  ASSERT_TRUE(WIFSIGNALED(status)) << "the program went on after signal " << sig;
  EXPECT_EQ(WTERMSIG(status), sig);
}

INSTANTIATE_TEST_SUITE_P(Ending, SdlDisplaySignals, ::testing::Values(SIGTERM, SIGINT));

}  // namespace
