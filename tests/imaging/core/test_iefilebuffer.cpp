// Temporary names and files, the file buffer's windows, and the tagged allocator.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstring>

#include "imaging/core/iefilebuffer.h"
#include "imgtestutil.h"
#include "platform/rtl/sysutils.h"

namespace {

// name == folder + prefix + "-" + eight upper-case hex digits + ".tmp"
bool IsTempName(const std::string& name, const std::string& folder, const std::string& prefix) {
  const std::string head = folder + prefix + "-";
  if (name.size() != head.size() + 12 || name.compare(0, head.size(), head) != 0) return false;
  if (name.compare(head.size() + 8, 4, ".tmp") != 0) return false;
  for (size_t i = head.size(); i < head.size() + 8; ++i)
    if (!std::isdigit(static_cast<unsigned char>(name[i])) && !(name[i] >= 'A' && name[i] <= 'F')) return false;
  return name[head.size()] <= '7';  // the number is at most 2147483646
}

std::string ReadFile(const std::string& name) {
  std::string out;
  int fd = ::open(name.c_str(), O_RDONLY);
  if (fd < 0) return out;
  char buf[4096];
  ssize_t n;
  while ((n = ::read(fd, buf, sizeof buf)) > 0) out.append(buf, n);
  ::close(fd);
  return out;
}

TEST(IEFileBuffer, TemporaryNamesArePrefixDashEightHexDigitsTmp) {
  TTempFolder tmp;
  TIEFileBuffer a, b;
  ASSERT_TRUE(a.AllocateStore("ILIST", true, 10));
  ASSERT_TRUE(b.AllocateStore("ILIST", true, 10));
  EXPECT_NE(a.FileName(), b.FileName());
  EXPECT_TRUE(IsTempName(a.FileName(), tmp.Path, "ILIST")) << a.FileName();
  EXPECT_TRUE(IsTempName(b.FileName(), tmp.Path, "ILIST")) << b.FileName();
  EXPECT_TRUE(IsTempName(IEGetTempFileName(), tmp.Path, "ietemp"));
  EXPECT_FALSE(IsTempName(tmp.Path + "ILIST-0000000g.tmp", tmp.Path, "ILIST"));
}

TEST(IEFileBuffer, ExistingFileIsNeverTruncated) {
  TTempFolder tmp;
  // Somebody else's file of a name the library could draw.
  const std::string other = tmp.Path + "IMG-00000000.tmp";
  { int fd = ::open(other.c_str(), O_CREAT | O_WRONLY, 0600); ASSERT_EQ(::write(fd, "keep", 4), 4); ::close(fd); }
  EXPECT_THROW(TIETemporaryFileStream s(other), EInOutError);
  try {
    TIETemporaryFileStream s(other);
  } catch (EInOutError& e) {
    EXPECT_EQ(e.Message(), "Unable to create " + other);
  }
  EXPECT_EQ(ReadFile(other), "keep");
  EXPECT_TRUE(IEFileExists(other));
  // A folder of a name counts as free for the name check.
  ::mkdir((tmp.Path + "dir").c_str(), 0700);
  EXPECT_FALSE(IEFileExists(tmp.Path + "dir"));
  ::rmdir((tmp.Path + "dir").c_str());
  ::unlink(other.c_str());
}

TEST(IEFileBuffer, TemporaryFileDisappearsWithTheStore) {
  TTempFolder tmp;
  std::string name;
  {
    TIEFileBuffer f;
    ASSERT_TRUE(f.AllocateStore("IMG", true, 100));
    name = f.FileName();
    EXPECT_TRUE(IEFileExists(name));
    EXPECT_EQ(f.Store->Size(), 100);
    void* w = f.Map(3, 0, 10);
    std::memset(w, 1, 10);  // still mapped when the buffer goes
  }
  EXPECT_FALSE(IEFileExists(name));
  EXPECT_TRUE(tmp.Files().empty());
}

TEST(IEFileBuffer, MemoryStoreHasANameButNoFile) {
  TTempFolder tmp;
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateStore("IMG", false, 64));
  EXPECT_FALSE(f.FileName().empty());
  EXPECT_TRUE(tmp.Files().empty());
  {  // a file that appears later under that name is not the buffer's to delete
    int fd = ::open(f.FileName().c_str(), O_CREAT | O_WRONLY, 0600);
    ::close(fd);
  }
  f.Close();
  EXPECT_TRUE(IEFileExists(f.FileName()));
  ::unlink(f.FileName().c_str());
  EXPECT_EQ(f.Map(1, 0, 0), nullptr) << "a window of 0 bytes is nil";
}

