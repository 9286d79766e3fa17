// The skin store: stored skin layout, versions, messages, look-ups and hostile streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/forms.h"
#include "skins/ksskindata.h"
#include "skins/kszlibcompress.h"
#include "skinstest.h"

namespace {

// A form that records the store's messages.
class TRecordingForm : public TForm {
public:
  explicit TRecordingForm(std::vector<UINT>* Log) : TForm(nullptr), FLog(Log) {}
  void WndProc(TMessage& M) override {
    if (M.Msg >= 1225 && M.Msg <= 1274) {
      FLog->push_back(M.Msg);
      EXPECT_EQ(M.LParam, 1000);
    }
    TForm::WndProc(M);
  }

private:
  std::vector<UINT>* FLog;
};

void PutInt(TMemoryStream& S, int32_t V) { S.WriteBuffer(&V, 4); }

void PutBitmap(TMemoryStream& S, int W, int H, TColor C) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  b.Canvas()->Brush()->SetColor(C);
  b.Canvas()->FillRect(RECT{0, 0, W, H});
  b.SaveToStream(&S);
}

const char* kDescription =
    "[VERSION]\r\nskinname=Fixture\r\nskinauthor=Tests\r\n[PICTURES]\r\nactivepicturescount=1\r\n0="
    "a.bmp\r\n"
    "[FORMINFO]\r\n[SKINOBJECTS]\r\ncount=1\r\n0=btn:stdbutton\r\n[btn]\r\ncommand=cmrollup\r\n"
    "[SKINCONTROLS]\r\ncount=4\r\n0=panel:panel\r\n1=panel:expanel\r\n2=nocolon\r\n3=odd:"
    "unknown\r\n"
    "[panel]\r\nskinrect=0,0,10,10\r\n";

// A stored skin: version, three flagged pictures (flag 1 = none), optional extras, the active
// pictures and the description text, deflated.
void MakeStored(TksCompressedStoredSkin& Stored, int32_t Version, bool Pictures, int Extra,
                int Active, const std::string& Text = kDescription) {
  TMemoryStream raw;
  PutInt(raw, Version);
  for (int i = 0; i < 3 + Extra; ++i) {
    const uint8_t flag = Pictures ? 0 : 1;
    raw.WriteBuffer(&flag, 1);
    if (Pictures) PutBitmap(raw, 4 + i, 3, TColor(RGB(10 * i, 0, 0)));
  }
  PutInt(raw, Active);
  for (int i = 0; i < Active; ++i) PutBitmap(raw, 6, 5 + i, clRed);
  raw.WriteBuffer(Text.data(), static_cast<int64_t>(Text.size()));
  Stored.CompressedData().Clear();
  CompressStream(&raw, &Stored.CompressedData());
}

void MakeStoredRaw(TksCompressedStoredSkin& Stored, const std::vector<uint8_t>& Raw) {
  TMemoryStream raw;
  if (!Raw.empty()) raw.WriteBuffer(Raw.data(), static_cast<int64_t>(Raw.size()));
  Stored.CompressedData().Clear();
  CompressStream(&raw, &Stored.CompressedData());
}

}  // namespace

TEST(KsSkinData, LoadsAStoredSkin) {
  TksSkinData store(nullptr);
  TksCompressedStoredSkin stored(nullptr);
  MakeStored(stored, 3, true, 0, 1);
  EXPECT_TRUE(store.Empty);
  store.SetCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  EXPECT_EQ(store.SkinName, "Fixture");
  EXPECT_EQ(store.SkinAuthor, "Tests");
  EXPECT_EQ(store.Picture.Width(), 4);
  EXPECT_EQ(store.Mask.Width(), 6);
  ASSERT_EQ(store.ActivePictures.size(), 1u);
  EXPECT_EQ(store.ActivePictures[0]->Height(), 5);
  EXPECT_EQ(store.ActivePicturesNames->Strings(0), "a.bmp");
  ASSERT_EQ(store.ObjectList.size(), 1u);
  auto* b = dynamic_cast<TksDataSkinStdButton*>(store.ObjectList[0].get());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->Command, cmRollUp);
  // The entry without a colon and the unknown type make nothing.
  ASSERT_EQ(store.CtrlList.size(), 2u);
  EXPECT_TRUE(dynamic_cast<TksDataSkinPanelControl*>(store.CtrlList[0].get()));
  EXPECT_TRUE(dynamic_cast<TksDataSkinExPanelControl*>(store.CtrlList[1].get()));
  // Two descriptions of one name: the first; case matters.
  EXPECT_EQ(store.IndexOfControl("panel"), 0);
  EXPECT_EQ(store.IndexOfControl("Panel"), -1);
  EXPECT_EQ(store.IndexOfControl("odd"), -1);
  EXPECT_EQ(store.ActivePicture(1), nullptr);
  EXPECT_EQ(store.ActivePicture(-1), nullptr);
}

