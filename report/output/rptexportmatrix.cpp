// The export cell matrix: adding objects, boundaries, placement, cutting and frame optimisation.
#include "report/output/rptexportmatrix.h"

#include <algorithm>
#include <cmath>

#include "report/core/rptclass.h"
#include "report/core/rptpreviewpages.h"

std::string rptMemoText(const TStrings* Memo) {
  std::string s;
  for (int i = 0; i < Memo->Count(); ++i) s += Memo->Strings(i) + "\r\n";
  return s;
}

TrptIEMStyle::TrptIEMStyle() : Font(std::make_unique<TFont>()) {}

void TrptIEMStyle::Assign(const TrptIEMStyle& S) {
  Font->Assign(S.Font.get());
  LineSpacing = S.LineSpacing;
  GapX = S.GapX;
  GapY = S.GapY;
  VAlign = S.VAlign;
  HAlign = S.HAlign;
  FrameTyp = S.FrameTyp;
  FrameWidth = S.FrameWidth;
  FrameColor = S.FrameColor;
  FrameStyle = S.FrameStyle;
  Color = S.Color;
  Rotation = S.Rotation;
}

bool TrptIEMStyle::SameAs(const TrptIEMStyle& S) const {
  return Font->Color() == S.Font->Color() && Font->Name() == S.Font->Name() && Font->Size() == S.Font->Size() &&
         Font->Style() == S.Font->Style() && LineSpacing == S.LineSpacing && GapX == S.GapX && GapY == S.GapY &&
         HAlign == S.HAlign && VAlign == S.VAlign && FrameTyp == S.FrameTyp && FrameWidth == S.FrameWidth &&
         FrameColor == S.FrameColor && FrameStyle == S.FrameStyle && Rotation == S.Rotation && Color == S.Color;
}

TrptIEMObject::TrptIEMObject() : Memo(std::make_unique<TStringList>()), DisplayFormat(std::make_unique<TrptFormat>()) {}

TrptIEMatrix::TrptIEMatrix(bool, const std::string&) {}

TrptIEMatrix::~TrptIEMatrix() { Clear(); }

void TrptIEMatrix::Clear() {
  FObjects.clear();
  FStyles.clear();
  FXPositions.clear();
  FYPositions.clear();
  FPages.clear();
  FCells.clear();
  FDeltaY = 0;
}

namespace {

bool IsTextView(TrptView* V, bool RotatedAsImage) {
  auto* m = dynamic_cast<TrptCustomMemoView*>(V);
  return m && (m->BrushStyle == bsSolid || m->BrushStyle == bsClear) && !(m->Rotation() != 0 && RotatedAsImage);
}

bool IsLineView(TrptView* V) {
  return dynamic_cast<TrptCustomLineView*>(V) && (V->Width() == 0 || V->Height() == 0);
}

bool IsRectView(TrptView* V) {
  auto* s = dynamic_cast<TrptShapeView*>(V);
  return s && s->Shape == skRectangle;
}

void CopyFrame(TrptIEMStyle& S, TrptFrame* F) {
  S.FrameTyp = F->Typ;
  S.FrameWidth = static_cast<float>(F->Width);
  S.FrameColor = F->Color;
  S.FrameStyle = F->Style;
}

}  // namespace

int TrptIEMatrix::AddInternalStyle(std::unique_ptr<TrptIEMStyle> Style) {
  for (size_t i = 0; i < FStyles.size(); ++i)
    if (FStyles[i]->SameAs(*Style)) return static_cast<int>(i);
  FStyles.push_back(std::move(Style));
  return static_cast<int>(FStyles.size()) - 1;
}

int TrptIEMatrix::CopyStyleWith(int Index, TrptFrameTypes Typ, TColor Color, bool SetColor) {
  auto s = std::make_unique<TrptIEMStyle>();
  s->Assign(*FStyles[static_cast<size_t>(Index)]);
  s->FrameTyp = Typ;
  if (SetColor) s->Color = Color;
  return AddInternalStyle(std::move(s));
}

