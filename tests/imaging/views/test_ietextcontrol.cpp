// The in-place memo editor: the 280-byte character format record, typing and deleting, caret
// moves and selections by keys and mouse, word wrap and the four alignments measured in caret
// positions and pixels, formats on selections with their use counts, the clipboard block and
// plain text, growing with the text, the single-font mode and the start-up step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/views/ietextcontrol.h"
#include "platform/vcl/forms.h"
#include "platform/win/ieclipboard.h"
#include "platform/win/winuser.h"
#include "tests/support/keys.h"

namespace {

int32_t LeInt32At(const std::vector<uint8_t>& B, size_t At) {
  return static_cast<int32_t>(B[At] | (B[At + 1] << 8) | (B[At + 2] << 16) |
                              (static_cast<uint32_t>(B[At + 3]) << 24));
}

// The editor with its two dialogs answered by the test.
class TTestTextControl : public TIETextControl {
public:
  using TIETextControl::TIETextControl;
  int FontDialogs = 0, ColorDialogs = 0;
  TIECharFormat FontAnswer;
  TColor ColorAnswer = 0;

protected:
  bool ExecuteFontDialog(TIECharFormat& F) override {
    ++FontDialogs;
    F.Name = FontAnswer.Name;
    F.Height = FontAnswer.Height;
    F.Style = FontAnswer.Style;
    F.Color = FontAnswer.Color;
    return true;
  }
  bool ExecuteColorDialog(TColor& C) override {
    ++ColorDialogs;
    C = ColorAnswer;
    return true;
  }
};

class TextControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    IEImagingStartup();
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(10, 10, 500, 400);
    Ctl = new TTestTextControl(Form);
    Ctl->SetParent(Form);
    Ctl->SetBounds(0, 0, 300, 120);
    Ctl->DefaultFont->SetHeight(-14);
    Ctl->DefaultFont->SetColor(clBlack);
    Ctl->BackgroundBrush->SetColor(clWhite);
    Ctl->CharBrush->SetColor(clWhite);
    Ctl->CharBrush->SetStyle(bsClear);
    Ctl->BorderPen->SetStyle(psClear);
    Form->Show();
    Run();
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    IEImagingShutdown();
  }
  void Run() { Application()->ProcessMessages(); }
  // Lends Text and prepares the editor; shows the result once.
  void Host(const std::string& T) {
    Text = T;
    Ctl->CharFormats = nullptr;  // fresh lists from the defaults
    Ctl->FormatList = nullptr;
    Ctl->TextBuffer = &Text;
    Ctl->Prepare();
    Ctl->SetFocus();
    Paint();
  }
  void Paint() {
    Run();
    ::InvalidateRect(Ctl->Handle(), nullptr, FALSE);
    UpdateWindow(Ctl->Handle());
  }
  void Press(UINT Vk, UINT Modifier = 0) {
    if (Modifier) InjectKey(Modifier, true);
    Key(Vk);
    if (Modifier) InjectKey(Modifier, false);
    Run();
    Paint();
  }
  void Type(const std::string& S) {
    for (char c : S) {
      if (c >= 'a' && c <= 'z')
        Key(static_cast<UINT>(c - 32));
      else if (c == ' ')
        Key(VK_SPACE);
      else
        Key(static_cast<UINT>(c));
      Run();
    }
    Paint();
  }
  void Mouse(int X, int Y, bool Down, UINT Modifier = 0) {
    if (Modifier) InjectKey(Modifier, true);
    POINT s = Ctl->ClientToScreen(POINT{X, Y});
    InjectMouseButton(s.x, s.y, 0, Down);
    if (Modifier) InjectKey(Modifier, false);
    Run();
  }
  void MoveTo(int X, int Y) {
    POINT s = Ctl->ClientToScreen(POINT{X, Y});
    InjectMouseMove(s.x, s.y);
    Run();
  }
  // A client point inside character Index (a pixel right of its left edge, mid-line).
  POINT Inside(int Index) {
    return POINT{Ctl->CharX[static_cast<size_t>(Index)] + 2,
                 Ctl->CharY[static_cast<size_t>(Index)] + 4};
  }
  int CountOf(const TIECharFormat& F) {
    for (const TIECharFormat& r : *Ctl->FormatList)
      if (r.SameFormat(F)) return r.RefCount;
    return 0;
  }
  // Every use count equals the characters that refer to the record.
  void ExpectCountsConsistent() {
    std::vector<int> counted(Ctl->FormatList->size(), 0);
    for (int32_t k : *Ctl->CharFormats) ++counted.at(static_cast<size_t>(k));
    for (size_t k = 0; k < counted.size(); ++k)
      EXPECT_EQ((*Ctl->FormatList)[k].RefCount, counted[k]) << "record " << k;
    EXPECT_EQ(Ctl->CharFormats->size(), Text.size());
  }
  // Leftmost and rightmost column holding a dark pixel in the off-screen picture.
  std::pair<int, int> InkColumns() {
    TCanvas* c = Ctl->OffscreenBitmap->Canvas();
    int lo = -1, hi = -1;
    for (int x = 0; x < Ctl->OffscreenBitmap->Width(); ++x)
      for (int y = 0; y < Ctl->OffscreenBitmap->Height(); ++y) {
        const COLORREF p = c->Pixels(x, y);
        if ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) < 300) {
          if (lo < 0) lo = x;
          hi = x;
          break;
        }
      }
    return {lo, hi};
  }
  int Wp() { return Ctl->ClientWidth() - 2; }

  TForm* Form = nullptr;
  TTestTextControl* Ctl = nullptr;
  std::string Text;
};

