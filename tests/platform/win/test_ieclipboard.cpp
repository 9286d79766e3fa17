// IEOpenClipboard: gives up while the clipboard stays open elsewhere, opens it once it is free.
#include <gtest/gtest.h>

#include "platform/win/ieclipboard.h"
#include "platform/win/winuser.h"

TEST(IEOpenClipboardRetry, FailsWhileHeldAndOpensWhenFree) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(IEOpenClipboard());
  ASSERT_TRUE(CloseClipboard());
  EXPECT_TRUE(IEOpenClipboard());
  EXPECT_FALSE(OpenClipboard(nullptr));  // IEOpenClipboard left it open
  EXPECT_TRUE(CloseClipboard());
}
