// The class library's graphics objects: colours, pens, brushes, fonts, canvases, and the
// graphic classes (bitmaps, icons, metafiles) with the picture and its file-format registry.
//
// Everything draws through the GDI stand-in of platform/win. A TCanvas selects its pen, brush
// and font into its DC only when a drawing call needs them; a TBitmap is a DIB section in its
// pixel format, so ScanLine gives the rows in memory (bottom-up, as the original).
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/sets.h"
#include "platform/win/wingdi.h"

class TStream;
class TComponent;
template <class T> class TPublisher;

// ---- Colours ----
using TColor = int32_t;
// System colours: 0x80000000 | COLOR_xxx index.
enum : TColor {
  clScrollBar = TColor(0x80000000), clBackground = TColor(0x80000001), clActiveCaption = TColor(0x80000002),
  clInactiveCaption = TColor(0x80000003), clMenu = TColor(0x80000004), clWindow = TColor(0x80000005),
  clWindowFrame = TColor(0x80000006), clMenuText = TColor(0x80000007), clWindowText = TColor(0x80000008),
  clCaptionText = TColor(0x80000009), clActiveBorder = TColor(0x8000000A), clInactiveBorder = TColor(0x8000000B),
  clAppWorkSpace = TColor(0x8000000C), clHighlight = TColor(0x8000000D), clHighlightText = TColor(0x8000000E),
  clBtnFace = TColor(0x8000000F), clBtnShadow = TColor(0x80000010), clGrayText = TColor(0x80000011),
  clBtnText = TColor(0x80000012), clInactiveCaptionText = TColor(0x80000013), clBtnHighlight = TColor(0x80000014),
  cl3DDkShadow = TColor(0x80000015), cl3DLight = TColor(0x80000016), clInfoText = TColor(0x80000017),
  clInfoBk = TColor(0x80000018), clHotLight = TColor(0x8000001A), clGradientActiveCaption = TColor(0x8000001B),
  clGradientInactiveCaption = TColor(0x8000001C), clMenuHighlight = TColor(0x8000001D), clMenuBar = TColor(0x8000001E),
};
enum : TColor {
  clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000, clOlive = 0x008080, clNavy = 0x800000,
  clPurple = 0x800080, clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0, clRed = 0x0000FF,
  clLime = 0x00FF00, clYellow = 0x00FFFF, clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
  clLtGray = 0xC0C0C0, clDkGray = 0x808080, clWhite = 0xFFFFFF, clMoneyGreen = 0xC0DCC0,
  clSkyBlue = 0xF0CAA6, clCream = 0xF0FBFF, clMedGray = 0xA4A0A0,
  clNone = 0x1FFFFFFF, clDefault = 0x20000000,
};
// The RGB value of a colour; system colours are looked up.
COLORREF ColorToRGB(TColor Color);
std::string ColorToString(TColor Color);  // "clRed", or "$00RRGGBB"-style hex "$00BBGGRR"
bool IdentToColor(const std::string& Ident, TColor& Color);
TColor StringToColor(const std::string& S);  // EConvertError on bad text
// Hands every standard colour name to Proc, in the order of the class library's colour table.
void GetColorValues(const std::function<void(const std::string&)>& Proc);

// The screen's logical resolution, the basis of font sizes in points.
constexpr int ScreenPixelsPerInch = 96;

// ---- Pens, brushes, fonts ----
ORV_ENUM(TPenStyle, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame)
ORV_ENUM(TPenMode, pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
         pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor)