// ---------------------------------------------------------------- record

TEST(TextControlRecord, TheRecordIs280LittleEndianBytesAtTheirOffsets) {
  TIECharFormat f;
  f.RefCount = 0x01020304;
  f.Name = "Serif";
  f.Height = -13;
  f.SetFontStyle(TFontStyles{fsBold, fsUnderline});
  f.Color = 0x00112233;
  f.BackColor = 0x00445566;
  f.BrushStyle = 1;
  f.Align = 3;
  const std::vector<uint8_t> b = f.ToBytes();
  ASSERT_EQ(b.size(), 280u);
  EXPECT_EQ((std::vector<uint8_t>{b[0], b[1], b[2], b[3]}), (std::vector<uint8_t>{4, 3, 2, 1}));
  EXPECT_EQ(b[4], 5);
  EXPECT_EQ(std::string(b.begin() + 5, b.begin() + 10), "Serif");
  EXPECT_TRUE(std::all_of(b.begin() + 10, b.begin() + 260, [](uint8_t v) { return v == 0; }));
  EXPECT_EQ(LeInt32At(b, 260), -13);
  EXPECT_EQ(b[264], 1 | 4);
  EXPECT_EQ((std::vector<uint8_t>{b[265], b[266], b[267]}), (std::vector<uint8_t>{0, 0, 0}));
  EXPECT_EQ(LeInt32At(b, 268), 0x00112233);
  EXPECT_EQ(LeInt32At(b, 272), 0x00445566);
  EXPECT_EQ(b[276], 1);
  EXPECT_EQ(b[277], 3);
  EXPECT_EQ(b[278], 0);
  EXPECT_EQ(b[279], 0);

  const TIECharFormat back = TIECharFormat::ReadFrom(b.data());
  EXPECT_EQ(back.ToBytes(), b);
  EXPECT_EQ(back.FontStyle(), (TFontStyles{fsBold, fsUnderline}));
}

TEST(TextControlRecord, FacesAreCutAt255AndSamenessIgnoresTheUseCount) {
  TIECharFormat f;
  f.Name = std::string(300, 'x');
  const std::vector<uint8_t> b = f.ToBytes();
  EXPECT_EQ(b[4], 255);
  EXPECT_EQ(TIECharFormat::ReadFrom(b.data()).Name, std::string(255, 'x'));

  TIECharFormat a, c;
  a.Name = c.Name = "Sans";
  a.RefCount = 7;
  EXPECT_TRUE(a.SameFormat(c));
  struct Change {
    const char* What;
    void (*Apply)(TIECharFormat&);
  };
  const Change changes[] = {
      {"name", [](TIECharFormat& r) { r.Name = "Sanz"; }},
      {"height", [](TIECharFormat& r) { r.Height = 1; }},
      {"style", [](TIECharFormat& r) { r.Style = 8; }},
      {"colour", [](TIECharFormat& r) { r.Color = 1; }},
      {"background", [](TIECharFormat& r) { r.BackColor = 1; }},
      {"brush", [](TIECharFormat& r) { r.BrushStyle = 2; }},
      {"alignment", [](TIECharFormat& r) { r.Align = 2; }},
  };
  for (const Change& ch : changes) {
    TIECharFormat d = c;
    ch.Apply(d);
    EXPECT_FALSE(d.SameFormat(c)) << ch.What;
  }
}

TEST(TextControlRecord, StartUpRegistersTheClipboardFormatAndTheShortcutsAreCtrlLetters) {
  IEImagingStartup();
  EXPECT_NE(TextMemoClipboardFormat, 0u);
  EXPECT_EQ(TextMemoClipboardFormat, RegisterClipboardFormat("IMAGERY TEXTMEMO"));
  IEImagingShutdown();
  const char letters[] = "LERJCXVFBIUG";
  for (int k = 0; k < IETextShortcutCount; ++k)
    EXPECT_EQ(IETextControlShortcut(static_cast<TIETextShortcut>(k)),
              ShortCut(static_cast<WORD>(letters[k]), TShiftState{ssCtrl}))
        << k;
}

// ---------------------------------------------------------------- editing