TEST(KsSkinData, VersionTwoDropsTwoExtraPictures) {
  TksSkinData store(nullptr);
  TksCompressedStoredSkin stored(nullptr);
  MakeStored(stored, 2, true, 2, 3);
  store.LoadCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  EXPECT_EQ(store.ActivePictures.size(), 3u);
  EXPECT_EQ(store.ActivePictures[2]->Height(), 7);
  EXPECT_EQ(store.SkinName, "Fixture");
}

TEST(KsSkinData, FlaggedPicturesLoadEmpty) {
  TksSkinData store(nullptr);
  TksCompressedStoredSkin stored(nullptr);
  MakeStored(stored, 3, false, 0, 0);
  store.LoadCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  EXPECT_TRUE(store.Picture.Empty());
  EXPECT_TRUE(store.InActivePicture.Empty());
  EXPECT_TRUE(store.Mask.Empty());
}

TEST(KsSkinData, LaterVersionLeavesTheStoreEmpty) {
  TksSkinData store(nullptr);
  TksCompressedStoredSkin stored(nullptr);
  MakeStored(stored, 3, true, 0, 1);
  store.LoadCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  MakeStored(stored, 4, true, 0, 1);
  store.LoadCompressedStoredSkin(&stored);
  EXPECT_TRUE(store.Empty);
  EXPECT_TRUE(store.CtrlList.empty());
  EXPECT_EQ(store.IndexOfControl("panel"), -1);
}

TEST(KsSkinData, MessagesGoToEveryFormInOrder) {
  std::vector<UINT> log;
  auto* form = new TRecordingForm(&log);
  {
    TksSkinData store(nullptr);
    TksCompressedStoredSkin stored(nullptr), empty(nullptr);
    store.SetCompressedStoredSkin(&empty);  // no data: nothing happens, nothing is sent
    EXPECT_TRUE(log.empty());
    MakeStored(stored, 3, true, 0, 1);
    store.SetCompressedStoredSkin(&stored);
    EXPECT_EQ(log, (std::vector<UINT>{1225, 1226, 1227}));
    log.clear();
    TksResourceStrData texts(nullptr);
    store.SetResourceStrData(&texts);
    EXPECT_EQ(log, (std::vector<UINT>{1274}));
    store.SetResourceStrData(nullptr);
  }
  delete form;
}

TEST(KsSkinData, RemovedComponentsAreForgotten) {
  TksSkinData store(nullptr);
  auto* stored = new TksCompressedStoredSkin(nullptr);
  auto* texts = new TksResourceStrData(nullptr);
  MakeStored(*stored, 3, true, 0, 1);
  store.SetCompressedStoredSkin(stored);
  store.SetResourceStrData(texts);
  delete stored;
  delete texts;
  EXPECT_EQ(store.CompressedStoredSkin(), nullptr);
  EXPECT_EQ(store.ResourceStrData(), nullptr);
  EXPECT_FALSE(store.Empty);  // removing the source does not unload the skin
}

TEST(KsSkinData, ResourceTexts) {
  TksResourceStrData texts(nullptr);
  ASSERT_EQ(texts.ResStrings()->Count(), 115);
  EXPECT_EQ(texts.ResStrings()->Strings(0), "MI_MINCAPTION=Mi&nimize");
  EXPECT_EQ(texts.ResStrings()->Strings(69), "FLV_LOOKIN=Look in: ");
  EXPECT_EQ(texts.ResStrings()->Strings(114), "FIND_REPLACE_CLOSE=Close");
  EXPECT_EQ(texts.CharSet(), 1);
}

