// The engine's further stored skins (AdditionalBuiltInSkins): items store the archive their
// SkinFile names and load it into readers of their own through a temporary file that is gone
// afterwards; a damaged or wrongly protected archive fails with the reader's text; the engine's
// own skin is not touched.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "paneltest.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "skins/swskincollection.h"
#include "skins/swskinengine.h"

namespace {

std::string CollectionTestSkin(const std::string& Name) { return SourceDir() + "/data/swskins/" + Name + ".ssk"; }

class SwSkinCollectionTest : public PanelFormTest {
protected:
  void SetUp() override {
    PanelFormTest::SetUp();
    char tmpl[] = "/tmp/orv_swcollection_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    Dir = tmpl;
    const char* old = std::getenv("TMPDIR");
    HadTmp = old != nullptr;
    if (old) OldTmp = old;
    std::filesystem::create_directory(Dir + "/tmp");
    setenv("TMPDIR", (Dir + "/tmp").c_str(), 1);
  }
  void TearDown() override {
    if (HadTmp)
      setenv("TMPDIR", OldTmp.c_str(), 1);
    else
      unsetenv("TMPDIR");
    std::filesystem::remove_all(Dir);
    PanelFormTest::TearDown();
  }
  bool TempEmpty() const { return std::filesystem::is_empty(Dir + "/tmp"); }
  std::string Dir, OldTmp;
  bool HadTmp = false;
};

}  // namespace

TEST_F(SwSkinCollectionTest, StoredSkinsRoundTripIntoReadersOfTheirOwn) {
  auto* e = new TswSkinEngine(Form);
  e->SetName("swSkinEngine1");
  TswSkinCollection* skins = e->AdditionalBuiltInSkins();
  ASSERT_NE(skins, nullptr);
  EXPECT_EQ(skins->GetOwner(), e);
  TswSkinCollectionItem* a = skins->Add();
  a->SetSkinFile(CollectionTestSkin("harbour"));
  TswSkinCollectionItem* b = skins->Add();
  b->SetSkinFile(CollectionTestSkin("prism"));
  TswSkinCollectionItem* missing = skins->Add();
  missing->SetSkinFile(Dir + "/none.ssk");
  TMemoryStream stream;
  stream.WriteComponent(e);
  // Read into an engine of another form.
  auto* other = new TForm(nullptr);
  auto* back = new TswSkinEngine(other);
  stream.SetPosition(0);
  stream.ReadComponent(back);
  TswSkinCollection* read = back->AdditionalBuiltInSkins();
  ASSERT_EQ(read->Count(), 3);
  struct Case {
    int index;
    std::string file;
    bool loaded;
  };
  for (const Case& k : {Case{0, CollectionTestSkin("harbour"), true}, Case{1, CollectionTestSkin("prism"), true},
                        Case{2, Dir + "/none.ssk", false}}) {
    SCOPED_TRACE(k.index);
    TswSkinCollectionItem* item = read->Items(k.index);
    EXPECT_EQ(item->SkinFile(), k.file);
    EXPECT_EQ(item->Reader()->Loaded(), k.loaded);
  }
  // Each reader holds its own skin: prism has five caption sections, harbour three.
  EXPECT_EQ(read->Items(0)->Reader()->GetBool(0), 0);
  EXPECT_NE(read->Items(1)->Reader()->GetBool(0), 0);
  EXPECT_FALSE(back->Ready()) << "the engine's own skin stays as it was";
  EXPECT_TRUE(TempEmpty());
  // The setter copies the items.
  auto* copy = new TswSkinEngine(new TForm(Form));
  copy->SetAdditionalBuiltInSkins(skins);
  ASSERT_EQ(copy->AdditionalBuiltInSkins()->Count(), 3);
  EXPECT_EQ(copy->AdditionalBuiltInSkins()->Items(1)->SkinFile(), CollectionTestSkin("prism"));
  EXPECT_NE(copy->AdditionalBuiltInSkins()->Items(1), skins->Items(1));
  delete other;
}

TEST_F(SwSkinCollectionTest, DamagedOrProtectedStoredSkinsFailWithTheirText) {
  // A protected copy of harbour.
  const std::string pack =
      BinaryDir() + "/tools/mkswskin pack " + SourceDir() + "/data/swskins/harbour " + Dir + "/locked.ssk secret";
  ASSERT_EQ(std::system(pack.c_str()), 0) << pack;
  TMemoryStream good, locked;
  good.LoadFromFile(CollectionTestSkin("harbour"));
  locked.LoadFromFile(Dir + "/locked.ssk");
  // Damaged: the entry's data cut short, and bytes flipped in its middle.
  TMemoryStream cut, flipped;
  cut.CopyFrom(&good, good.Size() / 2);
  good.SetPosition(0);
  flipped.CopyFrom(&good, 0);
  auto* bytes = static_cast<uint8_t*>(flipped.Memory());
  for (int64_t i = flipped.Size() / 3; i < flipped.Size() / 3 + 64; ++i) bytes[i] ^= 0x5A;
  struct Case {
    const char* name;
    TMemoryStream* data;
    std::string password, error;  // error empty: loads
  };
  const Case cases[] = {
      {"whole", &good, "", ""},
      {"cut short", &cut, "", "Failed to read skin file!"},
      {"bytes flipped", &flipped, "", "Failed to read skin file!"},
      {"locked, right password", &locked, "secret", ""},
      {"locked, wrong password", &locked, "guess", "Wrong password!"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    TswSkinCollection skins;
    TswSkinCollectionItem* item = skins.Add();
    item->SetSkinFile("kept.ssk");
    item->SetPassword(k.password);
    k.data->SetPosition(0);
    if (k.error.empty()) {
      item->ReadSkinData(k.data);
      EXPECT_TRUE(item->Reader()->Loaded());
    } else {
      try {
        item->ReadSkinData(k.data);
        ADD_FAILURE() << "no error";
      } catch (const Exception& x) {
        EXPECT_EQ(x.Message(), k.error);
      }
      EXPECT_FALSE(item->Reader()->Loaded());
    }
    EXPECT_EQ(item->SkinFile(), "kept.ssk");
    EXPECT_TRUE(TempEmpty()) << "the temporary file is deleted also after a failure";
  }
}

TEST_F(SwSkinCollectionTest, TemporaryNameIsMadeUniqueAndBounded) {
  // "SWSKNT.ssk" and "SWSKNT1.ssk" are taken: the item uses another name and leaves them.
  for (const char* taken : {"SWSKNT.ssk", "SWSKNT1.ssk"}) std::ofstream(Dir + "/tmp/" + taken) << "taken";
  TMemoryStream good;
  good.LoadFromFile(CollectionTestSkin("prism"));
  TswSkinCollection skins;
  TswSkinCollectionItem* item = skins.Add();
  item->ReadSkinData(&good);
  EXPECT_TRUE(item->Reader()->Loaded());
  int files = 0;
  for (const auto& f : std::filesystem::directory_iterator(Dir + "/tmp")) {
    ++files;
    std::ifstream in(f.path());
    std::string content;
    in >> content;
    EXPECT_EQ(content, "taken");
  }
  EXPECT_EQ(files, 2);
  // A temporary "folder" that is a file: no copy can be written, the item gives up.
  setenv("TMPDIR", (Dir + "/tmp/SWSKNT.ssk/").c_str(), 1);
  good.SetPosition(0);
  EXPECT_THROW(item->ReadSkinData(&good), EInOutError);
}