TEST_F(TextControlTest, TypingInsertsWithTheCurrentFormatAndCountsUses) {
  Host("");
  Type("hi there");
  EXPECT_EQ(Text, "hi there");
  EXPECT_EQ(Ctl->CaretPos, 8);
  EXPECT_EQ(Ctl->TextLength, 8);
  ASSERT_EQ(Ctl->FormatList->size(), 1u);
  EXPECT_EQ((*Ctl->FormatList)[0].RefCount, 8);
  // Characters below 32 (Ctrl+Q gives 17) and Tab are not inserted.
  Press('Q', VK_CONTROL);
  Press(VK_TAB);
  EXPECT_EQ(Text, "hi there");
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, BackspaceDeleteAndOverwrite) {
  Host("abcd");
  Press(VK_END, VK_CONTROL);
  EXPECT_EQ(Ctl->CaretPos, 4);
  Press(VK_BACK);
  EXPECT_EQ(Text, "abc");
  Press(VK_HOME, VK_CONTROL);
  Press(VK_DELETE);
  EXPECT_EQ(Text, "bc");
  EXPECT_EQ(Ctl->CaretPos, 0);
  // Backspace at 0 and Delete at the end change nothing.
  Press(VK_BACK);
  Press(VK_END, VK_CONTROL);
  Press(VK_DELETE);
  EXPECT_EQ(Text, "bc");
  // Insert switches to overwriting.
  Press(VK_HOME, VK_CONTROL);
  Press(VK_INSERT);
  EXPECT_FALSE(Ctl->InsertMode);
  Type("x");
  EXPECT_EQ(Text, "xc");
  ExpectCountsConsistent();
  EXPECT_EQ((*Ctl->FormatList)[0].RefCount, 2);
}

TEST_F(TextControlTest, ShiftArrowsSelectAndTypingReplacesTheSelection) {
  Host("abcdef");
  Press(VK_RIGHT);
  Press(VK_RIGHT, VK_SHIFT);
  Press(VK_RIGHT, VK_SHIFT);
  EXPECT_EQ(Ctl->SelStart, 1);
  EXPECT_EQ(Ctl->SelEnd, 3);
  // Shrinking from the right end.
  Press(VK_LEFT, VK_SHIFT);
  EXPECT_EQ(Ctl->SelStart, 1);
  EXPECT_EQ(Ctl->SelEnd, 2);
  Press(VK_RIGHT, VK_SHIFT);
  Type("z");
  EXPECT_EQ(Text, "azdef");
  EXPECT_EQ(Ctl->SelEnd, 0);
  // A move without Shift clears a selection.
  Press(VK_LEFT, VK_SHIFT);
  EXPECT_LT(Ctl->SelStart, Ctl->SelEnd);
  Press(VK_LEFT);
  EXPECT_EQ(Ctl->SelStart, 0);
  EXPECT_EQ(Ctl->SelEnd, 0);
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, WordAndLineKeys) {
  Host("one two\nthree four");
  struct Step {
    UINT Vk, Mod;
    int Caret;
  };
  // Word right stops at a word's end, word left at its start; End stands before the line feed.
  const Step steps[] = {
      {VK_RIGHT, VK_CONTROL, 3}, {VK_RIGHT, VK_CONTROL, 7},
      {VK_LEFT, VK_CONTROL, 4},  {VK_END, 0, 7},
      {VK_HOME, 0, 0},           {VK_DOWN, 0, 8},
      {VK_END, 0, 18},           {VK_UP, 0, 7},
      {VK_HOME, VK_CONTROL, 0},  {VK_END, VK_CONTROL, 18},
  };
  for (const Step& s : steps) {
    Press(s.Vk, s.Mod);
    EXPECT_EQ(Ctl->CaretPos, s.Caret) << "key " << s.Vk << " mod " << s.Mod;
  }
}

TEST_F(TextControlTest, UpAndDownKeepTheColumn) {
  Host("abcdef\nabcdef\nab");
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  EXPECT_EQ(Ctl->CaretPos, 3);
  Press(VK_DOWN);
  EXPECT_EQ(Ctl->CaretPos, 10);
  Press(VK_DOWN);  // the short last line: its end
  EXPECT_EQ(Ctl->CaretPos, 16);
  Press(VK_UP);
  EXPECT_EQ(Ctl->CaretPos, 9);
  Press(VK_UP);
  Press(VK_UP);  // nothing above the first line
  EXPECT_EQ(Ctl->CaretPos, 2);
}

TEST_F(TextControlTest, EnterSplitsParagraphsAndTheCaretGoesToTheNewLine) {
  Host("ab");
  Press(VK_END, VK_CONTROL);
  const int y0 = Ctl->CaretY;
  Press(VK_RETURN);
  EXPECT_EQ(Text, "ab\n");
  EXPECT_EQ(Ctl->CaretX, 1);
  EXPECT_GT(Ctl->CaretY, y0);
  Type("c");
  EXPECT_EQ(Text, "ab\nc");
  EXPECT_EQ(Ctl->CharY[3], Ctl->CaretY);
}

// ---------------------------------------------------------------- mouse

