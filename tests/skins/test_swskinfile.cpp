// The form skin engine's skin archive: our two skins round trip through mkswskin, encrypted
// entries need their password, and every damaged copy is refused with its text.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "skins/swskinfile.h"
#include "skinstest.h"

namespace {

struct Rec {
  std::string Name;
  int Type;
  std::string Data;
};

void P16(std::string& S, uint32_t V) {
  S += static_cast<char>(V & 0xFF);
  S += static_cast<char>((V >> 8) & 0xFF);
}
void P32(std::string& S, uint32_t V) {
  P16(S, V & 0xFFFF);
  P16(S, V >> 16);
}
std::string I32(int32_t V) {
  std::string s;
  P32(s, static_cast<uint32_t>(V));
  return s;
}

// A record file: header (with HeaderSize), the records each followed by its data, then the
// terminating record. LoopTo >= 0 makes the last record point back at record LoopTo.
std::string RecordFile(const std::vector<Rec>& Recs, uint32_t HeaderSize = 24, int LoopTo = -1) {
  std::string out = "TESTSKINFILE";
  P32(out, HeaderSize);
  P32(out, 2);
  P32(out, 24);
  std::vector<uint32_t> at;
  for (size_t i = 0; i <= Recs.size(); ++i) {
    const bool last = i == Recs.size();
    const Rec r = last ? Rec{"", 2, ""} : Recs[i];
    at.push_back(static_cast<uint32_t>(out.size()));
    std::string h = r.Name;
    h.resize(64, '\0');
    h += static_cast<char>(r.Type);
    P32(h, last ? 0 : at.back() + 77);
    P32(h, static_cast<uint32_t>(r.Data.size()));
    uint32_t next = last ? 0 : at.back() + 77 + static_cast<uint32_t>(r.Data.size());
    if (!last && LoopTo >= 0 && i + 1 == Recs.size()) next = at[static_cast<size_t>(LoopTo)];
    P32(h, next);
    out += h + r.Data;
  }
  return out;
}

struct ArchiveOptions {
  std::string EntryName = "SKINDATA.SK2";
  std::string Password;
  int64_t SizeDelta = 0;      // added to the recorded uncompressed size
  bool CorruptStream = false;  // flips bytes inside the deflate stream
  uint16_t CommentLength = 0;
  uint16_t NameLengthOverride = 0;
};

std::string Archive(const std::string& Plain, const ArchiveOptions& O = {}) {
  std::string packed(compressBound(static_cast<uLong>(Plain.size())) + 64, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(Plain.data()));
  z.avail_in = static_cast<uInt>(Plain.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  deflate(&z, Z_FINISH);
  packed.resize(z.total_out);
  deflateEnd(&z);
  if (O.CorruptStream)
    for (size_t i = packed.size() / 3; i < packed.size() / 3 + 8 && i < packed.size(); ++i)
      packed[i] = static_cast<char>(packed[i] ^ 0x5A);
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(Plain.data()), static_cast<uInt>(Plain.size())));
  if (!O.Password.empty()) {
    TswArchiveKeys k(O.Password);
    std::string head(11, '\x37');
    head += static_cast<char>(crc >> 24);
    std::string enc;
    for (char c : head + packed) enc += static_cast<char>(k.Encrypt(static_cast<uint8_t>(c)));
    packed = enc;
  }
  const uint16_t flags = O.Password.empty() ? 0 : 1;
  const uint32_t usize = static_cast<uint32_t>(static_cast<int64_t>(Plain.size()) + O.SizeDelta);
  const uint16_t nameLen = O.NameLengthOverride ? O.NameLengthOverride
                                                : static_cast<uint16_t>(O.EntryName.size());
  std::string a = "SK";
  P16(a, 0x0403);
  P16(a, 20);
  P16(a, flags);
  P16(a, 8);
  P16(a, 0x6000);
  P16(a, 0x5B8C);
  P32(a, crc);
  P32(a, static_cast<uint32_t>(packed.size()));
  P32(a, usize);
  P16(a, static_cast<uint16_t>(O.EntryName.size()));
  P16(a, 0);
  a += O.EntryName + packed;
  const uint32_t cd = static_cast<uint32_t>(a.size());
  a += "PK";
  P16(a, 0x0201);
  P16(a, 20);
  P16(a, 20);
  P16(a, flags);
  P16(a, 8);
  P16(a, 0x6000);
  P16(a, 0x5B8C);
  P32(a, crc);
  P32(a, static_cast<uint32_t>(packed.size()));
  P32(a, usize);
  P16(a, nameLen);
  for (int i = 0; i < 4; ++i) P16(a, 0);
  P32(a, 0);
  P32(a, 0);
  std::string name = O.EntryName;
  if (nameLen > name.size()) name.resize(nameLen, 'X');
  a += name;
  const uint32_t cdSize = static_cast<uint32_t>(a.size()) - cd;
  a += "PK";
  P16(a, 0x0605);
  P16(a, 0);
  P16(a, 0);
  P16(a, 1);
  P16(a, 1);
  P32(a, cdSize);
  P32(a, cd);
  P16(a, O.CommentLength);
  return a;
}

