// mkswskin: writes skin archives of the form skin engine.
//
//   mkswskin pack <folder> <archive.ssk> [password]
//     packs the key file "keys.txt" of the folder and the pictures it names into an archive:
//     the record file "SKINDATA.SK2" (24-byte header, then one 77-byte record per key, each
//     followed by its data, and the terminating record), deflated, in an archive whose local
//     header starts with "SK"; with a password the entry gets the traditional encryption.
//     keys.txt holds lines NAME=VALUE; the key's group decides the record type: colours and
//     metrics are integers, flags bytes, bitmaps BMP files of the folder; other names are text.
//   mkswskin design <harbour|prism> <folder>
//     draws one of our skins into a folder (pictures and keys.txt):
//     "harbour": a calm three-section skin in slate teal, rounded caption chips, no region;
//                the application's forms wear it.
//     "prism": a five-section skin in plum and amber whose caption and bottom border carry
//              magenta (the transparent colour) at their rounded corners, so the windows get a
//              region; the tests use it.
// Every pixel comes from fixed numbers, so each run writes the same files.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "platform/vcl/graphics.h"
#include "skins/swskinfile.h"
#include "tools/toolpicture.h"

namespace {

using tooldraw::Mix;
using tooldraw::Picture;
using tooldraw::Rgb;

int ColorValue(Rgb C) { return C.R | (C.G << 8) | (C.B << 16); }

struct Palette {
  Rgb Trans, CaptionTop, CaptionBottom, Edge, Text, Form, Face, Hot, Down, Accent, Light, Dark;
};

const Palette kHarbour{{255, 0, 255},  {76, 128, 140}, {40, 86, 98},    {22, 50, 58},
                       {255, 255, 255}, {232, 238, 239}, {214, 226, 229}, {170, 212, 220},
                       {120, 160, 170}, {34, 140, 160},  {250, 252, 252}, {90, 110, 116}};
const Palette kPrism{{255, 0, 255},  {138, 72, 120},  {88, 36, 80},    {52, 18, 46},
                     {255, 236, 200}, {244, 236, 230}, {232, 220, 214}, {246, 200, 120},
                     {200, 150, 110}, {222, 140, 40},  {255, 250, 246}, {120, 90, 100}};

// Symbols of the caption cells: 0 none, 1 help, 2 maximize, 3 restore, 4 minimize, 5 close.
void Symbol(Picture& P, int X, int Y, int Kind, Rgb C) {
  switch (Kind) {
    case 1:
      P.Fill(X + 1, Y, X + 5, Y + 1, C);
      P.Fill(X + 5, Y + 1, X + 6, Y + 3, C);
      P.Fill(X + 3, Y + 3, X + 5, Y + 4, C);
      P.Fill(X + 3, Y + 4, X + 4, Y + 5, C);
      P.Fill(X + 3, Y + 6, X + 4, Y + 7, C);
      break;
    case 2:
      P.Outline(X, Y, X + 8, Y + 7, C);
      P.Fill(X, Y + 1, X + 8, Y + 2, C);
      break;
    case 3:
      P.Outline(X + 2, Y, X + 8, Y + 5, C);
      P.Fill(X, Y + 2, X + 6, Y + 7, Mix(C, C, 0, 1));
      P.Outline(X, Y + 2, X + 6, Y + 7, C);
      break;
    case 4:
      P.Fill(X + 1, Y + 5, X + 7, Y + 7, C);
      break;
    case 5:
      for (int i = 0; i < 7; ++i) {
        P.Set(X + i, Y + i, C);
        P.Set(X + i + 1, Y + i, C);
        P.Set(X + 6 - i, Y + i, C);
        P.Set(X + 7 - i, Y + i, C);
      }
      break;
    default:
      break;
  }
}

// A chip of W x H at (X, Y) with rounded (transparent) corners in state 0/1/2.
void Chip(Picture& P, const Palette& Pal, int X, int Y, int W, int H, int State) {
  Rgb face = State == 0 ? Mix(Pal.CaptionTop, Pal.CaptionBottom, 1, 2)
             : State == 1 ? Pal.Accent
                          : Pal.Edge;
  P.GradientV(X, Y, X + W, Y + H, Mix(face, Rgb{255, 255, 255}, 1, 5), face);
  P.Outline(X, Y, X + W, Y + H, State == 1 ? Pal.Light : Pal.Edge);
  for (int cx : {X, X + W - 1})
    for (int cy : {Y, Y + H - 1}) P.Set(cx, cy, Pal.Trans);
}

void Arrow(Picture& P, int CX, int CY, int Dir, Rgb C) {
  for (int i = 0; i <= 3; ++i)
    for (int k = -i; k <= i; ++k) {
      if (Dir == 0) P.Set(CX + k, CY - 2 + i, C);  // up
      else P.Set(CX + k, CY + 1 - i, C);          // down
    }
}

struct Writer {
  std::string Folder;
  std::vector<std::string> Lines;
  void Save(const std::string& Key, const std::string& File, Picture& P) {
    P.Bitmap.SaveToFile(Folder + "/" + File);
    Lines.push_back(Key + "=" + File);
  }
  void Int(const std::string& Key, int V) { Lines.push_back(Key + "=" + std::to_string(V)); }
};

void Design(const std::string& Name, const std::string& Folder) {
  const bool five = Name == "prism";
  const Palette& pal = five ? kPrism : kHarbour;
  Writer w{Folder, {}};
  const int ch = 24;  // caption height
  auto caption = [&](int W, bool LeftCorner, bool RightCorner) {
    auto holder = std::make_unique<Picture>(W, ch, pal.CaptionTop);
    Picture& p = *holder;
    p.GradientV(0, 0, W, ch, pal.CaptionTop, pal.CaptionBottom);
    p.Fill(0, 0, W, 1, pal.Edge);
    p.Fill(0, 1, W, 2, Mix(pal.CaptionTop, pal.Light, 1, 2));
    if (LeftCorner) {
      p.Fill(0, 0, 1, ch, pal.Edge);
      if (five) {
        // Rounded top-left corner: magenta outside the curve.
        for (int y = 0; y < 4; ++y)
          for (int x = 0; x < 4 - y; ++x) p.Set(x, y, pal.Trans);
        for (int i = 0; i < 4; ++i) p.Set(4 - i, i, pal.Edge);
      }
    }
    if (RightCorner) {
      p.Fill(W - 1, 0, W, ch, pal.Edge);
      if (five) {
        for (int y = 0; y < 4; ++y)
          for (int x = 0; x < 4 - y; ++x) p.Set(W - 1 - x, y, pal.Trans);
        for (int i = 0; i < 4; ++i) p.Set(W - 5 + i, i, pal.Edge);
      }
    }
    return holder;
  };
  {
    auto t1 = caption(40, true, false);
    // A small emblem where the icon stands when a window has none.
    t1->Fill(7, 7, 17, 17, pal.Accent);
    t1->Outline(7, 7, 17, 17, pal.Edge);
    w.Save("SKIN2_TITLEBAR1", "titlebar1.bmp", *t1);
    auto t2 = caption(6, false, false);
    w.Save("SKIN2_TITLEBAR2", "titlebar2.bmp", *t2);
    if (five) {
      // The piece behind the caption text: a slanted step down to a darker band.
      Picture t3(24, ch, pal.CaptionTop);
      t3.GradientV(0, 0, 24, ch, pal.CaptionTop, pal.CaptionBottom);
      for (int y = 2; y < ch; ++y)
        for (int x = 0; x < 24; ++x)
          if (x > 24 - y) t3.Set(x, y, Mix(pal.CaptionBottom, pal.Edge, 1, 2));
      t3.Fill(0, 0, 24, 1, pal.Edge);
      t3.Fill(0, 1, 24, 2, Mix(pal.CaptionTop, pal.Light, 1, 2));
      w.Save("SKIN2_TITLEBAR3", "titlebar3.bmp", t3);
      Picture t4(6, ch, pal.CaptionBottom);
      t4.Fill(0, 0, 6, ch, Mix(pal.CaptionBottom, pal.Edge, 1, 2));
      t4.Fill(0, 0, 6, 1, pal.Edge);
      t4.Fill(0, 1, 6, 2, Mix(pal.CaptionTop, pal.Light, 1, 2));
      w.Save("SKIN2_TITLEBAR4", "titlebar4.bmp", t4);
      auto t5 = caption(90, false, true);
      t5->Fill(0, 2, 89, ch, Mix(pal.CaptionBottom, pal.Edge, 1, 2));
      w.Save("SKIN2_TITLEBAR5", "titlebar5.bmp", *t5);
    } else {
      auto t3 = caption(80, false, true);
      w.Save("SKIN2_TITLEBAR3", "titlebar3.bmp", *t3);
    }
  }
  {
    Picture l(4, 8, pal.CaptionBottom);
    l.Fill(0, 0, 1, 8, pal.Edge);
    l.Fill(1, 0, 2, 8, pal.CaptionTop);
    w.Save("SKIN2_FORMLEFTBORDER", "leftborder.bmp", l);
    Picture r(4, 8, pal.CaptionBottom);
    r.Fill(3, 0, 4, 8, pal.Edge);
    r.Fill(2, 0, 3, 8, pal.CaptionTop);
    w.Save("SKIN2_FORMRIGHTBORDER", "rightborder.bmp", r);
    const int bh = five ? 6 : 4;
    Picture b(30, bh, pal.CaptionBottom);
    b.Fill(0, bh - 1, 30, bh, pal.Edge);
    b.Fill(0, 0, 1, bh, pal.Edge);
    b.Fill(29, 0, 30, bh, pal.Edge);
    if (five) {
      // Rounded bottom corners.
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x <= y; ++x) {
          b.Set(x, bh - 3 + y, pal.Trans);
          b.Set(29 - x, bh - 3 + y, pal.Trans);
        }
    }
    w.Save("SKIN2_FORMBOTTOMBORDER1", "bottomborder.bmp", b);
    auto m = caption(160, true, true);
    w.Save("SKIN2_MINIMIZEDTITLE", "minimizedtitle.bmp", *m);
  }
  {
    // 18 cells: 1-3 empty, help, maximize, restore, minimize, close; each normal, hot, pressed.
    const int cw = 18, chh = 16;
    Picture cells(cw * 18, chh, pal.Trans);
    for (int c = 0; c < 18; ++c) {
      int kind = c / 3, state = c % 3;
      if (kind == 0) continue;
      Chip(cells, pal, c * cw, 0, cw, chh, state);
      Symbol(cells, c * cw + 5 + (state == 2), 4 + (state == 2), kind,
             state == 1 ? pal.Edge : pal.Text);
    }
    w.Save("SKIN2_TITLEBUTTONS", "titlebuttons.bmp", cells);
    Picture check(16, 16, pal.Trans);
    for (int i = 0; i < 3; ++i) check.Fill(4 + i, 7 + i, 5 + i, 10 + i, pal.Edge);
    for (int i = 0; i < 6; ++i) check.Fill(7 + i, 9 - i, 8 + i, 12 - i, pal.Edge);
    w.Save("SKIN2_CHECKEDMENUICON", "menucheck.bmp", check);
  }
  {
    // Push button: three 21 x 21 frames (normal, hot, pressed), drawn nine-part.
    Picture b(63, 21, pal.Trans);
    for (int s = 0; s < 3; ++s) {
      Rgb top = s == 0 ? pal.Light : s == 1 ? Mix(pal.Light, pal.Hot, 1, 2) : pal.Down;
      Rgb bottom = s == 2 ? Mix(pal.Down, pal.Light, 1, 3) : pal.Face;
      b.GradientV(s * 21, 0, s * 21 + 21, 21, top, bottom);
      b.Outline(s * 21, 0, s * 21 + 21, 21, s == 1 ? pal.Accent : pal.Dark);
      for (int cx : {s * 21, s * 21 + 20})
        for (int cy : {0, 20}) b.Set(cx, cy, pal.Trans);
    }
    w.Save("SKIN2_BUTTON", "button.bmp", b);
    // Check boxes: six 13 x 13 frames: checked, grayed, unchecked; then the disabled three.
    for (const char* key : {"SKIN2_CHECKBOX", "SKIN2_CHECKBOXLIST"}) {
      Picture c(78, 13, pal.Light);
      for (int f = 0; f < 6; ++f) {
        bool disabled = f >= 3;
        int state = f % 3;
        Rgb frame = disabled ? Mix(pal.Dark, pal.Light, 1, 2) : pal.Dark;
        Rgb mark = disabled ? Mix(pal.Dark, pal.Light, 1, 2) : pal.Accent;
        c.Fill(f * 13, 0, f * 13 + 13, 13, disabled ? pal.Face : pal.Light);
        c.Outline(f * 13, 0, f * 13 + 13, 13, frame);
        if (state == 0) {
          for (int i = 0; i < 3; ++i) c.Fill(f * 13 + 3 + i, 5 + i, f * 13 + 4 + i, 8 + i, mark);
          for (int i = 0; i < 4; ++i) c.Fill(f * 13 + 6 + i, 7 - i, f * 13 + 7 + i, 10 - i, mark);
        } else if (state == 1) {
          c.Fill(f * 13 + 3, 3, f * 13 + 10, 10, Mix(mark, pal.Light, 1, 2));
        }
      }
      w.Save(key, std::string(key) == "SKIN2_CHECKBOX" ? "checkbox.bmp" : "checkboxlist.bmp", c);
    }
    // Radio buttons: four 13 x 13 frames: checked, unchecked, then the disabled two.
    Picture r(52, 13, pal.Trans);
    for (int f = 0; f < 4; ++f) {
      bool disabled = f >= 2;
      Rgb ring = disabled ? Mix(pal.Dark, pal.Light, 1, 2) : pal.Dark;
      for (int y = 0; y < 13; ++y)
        for (int x = 0; x < 13; ++x) {
          int d = (x - 6) * (x - 6) + (y - 6) * (y - 6);
          if (d <= 36) r.Set(f * 13 + x, y, d >= 25 ? ring : (disabled ? pal.Face : pal.Light));
          if (f % 2 == 0 && d <= 6) r.Set(f * 13 + x, y, disabled ? ring : pal.Accent);
        }
    }
    w.Save("SKIN2_RADIOBUTTON", "radiobutton.bmp", r);
  }
  {
    // Progress bar: left end, filled middle, empty middle, right end.
    Picture g1(5, 14, pal.Face), g2(8, 14, pal.Accent), g3(8, 14, pal.Light), g4(5, 14, pal.Face);
    for (Picture* p : {&g1, &g4}) p->Outline(0, 0, 5, 14, pal.Dark);
    g2.GradientV(0, 0, 8, 14, Mix(pal.Accent, pal.Light, 1, 2), pal.Accent);
    for (Picture* p : {&g2, &g3}) {
      p->Fill(0, 0, 8, 1, pal.Dark);
      p->Fill(0, 13, 8, 14, pal.Dark);
    }
    w.Save("SKIN2_PROGRESSBAR1", "progress1.bmp", g1);
    w.Save("SKIN2_PROGRESSBAR2", "progress2.bmp", g2);
    w.Save("SKIN2_PROGRESSBAR3", "progress3.bmp", g3);
    w.Save("SKIN2_PROGRESSBAR4", "progress4.bmp", g4);
    // Track bar channel: three 6 x 6 frames (left end, middle, right end).
    Picture t(18, 6, pal.Trans);
    t.Fill(2, 1, 16, 5, pal.Light);
    t.Fill(2, 1, 16, 2, pal.Dark);
    t.Fill(2, 4, 16, 5, pal.Dark);
    t.Fill(1, 2, 2, 4, pal.Dark);
    t.Fill(16, 2, 17, 4, pal.Dark);
    w.Save("SKIN2_TRACKBAR", "trackbar.bmp", t);
    Picture s(11, 20, pal.Face);
    s.GradientV(0, 0, 11, 20, pal.Light, pal.Hot);
    s.Outline(0, 0, 11, 20, pal.Dark);
    w.Save("SKIN2_TRACKBARSLIDER", "slider.bmp", s);
    Picture v(20, 11, pal.Face);
    v.GradientV(0, 0, 20, 11, pal.Light, pal.Hot);
    v.Outline(0, 0, 20, 11, pal.Dark);
    w.Save("SKIN2_TRACKBARVSLIDER", "vslider.bmp", v);
  }
  {
    // Scroll-bar buttons: three 17 x 17 frames each (normal, hot, pressed).
    for (int dir = 0; dir < 2; ++dir) {
      Picture b(51, 17, pal.Face);
      for (int s = 0; s < 3; ++s) {
        b.GradientV(s * 17, 0, s * 17 + 17, 17, s == 1 ? pal.Hot : pal.Light,
                    s == 2 ? pal.Down : pal.Face);
        b.Outline(s * 17, 0, s * 17 + 17, 17, pal.Dark);
        Arrow(b, s * 17 + 8 + (s == 2), 8 + (s == 2), dir, pal.Edge);
      }
      w.Save(dir == 0 ? "SKIN2_SCROLLBARUPBUTTON" : "SKIN2_SCROLLBARDOWNBUTTON",
             dir == 0 ? "scrollup.bmp" : "scrolldown.bmp", b);
    }
    // Scroll bar: 17 x 33, caps of three rows, thumb top, middle, bottom.
    Picture s(17, 33, pal.Face);
    s.Fill(0, 0, 17, 3, pal.Light);
    s.Fill(0, 30, 17, 33, pal.Light);
    s.Fill(2, 4, 15, 29, pal.Hot);
    s.Outline(2, 4, 15, 29, pal.Dark);
    for (int y = 14; y <= 18; y += 2) s.Fill(6, y, 11, y + 1, pal.Dark);
    w.Save("SKIN2_SCROLLBAR", "scrollbar.bmp", s);
    Picture sb(17, 17, pal.Face);
    sb.Outline(0, 0, 17, 17, pal.Dark);
    w.Save("SKIN2_SCROLLBUTTON", "scrollbutton.bmp", sb);
  }
  {
    // Tabs: two 40 x 22 frames (the selected tab, the other tabs), open at the bottom.
    Picture t(80, 22, pal.Trans);
    for (int f = 0; f < 2; ++f) {
      t.GradientV(f * 40, 0, f * 40 + 40, 22, f == 0 ? pal.Light : pal.Face,
                  f == 0 ? pal.Form : Mix(pal.Face, pal.Dark, 1, 5));
      t.Fill(f * 40, 0, f * 40 + 40, 1, f == 0 ? pal.Accent : pal.Dark);
      t.Fill(f * 40, 0, f * 40 + 1, 22, pal.Dark);
      t.Fill(f * 40 + 39, 0, f * 40 + 40, 22, pal.Dark);
      t.Set(f * 40, 0, pal.Trans);
      t.Set(f * 40 + 39, 0, pal.Trans);
    }
    w.Save("SKIN2_TABCONTROL", "tab.bmp", t);
    Picture line(8, 2, pal.Dark);
    line.Fill(0, 1, 8, 2, pal.Light);
    w.Save("SKIN2_TABCONTROLLINE", "tabline.bmp", line);
    Picture sc(12, 40, pal.Face);
    sc.GradientV(0, 0, 12, 40, pal.Light, pal.Face);
    w.Save("SKIN2_SIDECHANNELBAR", "sidebar.bmp", sc);
    Picture st(60, 20, pal.CaptionTop);
    st.GradientV(0, 0, 60, 20, pal.CaptionTop, pal.CaptionBottom);
    w.Save("SKIN2_SIDECHANNELTITLE", "sidetitle.bmp", st);
  }
  // Colours in key order.
  const Rgb colours[32] = {pal.Trans, pal.Text, pal.Form,
                           pal.Light, pal.Face,  // menu bar start, end
                           pal.Hot, pal.Accent, pal.Edge, {0, 0, 0},  // top selected, border, font
                           pal.CaptionTop, pal.CaptionBottom,  // left bar
                           pal.Light, {0, 0, 0},               // menu item, font
                           pal.Hot, pal.Accent, pal.Edge,      // selected menu
                           pal.Light, pal.Face, pal.Hot, pal.Dark, pal.Down,  // tool bar
                           pal.Light, pal.Dark, {0, 0, 0}, {0, 0, 0},  // control, font, button
                           pal.Face,                                  // scroll bar
                           pal.Form, pal.Dark, {0, 0, 0}, pal.Dark,   // tabs
                           pal.Face, pal.Dark};                       // side channel
  for (int i = 0; i < 32; ++i) w.Int(SkinKeyName(SkinColorBase + i), ColorValue(colours[i]));
  const int metrics[9] = {6, 4, 5, 6, 4, five ? 0 : -1, five ? 4 : -1, five ? 2 : -1,
                          five ? 5 : -1};
  for (int i = 0; i < 9; ++i) w.Int(SkinKeyName(SkinMetricBase + i), metrics[i]);
  const int flags[9] = {five, 0, five, five, 1, 1, 1, 1, 1};
  for (int i = 0; i < 9; ++i) w.Int(SkinKeyName(SkinFlagBase + i), flags[i]);
  std::ofstream keys(Folder + "/keys.txt", std::ios::binary | std::ios::trunc);
  for (const std::string& l : w.Lines) keys << l << "\n";
}

