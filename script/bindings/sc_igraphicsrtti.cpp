// Fonts, pens, brushes, canvases, graphics, pictures, metafiles and bitmaps as scripts see them.
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "script/bindings/sc_ibindings.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_ibindhelpers.h"
#include "script/sc_isysrtti.h"

namespace {

using scbind::Obj;
using scbind::Ref;
using scbind::Self;

class TGraphicsFunctions : public TObject {
public:
  explicit TGraphicsFunctions(TscScript* S);
  ~TGraphicsFunctions() override {
    if (TscScript* s = scGlobalScript()) s->RemoveItems(this);
  }
  Variant CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P);
  Variant GetProp(TObject* Instance, TClass C, const std::string& N);
  void SetProp(TObject* Instance, TClass C, const std::string& N, const Variant& V);
};

TGraphicsFunctions* gGraphicsFunctions = nullptr;

TGraphicsFunctions::TGraphicsFunctions(TscScript* S) {
  S->Registrar = this;
  auto m = [this](TObject* I, TClass C, const std::string& N, TscArgs& P) {
    return CallMethod(I, C, N, P);
  };
  auto g = [this](TObject* I, TClass C, const std::string& N) { return GetProp(I, C, N); };
  auto s = [this](TObject* I, TClass C, const std::string& N, const Variant& V) {
    SetProp(I, C, N, V);
  };
  const std::pair<const char*, TColor> colors[] = {
      {"clBlack", clBlack},
      {"clMaroon", clMaroon},
      {"clGreen", clGreen},
      {"clOlive", clOlive},
      {"clNavy", clNavy},
      {"clPurple", clPurple},
      {"clTeal", clTeal},
      {"clGray", clGray},
      {"clSilver", clSilver},
      {"clRed", clRed},
      {"clLime", clLime},
      {"clYellow", clYellow},
      {"clBlue", clBlue},
      {"clFuchsia", clFuchsia},
      {"clAqua", clAqua},
      {"clWhite", clWhite},
      {"clMoneyGreen", clMoneyGreen},
      {"clSkyBlue", clSkyBlue},
      {"clCream", clCream},
      {"clMedGray", clMedGray},
      {"clActiveBorder", clActiveBorder},
      {"clActiveCaption", clActiveCaption},
      {"clAppWorkSpace", clAppWorkSpace},
      {"clBackground", clBackground},
      {"clBtnFace", clBtnFace},
      {"clBtnHighlight", clBtnHighlight},
      {"clBtnShadow", clBtnShadow},
      {"clBtnText", clBtnText},
      {"clCaptionText", clCaptionText},
      {"clDefault", clDefault},
      {"clGradientActiveCaption", clGradientActiveCaption},
      {"clGradientInactiveCaption", clGradientInactiveCaption},
      {"clGrayText", clGrayText},
      {"clHighlight", clHighlight},
      {"clHighlightText", clHighlightText},
      {"clHotLight", clHotLight},
      {"clInactiveBorder", clInactiveBorder},
      {"clInactiveCaption", clInactiveCaption},
      {"clInactiveCaptionText", clInactiveCaptionText},
      {"clInfoBk", clInfoBk},
      {"clInfoText", clInfoText},
      {"clMenu", clMenu},
      {"clMenuBar", clMenuBar},
      {"clMenuHighlight", clMenuHighlight},
      {"clMenuText", clMenuText},
      {"clNone", clNone},
      {"clScrollBar", clScrollBar},
      {"cl3DDkShadow", cl3DDkShadow},
      {"cl3DLight", cl3DLight},
      {"clWindow", clWindow},
      {"clWindowFrame", clWindowFrame},
      {"clWindowText", clWindowText}};
  // System colours carry the top bit: as script integers they are the unsigned values.
  for (const auto& c : colors)
    S->AddConst(c.first, "Integer", Variant(static_cast<int64_t>(static_cast<uint32_t>(c.second))));
  S->AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline, fsStrikeout");
  S->AddEnum("TFontPitch", "fpDefault, fpVariable, fpFixed");
  S->AddEnum("TPenStyle",
             "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame");
  S->AddEnum("TPenMode",
             "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
             "pmMergeNotPen, "
             "pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor");
  S->AddEnum(
      "TBrushStyle",
      "bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross");

  for (TClass c : {TFont::StaticClass(), TPen::StaticClass(), TBrush::StaticClass()})
    if (TscClassVariable* cv = S->AddClass(c, "TPersistent"))
      cv->AddConstructor("constructor Create", m);
  if (TscClassVariable* c = S->AddClass(TCanvas::StaticClass(), "TPersistent")) {
    c->AddConstructor("constructor Create", m);
    for (const char* d :
         {"procedure Draw(X, Y: Integer; Graphic: TGraphic)",
          "procedure Ellipse(X1, Y1, X2, Y2: Integer)", "procedure LineTo(X, Y: Integer)",
          "procedure MoveTo(X, Y: Integer)", "procedure Rectangle(X1, Y1, X2, Y2: Integer)",
          "procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer)",
          "procedure StretchDraw(X1, Y1, X2, Y2: Integer; Graphic: TGraphic)",
          "function TextHeight(const Text: string): Integer",
          "procedure TextOut(X, Y: Integer; const Text: string)",
          "function TextWidth(const Text: string): Integer"})
      c->AddMethod(d, m);
    c->AddIndexProperty("Pixels", "Integer, Integer", "TColor", m, false);
  }
  if (TscClassVariable* c = S->AddClass(TGraphic::StaticClass(), "TPersistent")) {
    c->AddConstructor("constructor Create", m);
    c->AddMethod("procedure LoadFromFile(const Filename: string)", m);
    c->AddMethod("procedure SaveToFile(const Filename: string)", m);
    c->AddProperty("Height", "Integer", g, s);
    c->AddProperty("Width", "Integer", g, s);
  }
  if (TscClassVariable* c = S->AddClass(TPicture::StaticClass(), "TPersistent")) {
    c->AddMethod("procedure LoadFromFile(const Filename: string)", m);
    c->AddMethod("procedure SaveToFile(const Filename: string)", m);
    c->AddProperty("Height", "Integer", g);
    c->AddProperty("Width", "Integer", g);
  }
  S->AddClass(TMetafile::StaticClass(), "TGraphic");
  if (TscClassVariable* c = S->AddClass(TMetafileCanvas::StaticClass(), "TCanvas"))
    c->AddConstructor("constructor Create(AMetafile: TMetafile; ReferenceDevice: Integer)", m);
  if (TscClassVariable* c = S->AddClass(TBitmap::StaticClass(), "TGraphic"))
    c->AddProperty("Canvas", "TCanvas", g);
  S->Registrar = nullptr;
}

