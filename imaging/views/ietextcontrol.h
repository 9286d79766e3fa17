// The in-place memo editor: TIETextControl edits and draws multi-line 8-bit text in which every
// character has its own character format (face, height, style, colours, background brush and
// paragraph alignment), word-wrapped into a box with margins and aligned left, right, centred or
// justified, with a caret, a selection, keyboard and mouse editing, formatting shortcuts and a
// clipboard format of its own ("IMAGERY TEXTMEMO") that keeps the formats. The vector view uses
// it as the editor of memo objects and, never shown, as their renderer at any zoom.
//
// TIEEdit is the single-line edit of plain text objects.
//
// User-interface thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/views/iegdiplus.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

#include "imaging/views/iecharformat.h"

// ---------------------------------------------------------------- start-up and shortcuts

// The clipboard format "IMAGERY TEXTMEMO" (0 before IETextControlInit).
extern UINT TextMemoClipboardFormat;
// Library start-up step: registers the clipboard format. The shut-down step does nothing.
void IETextControlInit();
void IETextControlFree();

// The twelve shortcuts the editor compares keys against, in this order.
enum TIETextShortcut {
  itsAlignLeft,
  itsAlignCenter,
  itsAlignRight,
  itsAlignJustify,
  itsCopy,
  itsCut,
  itsPaste,
  itsFont,
  itsBold,
  itsItalic,
  itsUnderline,
  itsBackColor
};
constexpr int IETextShortcutCount = 12;
// Builds the table: Ctrl+L, Ctrl+E, Ctrl+R, Ctrl+J, Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+F, Ctrl+B,
// Ctrl+I, Ctrl+U, Ctrl+G. The vector unit's start-up calls it; the editor builds it on first use
// when nobody did.
void IEBuildTextControlShortcuts();
TShortCut IETextControlShortcut(TIETextShortcut Which);

// ---------------------------------------------------------------- the editor

class TIETextControl : public TCustomControl {
  ORV_CLASS(TIETextControl, TCustomControl)
public:
  explicit TIETextControl(TComponent* AOwner);
  ~TIETextControl() override;

  // ---- what the host lends (see Prepare) ----
  // The text; a line feed separates paragraphs. Lent by the host and grown by the editor; when
  // none is lent, typing starts a buffer of the editor's own (freed with the editor; the host
  // copies the text out).
  std::string* TextBuffer = nullptr;
  int32_t TextLength = 0;
  // Per character, the index of its record in FormatList. Lent, or the editor's own.
  std::vector<int32_t>* CharFormats = nullptr;
  // The format records. Lent, or the editor's own.
  TIEFormatList* FormatList = nullptr;

  int32_t CaretPos = 0;
  int32_t CaretX = 0, CaretY = 0, CaretHeight = 0;
  TBitmap* OffscreenBitmap = nullptr;  // owned, 24-bit, client size
  TFont* DefaultFont = nullptr;        // owned
  TBrush* CharBrush = nullptr;         // owned
  TPen* BorderPen = nullptr;           // owned
  TBrush* BackgroundBrush = nullptr;   // owned
  bool InsertMode = true;
  uint8_t DefaultAlignment = 0;
  double ZoomFactor = 1.0;
  int32_t SelStart = 0, SelEnd = 0;
  int32_t AnchorX = 0, AnchorY = 0;
  TIECharFormat CurrentFormat;
  bool Monochrome = false;
  bool SingleFont = false;
  bool AutoGrow = false;
  int32_t LineSpacing = 0;
  int32_t FixedCharHeight = 0;
  // Per character plus one: measured metrics (0 = not measured) and the client position of the
  // last render (-1 = not placed).
  std::vector<uint16_t> CharHeights, CharWidths;
  std::vector<uint8_t> CharLeadings, CharDescents;
  std::vector<int32_t> CharX, CharY;
  bool CaptureText = false;
  std::string CapturedText;
  TNotifyEvent OnCursorMoved;
  TBitmap* BackgroundPicture = nullptr;                                     // not owned
  double MarginLeft = 0, MarginTop = 0, MarginRight = 0, MarginBottom = 0;  // percent

  // Takes what the host set: selection and caret cleared, length from the buffer, format
  // indexes and list made when none were lent, caches sized, CurrentFormat from the defaults.
  void Prepare();
  // Lays out and draws the whole text in the box (X, Y) + (W, H) text units on Canvas.
  void DrawText(TIECanvas* Canvas, int X, int Y, int W, int H);
  void SetSingleFont(bool Value);
  // Removes the records nobody uses and renumbers the format indexes.
  void PurgeFormats();
  // Marks every character's metrics and position stale and invalidates the window.
  void Update() override;

  // ---- editing operations (the keys and the mouse use these) ----
  void InsertChar(char C);
  void DeleteChar(int32_t Index);
  void DeleteSelection();
  void Copy();
  void Cut();
  void Paste();
  void SelectWordAtCaret();
  // The caret position under a client point, by the positions of the last render.
  int32_t PositionAt(int X, int Y) const;
  // The format record of character Index (a default one when there is none).
  TIECharFormat FormatOf(int32_t Index) const;
  std::string Text() const { return TextBuffer ? *TextBuffer : std::string(); }

  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char& Key) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  // The dialogs of Ctrl+F and Ctrl+G; true when the user confirmed (Format then holds the
  // choice: face, height, style and colour, or the background colour).
  virtual bool ExecuteFontDialog(TIECharFormat& Format);
  virtual bool ExecuteColorDialog(TColor& Color);

private:
  struct TGlyphRecord {
    int X, Y;
    char C;
    int32_t Index;
  };
  void EnsureText();
  void EnsureLists();
  void GrowCaches();
  void MarkStale(int32_t From);
  int32_t FormatIndexFor(const TIECharFormat& F);
  void Restyle(int32_t Index, const TIECharFormat& F);
  void ReleaseUse(int32_t Index);
  TIECharFormat DefaultFormat() const;
  void TakeFormatBeforeCaret();
  void UpdateSelection(int32_t Old, TShiftState Shift);
  void PaintBackground();
  // Caret moves.
  int32_t WordLeft(int32_t P) const;
  int32_t WordRight(int32_t P) const;
  int32_t LineStart() const;
  int32_t LineEnd() const;
  int32_t LineUp() const;
  int32_t LineDown() const;
  bool HandleShortcut(WORD Key, TShiftState Shift);
  void ToggleStyle(int Bit);
  void ChangeHeight(bool Grow);
  void SetParagraphAlignment(uint8_t Align);
  // Layout helpers of DrawText.
  void ApplyFormat(TIECanvas* Canvas, int32_t Index, bool Force);
  int MeasureChar(TIECanvas* Canvas, int32_t Index, int& H, int& L, int& D);
  int LineOffset(int32_t K, int Wp, double& F) const;

  std::unique_ptr<std::string> FOwnText;
  std::unique_ptr<std::vector<int32_t>> FOwnCharFormats;
  std::unique_ptr<TIEFormatList> FOwnFormatList;
  int32_t FAppliedIndex = -2;  // the format last put on the canvas (-2 none)
  bool FHasCaret = false;
};

// A single-line edit that, like the memo editor, claims Tab and the page, End, Home and arrow keys
// (passing them to its key-up handling) and drops the typed Tab character.
class TIEEdit : public TEdit {
  ORV_CLASS(TIEEdit, TEdit)
public:
  explicit TIEEdit(TComponent* AOwner) : TEdit(AOwner) {}
  void KeyPress(char& Key) override;

protected:
  void WndProc(TMessage& Message) override;
};
