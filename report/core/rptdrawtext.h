// Device-independent text layout: lines are measured and wrapped once with the font scaled to
// 600 dpi, then painted on any canvas with each character's advance corrected so that every line
// is as long as the layout says. Word wrap, first-line indent, character and line spacing,
// alignment (justification included), clipping and the b/i/u/strike/sub/sup/font-colour tags.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/win/windef.h"

class TBitmap;
class TCanvas;
class TFont;
class TStrings;

// Formatting of one laid-out character.
struct TrptHTMLTag {
  int Position = 0;  // index of the character in the source text, from 1
  int Size = 0;
  int Lowered = 0;
  int Style = 0;  // bold 1, italic 2, underline 4, strike-out 8
  int32_t Color = 0;
  bool DontWrite = false;  // continues the run of the character before
  bool Reduced = false;
};

class TrptDrawText {
public:
  TrptDrawText();
  ~TrptDrawText();
  TrptDrawText(const TrptDrawText&) = delete;
  TrptDrawText& operator=(const TrptDrawText&) = delete;

  // Marks the renderer busy; waits (processing messages) while another user holds it.
  void Acquire();
  void Release();
  bool Busy() const { return FBusy; }

  void AssignFont(TFont* Font);
  void SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped, int Rotation);
  void SetSpacing(Extended ParagraphGap, Extended CharSpacing, Extended LineSpacing);
  void SetDimensions(Extended ScaleX, Extended ScaleY, const RECT& UnscaledRect, const RECT& ScaledRect);
  void SetText(TStrings* Lines);
  void SetText(const std::vector<std::string>& Lines);
  // HAlign: 0 left, 1 right, 2 centre, 3 block; VAlign: 0 top, 1 bottom, 2 centre.
  void DrawText(TCanvas* Canvas, int HAlign, int VAlign);

  Extended CalcHeight() const;
  Extended CalcWidth();
  Extended GetLineHeight() const;
  Extended GetSpaceLeft() const;
  std::string GetOverflowText();
  std::string GetFittingText() const { return FText; }
  // Text with the tags taken out.
  std::string RemoveTags(const std::string& Text);
  // Width of S in report units measured with the 600-dpi font.
  Extended TextWidth(const std::string& S);

  const std::vector<std::string>& Lines() const { return FLines; }
  const std::vector<int>& LineFlags() const { return FLineFlags; }
  TCanvas* MeasureCanvas() const;

private:
  struct Line;
  // Expands the tags of S (removed from it) into per-character formatting.
  std::vector<TrptHTMLTag> ExpandTags(std::string& S);
  // Widths (600-dpi pixels) of each character of S with formatting Tags and spacing C.
  std::vector<int> CharWidths(const std::string& S, const std::vector<TrptHTMLTag>& Tags, int C);
  void WrapLine(std::string S, int Full, int First, int C);
  void ApplyStyle(TCanvas* Canvas, const TrptHTMLTag& Tag, int Height);
  Extended LineHeightUnits() const;

  std::unique_ptr<TBitmap> FBitmap;
  bool FBusy = false;
  int FDesignRes = 600, FScreenRes = 96;
  int FFontSize = 10;
  Extended FCharSpacing = 0, FLineSpacing = 0, FParagraphGap = 0;
  RECT FUnscaled{}, FScaled{};
  std::string FText;
  int FRotation = 0;
  bool FRTL = false, FWordBreak = false, FWordWrap = true, FTags = false, FClipped = true;
  Extended FScaleX = 1, FScaleY = 1;
  std::vector<std::string> FLines;
  std::vector<int> FLineFlags;
  std::vector<std::vector<TrptHTMLTag>> FTagLines;
  // Tag state while expanding.
  int FCurPos = 1, FCurSize = 10, FCurStyle = 0, FCurLowered = 0;
  int32_t FCurColor = 0;
  int FDefSize = 10, FDefStyle = 0;
  int32_t FDefColor = 0;
};

// The process-wide renderer (exports measure with it; objects without a report use it).
TrptDrawText* rptDrawText();
// Break positions of an upper-case Russian word (code page 1251), for hyphenation.
std::vector<int> rptBreakWord(const std::string& Word);
