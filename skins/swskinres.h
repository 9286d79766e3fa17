// Skin resources of the form skin engine: the reader that looks skin values up by key number,
// the holders that cut scroll-bar, progress-bar and tab pieces from the loaded skin, and the
// drawing functions every skinned window and control shares.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "platform/vcl/graphics.h"

class Tsk2SkinFileReader;

// Key groups of TswSkinReader lookups.
enum TswSkinKeyGroup { skColor, skBitmap, skMetric, skFlag };

// The loaded skin. Lookups without a skin give nullptr, -1 or 0.
class TswSkinReader {
public:
  TswSkinReader(const std::string& FileName = "", const std::string& Password = "");
  ~TswSkinReader();
  TswSkinReader(const TswSkinReader&) = delete;
  TswSkinReader& operator=(const TswSkinReader&) = delete;

  // Replaces the skin by the archive's; a missing file leaves no skin. The archive's errors
  // ("Wrong password!", "Failed to read skin file!") leave no skin and reach the caller without
  // OnLoad; otherwise OnLoad runs at the end.
  void Load(const std::string& FileName, const std::string& Password);
  bool Loaded() const { return FLoaded; }
  std::function<void(TswSkinReader*)> OnLoad;

  TBitmap* GetBitmap(int Number) const;
  int GetColor(int Number) const;
  int GetInteger(int Number) const;
  int GetBool(int Number) const;

private:
  std::unique_ptr<Tsk2SkinFileReader> FFile;
  bool FLoaded = false;
};

// A holder of pieces cut from a reader's skin; rebuilt after every skin change.
class TswSkinRes {
public:
  virtual ~TswSkinRes() = default;
  void SetReader(TswSkinReader* Reader) {
    FReader = Reader;
    Rebuild();
  }
  virtual void Rebuild() {}

protected:
  TswSkinReader* FReader = nullptr;
};

class TswSkinScrollBtnRes : public TswSkinRes {
public:
  void Rebuild() override;
  TBitmap* HorzButton(int N) const { return Piece(FH, N); }
  TBitmap* VertButton(int N) const { return Piece(FV, N); }
  TBitmap* HorzPart(int N) const { return Piece(FQ, N); }
  TBitmap* VertPart(int N) const { return Piece(FP, N); }
  bool WholeThumb = false;
  std::unique_ptr<TBitmap> WholeThumbV, WholeThumbH;

private:
  template <size_t K>
  static TBitmap* Piece(const std::array<std::unique_ptr<TBitmap>, K>& A, int N) {
    return N >= 1 && N <= static_cast<int>(K) ? A[N - 1].get() : nullptr;
  }
  std::array<std::unique_ptr<TBitmap>, 6> FV, FH;
  std::array<std::unique_ptr<TBitmap>, 5> FP, FQ;
};

class TswSkinProgressBarRes : public TswSkinRes {
public:
  void Rebuild() override;
  TBitmap* HorzPart(int N) const { return N >= 1 && N <= 4 ? FG[N - 1].get() : nullptr; }
  TBitmap* VertPart(int N) const { return N >= 1 && N <= 4 ? FR[N - 1].get() : nullptr; }
  int FirstWidth = 0, LastWidth = 0;

private:
  std::array<std::unique_ptr<TBitmap>, 4> FG, FR;
};

class TswSkinTabRes : public TswSkinRes {
public:
  void Rebuild() override;
  // Line, frame 2 of 2 and frame 1 of 2 of the tab bitmap, each unrotated, counter-clockwise,
  // 180 degrees and clockwise.
  std::array<std::unique_ptr<TBitmap>, 12> Bitmaps;
};

// ---- drawing functions ----
// Region of a window from its caption and bottom bitmaps (pixels of the transparent colour are
// cut away in the scanned rows); set on the window with redrawing.
void SkinSetWindowRegion(HWND Wnd, TBitmap* Title, TBitmap* Bottom, bool TitleRegion,
                         bool BottomRegion, int TitleMin, int TitleMax, int BottomMin,
                         int BottomMax, TColor Trans, int WindowHeight, int WindowWidth);
bool PointInRectInclusive(int X, int Y, const RECT& R);
void DrawArrowDown(TCanvas* C, int X, int Y, bool Enabled);
void DrawArrowUp(TCanvas* C, int X, int Y, bool Enabled);
void DrawArrowLeft(TCanvas* C, int X, int Y, bool Enabled);
void DrawArrowRight(TCanvas* C, int X, int Y, bool Enabled);
void StretchBitmap(TBitmap* Bitmap, TCanvas* C, const RECT& R);
void DrawBitmapNinePart(TBitmap* Bitmap, TCanvas* C, const RECT& R, TColor Mask,
                        bool TransparentCorners);
void ReplaceBitmapColor(TBitmap* Bitmap, TColor Color, TColor NewColor);
TColor MakeRGB(int R, int G, int B);
void SplitRGB(TColor C, int& R, int& G, int& B);
void GradientVertical(TCanvas* C, const RECT& R, TColor First, TColor Last);
void GradientHorizontal(TCanvas* C, const RECT& R, TColor First, TColor Last);
TColor InvertColor(TColor C);
void FrameRectColor(TCanvas* C, const RECT& R, TColor Color);
void FillRectColor(TCanvas* C, const RECT& R, TColor Color);
void DrawMenuSeparator(TCanvas* C, const RECT& R, TColor Color, bool BarLeft, int BarWidth);
// Text shortened with "..." to at most Width pixels: the longest prefix whose candidate fits;
// the text itself when it fits, "" when not even "..." does.
std::string EllipsizeText(TCanvas* C, const std::string& Text, int Width);
void DrawThreeFramesH(TBitmap* Bitmap, TCanvas* C, const RECT& R, TColor Mask, bool Transparent);
void DrawCappedV(TBitmap* Bitmap, TCanvas* C, const RECT& R, int Cap);
void DrawCappedH(TBitmap* Bitmap, TCanvas* C, const RECT& R, int Cap);
void CutFrame(TBitmap* Strip, TBitmap* Target, int Count, int Number);
void RotateBitmapCCW(TBitmap* Bitmap);
void RotateBitmap180(TBitmap* Bitmap);
void RotateBitmapCW(TBitmap* Bitmap);
bool IsRowUniform(TBitmap* Bitmap);
void DrawWindowBorder(HWND Wnd, TColor Color, TColor Inner, bool DrawInner);
