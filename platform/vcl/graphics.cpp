// Colours, pens, brushes, fonts and the canvas.
#include "platform/vcl/graphics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"

// ---- Colours ----
COLORREF ColorToRGB(TColor Color) {
  if (Color < 0) return GetSysColor(Color & 0xFF);
  return static_cast<COLORREF>(Color) & 0xFFFFFF;
}

namespace {
const struct {
  TColor Value;
  const char* Name;
} kColorNames[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"}, {clNavy, "clNavy"},
    {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"}, {clSilver, "clSilver"}, {clRed, "clRed"},
    {clLime, "clLime"}, {clYellow, "clYellow"}, {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"},
    {clWhite, "clWhite"}, {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"},
    {clMedGray, "clMedGray"}, {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"},
    {clWindow, "clWindow"}, {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"}, {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"}, {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"}, {clBtnText, "clBtnText"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"}, {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"}, {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuBar, "clMenuBar"}, {clNone, "clNone"}, {clDefault, "clDefault"},
};
}  // namespace

std::string ColorToString(TColor Color) {
  for (const auto& c : kColorNames)
    if (c.Value == Color) return c.Name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(Color));
  return buf;
}

void GetColorValues(const std::function<void(const std::string&)>& Proc) {
  for (const auto& c : kColorNames) Proc(c.Name);
}

bool IdentToColor(const std::string& Ident, TColor& Color) {
  for (const auto& c : kColorNames)
    if (strcasecmp(c.Name, Ident.c_str()) == 0) {
      Color = c.Value;
      return true;
    }
  return false;
}

TColor StringToColor(const std::string& S) {
  TColor c;
  if (IdentToColor(S, c)) return c;
  return static_cast<TColor>(StrToInt(S));
}

// ---- Graphics objects ----
ORV_CLASS_IMPL(TGraphicsObject, TPersistent)
void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

ORV_CLASS_IMPL(TFont, TGraphicsObject)

TFont::TFont() {
  // The class library's default font: MS Sans Serif, 8 points.
  FLogFont.lfHeight = -MulDiv(8, ScreenPixelsPerInch, 72);
  FLogFont.lfWeight = FW_NORMAL;
  FLogFont.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(FLogFont.lfFaceName, "MS Sans Serif");
}

TFont::~TFont() {
  if (FHandle) DeleteObject(FHandle);
}

void TFont::Publish(TPublisher<TFont>& P) {
  P.Prop("Charset", &TFont::Charset, &TFont::SetCharset).Type("TFontCharset").Default(DEFAULT_CHARSET);
  P.Prop("Color", &TFont::Color, &TFont::SetColor).Type("TColor").NoDefault();
  P.Prop("Height", &TFont::Height, &TFont::SetHeight).NoDefault();
  P.Prop("Name", &TFont::Name, &TFont::SetName).Type("TFontName");
  P.Prop("Pitch", &TFont::Pitch, &TFont::SetPitch).Default(fpDefault);
  P.Prop("Size", &TFont::Size, &TFont::SetSize).Stored(false);
  P.Prop("Style", &TFont::Style, &TFont::SetStyle);
}

void TFont::Modify() {
  if (FHandle) {
    DeleteObject(FHandle);
    FHandle = nullptr;
  }
  Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    FLogFont = f->FLogFont;
    FColor = f->FColor;
    FPixelsPerInch = f->FPixelsPerInch;
    Modify();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HFONT TFont::Handle() {
  if (!FHandle) FHandle = CreateFontIndirect(&FLogFont);
  return FHandle;
}

void TFont::SetHandle(HFONT Value) {
  LOGFONTA lf;
  if (!Value || GetObject(Value, sizeof lf, &lf) != sizeof lf) return;
  if (FHandle && FHandle != Value) DeleteObject(FHandle);
  FLogFont = lf;
  FHandle = Value;
  Changed();
}

void TFont::SetLogFont(const LOGFONTA& Value) {
  FLogFont = Value;
  FLogFont.lfFaceName[LF_FACESIZE - 1] = 0;
  Modify();
}

void TFont::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Changed();  // the colour is not part of the GDI font
}
void TFont::SetHeight(int Value) {
  if (FLogFont.lfHeight == Value) return;
  FLogFont.lfHeight = Value;
  Modify();
}
int TFont::Size() const { return -MulDiv(FLogFont.lfHeight, 72, FPixelsPerInch); }
void TFont::SetSize(int Value) { SetHeight(-MulDiv(Value, FPixelsPerInch, 72)); }
TFontName TFont::Name() const { return std::string(FLogFont.lfFaceName, strnlen(FLogFont.lfFaceName, LF_FACESIZE)); }
void TFont::SetName(const TFontName& Value) {
  if (Value.empty() || Value == Name()) return;
  std::memset(FLogFont.lfFaceName, 0, LF_FACESIZE);
  std::strncpy(FLogFont.lfFaceName, Value.c_str(), LF_FACESIZE - 1);
  Modify();
}
TFontStyles TFont::Style() const {
  TFontStyles s;
  if (FLogFont.lfWeight >= FW_BOLD) s += fsBold;
  if (FLogFont.lfItalic) s += fsItalic;
  if (FLogFont.lfUnderline) s += fsUnderline;
  if (FLogFont.lfStrikeOut) s += fsStrikeOut;
  return s;
}
void TFont::SetStyle(TFontStyles Value) {
  if (Value == Style()) return;
  FLogFont.lfWeight = Value.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  FLogFont.lfItalic = Value.Contains(fsItalic);
  FLogFont.lfUnderline = Value.Contains(fsUnderline);
  FLogFont.lfStrikeOut = Value.Contains(fsStrikeOut);
  Modify();
}
void TFont::SetCharset(TFontCharset Value) {
  if (FLogFont.lfCharSet == Value) return;
  FLogFont.lfCharSet = Value;
  Modify();
}
TFontPitch TFont::Pitch() const {
  switch (FLogFont.lfPitchAndFamily & 3) {
    case FIXED_PITCH: return fpFixed;
    case VARIABLE_PITCH: return fpVariable;
    default: return fpDefault;
  }
}
void TFont::SetPitch(TFontPitch Value) {
  BYTE p = Value == fpFixed ? FIXED_PITCH : Value == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  if ((FLogFont.lfPitchAndFamily & 3) == p) return;
  FLogFont.lfPitchAndFamily = static_cast<BYTE>((FLogFont.lfPitchAndFamily & ~3) | p);
  Modify();
}
void TFont::SetOrientation(int Value) {
  if (FLogFont.lfEscapement == Value && FLogFont.lfOrientation == Value) return;
  FLogFont.lfEscapement = FLogFont.lfOrientation = Value;
  Modify();
}
void TFont::SetQuality(TFontQuality Value) {
  if (FLogFont.lfQuality == Value) return;
  FLogFont.lfQuality = static_cast<BYTE>(Value);
  Modify();
}

ORV_CLASS_IMPL(TPen, TGraphicsObject)

TPen::~TPen() {
  if (FHandle) DeleteObject(FHandle);
}

void TPen::Publish(TPublisher<TPen>& P) {
  P.Prop("Color", &TPen::Color, &TPen::SetColor).Type("TColor").Default(clBlack);
  P.Prop("Mode", &TPen::Mode, &TPen::SetMode).Default(pmCopy);
  P.Prop("Style", &TPen::Style, &TPen::SetStyle).Default(psSolid);
  P.Prop("Width", &TPen::Width, &TPen::SetWidth).Default(1);
}

void TPen::Modify() {
  if (FHandle) {
    DeleteObject(FHandle);
    FHandle = nullptr;
  }
  Changed();
}

void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    FColor = p->FColor;
    FWidth = p->FWidth;
    FStyle = p->FStyle;
    FMode = p->FMode;
    Modify();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HPEN TPen::Handle() {
  if (!FHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    FHandle = CreatePen(styles[FStyle], FWidth, ColorToRGB(FColor));
  }
  return FHandle;
}
void TPen::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  Modify();
}
void TPen::SetWidth(int Value) {
  if (Value < 0 || FWidth == Value) return;
  FWidth = Value;
  Modify();
}
void TPen::SetStyle(TPenStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Modify();
}
void TPen::SetMode(TPenMode Value) {
  if (FMode == Value) return;
  FMode = Value;
  Changed();  // the mode is a DC setting, not part of the pen
}

ORV_CLASS_IMPL(TBrush, TGraphicsObject)

TBrush::~TBrush() {
  if (FHandle) DeleteObject(FHandle);
}

void TBrush::Publish(TPublisher<TBrush>& P) {
  P.Prop("Color", &TBrush::Color, &TBrush::SetColor).Type("TColor").Default(clWhite);
  P.Prop("Style", &TBrush::Style, &TBrush::SetStyle).Default(bsSolid);
}

void TBrush::Modify() {
  if (FHandle) {
    DeleteObject(FHandle);
    FHandle = nullptr;
  }
  Changed();
}

void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    FColor = b->FColor;
    FStyle = b->FStyle;
    if (b->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(b->FBitmap.get());
    } else {
      FBitmap.reset();
    }
    Modify();
    return;
  }
  TGraphicsObject::Assign(Source);
}

HBRUSH TBrush::Handle() {
  if (FHandle) return FHandle;
  if (FBitmap && !FBitmap->Empty()) {
    FHandle = CreatePatternBrush(FBitmap->Handle());
  } else if (FStyle == bsSolid) {
    FHandle = CreateSolidBrush(ColorToRGB(FColor));
  } else if (FStyle == bsClear) {
    LOGBRUSH lb{BS_NULL, 0, 0};
    FHandle = CreateBrushIndirect(&lb);
  } else {
    FHandle = CreateHatchBrush(static_cast<int>(FStyle) - bsHorizontal, ColorToRGB(FColor));
  }
  return FHandle;
}
void TBrush::SetColor(TColor Value) {
  if (FColor == Value) return;
  FColor = Value;
  if (FStyle == bsClear) FStyle = bsSolid;  // as the original: a colour makes a clear brush solid
  Modify();
}
void TBrush::SetStyle(TBrushStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  Modify();
}
void TBrush::SetBitmap(TBitmap* Value) {
  if (Value) {
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->Assign(Value);
  } else {
    FBitmap.reset();
  }
  Modify();
}

// ---- Canvas ----
ORV_CLASS_IMPL(TCanvas, TPersistent)

void TCanvas::Publish(TPublisher<TCanvas>& P) {
  P.Prop("Brush", &TCanvas::Brush, &TCanvas::SetBrush);
  P.Prop("Font", &TCanvas::Font, &TCanvas::SetFont);
  P.Prop("Pen", &TCanvas::Pen, &TCanvas::SetPen);
}

TCanvas::TCanvas() : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  FFont->OnChange = [this](TObject*) { FState -= csFontValid; };
  FPen->OnChange = [this](TObject*) { FState -= csPenValid; };
  FBrush->OnChange = [this](TObject*) { FState -= csBrushValid; };
}