TEST_F(TextControlTest, ClicksPlaceTheCaretShiftClicksAndDragsSelect) {
  Host("hello world");
  int moved = 0;
  Ctl->OnCursorMoved = [&](TObject*) { ++moved; };
  POINT p = Inside(6);
  Mouse(p.x, p.y, true);
  Mouse(p.x, p.y, false);
  EXPECT_EQ(Ctl->CaretPos, 6);
  EXPECT_EQ(moved, 1);
  Paint();
  POINT q = Inside(9);
  Mouse(q.x, q.y, true, VK_SHIFT);
  Mouse(q.x, q.y, false, VK_SHIFT);
  EXPECT_EQ(Ctl->SelStart, 6);
  EXPECT_EQ(Ctl->SelEnd, 9);
  Paint();
  // A drag from character 1 to character 4 selects 1..4.
  POINT a = Inside(1), b = Inside(4);
  MoveTo(a.x, a.y);
  Mouse(a.x, a.y, true);
  EXPECT_EQ(Ctl->SelEnd, 0);
  Paint();
  MoveTo(b.x, b.y);
  Paint();
  Mouse(b.x, b.y, false);
  EXPECT_EQ(Ctl->SelStart, 1);
  EXPECT_EQ(Ctl->SelEnd, 4);
  EXPECT_EQ(Ctl->CaretPos, 4);
  EXPECT_GE(moved, 4);
}

TEST_F(TextControlTest, DoubleClickSelectsTheWordUnderThePoint) {
  Host("hello wide world");
  struct Case {
    int Index, Start, End;
  };
  const Case cases[] = {{8, 6, 10}, {6, 6, 10}, {0, 0, 5}, {13, 11, 16}};
  for (const Case& c : cases) {
    Paint();
    POINT p = Inside(c.Index);
    Mouse(p.x, p.y, true);
    Mouse(p.x, p.y, false);
    Mouse(p.x, p.y, true);
    Mouse(p.x, p.y, false);
    EXPECT_EQ(Ctl->SelStart, c.Start) << c.Index;
    EXPECT_EQ(Ctl->SelEnd, c.End) << c.Index;
    EXPECT_EQ(Ctl->CaretPos, c.End) << c.Index;
    Run();
    Sleep(600);  // the next pair of clicks is not a double click of this one
  }
}

// ---------------------------------------------------------------- layout

TEST_F(TextControlTest, AnEmptyTextHasTheCaretAtTheTopLeftWithTheFontHeight) {
  Host("");
  EXPECT_EQ(Ctl->CaretX, 1);
  EXPECT_EQ(Ctl->CaretY, 1);
  TBitmap b;
  b.SetSize(10, 10);
  b.Canvas()->Font()->SetHeight(-14);
  EXPECT_EQ(Ctl->CaretHeight, b.Canvas()->TextHeight("Xg"));
  // Nothing but the box: no ink in the picture.
  EXPECT_EQ(InkColumns().first, -1);
}

TEST_F(TextControlTest, WordsWrapAfterTheLastSpaceAndLongWordsBreak) {
  Ctl->CaptureText = true;
  Host("aaaa bbbb cccc");
  const int w = Ctl->CharWidths[0];
  // A box for about seven characters: each word on its own line.
  Ctl->SetWidth(7 * w + 4);
  Paint();
  // A line feed ends every line but the last.
  EXPECT_EQ(Ctl->CapturedText, "aaaa \nbbbb \ncccc");
  EXPECT_EQ(Ctl->CharX[5], 1);
  EXPECT_GT(Ctl->CharY[5], Ctl->CharY[0]);
  EXPECT_GT(Ctl->CharY[10], Ctl->CharY[5]);
  // A word longer than the line breaks at the character that no longer fits.
  Host("aaaaaaaaaaaa");
  const size_t first = Ctl->CapturedText.find('\n');
  EXPECT_GT(first, 3u);
  EXPECT_LT(first, 8u);
  EXPECT_EQ(Ctl->CharX[first], 1);
}

TEST_F(TextControlTest, ALineWhoseFirstCharacterDoesNotFitEndsTheWalk) {
  Ctl->CaptureText = true;
  Host("WWW");
  Ctl->SetWidth(Ctl->CharWidths[0] + 2);
  Paint();
  EXPECT_EQ(Ctl->CapturedText, "");
  EXPECT_EQ(InkColumns().first, -1);
  EXPECT_EQ(Ctl->CharY[1], -1);
}

TEST_F(TextControlTest, EachAlignmentPlacesTheLine) {
  struct Case {
    uint8_t Align;
    const char* Name;
  };
  const Case cases[] = {{0, "left"}, {1, "right"}, {2, "centre"}, {3, "justify"}};
  Host("abc de");
  int natural = 0;
  for (int k = 0; k < 6; ++k) natural += Ctl->CharWidths[static_cast<size_t>(k)];
  for (const Case& c : cases) {
    Ctl->DefaultAlignment = c.Align;
    Host("abc de");
    const int lastEnd = Ctl->CharX[5] + Ctl->CharWidths[5];
    auto ink = InkColumns();
    ASSERT_GE(ink.first, 0) << c.Name;
    switch (c.Align) {
      case 0:
      case 3:  // a single line is its paragraph's last: not stretched
        EXPECT_EQ(Ctl->CharX[0], 1) << c.Name;
        EXPECT_EQ(lastEnd, 1 + natural) << c.Name;
        EXPECT_LT(ink.first, 4) << c.Name;
        break;
      case 1:
        // The last glyph ends at W' - 1 (the left offset is not added).
        EXPECT_EQ(lastEnd, Wp() - 1) << c.Name;
        EXPECT_GT(ink.first, Wp() - natural - 4) << c.Name;
        EXPECT_LE(ink.second, Wp()) << c.Name;
        break;
      case 2:
        EXPECT_EQ(Ctl->CharX[0], 1 + (Wp() - 1 - natural) / 2) << c.Name;
        EXPECT_NEAR((ink.first + ink.second) / 2.0, Wp() / 2.0, 6) << c.Name;
        break;
    }
  }
}

