// File utilities: search and masks, attributes, copies and renames, path names, file times,
// temporary files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"

namespace {

class FileUtilsTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-files-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Make(const std::string& name, const std::string& content = "x") const {
    std::ofstream(dir + name) << content;
  }
  std::string Slurp(const std::string& name) const {
    std::ifstream in(dir + name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Find(const std::string& mask, int attr) const {
    std::vector<std::string> names;
    TSearchRec sr;
    if (FindFirst(dir + mask, attr, sr) == 0) {
      do names.push_back(sr.Name);
      while (FindNext(sr) == 0);
      FindClose(sr);
    }
    return names;
  }
  std::string dir;
};

TEST(MatchesMask, CaseInsensitiveWildcardsAndSets) {
  struct Case {
    const char* name;
    const char* mask;
    bool match;
  };
  const Case cases[] = {
      {"IMG_0001.JPG", "*.jpg", true},   {"img_0001.jpg", "*.JPG", true},
      {"photo.jpeg", "*.jpg", false},    {"a.jpg.bak", "*.jpg", false},
      {"abc", "a?c", true},              {"ac", "a?c", false},
      {"x1.txt", "x[0-9].txt", true},    {"xa.txt", "x[0-9].txt", false},
      {"xa.txt", "x[!0-9].txt", true},   {"B.txt", "[abc].TXT", true},
      {"[.txt", "[.txt", true},          {"anything", "*", true},
      {"", "*", true},                   {"", "?", false},
      {"a*b", "a*b", true},              {"aXXbYYb", "a*b", true},
      {"abcabd", "*ab?", true},          {"abcab", "*ab?", false},
      {"x.JPG.jpg", "*.jpg", true},      {"ab", "a**b*", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
  // Many stars against a long name that almost matches stay quick.
  EXPECT_FALSE(MatchesMask(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b"));
}

TEST_F(FileUtilsTest, FindFirstMasksHiddenFilesAndFolders) {
  Make("b.JPG");
  Make("a.jpg");
  Make("c.txt");
  Make(".hidden.jpg");
  Make("stored.jpg");
  ASSERT_TRUE(CreateDir(dir + "sub.jpg"));
  const int stored = FileSetAttr(dir + "stored.jpg", faHidden);
  const bool xattrs = stored == 0 && (FileGetAttr(dir + "stored.jpg") & faHidden);

  std::vector<std::string> plain = {"a.jpg", "b.JPG"};
  if (!xattrs) plain.push_back("stored.jpg");  // file system without extended attributes
  EXPECT_EQ(Find("*.jpg", 0), plain);
  EXPECT_EQ(Find("*.jpg", faHidden).size(), plain.size() + (xattrs ? 2 : 1));
  EXPECT_EQ(Find("*.JPG", faDirectory).back(), "sub.jpg");
  EXPECT_EQ(Find("*.*", faAnyFile).size(), 6u);  // "." and ".." are never listed
  EXPECT_EQ(Find("*.png", faAnyFile), std::vector<std::string>{});

  TSearchRec sr;
  ASSERT_EQ(FindFirst(dir + "c.TXT", faAnyFile, sr), 0);
  EXPECT_EQ(sr.Name, "c.txt");
  EXPECT_EQ(sr.Size, 1);
  EXPECT_EQ(sr.Attr & (faDirectory | faHidden), 0);
  EXPECT_NEAR(sr.TimeStamp, FileDateToDateTime(sr.Time), 2.0 / 86400);
  EXPECT_NE(FindNext(sr), 0);
  FindClose(sr);
  ASSERT_EQ(FindFirst(dir + ".hidden.jpg", faHidden, sr), 0);
  EXPECT_TRUE(sr.Attr & faHidden);
  FindClose(sr);
  EXPECT_NE(FindFirst(dir + "nofolder/*", faAnyFile, sr), 0);
}

TEST_F(FileUtilsTest, AttributesSetAndClear) {
  Make("f.txt");
  const std::string f = dir + "f.txt";
  EXPECT_EQ(FileGetAttr(f) & (faReadOnly | faHidden | faDirectory), 0);
  EXPECT_EQ(FileGetAttr(dir + "none"), -1);
  EXPECT_TRUE(FileGetAttr(dir) & faDirectory);

  ASSERT_TRUE(FileSetReadOnly(f, true));
  EXPECT_TRUE(FileGetAttr(f) & faReadOnly);
  if (geteuid() != 0) {  // root may write anyway
    EXPECT_THROW((TFileStream{f, fmOpenWrite}), EFOpenError);
  }
  ASSERT_EQ(FileSetAttr(f, 0), 0);
  EXPECT_FALSE(FileGetAttr(f) & faReadOnly);

  if (FileSetAttr(f, faHidden | faSysFile) == 0 && (FileGetAttr(f) & faHidden)) {
    EXPECT_EQ(FileGetAttr(f) & (faHidden | faSysFile), faHidden | faSysFile);
    ASSERT_EQ(FileSetAttr(f, 0), 0);
    EXPECT_EQ(FileGetAttr(f) & (faHidden | faSysFile), 0);
  }
  EXPECT_NE(FileSetAttr(dir + "none", 0), 0);
}

TEST_F(FileUtilsTest, ExistsCopyRenameDeleteAndFolders) {
  Make("src.txt", "content");
  EXPECT_TRUE(FileExists(dir + "src.txt"));
  EXPECT_FALSE(FileExists(dir));  // a folder is not a file
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_FALSE(DirectoryExists(dir + "src.txt"));

  EXPECT_TRUE(CopyFile(dir + "src.txt", dir + "dst.txt", true));
  EXPECT_EQ(Slurp("dst.txt"), "content");
  Make("dst.txt", "other");
  EXPECT_FALSE(CopyFile(dir + "src.txt", dir + "dst.txt", true));  // no overwrite
  EXPECT_EQ(Slurp("dst.txt"), "other");
  EXPECT_TRUE(CopyFile(dir + "src.txt", dir + "dst.txt", false));
  EXPECT_EQ(Slurp("dst.txt"), "content");
  EXPECT_FALSE(CopyFile(dir + "missing", dir + "x", false));
  EXPECT_FALSE(FileExists(dir + "x"));

  EXPECT_FALSE(RenameFile(dir + "src.txt", dir + "dst.txt"));  // target exists: nothing changes
  EXPECT_EQ(Slurp("src.txt"), "content");
  EXPECT_TRUE(RenameFile(dir + "src.txt", dir + "moved.txt"));
  EXPECT_FALSE(FileExists(dir + "src.txt"));

  EXPECT_TRUE(DeleteFile(dir + "moved.txt"));
  EXPECT_FALSE(DeleteFile(dir + "moved.txt"));

  EXPECT_TRUE(ForceDirectories(dir + "one/two/three/"));
  EXPECT_TRUE(DirectoryExists(dir + "one/two/three"));
  EXPECT_TRUE(ForceDirectories(dir + "one/two"));  // already there
  EXPECT_THROW(ForceDirectories(""), EInOutError);
  EXPECT_FALSE(ForceDirectories(dir + "dst.txt/below"));  // a file is in the way
  EXPECT_FALSE(DeleteFile(dir + "one"));
  EXPECT_FALSE(RemoveDir(dir + "one"));  // not empty
  EXPECT_TRUE(RemoveDir(dir + "one/two/three"));
  EXPECT_FALSE(CreateDir(dir + "one"));  // exists
}

TEST(PathNames, SplitAndCombine) {
  struct Case {
    const char* name;
    const char* path;
    const char* dir;
    const char* file;
    const char* ext;
  };
  const Case cases[] = {
      {"/a/b/c.txt", "/a/b/", "/a/b", "c.txt", ".txt"},
      {"c.tar.gz", "", "", "c.tar.gz", ".gz"},
      {"/a.b/c", "/a.b/", "/a.b", "c", ""},
      {"/root.txt", "/", "/", "root.txt", ".txt"},
      {"/a/b/", "/a/b/", "/a/b", "", ""},
      {".profile", "", "", ".profile", ".profile"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileDir(c.name), c.dir) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
  }
  EXPECT_EQ(ChangeFileExt("/a.b/c", ".jpg"), "/a.b/c.jpg");
  EXPECT_EQ(ChangeFileExt("/x/c.tmp", ".jpg"), "/x/c.jpg");
  EXPECT_EQ(ChangeFileExt("/x/c.tmp", ""), "/x/c");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/x"), "/x/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/x/"), "/x/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/x/"), "/x");
  EXPECT_TRUE(IsPathDelimiter("/x/", 3));
  EXPECT_FALSE(IsPathDelimiter("/x/", 4));
  EXPECT_EQ(ExpandFileName("/a/./b/../c//d"), "/a/c/d");
  EXPECT_EQ(ExpandFileName("/../.."), "/");
  EXPECT_EQ(ExpandFileName("rel/x"), GetCurrentDir() + "/rel/x");
  EXPECT_EQ(ExtractRelativePath("/a/b/base.txt", "/a/c/d.txt"), "../c/d.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/", "/a/b/e/f.txt"), "e/f.txt");
  EXPECT_EQ(ExtractRelativePath("/a/b/", "/z/f.txt"), "/z/f.txt");
}

TEST(CommandLine, ProgramPathAndArguments) {
  EXPECT_EQ(ExtractFileName(ParamStr(0)), "rtl");  // the folder's test program
  EXPECT_EQ(ParamStr(0)[0], '/');
  EXPECT_GE(ParamCount(), 0);
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
  EXPECT_EQ(ParamStr(-1), "");
}

TEST_F(FileUtilsTest, CurrentFolderAndFileTimes) {
  const std::string before = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(dir));
  EXPECT_EQ(IncludeTrailingPathDelimiter(GetCurrentDir()), dir);
  Make("t.txt", "12345");
  EXPECT_TRUE(FileExists("t.txt"));
  EXPECT_EQ(ExpandFileName("t.txt"), dir + "t.txt");
  EXPECT_FALSE(SetCurrentDir(dir + "missing"));
  ASSERT_TRUE(SetCurrentDir(before));

  const std::string t = dir + "t.txt";
  EXPECT_EQ(FileSize(t), 5);
  EXPECT_EQ(FileSize(dir + "none"), -1);
  EXPECT_EQ(FileAge(dir + "none"), -1);

  // 2024-02-29 13:45:10 in the local zone, known TDateTime 45351 + fraction.
  const TDateTime when = 45351.0 + (13 * 3600 + 45 * 60 + 10) / 86400.0;
  ASSERT_TRUE(FileSetDate(t, when));
  TDateTime back = 0;
  ASSERT_TRUE(FileAge(t, back));
  EXPECT_NEAR(back, when, 1e-6);
  const int packed = FileAge(t);
  EXPECT_EQ(packed, DateTimeToFileDate(when));
  EXPECT_EQ(static_cast<unsigned>(packed) >> 16, (44u << 9) | (2u << 5) | 29u);
  EXPECT_EQ(packed & 0xFFFF, (13 << 11) | (45 << 5) | 5);
  EXPECT_DOUBLE_EQ(FileDateToDateTime(packed), when);
  EXPECT_THROW(FileDateToDateTime(0), EConvertError);  // month 0
}

TEST_F(FileUtilsTest, TemporaryFileNamesAndExclusiveCreation) {
  // "ietemp-" + eight upper-case hex digits, the first 0 to 7 + ".tmp".
  auto wellFormed = [](const std::string& n) {
    if (n.size() != 19 || n.compare(0, 7, "ietemp-") != 0 || n.compare(15, 4, ".tmp") != 0)
      return false;
    if (n[7] < '0' || n[7] > '7') return false;
    for (int i = 8; i < 15; ++i)
      if (!std::isdigit(static_cast<unsigned char>(n[i])) && (n[i] < 'A' || n[i] > 'F')) return false;
    return true;
  };
  std::set<std::string> names;
  for (int i = 0; i < 20; ++i) {
    std::string n = GetTempFileName(dir, "ietemp");
    EXPECT_EQ(ExtractFilePath(n), dir);
    EXPECT_TRUE(wellFormed(ExtractFileName(n))) << n;
    EXPECT_EQ(FileSize(n), 0);
    names.insert(n);
  }
  EXPECT_EQ(names.size(), 20u);

  std::string unique = UniqueTempFileName("rp", dir);
  EXPECT_FALSE(FileExists(unique));
  EXPECT_EQ(ExtractFilePath(UniqueTempFileName("rp")), GetTempPath());

  // A name that exists is never opened, so its content survives.
  Make("taken.tmp", "precious");
  EXPECT_THROW(TTemporaryFileStream{dir + "taken.tmp"}, EInOutError);
  EXPECT_EQ(Slurp("taken.tmp"), "precious");
}

TEST_F(FileUtilsTest, TemporaryFileStreamIsDeletedOnClose) {
  std::string name;
  {
    TTemporaryFileStream t("ICACHE", dir);
    name = t.FileName();
    EXPECT_EQ(ExtractFilePath(name), dir);
    EXPECT_TRUE(FileExists(name));
    t.WriteBuffer("cache", 5);
    t.SetPosition(0);
    char buf[5];
    t.ReadBuffer(buf, 5);
    EXPECT_EQ(std::string(buf, 5), "cache");
    struct stat st;
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 077, 0u);  // private to the user
  }
  EXPECT_FALSE(FileExists(name));
  {
    TTemporaryFileStream named(dir + "given.tmp");
    EXPECT_TRUE(FileExists(dir + "given.tmp"));
  }
  EXPECT_FALSE(FileExists(dir + "given.tmp"));
  EXPECT_THROW((TTemporaryFileStream{"p", dir + "missing-folder"}), EInOutError);
}

TEST(TempPath, FollowsTmpdir) {
  const char* old = std::getenv("TMPDIR");
  std::string saved = old ? old : "";
  setenv("TMPDIR", "/var/tmp", 1);
  EXPECT_EQ(GetTempPath(), "/var/tmp/");
  unsetenv("TMPDIR");
  EXPECT_EQ(GetTempPath(), "/tmp/");
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

}  // namespace