void Put16(std::string& S, uint32_t V) {
  S += static_cast<char>(V & 0xFF);
  S += static_cast<char>((V >> 8) & 0xFF);
}
void Put32(std::string& S, uint32_t V) {
  Put16(S, V & 0xFFFF);
  Put16(S, V >> 16);
}

std::string ReadFile(const std::string& Name) {
  std::ifstream f(Name, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + Name);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// The record file of a key file.
std::string RecordFile(const std::string& Folder) {
  std::map<std::string, int> group;
  for (int i = 0; i < SkinKeyCount; ++i)
    group[SkinKeyName(i)] = i < SkinBitmapBase ? 1 : i < SkinMetricBase ? 0 : i < SkinFlagBase ? 1 : 2;
  std::string out = "ORVANTA SKIN";
  Put32(out, 24);
  Put32(out, 2);
  Put32(out, 24);
  std::ifstream keys(Folder + "/keys.txt");
  if (!keys) throw std::runtime_error("no keys.txt in " + Folder);
  std::string line;
  auto record = [&](const std::string& Name, int Type, const std::string& Data, bool Last) {
    std::string r(Name.substr(0, 64));
    r.resize(64, '\0');
    r += static_cast<char>(Type);
    uint32_t at = static_cast<uint32_t>(out.size());
    Put32(r, Last ? 0 : at + 77);
    Put32(r, static_cast<uint32_t>(Data.size()));
    Put32(r, Last ? 0 : at + 77 + static_cast<uint32_t>(Data.size()));
    out += r + Data;
  };
  while (std::getline(keys, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t eq = line.find('=');
    if (line.empty() || line[0] == ';' || eq == std::string::npos) continue;
    std::string name = line.substr(0, eq), value = line.substr(eq + 1);
    auto g = group.find(name);
    int type = g == group.end() ? 3 : g->second;
    std::string data;
    if (type == 0) {
      data = ReadFile(Folder + "/" + value);
    } else if (type == 1) {
      Put32(data, static_cast<uint32_t>(std::stol(value)));
    } else if (type == 2) {
      data += static_cast<char>(std::stoi(value) & 0xFF);
    } else {
      data = value;
    }
    record(name, type, data, false);
  }
  record("", 2, "", true);
  return out;
}

void Pack(const std::string& Folder, const std::string& Archive, const std::string& Password) {
  const std::string plain = RecordFile(Folder);
  std::string packed(compressBound(static_cast<uLong>(plain.size())) + 64, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.data()));
  z.avail_in = static_cast<uInt>(plain.size());
  z.next_out = reinterpret_cast<Bytef*>(packed.data());
  z.avail_out = static_cast<uInt>(packed.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate failed");
  packed.resize(z.total_out);
  deflateEnd(&z);
  const uint32_t crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(plain.data()), static_cast<uInt>(plain.size())));
  const bool encrypt = !Password.empty();
  if (encrypt) {
    TswArchiveKeys k(Password);
    std::string head(12, '\0');
    uint32_t seed = crc ^ 0x9E3779B9u;
    for (int i = 0; i < 11; ++i) {
      seed = seed * 1103515245u + 12345u;
      head[i] = static_cast<char>(seed >> 16);
    }
    head[11] = static_cast<char>(crc >> 24);
    std::string enc;
    for (char c : head + packed) enc += static_cast<char>(k.Encrypt(static_cast<uint8_t>(c)));
    packed = enc;
  }
  const std::string name = "SKINDATA.SK2";
  const uint16_t flags = encrypt ? 1 : 0, time = 0x6000, date = 0x5B8C;
  std::string a = "SK";
  Put16(a, 0x0403);
  Put16(a, 20);
  Put16(a, flags);
  Put16(a, 8);
  Put16(a, time);
  Put16(a, date);
  Put32(a, crc);
  Put32(a, static_cast<uint32_t>(packed.size()));
  Put32(a, static_cast<uint32_t>(plain.size()));
  Put16(a, static_cast<uint32_t>(name.size()));
  Put16(a, 0);
  a += name + packed;
  const uint32_t cd = static_cast<uint32_t>(a.size());
  a += "PK";
  Put16(a, 0x0201);
  Put16(a, 20);
  Put16(a, 20);
  Put16(a, flags);
  Put16(a, 8);
  Put16(a, time);
  Put16(a, date);
  Put32(a, crc);
  Put32(a, static_cast<uint32_t>(packed.size()));
  Put32(a, static_cast<uint32_t>(plain.size()));
  Put16(a, static_cast<uint32_t>(name.size()));
  for (int i = 0; i < 4; ++i) Put16(a, 0);
  Put32(a, 0);
  Put32(a, 0);
  a += name;
  const uint32_t cdSize = static_cast<uint32_t>(a.size()) - cd;
  a += "PK";
  Put16(a, 0x0605);
  Put16(a, 0);
  Put16(a, 0);
  Put16(a, 1);
  Put16(a, 1);
  Put32(a, cdSize);
  Put32(a, cd);
  Put16(a, 0);
  std::ofstream f(Archive, std::ios::binary | std::ios::trunc);
  if (!f.write(a.data(), static_cast<std::streamsize>(a.size())) || !f.flush())
    throw std::runtime_error("cannot write " + Archive);
}

}  // namespace

int main(int argc, char** argv) {
  try {
    std::string cmd = argc > 1 ? argv[1] : "";
    if (cmd == "pack" && (argc == 4 || argc == 5)) {
      Pack(argv[2], argv[3], argc == 5 ? argv[4] : "");
      return 0;
    }
    if (cmd == "design" && argc == 4 && (std::string(argv[2]) == "harbour" ||
                                         std::string(argv[2]) == "prism")) {
      Design(argv[2], argv[3]);
      return 0;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mkswskin: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: mkswskin pack <folder> <archive.ssk> [password]\n"
               "       mkswskin design <harbour|prism> <folder>\n");
  return 2;
}
