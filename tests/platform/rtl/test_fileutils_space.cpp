// Free and total space of the file system that holds a path.
#include <gtest/gtest.h>

#include "platform/rtl/fileutils.h"

namespace {

TEST(DiskSpace, FreeAndTotalOfAnExistingPath) {
  const std::string Dir = GetTempPath();
  const int64_t Free = DiskFree(Dir), Size = DiskSize(Dir);
  EXPECT_GT(Size, 0);
  EXPECT_GE(Free, 0);
  EXPECT_LE(Free, Size);
  // A file answers for the file system that holds it.
  const std::string File = GetTempFileName(Dir, "space");
  EXPECT_EQ(DiskSize(File), Size);
  EXPECT_TRUE(DeleteFile(File));
}

TEST(DiskSpace, MissingPathsAnswerMinusOne) {
  EXPECT_EQ(DiskFree(""), -1);
  EXPECT_EQ(DiskFree("/no/such/folder/anywhere"), -1);
  EXPECT_EQ(DiskSize("/no/such/folder/anywhere"), -1);
}

}  // namespace