TEST_F(TextControlTest, AJustifiedParagraphStretchesAllLinesButTheLast) {
  Host("aaaa bbbb cccc");
  const int w = Ctl->CharWidths[0];
  Ctl->SetWidth(11 * w + 4);
  Ctl->DefaultAlignment = 3;
  Host("aaaa bbbb cccc");
  // Line one "aaaa bbbb " is stretched to the width, line two "cccc" is not.
  ASSERT_EQ(Ctl->CharY[10], Ctl->CharY[0] + Ctl->CharHeights[0]);
  const int natural9 = Ctl->CharX[0] + 9 * w;
  EXPECT_GT(Ctl->CharX[9], natural9 - w);
  EXPECT_GT(Ctl->CharX[8] + w, natural9);
  EXPECT_GE(Ctl->CharX[8] + w, Wp() - w - 2);
  int x = 1;
  for (int k = 10; k < 14; ++k) {
    EXPECT_EQ(Ctl->CharX[static_cast<size_t>(k)], x) << k;
    x += Ctl->CharWidths[static_cast<size_t>(k)];
  }
}

TEST_F(TextControlTest, CtrlAlignmentKeysRestyleTheCaretParagraphOnly) {
  Host("left\nmiddle\nend");
  Press(VK_DOWN);
  Press('R', VK_CONTROL);
  EXPECT_EQ(Ctl->FormatOf(0).Align, 0);
  for (int k = 5; k <= 11; ++k) EXPECT_EQ(Ctl->FormatOf(k).Align, 1) << k;
  EXPECT_EQ(Ctl->FormatOf(12).Align, 0);
  EXPECT_EQ(Ctl->CurrentFormat.Align, 1);
  Paint();
  EXPECT_EQ(Ctl->CharX[10] + Ctl->CharWidths[10], Wp() - 1);
  EXPECT_EQ(Ctl->CharX[12], 1);
  Press('E', VK_CONTROL);
  EXPECT_EQ(Ctl->FormatOf(6).Align, 2);
  Press('L', VK_CONTROL);
  EXPECT_EQ(Ctl->FormatOf(6).Align, 0);
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, MarginsMoveTheTextAndZoomScalesPositions) {
  Host("ab\ncd");
  const int x1 = Ctl->CharX[1], y3 = Ctl->CharY[3];
  Ctl->MarginLeft = 10;
  Ctl->MarginTop = 20;
  Paint();
  EXPECT_EQ(Ctl->CharX[1], x1 + 30);  // 10 % of 300
  EXPECT_EQ(Ctl->CharY[3], y3 + 24);  // 20 % of 120
  Ctl->MarginLeft = Ctl->MarginTop = 0;
  Ctl->ZoomFactor = 2.0;
  Ctl->Update();
  Paint();
  EXPECT_EQ(Ctl->CharX[1], 2 * x1);
  EXPECT_EQ(Ctl->CharY[3], 2 * y3);
  EXPECT_GE(InkColumns().first, 0);
}

TEST_F(TextControlTest, FixedHeightAndLineSpacingSetTheLinePitch) {
  struct Case {
    int Fixed, Spacing;
  };
  const Case cases[] = {{0, 0}, {0, 5}, {30, 0}, {30, 7}};
  Host("a\nb\nc");
  const int natural = Ctl->CharY[2] - Ctl->CharY[0];
  for (const Case& c : cases) {
    Ctl->FixedCharHeight = c.Fixed;
    Ctl->LineSpacing = c.Spacing;
    Ctl->Update();
    Paint();
    const int pitch = (c.Fixed != 0 ? c.Fixed : natural) + c.Spacing;
    EXPECT_EQ(Ctl->CharY[2] - Ctl->CharY[0], pitch) << c.Fixed << " " << c.Spacing;
    EXPECT_EQ(Ctl->CharY[4] - Ctl->CharY[2], pitch) << c.Fixed << " " << c.Spacing;
  }
}

TEST_F(TextControlTest, MonochromeDrawsEveryCharacterInTheDefaultFontColour) {
  Ctl->DefaultFont->SetHeight(-30);
  Host("MMM");
  Press(VK_END, VK_SHIFT);
  Ctl->FontAnswer = Ctl->FormatOf(0);
  Ctl->FontAnswer.Color = clRed;
  Press('F', VK_CONTROL);
  Press(VK_LEFT);
  Press(VK_LEFT);
  ASSERT_EQ(Ctl->SelEnd, 0);
  auto reddish = [&](bool Want) {
    TCanvas* c = Ctl->OffscreenBitmap->Canvas();
    int red = 0, black = 0;
    for (int x = 0; x < Ctl->OffscreenBitmap->Width(); ++x)
      for (int y = 0; y < Ctl->OffscreenBitmap->Height(); ++y) {
        const COLORREF p = c->Pixels(x, y);
        const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
        if (r > 200 && g < 60 && b < 60) ++red;
        if (r < 60 && g < 60 && b < 60) ++black;
      }
    return Want ? red : black;
  };
  EXPECT_GT(reddish(true), 20);
  EXPECT_EQ(reddish(false), 0);
  Ctl->Monochrome = true;
  Ctl->Update();
  Paint();
  EXPECT_EQ(reddish(true), 0);
  EXPECT_GT(reddish(false), 20);
}

