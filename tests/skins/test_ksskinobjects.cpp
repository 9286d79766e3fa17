// Skin description values and description classes: reading rules, hostile values, round trips.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "skins/ksskinobjects.h"

namespace {

// An in-memory description file from its lines.
std::unique_ptr<TMemIniFile> Ini(const std::string& Text) {
  auto ini = std::make_unique<TMemIniFile>("");
  TStringList lines;
  lines.SetText(Text);
  ini->SetStrings(&lines);
  return ini;
}

bool Same(const RECT& A, const RECT& B) {
  return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}

}  // namespace

TEST(KsSkinObjects, RectangleReadingTable) {
  struct Case {
    const char* Value;
    RECT Want;
  } cases[] = {
      {"10, 20 ,110,220", {10, 20, 110, 220}},
      {"-5,0,10,10", {5, 0, 10, 10}},  // signs are dropped
      {"1,2,3,4,5,6", {1, 2, 3, 4}},   // fields after the fourth are ignored
      {"1,2,3,4,,,,,,,,,,,,,,,,9", {1, 2, 3, 4}},
      {"x1y,2,3z,4", {1, 2, 3, 4}},
  };
  for (const Case& c : cases) {
    auto ini = Ini(std::string("[s]\nr=") + c.Value + "\n");
    EXPECT_TRUE(Same(ReadRect(ini.get(), "s", "r"), c.Want)) << c.Value;
  }
  auto ini = Ini("[s]\nempty=\nthree=1,2,3\nhuge=99999999999,1,1,1\n");
  EXPECT_TRUE(Same(ReadRect(ini.get(), "s", "missing"), RECT{0, 0, 0, 0}));
  EXPECT_THROW(ReadRect(ini.get(), "s", "empty"), EConvertError);
  EXPECT_THROW(ReadRect(ini.get(), "s", "three"), EConvertError);
  EXPECT_THROW(ReadRect(ini.get(), "s", "huge"), EConvertError);
}

TEST(KsSkinObjects, PointAndFlagReading) {
  auto ini = Ini("[s]\np=3 , 4\nq=1,2,3\nf1=1\nf2=2\nf3=yes\nf4=$1\n");
  const POINT p = ReadPoint(ini.get(), "s", "p"), q = ReadPoint(ini.get(), "s", "q");
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
  EXPECT_EQ(q.x, 1);
  EXPECT_EQ(q.y, 2);
  EXPECT_TRUE(ReadFlag(ini.get(), "s", "f1"));
  EXPECT_FALSE(ReadFlag(ini.get(), "s", "f2"));
  EXPECT_FALSE(ReadFlag(ini.get(), "s", "f3"));
  EXPECT_TRUE(ReadFlag(ini.get(), "s", "f4"));
  EXPECT_FALSE(ReadFlag(ini.get(), "s", "none"));
}