TCanvas::~TCanvas() { DeselectHandles(); }

HDC TCanvas::Handle() {
  if (!FHandle) CreateHandle();
  return FHandle;
}

void TCanvas::SetHandle(HDC Value) {
  if (FHandle == Value) return;
  DeselectHandles();
  FHandle = Value;
  FState = FHandle ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::DeselectHandles() {
  if (FHandle && (FState.Contains(csPenValid) || FState.Contains(csBrushValid) || FState.Contains(csFontValid))) {
    if (FOldPen) SelectObject(FHandle, FOldPen);
    if (FOldBrush) SelectObject(FHandle, FOldBrush);
    if (FOldFont) SelectObject(FHandle, FOldFont);
  }
  FOldPen = FOldBrush = FOldFont = nullptr;
  FState -= TCanvasState{csPenValid, csBrushValid, csFontValid};
}

void TCanvas::RequiredState(TCanvasState Req) {
  if (!FHandle) CreateHandle();
  if (!FHandle) throw EInvalidOperation("Canvas does not allow drawing");
  FState += csHandleValid;
  if (Req.Contains(csFontValid) && !FState.Contains(csFontValid)) {
    HGDIOBJ old = SelectObject(FHandle, FFont->Handle());
    if (!FOldFont) FOldFont = old;
    SetTextColor(FHandle, ColorToRGB(FFont->Color()));
    FState += csFontValid;
  }
  if (Req.Contains(csPenValid) && !FState.Contains(csPenValid)) {
    HGDIOBJ old = SelectObject(FHandle, FPen->Handle());
    if (!FOldPen) FOldPen = old;
    static const int modes[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN, R2_MASKPEN, R2_NOTMASKPEN,
                                R2_XORPEN, R2_NOTXORPEN};
    SetROP2(FHandle, modes[FPen->Mode()]);
    FState += csPenValid;
  }
  if (Req.Contains(csBrushValid) && !FState.Contains(csBrushValid)) {
    HGDIOBJ old = SelectObject(FHandle, FBrush->Handle());
    if (!FOldBrush) FOldBrush = old;
    SetBkColor(FHandle, ColorToRGB(FBrush->Color()));
    SetBkMode(FHandle, FBrush->Style() == bsSolid ? OPAQUE : TRANSPARENT);
    FState += csBrushValid;
  }
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}
void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Lock() {
  FLock.lock();
  ++FLockCount;
}
bool TCanvas::TryLock() {
  if (!FLock.try_lock()) return false;
  ++FLockCount;
  return true;
}
void TCanvas::Unlock() {
  --FLockCount;
  FLock.unlock();
}

POINT TCanvas::PenPos() {
  RequiredState({csHandleValid});
  POINT p;
  GetCurrentPositionEx(FHandle, &p);
  return p;
}
void TCanvas::SetPenPos(POINT Value) { MoveTo(Value.x, Value.y); }

RECT TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  RECT r;
  GetClipBox(FHandle, &r);
  return r;
}