// ---------------------------------------------------------------- formats

TEST_F(TextControlTest, CtrlBOnASelectionGivesItTheFirstCharactersStyleInverted) {
  Host("abcd");
  // Make "b" bold alone, then select b..d: Ctrl+B makes all three non-bold.
  Press(VK_RIGHT);
  Press(VK_RIGHT, VK_SHIFT);
  Press('B', VK_CONTROL);
  EXPECT_EQ(Ctl->FormatOf(1).Style, 1);
  EXPECT_EQ(Ctl->FormatOf(2).Style, 0);
  Press(VK_LEFT);
  Press(VK_END, VK_SHIFT);
  ASSERT_EQ(Ctl->SelStart, 1);
  ASSERT_EQ(Ctl->SelEnd, 4);
  Press('B', VK_CONTROL);
  for (int k = 0; k < 4; ++k) EXPECT_EQ(Ctl->FormatOf(k).Style, 0) << k;
  // The bold record is no longer used; purging removes it and keeps the text's formats.
  ExpectCountsConsistent();
  EXPECT_EQ(Ctl->FormatList->size(), 2u);
  Ctl->PurgeFormats();
  EXPECT_EQ(Ctl->FormatList->size(), 1u);
  ExpectCountsConsistent();
  // Italic and underline toggle their own bits.
  Press('I', VK_CONTROL);
  Press('U', VK_CONTROL);
  for (int k = 1; k < 4; ++k) EXPECT_EQ(Ctl->FormatOf(k).Style, 2 | 4) << k;
  // Without a selection only the current format changes.
  Press(VK_LEFT);
  const uint8_t before = Ctl->CurrentFormat.Style;
  Press('B', VK_CONTROL);
  EXPECT_EQ(Ctl->CurrentFormat.Style, before ^ 1);
  Type("q");
  EXPECT_EQ(Ctl->FormatOf(Ctl->CaretPos - 1).Style, before ^ 1);
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, ShiftF1AndF2ChangeTheHeightOfTheSelection) {
  Host("xy");
  Press(VK_END, VK_SHIFT);
  Press(VK_F2, VK_SHIFT);
  EXPECT_EQ(Ctl->FormatOf(0).Height, -15);
  EXPECT_EQ(Ctl->CurrentFormat.Height, -15);
  Press(VK_F1, VK_SHIFT);
  Press(VK_F1, VK_SHIFT);
  EXPECT_EQ(Ctl->FormatOf(1).Height, -13);
  EXPECT_EQ(CountOf(Ctl->FormatOf(0)), 2);
  // A height that would become 0 becomes 1, from either side.
  Press(VK_LEFT);
  ASSERT_EQ(Ctl->SelEnd, 0);
  for (int32_t h : {1, -1}) {
    Ctl->CurrentFormat.Height = h;
    Press(VK_F1, VK_SHIFT);
    EXPECT_EQ(Ctl->CurrentFormat.Height, 1) << h;
  }
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, FontAndColourDialogsApplyToTheSelectionUnlessSingleFont) {
  Host("abc");
  Ctl->FontAnswer.Name = "Mono";
  Ctl->FontAnswer.Height = -20;
  Ctl->FontAnswer.Style = 2;
  Ctl->FontAnswer.Color = clRed;
  Ctl->ColorAnswer = clYellow;
  Press(VK_RIGHT, VK_SHIFT);
  Press('F', VK_CONTROL);
  Press('G', VK_CONTROL);
  EXPECT_EQ(Ctl->FontDialogs, 1);
  EXPECT_EQ(Ctl->ColorDialogs, 1);
  const TIECharFormat f = Ctl->FormatOf(0);
  EXPECT_EQ(f.Name, "Mono");
  EXPECT_EQ(f.Height, -20);
  EXPECT_EQ(f.Color, clRed);
  EXPECT_EQ(f.BackColor, clYellow);
  EXPECT_EQ(Ctl->FormatOf(1).Height, -14);
  EXPECT_EQ(Ctl->CurrentFormat.BackColor, clYellow);
  ExpectCountsConsistent();
  Ctl->SetSingleFont(true);
  Press('F', VK_CONTROL);
  Press('G', VK_CONTROL);
  EXPECT_EQ(Ctl->FontDialogs, 1);
  EXPECT_EQ(Ctl->ColorDialogs, 1);
}