TEST(KsSkinObjects, WordValues) {
  auto ini =
      Ini("[s]\nst1=fsbold fsunderline\nst2=Fsbold\nst3=fsitalic,fsstrikeout\n"
          "a1=center\na2=taleftjustify\na3=tacenter\n"
          "c1=cmminimizetotray\nc2=whatever\nc3=cmrollup\nc4=CMCLOSE\n"
          "m1=mkpush\nm2=push\ne1=ieinvert\ne2=other\n");
  EXPECT_EQ(ReadFontStyle(ini.get(), "s", "st1"), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(ReadFontStyle(ini.get(), "s", "st2"), TFontStyles{});
  EXPECT_EQ(ReadFontStyle(ini.get(), "s", "st3"), (TFontStyles{fsItalic, fsStrikeOut}));
  EXPECT_EQ(ReadAlignment(ini.get(), "s", "a1"), taRightJustify);
  EXPECT_EQ(ReadAlignment(ini.get(), "s", "a2"), taLeftJustify);
  EXPECT_EQ(ReadAlignment(ini.get(), "s", "a3"), taCenter);
  EXPECT_EQ(ReadAlignment(ini.get(), "s", "none"), taCenter);
  EXPECT_EQ(ReadCommand(ini.get(), "s", "c1"), cmMinimizeToTray);
  EXPECT_EQ(ReadCommand(ini.get(), "s", "c2"), cmMinimizeToTray);
  EXPECT_EQ(ReadCommand(ini.get(), "s", "c3"), cmRollUp);
  EXPECT_EQ(ReadCommand(ini.get(), "s", "c4"), cmMinimizeToTray);
  EXPECT_EQ(ReadCommand(ini.get(), "s", "none"), cmDefault);
  EXPECT_EQ(ReadMorphKind(ini.get(), "s", "m1"), mkPush);
  EXPECT_EQ(ReadMorphKind(ini.get(), "s", "m2"), mkDefault);
  EXPECT_EQ(ReadEffect(ini.get(), "s", "e1"), ieInvert);
  EXPECT_EQ(ReadEffect(ini.get(), "s", "e2"), ieGrayScale);
  EXPECT_EQ(ReadEffect(ini.get(), "s", "none"), ieBrightness);
}

TEST(KsSkinObjects, WritersUseTheWrittenForms) {
  TMemIniFile ini("");
  WriteRect(&ini, "s", "r", RECT{1, 2, 3, 4});
  WritePoint(&ini, "s", "p", POINT{5, 6});
  WriteFlag(&ini, "s", "f", true);
  WriteFontStyle(&ini, "s", "st", TFontStyles{fsBold, fsItalic});
  WriteAlignment(&ini, "s", "a", taRightJustify);
  WriteCommand(&ini, "s", "c5", cmRollUp);
  WriteCommand(&ini, "s", "c6", cmMinimizeToTray);
  WriteMorphKind(&ini, "s", "m", mkLeftSlide);
  EXPECT_EQ(ini.ReadString("s", "r", ""), "1,2,3,4");
  EXPECT_EQ(ini.ReadString("s", "p", ""), "5,6");
  EXPECT_EQ(ini.ReadString("s", "f", ""), "1");
  EXPECT_EQ(ini.ReadString("s", "st", ""), "fsbold,fsitalic");
  EXPECT_EQ(ini.ReadString("s", "a", ""), "tarightjustify");
  EXPECT_EQ(ini.ReadString("s", "c5", ""), "cmrollup");
  EXPECT_EQ(ini.ReadString("s", "c6", ""), "cmminimizetotray");
  EXPECT_EQ(ini.ReadString("s", "m", ""), "mkleftslide");
}

TEST(KsSkinObjects, NameListReadsItsCountAndGaps) {
  auto ini = Ini("[PICTURES]\nactivepicturescount=3\n0=a.bmp\n2=c.bmp\n");
  TStringList list;
  ReadNameList(ini.get(), "PICTURES", "activepictures", &list);
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Strings(0), "a.bmp");
  EXPECT_EQ(list.Strings(1), "");
  EXPECT_EQ(list.Strings(2), "c.bmp");
}

TEST(KsSkinObjects, DefaultsOfANewlyReadDescription) {
  auto ini = Ini("[p]\n");
  TksDataSkinPanelControl p("p");
  p.LoadFromFile(ini.get());
  EXPECT_EQ(p.PictureIndex, -1);
  EXPECT_EQ(p.MaskPictureIndex, -1);
  EXPECT_EQ(p.BGPictureIndex, -1);
  EXPECT_EQ(p.Alignment, taCenter);
  EXPECT_EQ(p.Font.Name, "Arial");
  EXPECT_EQ(p.Font.Height, 14);
  TksDataSkinStdLabelControl l("l");
  l.LoadFromFile(ini.get());
  EXPECT_EQ(l.ActiveFontColor, 0xff0000);
  TksDataSkinListBox b("b");
  b.LoadFromFile(ini.get());
  EXPECT_EQ(b.HScrollBarName, "hscrollbar");
  EXPECT_EQ(b.BothScrollBarName, "bothhscrollbar");
  TksDataSkinButtonControl bc("bc");
  bc.LoadFromFile(ini.get());
  EXPECT_EQ(bc.AnimateInterval, 25);
}

// Every control type word: a description saved with distinctive values reads back the same,
// and the saved section holds exactly what a second save writes.
TEST(KsSkinObjects, ControlDescriptionsRoundTrip) {
  const char* words[] = {"panel",     "expanel",  "button",       "menubutton",  "checkradio",
                         "gauge",     "splitter", "trackbar",     "label",       "stdlabel",
                         "updown",    "grid",     "tab",          "mainmenubar", "controlbar",
                         "memo",      "edit",     "checklistbox", "listbox",     "combobox",
                         "scrollbar", "spinedit", "scrollbox",    "treeview",    "listview",
                         "richedit",  "bevel",    "slider"};
  for (const char* w : words) {
    auto d = CreateSkinControlDescription(w, "x");
    ASSERT_TRUE(d) << w;
    // Every key of the section set to something other than its default by a plain text pass.
    TMemIniFile first(""), second("");
    d->PictureIndex = 3;
    d->SkinRect = RECT{1, 2, 30, 40};
    d->SaveToFile(&first);
    TStringList keys;
    first.ReadSection("x", &keys);
    EXPECT_GT(keys.Count(), 2) << w;
    auto back = CreateSkinControlDescription(w, "x");
    back->LoadFromFile(&first);
    EXPECT_EQ(back->PictureIndex, 3) << w;
    EXPECT_TRUE(Same(back->SkinRect, RECT{1, 2, 30, 40})) << w;
    back->SaveToFile(&second);
    TStringList a, b;
    first.ReadSectionValues("x", &a);
    second.ReadSectionValues("x", &b);
    EXPECT_EQ(a.Text(), b.Text()) << w;
  }
  EXPECT_FALSE(CreateSkinControlDescription("nosuchkind", "x"));
}

