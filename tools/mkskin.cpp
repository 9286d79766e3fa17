// mkskin <skin folder> <compressed skin file>: writes the skin "Slate" of the skin-forms
// library: its folder (the description "slate.ini" and the pictures "slate.bmp" and
// "slatemask.bmp") and its compressed stored form (int32 version 3, int32 length, then the
// zlib-compressed stored skin built from that folder, as the skin store reads it).
//
// Slate: slate-blue caption bars with a light highlight line, a dark one-pixel border, light
// grey-blue client areas with a faint diagonal texture, caption buttons as small rounded chips
// (normal, hot, pressed), and a mask that rounds the top corners of the captioned pane.
// Descriptions: "expanel" (the rolling pane), "panel" and "bigtoolpanel" (captioned panels).
//
// Every pixel comes from fixed numbers, so every run writes the same files; the repository keeps
// the result in data/skins and a test checks that it still matches this program.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/rtl/inifiles.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "skins/ksskindata.h"
#include "skins/ksskinobjects.h"
#include "tools/toolpicture.h"

namespace {

using tooldraw::Mix;
using tooldraw::Picture;
using tooldraw::Rgb;

const Rgb kBorder{30, 46, 68};
const Rgb kCaptionTop{84, 118, 160};
const Rgb kCaptionBottom{44, 68, 100};
const Rgb kHighlight{132, 160, 198};
const Rgb kClient{236, 240, 245};
const Rgb kTexture{226, 232, 240};
const Rgb kInner{180, 192, 208};
const Rgb kPanelTop{214, 224, 238};
const Rgb kPanelBottom{178, 194, 216};
const Rgb kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0};

// The client area's texture: a faint diagonal every fourth pixel.
void Client(Picture& P, int L, int T, int R, int B) {
  P.Fill(L, T, R, B, kClient);
  for (int y = T; y < B; ++y)
    for (int x = L; x < R; ++x)
      if ((x + y) % 4 == 0) P.Set(x, y, kTexture);
}

// Arrow of 7 x 4 pixels centred at (CX, CY) pointing Dir: 0 left, 1 right, 2 up, 3 down.
void Arrow(Picture& P, int CX, int CY, int Dir, Rgb C) {
  for (int i = 0; i <= 3; ++i)
    for (int k = -i; k <= i; ++k) {
      switch (Dir) {
        case 0:
          P.Set(CX - 2 + i, CY + k, C);
          break;
        case 1:
          P.Set(CX + 1 - i, CY + k, C);
          break;
        case 2:
          P.Set(CX + k, CY - 2 + i, C);
          break;
        default:
          P.Set(CX + k, CY + 1 - i, C);
          break;
      }
    }
}

void Cross(Picture& P, int CX, int CY, Rgb C) {
  for (int i = -3; i <= 3; ++i) {
    P.Set(CX + i, CY + i, C);
    P.Set(CX + i + 1, CY + i, C);
    P.Set(CX - i, CY + i, C);
    P.Set(CX - i + 1, CY + i, C);
  }
}

// A 15 x 15 caption chip at (X, Y) in state 0 normal, 1 hot, 2 pressed, with a symbol
// (0..3 an arrow as in Arrow, 4 the close cross).
void Chip(Picture& P, int X, int Y, int State, int Symbol) {
  const Rgb face = State == 0   ? Rgb{64, 94, 134}
                   : State == 1 ? Rgb{104, 140, 188}
                                : Rgb{34, 54, 82};
  const Rgb edge = State == 1 ? Rgb{190, 210, 236} : kBorder;
  P.GradientV(X, Y, X + 15, Y + 15, Mix(face, kWhite, 1, 6), face);
  P.Outline(X, Y, X + 15, Y + 15, edge);
  // Rounded corners: the caption's colour shows through.
  const Rgb corner = Mix(kCaptionTop, kCaptionBottom, 1, 2);
  P.Set(X, Y, corner);
  P.Set(X + 14, Y, corner);
  P.Set(X, Y + 14, corner);
  P.Set(X + 14, Y + 14, corner);
  const int shift = State == 2 ? 1 : 0;
  if (Symbol == 4)
    Cross(P, X + 7 + shift - 1, Y + 7 + shift, kWhite);
  else
    Arrow(P, X + 7 + shift, Y + 7 + shift, Symbol, kWhite);
}

// Geometry of the picture "slate.bmp" (300 x 150).
const RECT kExPanel{0, 0, 120, 80};   // the captioned pane
const RECT kRollV{0, 120, 120, 145};  // rolled to its caption bar
const RECT kRollH{270, 0, 295, 120};  // rolled to a strip
const RECT kPanel{160, 0, 260, 82};   // the captioned panels
const RECT kCheck{160, 84, 173, 97}, kUnCheck{176, 84, 189, 97};
constexpr int kChipY = 84, kChipY2 = 100;  // the two rows of caption chips

RECT ChipRect(int Column, int Row) {
  const int x = Column * 16, y = Row == 0 ? kChipY : kChipY2;
  return RECT{x, y, x + 15, y + 15};
}