ORV_ENUM(TBrushStyle, bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross)
ORV_ENUM(TFontStyle, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = TSet<TFontStyle>;
ORV_ENUM(TFontPitch, fpDefault, fpVariable, fpFixed)
ORV_ENUM(TFontQuality, fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType)
using TFontCharset = uint8_t;
using TFontName = std::string;

// Base of pens, brushes and fonts: OnChange after every change, a GDI handle made on demand.
class TGraphicsObject : public TPersistent {
  ORV_CLASS(TGraphicsObject, TPersistent)
public:
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  ORV_CLASS(TFont, TGraphicsObject)
public:
  TFont();
  ~TFont() override;
  static void Publish(TPublisher<TFont>& P);
  void Assign(TPersistent* Source) override;

  // The HFONT of the current attributes (owned by the font). Setting a handle takes over the
  // font's LOGFONT and owns the handle.
  HFONT Handle();
  void SetHandle(HFONT Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  // Height in pixels: negative = character height (em), positive = cell height.
  int Height() const { return FLogFont.lfHeight; }
  void SetHeight(int Value);
  // Size in points at PixelsPerInch: Size = -Height * 72 / PixelsPerInch.
  int Size() const;
  void SetSize(int Value);
  TFontName Name() const;
  void SetName(const TFontName& Value);
  TFontStyles Style() const;
  void SetStyle(TFontStyles Value);
  TFontCharset Charset() const { return FLogFont.lfCharSet; }
  void SetCharset(TFontCharset Value);
  TFontPitch Pitch() const;
  void SetPitch(TFontPitch Value);
  // Escapement and orientation in tenths of a degree.
  int Orientation() const { return FLogFont.lfEscapement; }
  void SetOrientation(int Value);
  TFontQuality Quality() const { return static_cast<TFontQuality>(FLogFont.lfQuality); }
  void SetQuality(TFontQuality Value);
  int PixelsPerInch() const { return FPixelsPerInch; }
  void SetPixelsPerInch(int Value) { FPixelsPerInch = Value; }
  // The 60-byte font record, and the font made from one (colour unchanged).
  LOGFONTA LogFont() const { return FLogFont; }
  void SetLogFont(const LOGFONTA& Value);

private:
  void Modify();
  LOGFONTA FLogFont{};
  TColor FColor = clWindowText;
  int FPixelsPerInch = ScreenPixelsPerInch;
  HFONT FHandle = nullptr;
};

class TPen : public TGraphicsObject {
  ORV_CLASS(TPen, TGraphicsObject)
public:
  TPen() = default;
  ~TPen() override;
  static void Publish(TPublisher<TPen>& P);
  void Assign(TPersistent* Source) override;
  HPEN Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int Width() const { return FWidth; }
  void SetWidth(int Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);

private:
  void Modify();
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  HPEN FHandle = nullptr;
};

class TBitmap;

class TBrush : public TGraphicsObject {
  ORV_CLASS(TBrush, TGraphicsObject)
public:
  TBrush() = default;
  ~TBrush() override;
  static void Publish(TPublisher<TBrush>& P);
  void Assign(TPersistent* Source) override;
  HBRUSH Handle();
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  // A pattern brush from a copy of the bitmap; null returns to the style.
  TBitmap* Bitmap() const { return FBitmap.get(); }
  void SetBitmap(TBitmap* Value);

private:
  void Modify();
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
  std::unique_ptr<TBitmap> FBitmap;
  HBRUSH FHandle = nullptr;
};

// ---- Canvas ----
enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
enum TFillStyle { fsSurface, fsBorder };
using TCopyMode = DWORD;
enum TTextFormats { tfBottom, tfCalcRect, tfCenter, tfEditControl, tfEndEllipsis, tfPathEllipsis,
                    tfExpandTabs, tfExternalLeading, tfLeft, tfModifyString, tfNoClip, tfNoPrefix,
                    tfRight, tfRtlReading, tfSingleLine, tfTop, tfVerticalCenter, tfWordBreak };
using TTextFormat = TSet<TTextFormats>;

class TGraphic;

class TCanvas : public TPersistent {
  ORV_CLASS(TCanvas, TPersistent)
public:
  TCanvas();
  ~TCanvas() override;
  // Published: Brush, Font, Pen (scripts reach them by name).
  static void Publish(TPublisher<TCanvas>& P);

  // The DC; descendants create one on demand (CreateHandle). Setting a DC makes the canvas draw
  // on it; the canvas does not own a DC set this way.
  HDC Handle();
  void SetHandle(HDC Value);
  bool HandleAllocated() const { return FHandle != nullptr; }
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value) { FFont->Assign(Value); }
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode Value) { FCopyMode = Value; }
  POINT PenPos();
  void SetPenPos(POINT Value);
  // The clip box in logical coordinates.
  RECT ClipRect();
  COLORREF Pixels(int X, int Y);
  void SetPixels(int X, int Y, TColor Value);
  int TextFlags() const { return FTextFlags; }
  void SetTextFlags(int Value) { FTextFlags = Value; }

  // Threads drawing on one canvas serialise through these (recursive).
  void Lock();
  bool TryLock();
  void Unlock();
  int LockCount() const { return FLockCount; }

  void MoveTo(int X, int Y);
  void LineTo(int X, int Y);
  void Polyline(const std::vector<POINT>& Points);
  void Polygon(const std::vector<POINT>& Points);
  void PolyBezier(const std::vector<POINT>& Points);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  void Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }
  void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
  void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
  void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
  void FillRect(const RECT& Rect);
  void FrameRect(const RECT& Rect);
  void DrawFocusRect(const RECT& Rect);
  void FloodFill(int X, int Y, TColor Color, TFillStyle FillStyle);
  void TextOut(int X, int Y, const std::string& Text);
  // Text clipped to Rect, drawn at (X, Y); the background is filled unless the brush is clear.
  void TextRect(const RECT& Rect, int X, int Y, const std::string& Text);
  // Formatted text in Rect (DrawText); with tfCalcRect only measures into Rect, with
  // tfModifyString Text receives the shortened text.
  void TextRect(RECT& Rect, std::string& Text, TTextFormat Format);
  SIZE TextExtent(const std::string& Text);
  int TextWidth(const std::string& Text) { return TextExtent(Text).cx; }
  int TextHeight(const std::string& Text) { return TextExtent(Text).cy; }
  void Draw(int X, int Y, TGraphic* Graphic);
  void StretchDraw(const RECT& Rect, TGraphic* Graphic);
  // Copies Source's rectangle onto Dest with CopyMode (stretching when the sizes differ).
  void CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source);
  void BrushCopy(const RECT& Dest, TBitmap* Bitmap, const RECT& Source, TColor Color);
  void Refresh();

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  // Makes sure the DC exists and has the current pen, brush and font selected.
  void RequiredState(TCanvasState Req);
  virtual void CreateHandle() {}
  virtual void Changing();
  virtual void Changed();
  void DeselectHandles();
  HDC FHandle = nullptr;

