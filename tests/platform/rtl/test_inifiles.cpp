// INI settings files: parsing edge cases, typed values, write-through and in-memory stores.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"

namespace {

class IniTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv-ini-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = std::string(tmpl) + "/";
    name = dir + "Set.dat";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  void Put(const std::string& text) const { std::ofstream(name, std::ios::binary) << text; }
  std::string Get() const {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::vector<std::string> Lines(TStrings& s) {
    std::vector<std::string> out;
    for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
    return out;
  }
  std::string dir, name;
};

// Both stores must read a file the same way.
std::unique_ptr<TCustomIniFile> Open(bool mem, const std::string& name) {
  if (mem) return std::make_unique<TMemIniFile>(name);
  return std::make_unique<TIniFile>(name);
}

TEST_F(IniTest, MissingFileReadsDefaultsAndIsCreatedOnWrite) {
  for (bool mem : {false, true}) {
    std::filesystem::remove(name);
    auto ini = Open(mem, name);
    EXPECT_EQ(ini->ReadInteger("Options", "LeftWidth", 222), 222);
    EXPECT_EQ(ini->ReadString("Options", "ys", "30"), "30");
    EXPECT_FALSE(ini->SectionExists("Options"));
    EXPECT_FALSE(std::filesystem::exists(name));
    ini->WriteInteger("Options", "LeftWidth", 250);
    ini->UpdateFile();
    EXPECT_EQ(Get(), "[Options]\nLeftWidth=250\n") << mem;
  }
}

TEST_F(IniTest, ParsingBlanksCaseDuplicatesAndComments) {
  Put("\xEF\xBB\xBF; settings\r\n"
      "[Options]\r\n"
      "  LeftWidth  =  300  \r\n"
      "ys=40\r\n"
      "ys=99\r\n"
      "no equals sign\r\n"
      "# LeftWidth=1\r\n"
      "\r\n"
      "[ Other ]\r\n"
      "a = x=y\r\n"
      "empty=\r\n"
      "[options]\r\n"
      "Extra=1\r\n");
  for (bool mem : {false, true}) {
    auto ini = Open(mem, name);
    EXPECT_EQ(ini->ReadInteger("OPTIONS", "leftwidth", 0), 300);
    EXPECT_EQ(ini->ReadString("Options", "ys", ""), "40");  // first of a duplicated name
    EXPECT_EQ(ini->ReadString("Other", "a", ""), "x=y");    // the first "=" splits
    EXPECT_EQ(ini->ReadString("Other", "empty", "default"), "");
    EXPECT_TRUE(ini->ValueExists("Other", "empty"));
    EXPECT_FALSE(ini->ValueExists("Other", "no equals sign"));
    EXPECT_EQ(ini->ReadString("Options", "Extra", ""), "1");  // duplicated section joins the first
    TStringList list;
    ini->ReadSections(&list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Options", "Other"}));
    ini->ReadSection("options", &list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"LeftWidth", "ys", "Extra"}));
    ini->ReadSectionValues("Other", &list);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a=x=y", "empty="}));
  }
}

TEST_F(IniTest, WritesKeepCommentsLineBreaksAndChangeTheFirstDuplicate) {
  Put("; top\r\n[A]\r\nk=1\r\nk=2\r\n; tail\r\n\r\n[B]\r\nz=0\r\n");
  TIniFile ini(name);
  ini.WriteString("a", "K", "new");
  ini.WriteString("A", "added", "v");
  ini.WriteString("C", "c", "3");
  EXPECT_EQ(Get(), "; top\r\n[A]\r\nk=new\r\nk=2\r\nadded=v\r\n; tail\r\n\r\n[B]\r\nz=0\r\n\r\n"
                   "[C]\r\nc=3\r\n");
  ini.DeleteKey("A", "k");
  EXPECT_EQ(ini.ReadString("A", "k", ""), "2");  // the second occurrence comes to light
  ini.EraseSection("b");
  EXPECT_FALSE(ini.SectionExists("B"));
  EXPECT_EQ(Get(), "; top\r\n[A]\r\nk=2\r\nadded=v\r\n; tail\r\n\r\n[C]\r\nc=3\r\n");
}

TEST_F(IniTest, IniFileWritesThroughAndSeesOtherWriters) {
  TIniFile a(name);
  TIniFile b(name);
  a.WriteString("S", "k", "from a");
  EXPECT_EQ(b.ReadString("S", "k", ""), "from a");
  Put("[S]\nk=edited outside\n");
  EXPECT_EQ(a.ReadString("S", "k", ""), "edited outside");

  TMemIniFile mem(name);
  mem.WriteString("S", "k", "pending");
  EXPECT_EQ(a.ReadString("S", "k", ""), "edited outside");  // not written before UpdateFile
  mem.UpdateFile();
  EXPECT_EQ(a.ReadString("S", "k", ""), "pending");
}

