// The font dialog's kinds of font (TrueType, scalable, fixed pitch) over real font files: the
// Liberation outline fonts and a bitmap-only font, so each of its filters has a family to drop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/strings.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/win/bitmap_font_setup.h"

namespace {

using V = std::vector<std::string>;

// The families of interest, in this order, that the list holds.
V Among(const V& list) {
  V out;
  for (const char* n : {"Liberation Mono", "Liberation Sans", "Orvanta Pixel"})
    if (std::find(list.begin(), list.end(), n) != list.end()) out.push_back(n);
  return out;
}

TEST(FontDialogFonts, KindsOfFontComeFromTheFontFiles) {
  std::vector<TFontFamilyInfo> infos = TFontDialog::FontFamilyInfos();
  struct TCase {
    const char* Name;
    bool FixedPitch, Scalable, TrueType;
  } cases[] = {
      {"Liberation Sans", false, true, true},
      {"Liberation Mono", true, true, true},
      {"Orvanta Pixel", true, false, false},  // bitmap strikes only
  };
  for (const TCase& k : cases) {
    SCOPED_TRACE(k.Name);
    auto it = std::find_if(infos.begin(), infos.end(),
                           [&](const TFontFamilyInfo& f) { return f.Name == k.Name; });
    ASSERT_NE(it, infos.end());
    EXPECT_EQ(it->FixedPitch, k.FixedPitch);
    EXPECT_EQ(it->Scalable, k.Scalable);
    EXPECT_EQ(it->TrueType, k.TrueType);
    EXPECT_FALSE(it->Device);  // no printer-resident fonts
  }
}

// The families the shown dialog lists for its options; it is closed again at once.
V Listed(TFontDialogOptions options) {
  V listed;
  TFontDialog d(nullptr);
  d.Options() = options;
  auto* t = new TTimer(Application());
  t->SetInterval(1);
  t->SetOnTimer([&, t](TObject*) {
    t->SetEnabled(false);
    TCustomForm* f = Screen()->ActiveForm();
    auto* list = f ? dynamic_cast<TListBox*>(f->FindComponent("FamilyList")) : nullptr;
    if (list)
      for (int i = 0; i < list->Items()->Count(); ++i) listed.push_back(list->Items()->Strings(i));
    InjectKey(VK_ESCAPE, true);
    InjectKey(VK_ESCAPE, false);
  });
  EXPECT_FALSE(d.Execute());
  DestroyAllThreadWindows();
  return listed;
}

TEST(FontDialogFonts, TheShownListFollowsTheKindsTheOptionsAsk) {
  struct TCase {
    const char* Name;
    TFontDialogOptions Options;
    V Want;
  } cases[] = {
      {"any kind", {}, {"Liberation Mono", "Liberation Sans", "Orvanta Pixel"}},
      {"TrueType only", {fdTrueTypeOnly}, {"Liberation Mono", "Liberation Sans"}},
      {"scalable only", {fdScalableOnly}, {"Liberation Mono", "Liberation Sans"}},
      {"fixed pitch only", {fdFixedPitchOnly}, {"Liberation Mono", "Orvanta Pixel"}},
      {"fixed pitch and scalable", {fdFixedPitchOnly, fdScalableOnly}, {"Liberation Mono"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(Among(Listed(c.Options)), c.Want);
  }
}

}  // namespace
