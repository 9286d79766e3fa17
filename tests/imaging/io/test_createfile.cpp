// IECreateFileW: creation dispositions, wide names, and sharing between handles.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "imaging/io/iecreatefile.h"

namespace {

class CreateFileWTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv_createfile_XXXXXX";
    const char* d = mkdtemp(tmpl);
    Dir = d != nullptr ? d : "";
    ASSERT_FALSE(Dir.empty());
  }
  void TearDown() override { (void)std::system(("rm -rf '" + Dir + "'").c_str()); }
  std::u16string Wide(const std::string& Name) const {
    const std::string full = Dir + "/" + Name;
    return std::u16string(full.begin(), full.end());
  }
  void MakeFile(const std::string& Name, const std::string& Text) const {
    FILE* f = std::fopen((Dir + "/" + Name).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs(Text.c_str(), f);
    std::fclose(f);
  }
  long SizeOf(const std::string& Name) const {
    struct stat st;
    return ::stat((Dir + "/" + Name).c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
  }
  std::string Dir;
};

}  // namespace

TEST_F(CreateFileWTest, CreationDispositions) {
  // exists: whether the file is there before; ok: a handle; size: the file's size afterwards.
  struct Case { uint32_t disposition; bool exists, ok; long size; } cases[] = {
      {IECreateNew, false, true, 0},       {IECreateNew, true, false, 5},
      {IECreateAlways, true, true, 0},     {IECreateAlways, false, true, 0},
      {IEOpenExisting, true, true, 5},     {IEOpenExisting, false, false, -1},
      {IEOpenAlways, false, true, 0},      {IEOpenAlways, true, true, 5},
      {IETruncateExisting, true, true, 0}, {IETruncateExisting, false, false, -1},
      {99, true, false, 5}};
  int n = 0;
  for (const auto& c : cases) {
    const std::string name = "f" + std::to_string(n++);
    SCOPED_TRACE(name);
    if (c.exists) MakeFile(name, "hello");
    const intptr_t h = IECreateFileW(Wide(name), IEGenericRead | IEGenericWrite, 0, 0, 0, c.disposition, nullptr);
    EXPECT_EQ(h != IEInvalidFileHandle, c.ok);
    if (h != IEInvalidFileHandle) ::close(static_cast<int>(h));
    EXPECT_EQ(SizeOf(name), c.size);
  }
}

TEST_F(CreateFileWTest, WideNamesReachTheFileSystemAsUtf8) {
  // "é" and the musical G clef (a surrogate pair).
  const std::string full = Dir + "/";
  std::u16string name(full.begin(), full.end());
  name += u"caf\u00e9_\U0001D11E.txt";
  const intptr_t h = IECreateFileW(name, IEGenericWrite, 0, 0, 0, IECreateAlways, nullptr);
  ASSERT_NE(h, IEInvalidFileHandle);
  ::close(static_cast<int>(h));
  EXPECT_EQ(SizeOf("caf\xC3\xA9_\xF0\x9D\x84\x9E.txt"), 0);
}

TEST_F(CreateFileWTest, SharingBetweenHandles) {
  MakeFile("s", "x");
  struct Case { uint32_t access1, share1, access2, share2; bool second; } cases[] = {
      {IEGenericRead, IEFileShareRead, IEGenericRead, IEFileShareRead, true},
      {IEGenericRead | IEGenericWrite, 0, IEGenericRead, IEFileShareRead, false},
      {IEGenericRead, IEFileShareRead, IEGenericWrite, 0, false},
      {IEGenericWrite, IEFileShareWrite | IEFileShareRead, IEGenericWrite, IEFileShareWrite, true}};
  for (const auto& c : cases) {
    const intptr_t a = IECreateFileW(Wide("s"), c.access1, c.share1, 0, 0, IEOpenExisting, nullptr);
    ASSERT_NE(a, IEInvalidFileHandle);
    const intptr_t b = IECreateFileW(Wide("s"), c.access2, c.share2, 0, 0, IEOpenExisting, nullptr);
    EXPECT_EQ(b != IEInvalidFileHandle, c.second) << c.access1 << " " << c.share1;
    if (b != IEInvalidFileHandle) ::close(static_cast<int>(b));
    ::close(static_cast<int>(a));
  }
}