int TrptIEMatrix::AddStyle(TrptView* View) {
  auto s = std::make_unique<TrptIEMStyle>();
  if (IsTextView(View, RotatedAsImage)) {
    auto* m = static_cast<TrptCustomMemoView*>(View);
    if (m->Highlight()->Active) {
      s->Font->Assign(m->Highlight()->Font());
      s->Color = m->Highlight()->Color;
    } else {
      s->Font->Assign(m->Font());
      s->Color = m->Color;
    }
    s->HAlign = m->HAlign;
    s->VAlign = m->VAlign;
    s->LineSpacing = m->LineSpacing;
    s->GapX = m->GapX;
    s->GapY = m->GapY;
    s->Rotation = m->Rotation();
    CopyFrame(*s, m->Frame());
  } else if (IsLineView(View)) {
    s->Color = View->Color;
    CopyFrame(*s, View->Frame());
    s->FrameTyp = View->Width() == 0 ? TrptFrameTypes{ftLeft} : TrptFrameTypes{ftTop};
    s->Font->SetName("Arial");
    s->Font->SetSize(1);
  } else if (IsRectView(View)) {
    return -1;
  } else {
    s->Font->Assign(View->Font());
    s->Color = View->Color;
    CopyFrame(*s, View->Frame());
  }
  return AddInternalStyle(std::move(s));
}

void TrptIEMatrix::AddPos(std::vector<Extended>& List, Extended Value) {
  size_t from = List.size() > 100 ? List.size() - 100 : 0;
  for (size_t i = from; i < List.size(); ++i)
    if (List[i] == Value) return;
  List.push_back(Value);
}

void TrptIEMatrix::AddTempText(const std::string& Name, TrptFrame* Frame, TrptFrameTypes Typ, TColor Color,
                               Extended L, Extended T, Extended W, Extended H) {
  TrptMemoView m(nullptr);
  m.SetName(Name);
  if (Frame) m.SetFrame(Frame);
  m.Frame()->Typ = Typ;
  m.Frame()->DropShadow = false;
  m.Color = Color;
  m.Font()->SetSize(1);
  m.SetBounds(L, T, W, H);
  AddObject(&m);
}

void TrptIEMatrix::AddTempLine(TrptFrame* Frame, Extended L, Extended T, Extended W, Extended H) {
  TrptLineView l(nullptr);
  l.SetName("Line");
  l.SetFrame(Frame);
  l.SetBounds(L, T, W, H);
  AddObject(&l);
}