// Hostile stored skins fail with an error and leave the store empty; none may make the bitmap
// class reserve what the stream cannot hold.
TEST(KsSkinData, HostileStoredSkinsFailCleanly) {
  auto header = [](uint32_t FileSize, int32_t W, int32_t H, uint16_t Bits) {
    std::vector<uint8_t> v(54, 0);
    v[0] = 'B';
    v[1] = 'M';
    std::memcpy(&v[2], &FileSize, 4);
    const uint32_t off = 54, info = 40;
    std::memcpy(&v[10], &off, 4);
    std::memcpy(&v[14], &info, 4);
    std::memcpy(&v[18], &W, 4);
    std::memcpy(&v[22], &H, 4);
    v[26] = 1;
    std::memcpy(&v[28], &Bits, 2);
    return v;
  };
  auto stream = [](std::vector<uint8_t> Picture) {
    std::vector<uint8_t> v{3, 0, 0, 0, 0};  // version 3, picture present
    v.insert(v.end(), Picture.begin(), Picture.end());
    return v;
  };
  struct Case {
    const char* Name;
    std::vector<uint8_t> Raw;
  } cases[] = {
      {"too short for a version", {3, 0}},
      {"picture missing", {3, 0, 0, 0, 0}},
      {"huge picture claimed", stream(header(54 + 16, 65536, 65536, 32))},
      {"length past the end", stream(header(1 << 30, 4, 4, 24))},
      {"pixels longer than the image", stream(header(60, 100, 100, 24))},
      {"not a bitmap", stream(std::vector<uint8_t>(80, 'x'))},
      {"count past the data", {3, 0, 0, 0, 1, 1, 1, 0x10, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    TksSkinData store(nullptr);
    TksCompressedStoredSkin stored(nullptr);
    MakeStoredRaw(stored, c.Raw);
    EXPECT_ANY_THROW(store.LoadCompressedStoredSkin(&stored)) << c.Name;
    EXPECT_TRUE(store.Empty) << c.Name;
    EXPECT_TRUE(store.ActivePictures.empty()) << c.Name;
  }
  // Counts far beyond the entries present end at the last entry.
  {
    TksSkinData huge(nullptr);
    TksCompressedStoredSkin hugeStored(nullptr);
    MakeStored(hugeStored, 3, true, 0, 0,
               "[PICTURES]\r\nactivepicturescount=2000000000\r\n1=b.bmp\r\n[SKINOBJECTS]\r\ncount="
               "2000000000\r\n"
               "[SKINCONTROLS]\r\ncount=2000000000\r\n0=p:panel\r\n");
    huge.LoadCompressedStoredSkin(&hugeStored);
    EXPECT_FALSE(huge.Empty);
    EXPECT_EQ(huge.ActivePicturesNames->Count(), 2);
    EXPECT_TRUE(huge.ObjectList.empty());
    EXPECT_EQ(huge.CtrlList.size(), 1u);
  }
  // Data that is not a zlib stream at all.
  TksSkinData store(nullptr);
  TksCompressedStoredSkin stored(nullptr);
  stored.CompressedData().WriteBuffer("not deflated data", 17);
  EXPECT_THROW(store.LoadCompressedStoredSkin(&stored), EDecompressionError);
  EXPECT_TRUE(store.Empty);
  // A description with a rectangle of too few fields stops the load.
  std::string text = kDescription;
  text.replace(text.find("skinrect=0,0,10,10"), 18, "skinrect=1,2");
  MakeStored(stored, 3, true, 0, 1, text);
  EXPECT_THROW(store.LoadCompressedStoredSkin(&stored), EConvertError);
  EXPECT_TRUE(store.Empty);
}

TEST(KsSkinData, BuildsFromAFolderAndReadsCompressedFiles) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "orv_ksskindata";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "m.bmp"}) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3 + static_cast<int>(name[0] - 'a'), 2);
    b.SaveToFile((dir / name).string());
  }
  {
    std::ofstream f(dir / "skin.ini");
    f << "[VERSION]\nskinname=Folder\n[PICTURES]\nmask=m.bmp\nactivepicturescount=3\n0=a.bmp\n1=b."
         "bmp\n2=c.bmp\n"
         "[FORMINFO]\n[SKINOBJECTS]\ncount=0\n[SKINCONTROLS]\ncount=1\n0=p:panel\n[p]\nskinrect=0,"
         "0,3,2\n";
  }
  TksCompressedStoredSkin stored(nullptr);
  ASSERT_TRUE(stored.LoadFromSkinFile((dir / "skin.ini").string()));
  // The stream holds the version, the three flagged pictures, count 3, three images, the text.
  TMemoryStream raw;
  stored.DeCompress(&raw);
  raw.SetPosition(0);
  int32_t version = 0;
  raw.ReadBuffer(&version, 4);
  EXPECT_EQ(version, 3);
  TksSkinData store(nullptr);
  store.SetCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  EXPECT_EQ(store.SkinName, "Folder");
  EXPECT_EQ(store.ActivePictures.size(), 3u);
  EXPECT_EQ(store.ActivePictures[2]->Width(), 5);
  EXPECT_TRUE(store.Picture.Empty());
  EXPECT_EQ(store.Mask.Width(), 15);
  EXPECT_EQ(store.MaskName, "m.bmp");
  EXPECT_EQ(store.IndexOfControl("p"), 0);

  // A description without all five sections is ignored; the data stays.
  const int64_t before = stored.CompressedData().Size();
  {
    std::ofstream f(dir / "partial.ini");
    f << "[VERSION]\n[PICTURES]\n[FORMINFO]\n[SKINCONTROLS]\n";
  }
  EXPECT_FALSE(stored.LoadFromSkinFile((dir / "partial.ini").string()));
  EXPECT_EQ(stored.CompressedData().Size(), before);

  // Compressed skin files: version, length, data.
  auto writeFile = [&](const char* Name, int32_t Version, int32_t Length, int64_t Bytes) {
    std::ofstream f(dir / Name, std::ios::binary);
    f.write(reinterpret_cast<const char*>(&Version), 4);
    f.write(reinterpret_cast<const char*>(&Length), 4);
    f.write(static_cast<const char*>(stored.CompressedData().Memory()), Bytes);
  };
  writeFile("good.skn", 3, static_cast<int32_t>(before), before);
  writeFile("later.skn", 4, static_cast<int32_t>(before), before);
  writeFile("short.skn", 3, static_cast<int32_t>(before) + 100, before);
  writeFile("negative.skn", 3, -5, before);
  TksCompressedStoredSkin fromFile(nullptr);
  fromFile.LoadFromCompressedFile((dir / "good.skn").string());
  EXPECT_EQ(fromFile.CompressedData().Size(), before);
  fromFile.LoadFromCompressedFile((dir / "later.skn").string());
  EXPECT_TRUE(fromFile.Empty());
  EXPECT_THROW(fromFile.LoadFromCompressedFile((dir / "short.skn").string()), EReadError);
  EXPECT_THROW(fromFile.LoadFromCompressedFile((dir / "negative.skn").string()), EReadError);
  std::filesystem::remove_all(dir);
}