void DrawPicture(Picture& P) {
  // The pane: caption bar rows 0..24, body below.
  const RECT& e = kExPanel;
  P.GradientV(e.left, 1, e.right, 24, kCaptionTop, kCaptionBottom);
  P.Fill(e.left + 1, 1, e.right - 1, 2, kHighlight);
  P.Outline(e.left, e.top, e.right, e.bottom, kBorder);
  P.Fill(e.left, 24, e.right, 25, kBorder);
  P.Outline(e.left + 1, 25, e.right - 1, e.bottom - 1, kInner);
  Client(P, e.left + 2, 26, e.right - 2, e.bottom - 2);
  // Rolled to the caption bar.
  const RECT& v = kRollV;
  P.GradientV(v.left, v.top + 1, v.right, v.bottom - 1, kCaptionTop, kCaptionBottom);
  P.Fill(v.left + 1, v.top + 1, v.right - 1, v.top + 2, kHighlight);
  P.Outline(v.left, v.top, v.right, v.bottom, kBorder);
  // Rolled to a strip: the gradient runs across.
  const RECT& h = kRollH;
  P.GradientH(h.left + 1, h.top, h.right - 1, h.bottom, kCaptionTop, kCaptionBottom);
  P.Fill(h.left + 1, h.top + 1, h.left + 2, h.bottom - 1, kHighlight);
  P.Outline(h.left, h.top, h.right, h.bottom, kBorder);
  // The panels: a lighter caption band of 22 rows.
  const RECT& p = kPanel;
  P.GradientV(p.left, 1, p.right, 22, kPanelTop, kPanelBottom);
  P.Outline(p.left, p.top, p.right, p.bottom, kBorder);
  P.Fill(p.left, 22, p.right, 23, kBorder);
  P.Outline(p.left + 1, 23, p.right - 1, p.bottom - 1, kInner);
  Client(P, p.left + 2, 24, p.right - 2, p.bottom - 2);
  // Check box pictures (the bottom-left pixel's colour is the transparent one).
  for (const RECT& r : {kCheck, kUnCheck}) {
    P.Fill(r.left, r.top, r.right, r.bottom, Rgb{255, 0, 255});
    P.Fill(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, kWhite);
    P.Outline(r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, kBorder);
  }
  for (int i = 0; i < 3; ++i) {
    P.Set(kCheck.left + 3 + i, kCheck.top + 6 + i, kBorder);
    P.Set(kCheck.left + 3 + i, kCheck.top + 7 + i, kBorder);
  }
  for (int i = 0; i < 5; ++i) {
    P.Set(kCheck.left + 6 + i, kCheck.top + 7 - i, kBorder);
    P.Set(kCheck.left + 6 + i, kCheck.top + 8 - i, kBorder);
  }
  // Caption chips: close, roll up, restore down on the first row; roll left, restore right on
  // the second; each in three states.
  for (int s = 0; s < 3; ++s) {
    auto at = [&](int Set, int Row) { return ChipRect(Set * 3 + s, Row); };
    Chip(P, at(0, 0).left, at(0, 0).top, s, 4);
    Chip(P, at(1, 0).left, at(1, 0).top, s, 2);
    Chip(P, at(2, 0).left, at(2, 0).top, s, 3);
    Chip(P, at(0, 1).left, at(0, 1).top, s, 0);
    Chip(P, at(1, 1).left, at(1, 1).top, s, 1);
  }
}

// Black inside, white outside: the pane with its top corners rounded.
void DrawMask(Picture& M) {
  const RECT& e = kExPanel;
  M.Fill(e.left, e.top, e.right, e.bottom, kBlack);
  const int corner[3][2] = {{0, 0}, {1, 0}, {0, 1}};
  for (const auto& c : corner) {
    M.Set(e.left + c[0], e.top + c[1], kWhite);
    M.Set(e.right - 1 - c[0], e.top + c[1], kWhite);
  }
}

void DescribeExPanel(TCustomIniFile& Ini) {
  TksDataSkinExPanelControl d("expanel");
  d.PictureIndex = 0;
  d.MaskPictureIndex = 1;
  d.SkinRect = kExPanel;
  d.LTPoint = POINT{8, 30};
  d.RTPoint = POINT{112, 30};
  d.LBPoint = POINT{8, 72};
  d.RBPoint = POINT{112, 72};
  d.ClRect = RECT{2, 26, 118, 78};
  d.RollHSkinRect = kRollH;
  d.RollVSkinRect = kRollV;
  d.RollLeftOffset = 6;
  d.RollRightOffset = 6;
  d.RollTopOffset = 6;
  d.RollBottomOffset = 6;
  d.RollVCaptionRect = RECT{4, 3, 116, 22};
  d.RollHCaptionRect = RECT{5, 3, 20, 116};
  d.CloseButtonRect = ChipRect(0, 0);
  d.CloseButtonActiveRect = ChipRect(1, 0);
  d.CloseButtonDownRect = ChipRect(2, 0);
  d.VRollButtonRect = ChipRect(3, 0);
  d.VRollButtonActiveRect = ChipRect(4, 0);
  d.VRollButtonDownRect = ChipRect(5, 0);
  d.VRestoreButtonRect = ChipRect(6, 0);
  d.VRestoreButtonActiveRect = ChipRect(7, 0);
  d.VRestoreButtonDownRect = ChipRect(8, 0);
  d.HRollButtonRect = ChipRect(0, 1);
  d.HRollButtonActiveRect = ChipRect(1, 1);
  d.HRollButtonDownRect = ChipRect(2, 1);
  d.HRestoreButtonRect = ChipRect(3, 1);
  d.HRestoreButtonActiveRect = ChipRect(4, 1);
  d.HRestoreButtonDownRect = ChipRect(5, 1);
  d.CaptionRect = RECT{4, 3, 116, 22};
  d.Font = TksSkinFontData{"Arial", -12, TFontStyles{fsBold}, 0xFFFFFF};
  d.SaveToFile(&Ini);
}