TEST_F(TextControlTest, PrepareMakesTheListsAndRepairsShortOnes) {
  // A lent list of indexes shorter than the text and an index out of range are mended, and the
  // use counts are counted again.
  std::vector<int32_t> idx{0, 5};
  TIEFormatList list(1);
  list[0].Name = "Sans";
  list[0].RefCount = 99;
  Text = "abcd";
  Ctl->TextBuffer = &Text;
  Ctl->CharFormats = &idx;
  Ctl->FormatList = &list;
  Ctl->Prepare();
  EXPECT_EQ(idx, (std::vector<int32_t>{0, 0, 0, 0}));
  EXPECT_EQ(list[0].RefCount, 4);
  Paint();
  Ctl->CharFormats = nullptr;
  Ctl->FormatList = nullptr;
  Ctl->TextBuffer = nullptr;
  // Without lent lists the editor makes a record from the defaults.
  Host("xyz");
  ASSERT_EQ(Ctl->FormatList->size(), 1u);
  EXPECT_EQ((*Ctl->FormatList)[0].RefCount, 3);
  EXPECT_EQ((*Ctl->FormatList)[0].Height, -14);
  EXPECT_EQ(Ctl->CharX.size(), 4u);
}

// ---------------------------------------------------------------- clipboard

TEST_F(TextControlTest, CopyPlacesPlainTextWithCrLfAndTheFormatBlock) {
  Host("ab\ncd\ne");
  Press(VK_RIGHT);
  Press(VK_RIGHT);
  Press('B', VK_CONTROL);  // b of the current format only: no selection
  for (int k = 0; k < 5; ++k) Press(VK_RIGHT, VK_SHIFT);
  ASSERT_EQ(Ctl->SelStart, 2);
  ASSERT_EQ(Ctl->SelEnd, 7);  // "\ncd\ne"
  Ctl->CharBrush->SetColor(clWhite);
  Press('C', VK_CONTROL);
  ASSERT_TRUE(IEOpenClipboard());
  size_t size = 0;
  ASSERT_TRUE(GetClipboardBytes(CF_TEXT, nullptr, &size));
  std::string plain(size, '\0');
  GetClipboardBytes(CF_TEXT, plain.data(), &size);
  // Two line feeds: two characters more than the five selected, then the zero.
  EXPECT_EQ(plain, std::string("\r\ncd\r\ne") + '\0');
  ASSERT_TRUE(GetClipboardBytes(TextMemoClipboardFormat, nullptr, &size));
  std::vector<uint8_t> block(size);
  GetClipboardBytes(TextMemoClipboardFormat, block.data(), &size);
  CloseClipboard();
  ASSERT_EQ(block.size(), 5u * 281 + 1);
  EXPECT_EQ(std::string(block.begin(), block.begin() + 5), "\ncd\ne");
  EXPECT_EQ(block[5], 0);
  for (int k = 0; k < 5; ++k) {
    std::vector<uint8_t> expect = Ctl->FormatOf(2 + k).ToBytes();
    EXPECT_TRUE(std::equal(expect.begin() + 4, expect.end(), block.begin() + 6 + 280 * k + 4)) << k;
  }
  EXPECT_EQ(Text, "ab\ncd\ne");  // copy changes nothing
  Press('X', VK_CONTROL);
  EXPECT_EQ(Text, "ab");
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, PastingTheOwnBlockRestoresEachFormat) {
  Host("abc");
  Press(VK_RIGHT, VK_SHIFT);
  Press('B', VK_CONTROL);  // a bold
  Press(VK_RIGHT);
  Press(VK_RIGHT, VK_SHIFT);
  Press('I', VK_CONTROL);  // c italic
  Press(VK_HOME, VK_CONTROL);
  for (int k = 0; k < 3; ++k) Press(VK_RIGHT, VK_SHIFT);
  EXPECT_EQ(Ctl->SelStart, 0);
  EXPECT_EQ(Ctl->SelEnd, 3);
  Press('C', VK_CONTROL);
  EXPECT_EQ(CountClipboardFormats(), 2);
  // The caret already stands at the end: Ctrl+End moves nothing and keeps the selection, so
  // Ctrl+V would replace it. Left and Right end it.
  Press(VK_END, VK_CONTROL);
  EXPECT_EQ(Ctl->SelEnd, 3);
  Press(VK_LEFT);
  Press(VK_RIGHT);
  EXPECT_EQ(Ctl->CaretPos, 3);
  EXPECT_EQ(Ctl->SelEnd, 0);
  Press('V', VK_CONTROL);
  EXPECT_EQ(Text, "abcabc");
  const uint8_t styles[] = {1, 0, 2, 1, 0, 2};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(Ctl->FormatOf(k).Style, styles[k]) << k;
  EXPECT_EQ(Ctl->CaretPos, 6);
  ExpectCountsConsistent();
  // Pasting over a selection replaces it.
  Press(VK_HOME, VK_CONTROL);
  Press(VK_RIGHT, VK_SHIFT);
  Press('V', VK_CONTROL);
  EXPECT_EQ(Text, "abcbcabc");
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, PastingPlainTextDropsCarriageReturnsAndUsesTheCurrentFormat) {
  Host("");
  Ctl->CurrentFormat.Style = 4;
  ASSERT_TRUE(IEOpenClipboard());
  EmptyClipboard();
  const char plain[] = "one\r\ntwo";
  SetClipboardBytes(CF_TEXT, plain, sizeof plain);
  CloseClipboard();
  Ctl->Perform(WM_PASTE, 0, 0);
  EXPECT_EQ(Text, "one\ntwo");
  for (int k = 0; k < 7; ++k) EXPECT_EQ(Ctl->FormatOf(k).Style, 4) << k;
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, AShortBlockUnderTheFormatNameIsNotReadPastItsEnd) {
  Host("");
  TIECharFormat red;
  red.Name = "Sans";
  red.Height = -11;
  red.Color = clRed;
  // Three characters but a record for only the first.
  std::vector<uint8_t> block{'x', 'y', 'z', 0};
  const std::vector<uint8_t> rec = red.ToBytes();
  block.insert(block.end(), rec.begin(), rec.end());
  block.push_back(7);  // a stray byte of a second record
  ASSERT_TRUE(IEOpenClipboard());
  EmptyClipboard();
  SetClipboardBytes(TextMemoClipboardFormat, block.data(), block.size());
  CloseClipboard();
  Press('V', VK_CONTROL);
  EXPECT_EQ(Text, "xyz");
  EXPECT_EQ(Ctl->FormatOf(0).Color, clRed);
  EXPECT_EQ(Ctl->FormatOf(0).Height, -11);
  ExpectCountsConsistent();
}