COLORREF TCanvas::Pixels(int X, int Y) {
  RequiredState({csHandleValid});
  return GetPixel(FHandle, X, Y);
}
void TCanvas::SetPixels(int X, int Y, TColor Value) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  SetPixel(FHandle, X, Y, ColorToRGB(Value));
  Changed();
}

void TCanvas::MoveTo(int X, int Y) {
  RequiredState({csHandleValid});
  MoveToEx(FHandle, X, Y, nullptr);
}

// Every drawing call: OnChanging, the DC in the needed state, the GDI call, OnChange.
#define ORV_CANVAS_DRAW(State, Call) \
  do {                               \
    Changing();                      \
    RequiredState(State);            \
    Call;                            \
    Changed();                       \
  } while (0)

void TCanvas::LineTo(int X, int Y) { ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::LineTo(FHandle, X, Y)); }
void TCanvas::Polyline(const std::vector<POINT>& Points) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Polyline(FHandle, Points.data(), static_cast<int>(Points.size())));
}
void TCanvas::Polygon(const std::vector<POINT>& Points) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Polygon(FHandle, Points.data(), static_cast<int>(Points.size())));
}
void TCanvas::PolyBezier(const std::vector<POINT>& Points) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::PolyBezier(FHandle, Points.data(), static_cast<DWORD>(Points.size())));
}
void TCanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Rectangle(FHandle, X1, Y1, X2, Y2));
}
void TCanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::RoundRect(FHandle, X1, Y1, X2, Y2, X3, Y3));
}
void TCanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Ellipse(FHandle, X1, Y1, X2, Y2));
}
void TCanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Arc(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4));
}
void TCanvas::Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Pie(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4));
}
void TCanvas::Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csPenValid, csBrushValid}), ::Chord(FHandle, X1, Y1, X2, Y2, X3, Y3, X4, Y4));
}
void TCanvas::FillRect(const RECT& Rect) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csBrushValid}), ::FillRect(FHandle, &Rect, FBrush->Handle()));
}
void TCanvas::FrameRect(const RECT& Rect) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csBrushValid}), ::FrameRect(FHandle, &Rect, FBrush->Handle()));
}
void TCanvas::DrawFocusRect(const RECT& Rect) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csBrushValid}), ::DrawFocusRect(FHandle, &Rect));
}
void TCanvas::FloodFill(int X, int Y, TColor Color, TFillStyle FillStyle) {
  ORV_CANVAS_DRAW((TCanvasState{csHandleValid, csBrushValid}),
                  ::ExtFloodFill(FHandle, X, Y, ColorToRGB(Color), FillStyle == fsSurface ? FLOODFILLSURFACE : FLOODFILLBORDER));
}