// A small BMP: W x H, 24 bits, every pixel Color (0xBBGGRR as the file stores B, G, R).
std::string Bmp(int W, int H, uint32_t Color) {
  const int stride = (W * 3 + 3) & ~3;
  std::string s = "BM";
  P32(s, static_cast<uint32_t>(54 + stride * H));
  P32(s, 0);
  P32(s, 54);
  P32(s, 40);
  P32(s, static_cast<uint32_t>(W));
  P32(s, static_cast<uint32_t>(H));
  P16(s, 1);
  P16(s, 24);
  P32(s, 0);
  P32(s, static_cast<uint32_t>(stride * H));
  P32(s, 2835);
  P32(s, 2835);
  P32(s, 0);
  P32(s, 0);
  for (int y = 0; y < H; ++y) {
    std::string row;
    for (int x = 0; x < W; ++x) {
      row += static_cast<char>((Color >> 16) & 0xFF);
      row += static_cast<char>((Color >> 8) & 0xFF);
      row += static_cast<char>(Color & 0xFF);
    }
    row.resize(static_cast<size_t>(stride), '\0');
    s += row;
  }
  return s;
}

std::vector<Rec> GoodRecords() {
  return {{"SKIN2_FORMCOLOR", 1, I32(0x00C0D0E0)},
          {"SKIN2_TITLEBARICONPOSX", 1, I32(-1)},
          {"SKIN2_TITLEFIVESECT", 2, std::string(1, '\1')},
          {"SKIN2_BUTTON", 0, Bmp(6, 2, 0x00112233)},
          {"COMMENT", 3, "our test skin"}};
}

class SwSkinFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    char tmpl[] = "/tmp/orv_swskinfile_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(Dir); }
  std::string Write(const std::string& Name, const std::string& Bytes) {
    const std::string path = Dir + "/" + Name;
    std::ofstream(path, std::ios::binary) << Bytes;
    return path;
  }
  // The exception text of loading the archive, or "" when it loads.
  std::string LoadError(const std::string& Path, const std::string& Password = "") {
    try {
      Tsk2SkinFileReader r(Path, Password);
      return "";
    } catch (const Exception& e) {
      return e.Message();
    }
  }
  std::string Dir;
};