private:
  std::unique_ptr<TFont> FFont;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
  TCanvasState FState;
  TCopyMode FCopyMode = SRCCOPY;
  int FTextFlags = 0;
  std::recursive_mutex FLock;
  int FLockCount = 0;
  HGDIOBJ FOldPen = nullptr, FOldBrush = nullptr, FOldFont = nullptr;
};

// ---- Graphics ----
class TGraphic : public TPersistent {
  ORV_CLASS(TGraphic, TPersistent)
public:
  TGraphic() = default;
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int Value) = 0;
  virtual void SetHeight(int Value) = 0;
  virtual bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);
  bool Modified() const { return FModified; }
  void SetModified(bool Value);
  virtual void LoadFromStream(TStream* Stream) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  // EFOpenError/EFCreateError from the file stream; format errors from LoadFromStream.
  virtual void LoadFromFile(const std::string& FileName);
  virtual void SaveToFile(const std::string& FileName);
  virtual HPALETTE Palette() const { return nullptr; }
  TNotifyEvent OnChange;

  // Draws the graphic into Rect (stretched); called by TCanvas::Draw/StretchDraw.
  virtual void Draw(TCanvas* ACanvas, const RECT& Rect) = 0;
  // The graphic's part of a picture's "Data" record (form streams, report files): by default
  // the graphic's file as SaveToStream writes it; the stream holds exactly that data.
  virtual void ReadData(TStream* Stream) { LoadFromStream(Stream); }
  virtual void WriteData(TStream* Stream) { SaveToStream(Stream); }

protected:
  // A graphic held directly by a published property (a button's Glyph) streams its pixels as
  // the binary property "Data" (the ReadData/WriteData record); an empty graphic writes none.
  void DefineProperties(TFiler* Filer) override;
  virtual void Changed();
  bool FTransparent = false;
  bool FModified = false;
};
using TGraphicClass = TClass;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
  ORV_CLASS(TBitmap, TGraphic)
public:
  TBitmap();
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  bool Empty() const override { return !FHandle; }
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int Value) override { SetSize(Value, FHeight); }
  void SetHeight(int Value) override { SetSize(FWidth, Value); }
  // Keeps the top-left part of the picture; new area is white.
  void SetSize(int AWidth, int AHeight);
  TPixelFormat PixelFormat() const { return FPixelFormat; }
  // Converts the pixels to the new format (pfDevice is 32 bits here).
  void SetPixelFormat(TPixelFormat Value);
  // The row's first byte in the DIB section; ERangeError "Scan line index out of range".
  void* ScanLine(int Row);
  HBITMAP Handle();
  // Takes ownership of a bitmap handle (any depth).
  void SetHandle(HBITMAP Value);
  // Gives up the handle to the caller.
  HBITMAP ReleaseHandle();
  TBitmapHandleType HandleType() const { return FHandleType; }
  void SetHandleType(TBitmapHandleType Value) { FHandleType = Value; }
  bool Monochrome() const { return FPixelFormat == pf1bit; }
  void SetMonochrome(bool Value) { SetPixelFormat(Value ? pf1bit : pfDevice); }
  // An indexed bitmap's colour table as a palette (owned by the bitmap); null for deep formats.
  HPALETTE Palette() const override;
  // The palette of an indexed bitmap: entries copied into the DIB's colour table.
  void SetPalette(HPALETTE Value);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor Value);
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode Value) { FTransparentMode = Value; }
  TCanvas* Canvas();
  void Dormant() {}
  void FreeImage() {}
  bool IgnorePalette = false;

  // BMP files: BITMAPFILEHEADER + info header + colour table + bits. EInvalidGraphic
  // "Bitmap image is not valid" for anything else or truncated data.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;
  // In a picture's Data record a bitmap is a 32-bit byte count followed by its BMP file.
  void ReadData(TStream* Stream) override;
  void WriteData(TStream* Stream) override;