void TrptIEMatrix::AddObject(TrptView* View) {
  if (!View) return;
  if (View->Name() == "_pagebackground" && !Background && (ExportNotPrintable || View->Printable)) return;
  const Extended absLeft = View->GetAbsLeft(), absTop = View->GetAbsTop();
  auto* memo = dynamic_cast<TrptCustomMemoView*>(View);
  if (memo && memo->Frame()->DropShadow) {
    TrptFrame* f = memo->Frame();
    const Extended sw = f->ShadowWidth, w = memo->Width(), h = memo->Height();
    memo->SetBounds(memo->Left(), memo->Top(), w - sw, h - sw);
    f->DropShadow = false;
    try {
      AddObject(memo);
    } catch (...) {
      memo->SetBounds(memo->Left(), memo->Top(), w, h);
      f->DropShadow = true;
      throw;
    }
    memo->SetBounds(memo->Left(), memo->Top(), w, h);
    f->DropShadow = true;
    AddTempText("Shadow", nullptr, TrptFrameTypes{}, f->ShadowColor, absLeft + w - sw, absTop + sw, sw, h - sw);
    AddTempText("Shadow", nullptr, TrptFrameTypes{}, f->ShadowColor, absLeft + sw, absTop + h - sw, w - sw, sw);
    return;
  }
  auto obj = std::make_unique<TrptIEMObject>();
  obj->StyleIndex = AddStyle(View);
  if (obj->StyleIndex != -1) obj->Style = FStyles[static_cast<size_t>(obj->StyleIndex)].get();
  obj->URL = View->URL;
  if (Report && !obj->URL.empty() && obj->URL[0] == '#') {
    auto* pp = dynamic_cast<TrptPreviewPages*>(Report->PreviewPages());
    obj->URL = "@" + IntToStr(pp ? pp->GetAnchorPage(obj->URL.substr(1)) : 1);
  }
  obj->Left = absLeft < 0 ? 0 : absLeft;
  obj->Top = absTop < 0 ? FDeltaY : absTop + FDeltaY;
  obj->Width = View->Width();
  obj->Height = View->Height();
  if (IsTextView(View, RotatedAsImage)) {
    if (DeleteHTMLTags && memo->AllowHTMLTags) obj->Memo->SetText(memo->LayoutText(false));
    else obj->Memo->Assign(memo->Memo());
    obj->IsText = true;
    obj->IsRichText = false;
    obj->RTL = memo->RTLReading;
    obj->DisplayFormat->Assign(memo->DisplayFormat());
  } else if (RichText && View->ClassName() == "TrptRichView") {
    obj->IsText = true;
    obj->IsRichText = true;
    obj->Memo->SetText(View->GetComponentText());
  } else if (IsLineView(View)) {
    obj->IsText = true;
    if (obj->Width < 0) {
      obj->Left += obj->Width;
      obj->Width = -obj->Width;
    }
    if (obj->Height < 0) {
      obj->Top += obj->Height;
      obj->Height = -obj->Height;
    }
    const Extended thick = Inaccuracy >= 1 ? Inaccuracy : 1;
    if (obj->Width == 0) obj->Width = thick;
    if (obj->Height == 0) obj->Height = thick;
  } else if (IsRectView(View)) {
    const Extended w = View->Width(), h = View->Height();
    if (View->Color == clNone) {
      AddTempLine(View->Frame(), absLeft, absTop, w, 0);
      AddTempLine(View->Frame(), absLeft, absTop, 0, h);
      AddTempLine(View->Frame(), absLeft, absTop + h, w, 0);
      AddTempLine(View->Frame(), absLeft + w, absTop, 0, h);
    } else {
      AddTempText("Rect", View->Frame(), TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom}, View->Color, absLeft,
                  absTop, w, h);
    }
    return;
  } else if (View->Name() == "_pagebackground" && !BackgroundImage) {
    // An empty text cell that carries the page's colour and frame.
  } else {
    TrptFrame* f = View->Frame();
    const double savedWidth = f->Width;
    const bool framed = !f->Typ.Empty() && f->Width > 0;
    if (framed) f->Width = 0;
    obj->IsText = false;
    Extended w = View->Width(), h = View->Height(), x = absLeft, y = absTop;
    if (rptRound(w) == 0) w = 1;
    if (rptRound(h) == 0) h = 1;
    if (w < 0) {
      w = -w;
      obj->Left -= w;
      x -= w;
    }
    if (h < 0) {
      h = -h;
      obj->Top -= h;
      y -= h;
    }
    obj->Width = w;
    obj->Height = h;
    obj->Image = std::make_unique<TBitmap>();
    obj->Image->SetPixelFormat(pf24bit);
    obj->Image->SetSize(rptRound(w) + 1, rptRound(h) + 1);
    try {
      View->Draw(obj->Image->Canvas(), 1, 1, -x, -y);
    } catch (...) {
      if (framed) f->Width = savedWidth;
      throw;
    }
    if (framed) f->Width = savedWidth;
  }
  MaxWidth = std::max(MaxWidth, obj->Left + obj->Width);
  MaxHeight = std::max(MaxHeight, obj->Top + obj->Height);
  MinLeft = std::min(MinLeft, obj->Left);
  MinTop = std::min(MinTop, obj->Top);
  if (obj->Left < LeftEdge || LeftEdge == 0) LeftEdge = obj->Left;
  if (obj->Top < TopEdge || TopEdge == 0) TopEdge = obj->Top;
  AddPos(FXPositions, obj->Left);
  AddPos(FXPositions, obj->Left + obj->Width);
  AddPos(FYPositions, obj->Top);
  AddPos(FYPositions, obj->Top + obj->Height);
  TrptIEMObjectList e;
  e.Obj = std::move(obj);
  FObjects.push_back(std::move(e));
}

void TrptIEMatrix::AddPage(TPrinterOrientation Orientation, Extended W, Extended H, Extended LeftMargin,
                           Extended TopMargin, Extended RightMargin, Extended BottomMargin) {
  FDeltaY = MaxHeight;
  TrptIEMPage p;
  p.PageBreak = MaxHeight;
  p.Orientation = Orientation;
  p.Width = W;
  p.Height = H;
  p.LeftMargin = LeftMargin;
  p.TopMargin = TopMargin;
  p.RightMargin = RightMargin;
  p.BottomMargin = BottomMargin;
  FPages.push_back(p);
}

void TrptIEMatrix::PrepareBoundaries(std::vector<Extended>& List, Extended MaxCell) {
  std::sort(List.begin(), List.end());
  for (size_t i = 0; i + 1 < List.size();) {
    if (Inaccuracy > List[i + 1] - List[i]) List.erase(List.begin() + static_cast<std::ptrdiff_t>(i));
    else ++i;
  }
  if (MaxCell > 0) {
    const size_t n = List.size();
    bool added = false;
    for (size_t i = 0; i + 1 < n; ++i) {
      const Extended a = List[i], b = List[i + 1];
      if (b - a > MaxCell) {
        const long k = static_cast<long>(std::floor((b - a) / MaxCell));
        for (long j = 1; j <= k; ++j) {
          AddPos(List, a + j * MaxCell);
          added = true;
        }
      }
    }
    if (added) std::sort(List.begin(), List.end());
  }
}