TEST(KsSkinData, TheShippedSkinLoads) {
  TksCompressedStoredSkin stored(nullptr);
  stored.LoadFromCompressedFile(ShippedSkin());
  TksSkinData store(nullptr);
  store.SetCompressedStoredSkin(&stored);
  ASSERT_FALSE(store.Empty);
  EXPECT_EQ(store.SkinName, "Slate");
  ASSERT_EQ(store.ActivePictures.size(), 2u);
  EXPECT_EQ(store.ActivePictures[0]->Width(), 300);
  EXPECT_EQ(store.IndexOfControl("expanel"), 0);
  EXPECT_EQ(store.IndexOfControl("panel"), 1);
  EXPECT_EQ(store.IndexOfControl("bigtoolpanel"), 2);
}

// The stored skin travels in a form stream as the binary property "CompressedData".
TEST(KsSkinData, StoredSkinStreamsWithItsForm) {
  TksCompressedStoredSkin stored(nullptr);
  stored.SetName("ksCompressedStoredSkin1");
  stored.SetDescription("Slate");
  stored.SetFileName("slate.ini");
  stored.LoadFromCompressedFile(ShippedSkin());
  ASSERT_FALSE(stored.Empty());
  TMemoryStream form;
  form.WriteComponent(&stored);
  form.SetPosition(0);
  TksCompressedStoredSkin back(nullptr);
  form.ReadComponent(&back);
  EXPECT_EQ(back.Description(), "Slate");
  EXPECT_EQ(back.FileName(), "slate.ini");
  ASSERT_EQ(back.CompressedData().Size(), stored.CompressedData().Size());
  EXPECT_EQ(std::memcmp(back.CompressedData().Memory(), stored.CompressedData().Memory(),
                        static_cast<size_t>(stored.CompressedData().Size())),
            0);
  TksSkinData store(nullptr);
  store.SetCompressedStoredSkin(&back);
  EXPECT_EQ(store.SkinName, "Slate");
}