void DescribePanel(TCustomIniFile& Ini, const std::string& Name) {
  TksDataSkinPanelControl d(Name);
  d.PictureIndex = 0;
  d.SkinRect = kPanel;
  d.LTPoint = POINT{8, 28};
  d.RTPoint = POINT{92, 28};
  d.LBPoint = POINT{8, 72};
  d.RBPoint = POINT{92, 72};
  d.ClRect = RECT{2, 24, 98, 80};
  d.CaptionRect = RECT{4, 2, 96, 21};
  d.Alignment = taLeftJustify;
  d.Font = TksSkinFontData{"Arial", -12, TFontStyles{}, 0x442E1E};  // the border's dark blue
  d.CheckImageRect = kCheck;
  d.UnCheckImageRect = kUnCheck;
  d.SaveToFile(&Ini);
}

void WriteDescription(const std::string& Path) {
  std::filesystem::remove(Path);
  TMemIniFile ini(Path);
  ini.WriteString("VERSION", "skinname", "Slate");
  ini.WriteString("VERSION", "skinauthor", "Orvanta");
  ini.WriteString("VERSION", "authoremail", "");
  ini.WriteString("VERSION", "authorurl", "");
  ini.WriteString("VERSION", "skincomments", "Slate-blue captions over light grey-blue panes");
  ini.WriteString("PICTURES", "picture", "");
  ini.WriteString("PICTURES", "inactivepicture", "");
  ini.WriteString("PICTURES", "mask", "");
  ini.WriteInteger("PICTURES", "activepicturescount", 2);
  ini.WriteString("PICTURES", "0", "slate.bmp");
  ini.WriteString("PICTURES", "1", "slatemask.bmp");
  TksDataSkinFormInfo form;
  form.SaveToFile(&ini);
  TksSkinColors colours;
  colours.BtnFace = 0xF5F0EC;
  colours.BtnText = 0x442E1E;
  colours.Window = 0xFFFFFF;
  colours.WindowText = 0x000000;
  colours.HighLight = 0xA07654;
  colours.HighLightText = 0xFFFFFF;
  colours.BtnHighLight = 0xFFFFFF;
  colours.BtnShadow = 0xD0C0B4;
  colours.SaveToFile(&ini);
  ini.WriteInteger("SKINOBJECTS", "count", 0);
  ini.WriteInteger("SKINCONTROLS", "count", 3);
  ini.WriteString("SKINCONTROLS", "0", "expanel:expanel");
  ini.WriteString("SKINCONTROLS", "1", "panel:panel");
  ini.WriteString("SKINCONTROLS", "2", "bigtoolpanel:panel");
  DescribeExPanel(ini);
  DescribePanel(ini, "panel");
  DescribePanel(ini, "bigtoolpanel");
  ini.UpdateFile();
}

// int32 version, int32 length, the compressed data; written under a temporary name first.
void WriteCompressedSkin(TksCompressedStoredSkin& Stored, const std::string& Path) {
  const std::string tmp = Path + ".tmp";
  {
    TFileStream f(tmp, fmCreate);
    const int32_t version = 3;
    const int32_t length = static_cast<int32_t>(Stored.CompressedData().Size());
    f.WriteBuffer(&version, 4);
    f.WriteBuffer(&length, 4);
    f.WriteBuffer(Stored.CompressedData().Memory(), length);
  }
  std::filesystem::rename(tmp, Path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: mkskin <skin folder> <compressed skin file>\n");
    return 2;
  }
  try {
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder);
    Picture picture(300, 150, Rgb{255, 0, 255});
    DrawPicture(picture);
    picture.Bitmap.SaveToFile(folder + "/slate.bmp");
    Picture mask(300, 150, kWhite);
    DrawMask(mask);
    mask.Bitmap.SaveToFile(folder + "/slatemask.bmp");
    WriteDescription(folder + "/slate.ini");
    TksCompressedStoredSkin stored(nullptr);
    if (!stored.LoadFromSkinFile(folder + "/slate.ini")) {
      std::fprintf(stderr, "mkskin: the description lacks a section\n");
      return 1;
    }
    WriteCompressedSkin(stored, argv[2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkskin: %s\n", e.what());
    return 1;
  }
  return 0;
}