namespace {

// Index of an equal value, otherwise of the first value above it (List.size() when none).
size_t Bisect(const std::vector<Extended>& List, Extended Value) {
  return static_cast<size_t>(std::lower_bound(List.begin(), List.end(), Value) - List.begin());
}

void Span(const std::vector<Extended>& List, Extended Start, Extended Size, int& Index, int& Count) {
  size_t i = Bisect(List, Start);
  if (i >= List.size()) return;
  Index = static_cast<int>(i);
  size_t j = i;
  while (j + 1 < List.size() && List[j] < Start + Size) ++j;
  Count = std::max(1, static_cast<int>(j - i));
}

}  // namespace

void TrptIEMatrix::Place(TrptIEMObjectList& E) const {
  Span(FXPositions, E.Obj->Left, E.Obj->Width, E.X, E.Dx);
  Span(FYPositions, E.Obj->Top, E.Obj->Height, E.Y, E.Dy);
}

void TrptIEMatrix::Prepare() {
  if (FillArea) {
    auto s = std::make_unique<TrptIEMStyle>();
    s->Color = 0xFFFFFF;
    const int si = AddInternalStyle(std::move(s));
    TrptIEMObjectList e;
    e.Obj = std::make_unique<TrptIEMObject>();
    e.Obj->StyleIndex = si;
    e.Obj->Style = FStyles[static_cast<size_t>(si)].get();
    e.Obj->Left = CropFillArea ? MinLeft : 0;
    e.Obj->Top = CropFillArea ? MinTop : 0;
    if (e.Obj->Left > 99998) e.Obj->Left = 0;
    if (e.Obj->Top > 99998) e.Obj->Top = 0;
    e.Obj->Width = MaxWidth;
    e.Obj->Height = MaxHeight;
    AddPos(FXPositions, 0);
    AddPos(FYPositions, 0);
    FObjects.insert(FObjects.begin(), std::move(e));
  }
  PrepareBoundaries(FXPositions, MaxCellWidth);
  PrepareBoundaries(FYPositions, MaxCellHeight);
  for (auto& e : FObjects) Place(e);
  Width = static_cast<int>(FXPositions.size());
  Height = static_cast<int>(FYPositions.size());
  FCells.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), -1);
  for (size_t k = 0; k < FObjects.size(); ++k) {
    auto& e = FObjects[k];
    TrptIEMObject* o = e.Obj.get();
    if (o->Width <= 0 || o->Height <= 0) continue;  // covers no cell
    if (o->Style && o->Style->Color == clNone && e.X < Width && e.Y < Height) {
      int under = CellAt(e.X, e.Y);
      if (under >= 0) {
        TrptIEMStyle* us = FObjects[static_cast<size_t>(under)].Obj->Style;
        if (us && us->Color != clNone && us->Color != o->Style->Font->Color()) {
          o->StyleIndex = CopyStyleWith(o->StyleIndex, o->Style->FrameTyp, us->Color, true);
          o->Style = FStyles[static_cast<size_t>(o->StyleIndex)].get();
        }
      }
    }
    for (int y = e.Y; y < e.Y + e.Dy && y < Height; ++y)
      for (int x = e.X; x < e.X + e.Dx && x < Width; ++x) CellAt(x, y) = static_cast<int>(k);
  }
  Cut();
  if (FramesOptimization) OptimizeFrames();
}