TEST_F(TextControlTest, ClipboardKeysDoNothingWithoutASelectionOrWhileTheClipboardIsHeld) {
  Host("abc");
  ASSERT_TRUE(IEOpenClipboard());
  EmptyClipboard();
  CloseClipboard();
  Press('C', VK_CONTROL);
  EXPECT_EQ(CountClipboardFormats(), 0);
  // Another holder keeps the clipboard open: copying gives up and places nothing.
  Press(VK_END, VK_SHIFT);
  ASSERT_TRUE(OpenClipboard(Form->Handle()));
  Ctl->Perform(WM_COPY, 0, 0);
  CloseClipboard();
  EXPECT_EQ(CountClipboardFormats(), 0);
  EXPECT_EQ(Text, "abc");
}

// ---------------------------------------------------------------- growing

TEST_F(TextControlTest, AutoGrowMakesTheControlTallerInsteadOfHidingLines) {
  Ctl->AutoGrow = true;
  Ctl->SetHeight(40);
  Host("a");
  const int h0 = Ctl->Height();
  for (int k = 0; k < 5; ++k) {
    Press(VK_END, VK_CONTROL);
    Press(VK_RETURN);
    Type("b");
  }
  Paint();
  Paint();
  EXPECT_GT(Ctl->Height(), h0);
  EXPECT_GE(Ctl->Height(), Ctl->CaretY + Ctl->CaretHeight);
  // Without it the last lines are not drawn.
  Ctl->AutoGrow = false;
  Ctl->CaptureText = true;
  Ctl->SetHeight(40);
  Paint();
  EXPECT_LT(std::count(Ctl->CapturedText.begin(), Ctl->CapturedText.end(), 'b'), 5);
}

TEST_F(TextControlTest, SelectedCharactersAreDrawnInverted) {
  Ctl->CharBrush->SetStyle(bsSolid);
  Host("MMMM");
  auto dark = [&](int x0, int x1) {
    int n = 0;
    TCanvas* c = Ctl->OffscreenBitmap->Canvas();
    for (int x = x0; x < x1; ++x)
      for (int y = Ctl->CharY[0]; y < Ctl->CharY[0] + Ctl->CharHeights[0]; ++y) {
        const COLORREF p = c->Pixels(x, y);
        if ((p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) < 300) ++n;
      }
    return n;
  };
  const int x0 = Ctl->CharX[0], x1 = Ctl->CharX[1];
  const int before = dark(x0, x1);
  Press(VK_RIGHT, VK_SHIFT);
  const int after = dark(x0, x1);
  const int area = (x1 - x0) * Ctl->CharHeights[0];
  EXPECT_GT(after, area / 2);
  EXPECT_LT(before, area / 2);
}

TEST(TextControlEdit, TheEditClaimsNavigationKeysAndDropsTab) {
  IEImagingStartup();
  auto* form = new TForm(nullptr);
  auto* e = new TIEEdit(form);
  e->SetParent(form);
  form->Show();
  int ups = 0;
  e->OnKeyUp = [&](TObject*, WORD&, TShiftState) { ++ups; };
  EXPECT_EQ(e->Perform(CM_WANTSPECIALKEY, VK_LEFT, 0), 1);
  EXPECT_EQ(e->Perform(CM_WANTSPECIALKEY, VK_TAB, 0), 1);
  EXPECT_EQ(ups, 2);
  char tab = '\t', a = 'a';
  e->KeyPress(tab);
  e->KeyPress(a);
  EXPECT_EQ(tab, 0);
  EXPECT_EQ(a, 'a');
  delete form;
  Application()->ProcessMessages();
  IEImagingShutdown();
}

}  // namespace