std::string SkinFileBytes(const std::string& Path) {
  std::ifstream in(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST_F(SwSkinFileTest, RecordsLoadByNameInAnyCase) {
  const std::string path = Write("good.ssk", Archive(RecordFile(GoodRecords())));
  Tsk2SkinFileReader r(path, "");
  EXPECT_EQ(r.GetInteger("skin2_formcolor"), 0x00C0D0E0);
  EXPECT_EQ(r.GetInteger("SKIN2_TITLEBARICONPOSX"), -1);
  EXPECT_EQ(r.GetByte("Skin2_TitleFiveSect"), 1);
  ASSERT_NE(r.GetBitmap("skin2_button"), nullptr);
  EXPECT_EQ(r.GetBitmap("SKIN2_BUTTON")->Width(), 6);
  EXPECT_EQ(r.GetBitmap("SKIN2_BUTTON")->Canvas()->Pixels(5, 1), 0x00112233u);
  EXPECT_EQ(r.StringCount(), 1);
  // Absent keys give the defaults.
  EXPECT_EQ(r.GetBitmap("SKIN2_TITLEBAR4"), nullptr);
  EXPECT_EQ(r.GetInteger("SKIN2_TRANSCOLOR"), -1);
  EXPECT_EQ(r.GetByte("SKIN2_BUTTONTRANS"), 0);
}

TEST_F(SwSkinFileTest, LowerCaseEntryNameLoads) {
  ArchiveOptions o;
  o.EntryName = "skindata.sk2";
  const std::string path = Write("lower.ssk", Archive(RecordFile(GoodRecords()), o));
  EXPECT_EQ(LoadError(path), "");
}

TEST_F(SwSkinFileTest, TerminatorAloneGivesEmptyLists) {
  const std::string path = Write("empty.ssk", Archive(RecordFile({})));
  Tsk2SkinFileReader r(path, "");
  EXPECT_EQ(r.BitmapCount() + r.IntegerCount() + r.ByteCount() + r.StringCount(), 0);
  EXPECT_EQ(r.GetBitmap("SKIN2_BUTTON"), nullptr);
  EXPECT_EQ(r.GetInteger("SKIN2_FORMCOLOR"), -1);
  EXPECT_EQ(r.GetByte("SKIN2_TITLEFIVESECT"), 0);
}

TEST_F(SwSkinFileTest, FirstOfTwoEqualNamesWins) {
  const std::string path = Write(
      "dup.ssk", Archive(RecordFile({{"SKIN2_FORMCOLOR", 1, I32(5)}, {"skin2_formcolor", 1, I32(7)}})));
  Tsk2SkinFileReader r(path, "");
  EXPECT_EQ(r.GetInteger("SKIN2_FORMCOLOR"), 5);
  EXPECT_EQ(r.IntegerCount(), 2);
}

TEST_F(SwSkinFileTest, PasswordProtectedEntry) {
  ArchiveOptions o;
  o.Password = "harbour-key";
  const std::string path = Write("locked.ssk", Archive(RecordFile(GoodRecords()), o));
  EXPECT_EQ(LoadError(path, "harbour-key"), "");
  EXPECT_EQ(LoadError(path, ""), "Wrong password!");
  // Wrong passwords: those that pass the check byte decrypt to garbage, which is still the
  // password's fault.
  int checked = 0;
  for (int i = 0; i < 600; ++i) {
    const std::string pw = "guess" + std::to_string(i);
    EXPECT_EQ(LoadError(path, pw), "Wrong password!") << pw;
    ++checked;
  }
  EXPECT_EQ(checked, 600);
  // Nothing is left behind in the output of a refused extraction.
  const std::string out = Dir + "/out.bin";
  EXPECT_EQ(SkinArchiveExtract(path, "SKINDATA.SK2", out, "nope"), SkinExtractWrongPassword);
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_EQ(SkinArchiveExtract(path, "SKINDATA.SK2", out, "harbour-key"), SkinExtractOk);
  EXPECT_EQ(SkinFileBytes(out), RecordFile(GoodRecords()));
}

TEST_F(SwSkinFileTest, BrokenCopiesFailToRead) {
  const std::string good = Archive(RecordFile(GoodRecords()));
  struct Case {
    const char* Name;
    std::string Bytes;
  };
  std::vector<Case> cases;
  cases.push_back({"empty file", ""});
  cases.push_back({"not SK", "PK" + good.substr(2)});
  cases.push_back({"truncated", good.substr(0, good.size() / 2)});
  cases.push_back({"no end record", good.substr(0, good.size() - 1)});
  {
    ArchiveOptions o;
    o.CommentLength = 3;
    cases.push_back({"archive comment", Archive(RecordFile(GoodRecords()), o) + "abc"});
  }
  {
    ArchiveOptions o;
    o.EntryName = "OTHER.SK2";
    cases.push_back({"no such entry", Archive(RecordFile(GoodRecords()), o)});
  }
  {
    ArchiveOptions o;
    o.NameLengthOverride = 300;
    cases.push_back({"name above its field", Archive(RecordFile(GoodRecords()), o)});
  }
  {
    ArchiveOptions o;
    o.CorruptStream = true;
    cases.push_back({"damaged deflate data", Archive(RecordFile(GoodRecords()), o)});
  }
  {
    ArchiveOptions o;
    o.SizeDelta = 5;
    cases.push_back({"recorded size differs", Archive(RecordFile(GoodRecords()), o)});
  }
  cases.push_back({"header size 25", Archive(RecordFile(GoodRecords(), 25))});
  cases.push_back({"header size huge", Archive(RecordFile(GoodRecords(), 0x7FFFFFFF))});
  cases.push_back({"integer of 5 bytes",
                   Archive(RecordFile({{"SKIN2_FORMCOLOR", 1, I32(1) + "x"}}))});
  cases.push_back({"integer of 4 KB",
                   Archive(RecordFile({{"SKIN2_FORMCOLOR", 1, std::string(4096, 'x')}}))});
  cases.push_back({"byte of 2 bytes", Archive(RecordFile({{"SKIN2_TITLEFIVESECT", 2, "ab"}}))});
  cases.push_back({"cyclic chain", Archive(RecordFile(GoodRecords(), 24, 1))});
  cases.push_back({"self loop", Archive(RecordFile({{"A", 1, I32(1)}}, 24, 0))});
  cases.push_back({"damaged bitmap", Archive(RecordFile({{"SKIN2_BUTTON", 0, "BMjunkjunk" +
                                                                           std::string(40, 'j')}}))});
  {
    std::string huge = Bmp(2, 2, 0);
    huge[18] = '\xFF';
    huge[19] = '\xFF';
    huge[22] = '\xFF';
    huge[23] = '\xFF';
    cases.push_back({"bitmap of absurd size", Archive(RecordFile({{"SKIN2_BUTTON", 0, huge}}))});
  }
  {
    std::string rf = RecordFile({{"SKIN2_FORMCOLOR", 1, I32(1)}});
    // Data offset of the first record far outside the file.
    rf[24 + 65] = '\xFF';
    rf[24 + 66] = '\xFF';
    rf[24 + 67] = '\x0F';
    cases.push_back({"data offset outside", Archive(rf)});
  }
  {
    std::string rf = RecordFile({{"SKIN2_FORMCOLOR", 1, I32(1)}});
    rf[24 + 73] = '\xF0';  // next record offset outside the file
    cases.push_back({"next offset outside", Archive(rf)});
  }
  {
    std::string rf = RecordFile({{"SKIN2_FORMCOLOR", 1, I32(1)}});
    rf[20] = '\x10';
    rf[21] = '\x27';  // first record outside the file
    cases.push_back({"first record outside", Archive(rf)});
  }
  for (const Case& c : cases) {
    const std::string path = Write("broken.ssk", c.Bytes);
    EXPECT_EQ(LoadError(path), "Failed to read skin file!") << c.Name;
    EXPECT_EQ(SkinArchiveExtract(path, "SKINDATA.SK2", Dir + "/x.out", "") == SkinExtractOk,
              std::string(c.Name).find("header") != std::string::npos ||
                  std::string(c.Name).find("integer") != std::string::npos ||
                  std::string(c.Name).find("byte of") != std::string::npos ||
                  std::string(c.Name).find("cyclic") != std::string::npos ||
                  std::string(c.Name).find("loop") != std::string::npos ||
                  std::string(c.Name).find("bitmap") != std::string::npos ||
                  std::string(c.Name).find("outside") != std::string::npos)
        << c.Name;
  }
  EXPECT_EQ(LoadError(Dir + "/missing.ssk"), "Failed to read skin file!");
}

TEST_F(SwSkinFileTest, KeyNameTable) {
  EXPECT_STREQ(SkinKeyName(0), "SKIN2_TRANSCOLOR");
  EXPECT_STREQ(SkinKeyName(SkinBitmapBase), "SKIN2_TITLEBAR1");
  EXPECT_STREQ(SkinKeyName(SkinBitmapBase + 33), "SKIN2_SCROLLBUTTON");
  EXPECT_STREQ(SkinKeyName(SkinMetricBase), "SKIN2_TITLEBARICONPOSX");
  EXPECT_STREQ(SkinKeyName(SkinFlagBase + 8), "SKIN2_TABCONTROLTRANS");
  EXPECT_STREQ(SkinKeyName(84), "");
  EXPECT_STREQ(SkinKeyName(-1), "");
}

// mkswskin draws and packs our two skins exactly as data/swskins keeps them, and the packed
// archives load with every key they were given.
TEST_F(SwSkinFileTest, OurSkinsRoundTrip) {
  for (const char* name : {"harbour", "prism"}) {
    const std::string folder = Dir + "/" + name;
    std::filesystem::create_directories(folder);
    const std::string tool = BinaryDir() + "/tools/mkswskin";
    const std::string design = tool + " design " + name + " " + folder;
    ASSERT_EQ(std::system(design.c_str()), 0) << design;
    const std::string archive = Dir + "/" + name + ".ssk";
    const std::string pack = tool + " pack " + folder + " " + archive;
    ASSERT_EQ(std::system(pack.c_str()), 0) << pack;
    const std::string kept = SourceDir() + "/data/swskins/" + name + ".ssk";
    EXPECT_EQ(SkinFileBytes(archive), SkinFileBytes(kept)) << name << " differs from data/swskins";
    Tsk2SkinFileReader r(kept, "");
    EXPECT_EQ(r.IntegerCount(), 41) << name;
    EXPECT_EQ(r.ByteCount(), 9) << name;
    EXPECT_GE(r.BitmapCount(), 26) << name;
    EXPECT_EQ(r.GetInteger("SKIN2_TRANSCOLOR"), 0xFF00FF) << name;
    ASSERT_NE(r.GetBitmap("SKIN2_TITLEBUTTONS"), nullptr);
    EXPECT_EQ(r.GetBitmap("SKIN2_TITLEBUTTONS")->Width() % 18, 0);
    const bool five = std::string(name) == "prism";
    EXPECT_EQ(r.GetByte("SKIN2_TITLEFIVESECT"), five ? 1 : 0);
    EXPECT_EQ(r.GetByte("SKIN2_TITLEBARNEEDREGION"), five ? 1 : 0);
    EXPECT_EQ(r.GetBitmap("SKIN2_TITLEBAR5") != nullptr, five);
    // With a password the same skin needs it.
    const std::string locked = Dir + "/" + name + "-locked.ssk";
    const std::string packLocked = pack.substr(0, pack.size() - archive.size()) + locked + " s3cret";
    ASSERT_EQ(std::system(packLocked.c_str()), 0);
    EXPECT_EQ(LoadError(locked, "s3cret"), "");
    EXPECT_EQ(LoadError(locked, "S3cret"), "Wrong password!");
  }
}