private:
  friend class TBitmapCanvas;
  void NewImage(int W, int H, TPixelFormat PF, const RGBQUAD* Pal, int PalCount, bool Blank);
  HDC CanvasDC();
  HBITMAP FHandle = nullptr;
  uint8_t* FBits = nullptr;
  int FWidth = 0, FHeight = 0;
  int FStride = 0;        // bytes per row of the DIB section
  bool FBottomUp = true;  // row order in memory
  TPixelFormat FPixelFormat = pfDevice;
  TBitmapHandleType FHandleType = bmDIB;
  mutable HPALETTE FPalette = nullptr;
  TColor FTransparentColor = clDefault;
  TTransparentMode FTransparentMode = tmAuto;
  std::unique_ptr<TCanvas> FCanvas;
};

// An icon: a 32-bit image with alpha (and the AND mask of the file for older formats).
class TIcon : public TGraphic {
  ORV_CLASS(TIcon, TGraphic)
public:
  TIcon();
  ~TIcon() override;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return !FImage || FImage->Empty(); }
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override;
  void SetHeight(int) override;
  bool Transparent() const override { return true; }
  // .ico files: the largest image of the directory, the deepest among equally large ones (DIB
  // images of 1, 4, 8, 24 or 32 bits, or PNG streams; at most 256 pixels a side). The stream is
  // left after the icon's last image. EInvalidGraphic "Icon image is not valid" on bad data.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;
  // The image (32 bits, alpha in the fourth byte); owned by the icon.
  TBitmap* Image() const { return FImage.get(); }
  // The icon as a handle (made on demand, owned by the icon); setting one takes it over.
  HICON Handle();
  void SetHandle(HICON Value);
  HICON ReleaseHandle();

protected:
  // Into a bitmap: the icon's 32-bit image with its alpha.
  void AssignTo(TPersistent* Dest) override;

private:
  void FreeHandle();
  std::unique_ptr<TBitmap> FImage;
  HICON FHandle = nullptr;
};

// An enhanced metafile (our own record format, see wingdi.h).
class TMetafile : public TGraphic {
  ORV_CLASS(TMetafile, TGraphic)
public:
  TMetafile();
  ~TMetafile() override;
  void Assign(TPersistent* Source) override;
  bool Empty() const override { return !FHandle; }
  // Size in screen pixels (from the 0.01 mm size when not set).
  int Width() const override;
  int Height() const override;
  void SetWidth(int Value) override;
  void SetHeight(int Value) override;
  int MMWidth() const;   // 0.01 mm
  int MMHeight() const;
  void SetMMWidth(int Value);
  void SetMMHeight(int Value);
  bool Enhanced() const { return true; }
  HENHMETAFILE Handle() const { return FHandle; }
  void SetHandle(HENHMETAFILE Value);
  void Clear();
  // EInvalidGraphic "Metafile is not valid" for data that is not one of our metafiles.
  void LoadFromStream(TStream* Stream) override;
  void SaveToStream(TStream* Stream) override;
  void Draw(TCanvas* ACanvas, const RECT& Rect) override;

private:
  HENHMETAFILE FHandle = nullptr;
  int FWidth = 0, FHeight = 0;  // 0.01 mm
};

// A canvas recording into a metafile; the metafile gets the recording when the canvas is freed.
class TMetafileCanvas : public TCanvas {
  ORV_CLASS(TMetafileCanvas, TCanvas)
public:
  TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice);
  TMetafileCanvas(TMetafile* AMetafile, HDC ReferenceDevice, const std::string& CreatedBy, const std::string& Description);
  ~TMetafileCanvas() override;

private:
  TMetafile* FMetafile;
};