Variant TGraphicsFunctions::CallMethod(TObject* Instance, TClass C, const std::string& N, TscArgs& P) {
  auto i32 = [&](size_t i) { return P[i].AsInteger(); };
  if (N == "CREATE") {
    if (Instance) return Ref(Instance);
    if (C == TMetafileCanvas::StaticClass()) {
      auto ref = reinterpret_cast<HDC>(static_cast<intptr_t>(P[1].AsInt64()));
      return Ref(new TMetafileCanvas(Obj<TMetafile>(P[0]), ref));
    }
    // Each class's own (virtual) constructor, so a bitmap or metafile is built as such.
    TClass c = scConstructingClass();
    if (!c) throw EInvalidPointer("Invalid object reference");
    return Ref(TPendingInstance(c).Construct(nullptr));
  }
  if (C == TCanvas::StaticClass()) {
    auto* cv = Self<TCanvas>(Instance);
    if (N == "DRAW")
      cv->Draw(i32(0), i32(1), Obj<TGraphic>(P[2]));
    else if (N == "ELLIPSE")
      cv->Ellipse(i32(0), i32(1), i32(2), i32(3));
    else if (N == "LINETO")
      cv->LineTo(i32(0), i32(1));
    else if (N == "MOVETO")
      cv->MoveTo(i32(0), i32(1));
    else if (N == "RECTANGLE")
      cv->Rectangle(i32(0), i32(1), i32(2), i32(3));
    else if (N == "ROUNDRECT")
      cv->RoundRect(i32(0), i32(1), i32(2), i32(3), i32(4), i32(5));
    else if (N == "STRETCHDRAW")
      cv->StretchDraw(RECT{i32(0), i32(1), i32(2), i32(3)}, Obj<TGraphic>(P[4]));
    else if (N == "TEXTHEIGHT")
      return cv->TextHeight(VarToStr(P[0]));
    else if (N == "TEXTOUT")
      cv->TextOut(i32(0), i32(1), VarToStr(P[2]));
    else if (N == "TEXTWIDTH")
      return cv->TextWidth(VarToStr(P[0]));
    else if (N == "PIXELS.GET")
      return static_cast<int32_t>(cv->Pixels(i32(0), i32(1)));
    else if (N == "PIXELS.SET")
      cv->SetPixels(i32(0), i32(1), static_cast<TColor>(P[2].AsInt64()));
  } else if (C == TGraphic::StaticClass()) {
    auto* gr = Self<TGraphic>(Instance);
    if (N == "LOADFROMFILE")
      gr->LoadFromFile(VarToStr(P[0]));
    else if (N == "SAVETOFILE")
      gr->SaveToFile(VarToStr(P[0]));
  } else if (C == TPicture::StaticClass()) {
    auto* pic = Self<TPicture>(Instance);
    if (N == "LOADFROMFILE")
      pic->LoadFromFile(VarToStr(P[0]));
    else if (N == "SAVETOFILE")
      pic->SaveToFile(VarToStr(P[0]));
  }
  return 0;
}

Variant TGraphicsFunctions::GetProp(TObject* Instance, TClass C, const std::string& N) {
  if (C == TGraphic::StaticClass()) {
    auto* gr = Self<TGraphic>(Instance);
    if (N == "HEIGHT") return gr->Height();
    if (N == "WIDTH") return gr->Width();
  } else if (C == TPicture::StaticClass()) {
    auto* pic = Self<TPicture>(Instance);
    if (N == "HEIGHT") return pic->Height();
    if (N == "WIDTH") return pic->Width();
  } else if (C == TBitmap::StaticClass() && N == "CANVAS") {
    return Ref(Self<TBitmap>(Instance)->Canvas());
  }
  return 0;
}

void TGraphicsFunctions::SetProp(TObject* Instance, TClass C, const std::string& N, const Variant& V) {
  if (C != TGraphic::StaticClass()) return;
  auto* gr = Self<TGraphic>(Instance);
  if (N == "HEIGHT")
    gr->SetHeight(V.AsInteger());
  else if (N == "WIDTH")
    gr->SetWidth(V.AsInteger());
}

}  // namespace

void scStartGraphicsRTTI() {
  if (gGraphicsFunctions) return;
  if (TscScript* s = scGlobalScript()) gGraphicsFunctions = new TGraphicsFunctions(s);
}

void scStopGraphicsRTTI() {
  delete gGraphicsFunctions;
  gGraphicsFunctions = nullptr;
}