TEST(IEFileBuffer, AccessBitsDecideReadAndWriteBack) {
  TTempFolder tmp;
  for (bool inFile : {true, false}) {
    TIEFileBuffer f;
    ASSERT_TRUE(f.AllocateStore("T", inFile, 16));
    auto* w = static_cast<uint8_t*>(f.Map(3, 0, 16));
    std::memset(w, 5, 16);
    f.Unmap(w);
    w = static_cast<uint8_t*>(f.Map(1, 0, 16));
    EXPECT_EQ(w[15], 5);
    w[0] = 9;  // read-only window: discarded
    f.Unmap(w);
    w = static_cast<uint8_t*>(f.Map(1, 0, 16));
    EXPECT_EQ(w[0], 5);
    f.Unmap(w);
    w = static_cast<uint8_t*>(f.Map(2, 0, 4));  // write-only: not read, written back
    std::memset(w, 7, 4);
    f.Unmap(w);
    w = static_cast<uint8_t*>(f.Map(1, 0, 16));
    EXPECT_EQ(w[3], 7);
    EXPECT_EQ(w[4], 5);
    f.Unmap(w);
  }
}

TEST(IEFileBuffer, UnmapAllWritesNewestFirstSoTheOlderWindowWins) {
  TTempFolder tmp;
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateStore("T", true, 8));
  auto* a = static_cast<uint8_t*>(f.Map(3, 0, 6));
  auto* b = static_cast<uint8_t*>(f.Map(3, 2, 6));
  std::memset(a, 'A', 6);
  std::memset(b, 'B', 6);
  f.UnmapAll();
  EXPECT_TRUE(f.Mapped().empty());
  auto* r = static_cast<uint8_t*>(f.Map(1, 0, 8));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(r), 8), "AAAAAABB");
  f.Unmap(r);
}

TEST(IEFileBuffer, ShortReadsAndWritesAndUnknownWindowsFailLoudly) {
  TTempFolder tmp;
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateStore("T", true, 8));
  EXPECT_THROW(f.Map(1, 4, 8), EReadError) << "the store ends before the window";
  EXPECT_TRUE(f.Mapped().empty());
  int x;
  EXPECT_THROW(f.Unmap(&x), EListError);
  EXPECT_EQ(f.IndexOfWindow(&x), -1);
}

TEST(IEFileBuffer, CopyToMovesTheStoreInMegabyteChunks) {
  TTempFolder tmp;
  const int64_t size = 2621440;  // 2.5 MB
  TIEFileBuffer s, d;
  ASSERT_TRUE(s.AllocateStore("S", true, size));
  ASSERT_TRUE(d.AllocateStore("D", true, size));
  auto* w = static_cast<uint8_t*>(s.Map(2, 0, size));
  for (int64_t i = 0; i < size; ++i) w[i] = static_cast<uint8_t>(i * 7 + (i >> 20));
  s.CopyTo(&d, 0, size);  // unmaps (writes back) first
  auto* r = static_cast<uint8_t*>(d.Map(1, 0, size));
  bool same = true;
  for (int64_t i = 0; i < size && same; ++i) same = r[i] == static_cast<uint8_t>(i * 7 + (i >> 20));
  EXPECT_TRUE(same);
  d.Unmap(r);
  TIEFileBuffer e;
  s.CopyTo(&e, 0, 10);  // no store: nothing
  EXPECT_FALSE(e.IsAllocated());
}

TEST(IEFileBuffer, AutoAllocTagsHeapAndZeroFilledBlocks) {
  void* small = IEAutoAlloc(1048575);
  void* large = IEAutoAlloc(1048576);
  ASSERT_NE(small, nullptr);
  ASSERT_NE(large, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(small)[-1], 0);
  EXPECT_EQ(static_cast<uint8_t*>(large)[-1], 1);
  const uint8_t* l = static_cast<uint8_t*>(large);
  bool zero = true;
  for (int i = 0; i < 1048576 && zero; i += 4096) zero = l[i] == 0;
  EXPECT_TRUE(zero);
  IEAutoFree(small);
  IEAutoFree(large);
  EXPECT_EQ(small, nullptr);
  EXPECT_GT(IEGetPhysicalMemory(false), 0u);
  // Large blocks are mapped pages of their own, zero-filled and page-aligned; freeing unmaps them.
  const int64_t big = int64_t(9) << 20;
  void* mapped = IEAutoAlloc(big);
  ASSERT_NE(mapped, nullptr);
  EXPECT_EQ(static_cast<uint8_t*>(mapped)[-1], 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(mapped) % 4096, 0u);
  auto* m = static_cast<uint8_t*>(mapped);
  zero = true;
  for (int64_t i = 0; i < big && zero; i += 4096) zero = m[i] == 0;
  EXPECT_TRUE(zero);
  m[big - 1] = 7;  // the whole size is usable
  IEAutoFree(mapped);
  EXPECT_EQ(mapped, nullptr);
}

TEST(IEFileBuffer, StreamWriteSetsAbortingOnAShortWrite) {
  TMemoryStream ok;
  bool aborting = false;
  IEStreamWrite(&ok, aborting, "abc", 3);
  EXPECT_FALSE(aborting);
  TTempFolder tmp;
  TIEFileBuffer f;
  ASSERT_TRUE(f.AllocateStore("T", true, 0));
  ::close(static_cast<TIETemporaryFileStream*>(f.Store)->Handle());  // a broken file: writes fail
  IEStreamWrite(f.Store, aborting, "abc", 3);
  EXPECT_TRUE(aborting);
  IEStreamWrite(&ok, aborting, "abc", 3);
  EXPECT_TRUE(aborting) << "never cleared";
}

}  // namespace