void TrptIEMatrix::Cut() {
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const int k = CellAt(x, y);
      if (k < 0 || FObjects[static_cast<size_t>(k)].Exist) continue;
      int dx = 0;
      while (x + dx < Width && CellAt(x + dx, y) == k) ++dx;
      int dy = 1;
      for (;;) {
        if (y + dy >= Height) break;
        int run = 0;
        while (x + run < Width && CellAt(x + run, y + dy) == k) ++run;
        if (run < dx) break;
        ++dy;
      }
      TrptIEMObjectList& src = FObjects[static_cast<size_t>(k)];
      if (src.X == x && src.Y == y && src.Dx == dx && src.Dy == dy) {
        src.Exist = true;
        continue;
      }
      TrptIEMObject* so = src.Obj.get();
      auto piece = std::make_unique<TrptIEMObject>();
      piece->StyleIndex = so->StyleIndex;
      piece->Style = so->Style;
      piece->Left = GetXPosById(x);
      piece->Top = GetYPosById(y);
      piece->Width = GetXPosById(std::min(x + dx, Width - 1)) - piece->Left;
      piece->Height = GetYPosById(std::min(y + dy, Height - 1)) - piece->Top;
      piece->Parent = so;
      if (so->Top + so->Height - piece->Top > so->Height / 3 && so->Left + so->Width - piece->Left > so->Width / 3) {
        piece->Image = std::move(so->Image);
        piece->IsText = so->IsText;
        piece->Memo->Assign(so->Memo.get());
        so->Memo->Clear();
        so->IsText = true;
      }
      if (so->Style) {
        TrptFrameTypes t;
        const TrptFrameTypes st = so->Style->FrameTyp;
        auto eq = [](Extended a, Extended b) { return std::fabs(a - b) < 1e-9; };
        if (st.Contains(ftTop) && eq(piece->Top, so->Top)) t += ftTop;
        if (st.Contains(ftLeft) && eq(piece->Left, so->Left)) t += ftLeft;
        if (st.Contains(ftBottom) && eq(piece->Top + piece->Height, so->Top + so->Height)) t += ftBottom;
        if (st.Contains(ftRight) && eq(piece->Left + piece->Width, so->Left + so->Width)) t += ftRight;
        if (!(t == piece->Style->FrameTyp)) {
          piece->StyleIndex = CopyStyleWith(so->StyleIndex, t, 0, false);
          piece->Style = FStyles[static_cast<size_t>(piece->StyleIndex)].get();
        }
      }
      TrptIEMObjectList e;
      e.Obj = std::move(piece);
      e.X = x;
      e.Y = y;
      e.Dx = dx;
      e.Dy = dy;
      e.Exist = true;
      FObjects.push_back(std::move(e));
      const int ni = static_cast<int>(FObjects.size()) - 1;
      for (int yy = y; yy < y + dy; ++yy)
        for (int xx = x; xx < x + dx; ++xx)
          if (CellAt(xx, yy) == k) CellAt(xx, yy) = ni;
    }
}

void TrptIEMatrix::OptimizeFrames() {
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      const int k = CellAt(x, y);
      if (k < 0) continue;
      TrptIEMObject* o = FObjects[static_cast<size_t>(k)].Obj.get();
      if (!o->Style) continue;
      TrptFrameTypes t = o->Style->FrameTyp;
      auto dup = [&](int nx, int ny, TrptFrameType side) {
        if (nx < 0 || ny < 0) return false;
        int n = CellAt(nx, ny);
        if (n < 0 || n == k) return false;
        TrptIEMStyle* s = FObjects[static_cast<size_t>(n)].Obj->Style;
        return s && s->FrameTyp.Contains(side) && s->FrameWidth == o->Style->FrameWidth &&
               s->FrameColor == o->Style->FrameColor;
      };
      if (t.Contains(ftTop) && dup(x, y - 1, ftBottom)) t -= ftTop;
      if (t.Contains(ftLeft) && dup(x - 1, y, ftRight)) t -= ftLeft;
      if (!(t == o->Style->FrameTyp)) {
        o->StyleIndex = CopyStyleWith(o->StyleIndex, t, 0, false);
        o->Style = FStyles[static_cast<size_t>(o->StyleIndex)].get();
      }
    }
}

int TrptIEMatrix::GetCell(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= Width || Y >= Height) return -1;
  return FCells[static_cast<size_t>(X + Y * Width)];
}

TrptIEMObject* TrptIEMatrix::GetObject(int X, int Y) const {
  int k = GetCell(X, Y);
  return k < 0 ? nullptr : FObjects[static_cast<size_t>(k)].Obj.get();
}

TrptIEMObject* TrptIEMatrix::GetObjectById(int Index) const {
  return Index >= 0 && Index < ObjectsCount() ? FObjects[static_cast<size_t>(Index)].Obj.get() : nullptr;
}

void TrptIEMatrix::GetObjectPos(int Index, int& X, int& Y, int& Dx, int& Dy) const {
  const auto& e = FObjects.at(static_cast<size_t>(Index));
  X = e.X;
  Y = e.Y;
  Dx = e.Dx;
  Dy = e.Dy;
}