TEST_F(IniTest, TypedValues) {
  Put("[T]\nhex=$1F\nhex2=0x10\nneg=-5\nbad=12abc\nbig=99999999999\n"
      "b1=1\nb0=0\nbt=true\nbf=FALSE\nbx=maybe\nf=2.5\nfbad=2,5x\n");
  TMemIniFile ini(name);
  EXPECT_EQ(ini.ReadInteger("T", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("T", "hex2", 0), 16);
  EXPECT_EQ(ini.ReadInteger("T", "neg", 0), -5);
  EXPECT_EQ(ini.ReadInteger("T", "bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("T", "big", 7), 7);
  struct BoolCase {
    const char* key;
    bool def, expected;
  };
  const BoolCase bools[] = {{"b1", false, true},  {"b0", true, false}, {"bt", false, true},
                            {"bf", true, false},  {"bx", true, true},  {"bx", false, false},
                            {"none", true, true}};
  for (const auto& c : bools) EXPECT_EQ(ini.ReadBool("T", c.key, c.def), c.expected) << c.key;
  EXPECT_EQ(ini.ReadFloat("T", "fbad", -1), -1);

  ini.WriteBool("W", "flag", true);
  EXPECT_EQ(ini.ReadString("W", "flag", ""), "1");
  ini.WriteFloat("W", "f", 0.125);
  EXPECT_EQ(ini.ReadFloat("W", "f", 0), 0.125);
  ini.WriteInteger("W", "i", -2147483647 - 1);
  EXPECT_EQ(ini.ReadInteger("W", "i", 0), -2147483647 - 1);
  const TDateTime day = 45351;  // 2024-02-29
  ini.WriteDate("W", "d", day);
  EXPECT_EQ(ini.ReadDate("W", "d", 0), day);
  const TDateTime stamp = day + 0.5;
  ini.WriteDateTime("W", "dt", stamp);
  EXPECT_NEAR(ini.ReadDateTime("W", "dt", 0), stamp, 1e-6);
  EXPECT_EQ(ini.ReadDate("T", "bad", 1.0), 1.0);

  TStringStream bytes(std::string("\x00\x01\xFE", 3));
  ini.WriteBinaryStream("W", "bin", &bytes);
  EXPECT_EQ(ini.ReadString("W", "bin", ""), "0001FE");
  TMemoryStream back;
  EXPECT_EQ(ini.ReadBinaryStream("W", "bin", &back), 3);
  EXPECT_EQ(back.Size(), 3);
  EXPECT_THROW(ini.ReadBinaryStream("T", "bad", &back), EIniFileException);
}

TEST_F(IniTest, NamesThatWouldBreakTheFileAreRefused) {
  Put("[S]\nk=v\n");
  TIniFile ini(name);
  EXPECT_THROW(ini.WriteString("S", "a=b", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S]", "a", "v"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S", "a", "line\nbreak"), EIniFileException);
  EXPECT_THROW(ini.WriteString("S", "  ", "v"), EIniFileException);
  EXPECT_EQ(Get(), "[S]\nk=v\n");
}

TEST_F(IniTest, UnwritableTargetRaisesAndLeavesNoDebris) {
  TIniFile ini(dir + "no-folder/x.ini");
  try {
    ini.WriteString("S", "k", "v");
    FAIL();
  } catch (const EIniFileException& e) {
    EXPECT_EQ(e.Message(), "Unable to write to " + dir + "no-folder/x.ini");
  }
  EXPECT_THROW(TMemIniFile{dir}, EIniFileException);  // a folder cannot be read as a file
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);
}

TEST_F(IniTest, MemIniStringsAndRename) {
  TMemIniFile ini(name);
  TStringList lines;
  lines.SetText("[X]\ny = 2\n");
  ini.SetStrings(&lines);
  EXPECT_EQ(ini.ReadInteger("X", "y", 0), 2);
  ini.WriteString("X", "z", "3");
  ini.GetStrings(&lines);
  EXPECT_EQ(Lines(lines), (std::vector<std::string>{"[X]", "y=2", "z=3"}));
  ini.Rename(dir + "other.ini", false);
  ini.UpdateFile();
  EXPECT_FALSE(std::filesystem::exists(name));
  TMemIniFile other(dir + "other.ini");
  EXPECT_EQ(other.ReadString("X", "z", ""), "3");
  ini.Clear();
  EXPECT_FALSE(ini.SectionExists("X"));
  ini.Rename(dir + "other.ini", true);
  EXPECT_TRUE(ini.SectionExists("X"));
}

}  // namespace
