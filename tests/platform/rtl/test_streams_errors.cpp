// File-stream errors name the file by its full path, whatever form the caller gave.
#include <gtest/gtest.h>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "raised.h"

namespace {

TEST(FileStreamErrors, RelativeNamesAreShownExpanded) {
  const std::string Rel = "no-such-folder-of-this-test/./sub/../missing.txt";
  const std::string Full = IncludeTrailingPathDelimiter(GetCurrentDir()) +
                           "no-such-folder-of-this-test/missing.txt";
  EXPECT_EQ(Raised([&] { TFileStream F(Rel, fmOpenRead); }),
            "EFOpenError: Cannot open file \"" + Full + "\". No such file or directory");
  EXPECT_EQ(Raised([&] { TFileStream F(Rel, fmCreate); }),
            "EFCreateError: Cannot create file \"" + Full + "\". No such file or directory");
  // The script's create mode 65535 is a create as well.
  EXPECT_EQ(Raised([&] { TFileStream F(Rel, 65535); }).rfind("EFCreateError: ", 0), 0u);
}

}  // namespace