TEST(KsSkinObjects, ExPanelDescriptionReadsItsKeys) {
  auto ini =
      Ini("[ep]\nskinrect=0,0,120,80\nrightbottompoint=112,72\nrollhskinrect=130,0,155,120\n"
          "rolltopoffset=6\nhrollbuttonrect=0,100,15,115\ncaptionrect=4,3,116,22\nfontname=Tahoma\n"
          "fontheight=-12\nfontstyle=fsbold\nfontcolor=16777215\n");
  TksDataSkinExPanelControl d("ep");
  d.LoadFromFile(ini.get());
  EXPECT_EQ(d.RBPoint.x, 112);
  EXPECT_TRUE(Same(d.RollHSkinRect, RECT{130, 0, 155, 120}));
  EXPECT_EQ(d.RollTopOffset, 6);
  EXPECT_TRUE(Same(d.HRollButtonRect, RECT{0, 100, 15, 115}));
  EXPECT_EQ(d.Font.Name, "Tahoma");
  EXPECT_EQ(d.Font.Height, -12);
  EXPECT_EQ(d.Font.Style, TFontStyles{fsBold});
  EXPECT_EQ(d.Font.Color, 0xFFFFFF);
}

TEST(KsSkinObjects, CheckListBoxReadsTheListBoxKeysToo) {
  auto ini = Ini("[c]\nitemrect=1,1,5,5\nvscrollbarname=myscroll\ncheckimagerect=2,2,9,9\n");
  TksDataSkinCheckListBox d("c");
  d.LoadFromFile(ini.get());
  EXPECT_TRUE(Same(d.ItemRect, RECT{1, 1, 5, 5}));
  EXPECT_EQ(d.VScrollBarName, "myscroll");
  EXPECT_TRUE(Same(d.CheckImageRect, RECT{2, 2, 9, 9}));
}

TEST(KsSkinObjects, ObjectDescriptions) {
  auto ini =
      Ini("[a]\nmorphing=1\ncountframes=4\ncommand=cmclose\n"
          "[u]\nhint=hello\nactivepictureindex=2\nskinrect=1,2,3,4\nmorphing=1\n"
          "[b]\ndisableskinrsect=5,6,7,8\n");
  TksDataSkinAnimate a("a");
  a.LoadFromFile(ini.get());
  EXPECT_FALSE(a.Morphing);  // animations never morph
  EXPECT_EQ(a.CountFrames, 4);
  EXPECT_EQ(a.Command, cmClose);
  TksDataUserObject u("u");
  u.LoadFromFile(ini.get());
  EXPECT_TRUE(Same(u.SkinRect, RECT{1, 2, 3, 4}));
  EXPECT_EQ(u.Hint, "");
  EXPECT_EQ(u.ActivePictureIndex, -1);
  EXPECT_FALSE(u.Morphing);
  TksDataSkinButton b("b");
  b.LoadFromFile(ini.get());
  EXPECT_TRUE(Same(b.DisableSkinRect, RECT{5, 6, 7, 8}));
  for (const char* w : {"button", "stdbutton", "mainmenubarbutton", "animate", "menuitem",
                        "mainmenubaritem", "caption", "userobject"})
    EXPECT_TRUE(CreateSkinObjectDescription(w, "o")) << w;
  EXPECT_FALSE(CreateSkinObjectDescription("panel", "o"));
}

TEST(KsSkinObjects, FormInfoAdjustments) {
  auto ini =
      Ini("[FORMINFO]\nclientrect=10,20,90,70\nlefttoppoint=5,5\nrighttoppoint=95,"
          "5\nleftbottompoint=5,80\n"
          "rightbottompoint=95,80\nmaskrectarea=12,22,100,60\nhittestlefttoppoint=0,7\n");
  TksDataSkinFormInfo f;
  f.LoadFromFile(ini.get(), true);
  EXPECT_TRUE(Same(f.MaskRectArea, RECT{10, 20, 100, 70}));
  EXPECT_EQ(f.HitTestLTPoint.x, 5);  // a zero coordinate takes the frame corner
  EXPECT_EQ(f.HitTestLTPoint.y, 5);
  EXPECT_EQ(f.LTPoint.x, 10);  // pulled into the client rectangle
  EXPECT_EQ(f.LTPoint.y, 20);
  EXPECT_EQ(f.RTPoint.x, 90);
  EXPECT_EQ(f.RBPoint.y, 70);
  TksDataSkinFormInfo g;
  g.LoadFromFile(Ini("[FORMINFO]\nclientrect=10,20,90,70\n").get(), true);
  EXPECT_TRUE(Same(g.MaskRectArea, RECT{10, 20, 90, 70}));
}