void TCanvas::TextOut(int X, int Y, const std::string& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ::ExtTextOut(FHandle, X, Y, static_cast<UINT>(FTextFlags), nullptr, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  // The pen moves to the end of the text, as with TA_UPDATECP.
  MoveToEx(FHandle, X + TextWidth(Text), Y, nullptr);
  Changed();
}

void TCanvas::TextRect(const RECT& Rect, int X, int Y, const std::string& Text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | static_cast<UINT>(FTextFlags);
  if (FBrush->Style() != bsClear) options |= ETO_OPAQUE;
  ::ExtTextOut(FHandle, X, Y, options, &Rect, Text.data(), static_cast<UINT>(Text.size()), nullptr);
  Changed();
}

void TCanvas::TextRect(RECT& Rect, std::string& Text, TTextFormat Format) {
  static const UINT flags[] = {DT_BOTTOM, DT_CALCRECT, DT_CENTER, DT_EDITCONTROL, DT_END_ELLIPSIS, DT_PATH_ELLIPSIS,
                               DT_EXPANDTABS, DT_EXTERNALLEADING, DT_LEFT, DT_MODIFYSTRING, DT_NOCLIP, DT_NOPREFIX,
                               DT_RIGHT, DT_RTLREADING, DT_SINGLELINE, DT_TOP, DT_VCENTER, DT_WORDBREAK};
  UINT fmt = 0;
  for (int i = tfBottom; i <= tfWordBreak; ++i)
    if (Format.Contains(static_cast<TTextFormats>(i))) fmt |= flags[i];
  bool measure = Format.Contains(tfCalcRect);
  if (!measure) Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  std::string buf = Text;
  buf.append(4, '\0');  // room for the ellipsis
  DrawText(FHandle, buf.data(), static_cast<int>(Text.size()), &Rect, fmt);
  if (Format.Contains(tfModifyString)) Text = buf.c_str();
  if (!measure) Changed();
}

SIZE TCanvas::TextExtent(const std::string& Text) {
  RequiredState({csHandleValid, csFontValid});
  SIZE s{0, 0};
  GetTextExtentPoint32(FHandle, Text.data(), static_cast<int>(Text.size()), &s);
  return s;
}

void TCanvas::Draw(int X, int Y, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, RECT{X, Y, X + Graphic->Width(), Y + Graphic->Height()});
  Changed();
}

void TCanvas::StretchDraw(const RECT& Rect, TGraphic* Graphic) {
  if (!Graphic || Graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  Graphic->Draw(this, Rect);
  Changed();
}

void TCanvas::CopyRect(const RECT& Dest, TCanvas* Canvas, const RECT& Source) {
  if (!Canvas) return;
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  Canvas->RequiredState({csHandleValid, csBrushValid});
  StretchBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, Canvas->FHandle, Source.left,
             Source.top, Source.right - Source.left, Source.bottom - Source.top, FCopyMode);
  Changed();
}

void TCanvas::BrushCopy(const RECT& Dest, TBitmap* Bitmap, const RECT& Source, TColor Color) {
  if (!Bitmap || Bitmap->Empty()) return;
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  HDC src = Bitmap->Canvas()->Handle();
  TransparentBlt(FHandle, Dest.left, Dest.top, Dest.right - Dest.left, Dest.bottom - Dest.top, src, Source.left, Source.top,
                 Source.right - Source.left, Source.bottom - Source.top, ColorToRGB(Color));
  Changed();
}

void TCanvas::Refresh() { DeselectHandles(); }