// ---- Picture and the file-format registry ----
class TPicture : public TPersistent {
  ORV_CLASS(TPicture, TPersistent)
public:
  TPicture();
  ~TPicture() override;
  void Assign(TPersistent* Source) override;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Copies Value (null empties the picture).
  void SetGraphic(TGraphic* Value);
  // The graphic as a bitmap/icon/metafile; a graphic of another class is replaced by an empty one.
  TBitmap* Bitmap();
  TIcon* Icon();
  TMetafile* Metafile();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }
  // By extension, through the registry. EInvalidGraphic "Unknown picture file extension (.%s)".
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName);
  // By the extension given (with or without the dot).
  void LoadFromStream(TStream* Stream, const std::string& Extension);
  void SaveToStream(TStream* Stream);

  static void RegisterFileFormat(const std::string& Extension, const std::string& Description, TGraphicClass GraphicClass);
  static void UnregisterGraphicClass(TGraphicClass GraphicClass);
  // The class registered for an extension (case-insensitive, without the dot), or null.
  static TGraphicClass FileFormatClass(const std::string& Extension);
  // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|..." for the classes descending from
  // GraphicClass.
  static std::string GraphicFilter(TGraphicClass GraphicClass);

  // The "Data" record: the graphic's class name as a short string (length byte, then the
  // name), then the graphic's WriteData. Reading finds the class among the registered picture
  // formats or in the class registry; EInvalidGraphic "Unknown picture format %s" otherwise.
  void DefineProperties(TFiler* Filer) override;
  void ReadData(TStream* Stream);
  void WriteData(TStream* Stream);

  TNotifyEvent OnChange;

protected:
  void Changed(TObject* Sender);

private:
  void ForceType(TGraphicClass C);
  std::unique_ptr<TGraphic> FGraphic;
};

// ---- Image lists ----
enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TImageList;

// A client's link to an image list: OnChange runs whenever the list's images change, beside the
// list's own OnChange (any number of clients). Freeing the link unregisters it; freeing the list
// clears Sender.
class TChangeLink {
public:
  TChangeLink() = default;
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  ~TChangeLink();
  void Change();
  TImageList* Sender = nullptr;
  TNotifyEvent OnChange;
};

// A strip of equally sized images with their masks, drawn transparently or greyed out.
class TImageList : public TComponent {
  ORV_CLASS(TImageList, TComponent)
public:
  explicit TImageList(TComponent* AOwner = nullptr);
  ~TImageList() override;
  void Assign(TPersistent* Source) override;
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetWidth(int Value);   // clears the list
  void SetHeight(int Value);  // clears the list
  int Count() const { return static_cast<int>(FImages.size()); }
  TColor BkColor = clNone;
  TColor BlendColor = clNone;
  TDrawingStyle DrawingStyle = dsNormal;
  TImageType ImageType = itImage;
  bool Masked = true;

  // Adds the images a bitmap holds side by side; Mask (monochrome: 1 = transparent) may be null.
  // Returns the index of the first one.
  int Add(TBitmap* Image, TBitmap* Mask);
  // Mask from the colour MaskColor (clDefault: the bottom-left pixel).
  int AddMasked(TBitmap* Image, TColor MaskColor);
  int AddIcon(TIcon* Image);
  void Replace(int Index, TBitmap* Image, TBitmap* Mask);
  void Delete(int Index);
  void Clear();
  void Move(int CurIndex, int NewIndex);
  // Draws image Index; disabled images are drawn embossed in the shadow and highlight colours.
  // EInvalidOperation "Invalid ImageList Index" for a bad index.
  void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
  void GetBitmap(int Index, TBitmap* Image);
  // Makes image ImageIndex overlay number Overlay (0..14), which controls draw over an image;
  // false for a bad number or index.
  bool Overlay(int ImageIndex, int Overlay);
  // The image of an overlay number, -1 when none is set.
  int OverlayImage(int Overlay) const;
  TNotifyEvent OnChange;
  // Links told of every change (TChangeLink).
  void RegisterChanges(TChangeLink* Link);
  void UnRegisterChanges(TChangeLink* Link);

private:
  void Change();
  std::vector<TChangeLink*> FLinks;
  struct TEntry {
    std::vector<uint32_t> Pixels;  // 0x00RRGGBB, Width x Height
    std::vector<uint8_t> Mask;     // 1 = transparent
  };
  void Check(int Index) const;
  int FOverlays[15] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  int FWidth = 16, FHeight = 16;
  std::vector<TEntry> FImages;
};
