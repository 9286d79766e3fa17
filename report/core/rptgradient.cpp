#include "report/core/rptgradient.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptregistry.h"
#include "report/core/rptres.h"
#include "script/sc_iinterpreter.h"

ORV_CLASS_IMPL(TrptGradientView, TrptView)
ORV_CLASS_IMPL(TrptGradientObject, TComponent)

int rptMulDiv(int A, int B, int C) {
  if (C == 0) return -1;
  long long n = static_cast<long long>(A) * B;
  long long q = (std::llabs(n) * 2 + std::llabs(static_cast<long long>(C))) / (2 * std::llabs(static_cast<long long>(C)));
  return static_cast<int>((n < 0) != (C < 0) ? -q : q);
}

TrptGradientView::TrptGradientView(TComponent* AOwner) : TrptView(AOwner) {
  BeginColor = 16777215;
  EndColor = 8421504;
}

void TrptGradientView::Publish(TPublisher<TrptGradientView>& P) {
  P.Prop("BeginColor", &TrptGradientView::BeginColor).Type("TColor").Default(16777215);
  P.Prop("EndColor", &TrptGradientView::EndColor).Type("TColor").Default(8421504);
  P.Prop("Style", &TrptGradientView::Style);
  P.Prop("Frame", &TrptGradientView::Frame, &TrptGradientView::SetFrame);
}

std::string TrptGradientView::GetKindCaption() const { return rptGet("obGrad"); }

void TrptGradientView::Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) {
  BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  DrawGradient(Canvas, FX, FY, FX1 - FX, FY1 - FY);
  DrawFrame();
}

void TrptGradientView::DrawGradient(TCanvas* Canvas, int X, int Y, int W, int H) {
  // An empty (or inverted) rectangle has nothing to fill.
  if (W <= 0 || H <= 0) return;
  const int r0 = BeginColor & 0xFF, g0 = (BeginColor >> 8) & 0xFF, b0 = (BeginColor >> 16) & 0xFF;
  const int dr = (EndColor & 0xFF) - r0, dg = ((EndColor >> 8) & 0xFF) - g0, db = ((EndColor >> 16) & 0xFF) - b0;
  // Colour k of n steps; a run of no steps (a centred gradient one pixel across) is the begin
  // colour rather than a division by zero.
  auto colour = [&](int k, int n) -> int32_t {
    if (n == 0) return BeginColor & 0xFFFFFF;
    int r = (r0 + rptMulDiv(k, dr, n)) & 0xFF, g = (g0 + rptMulDiv(k, dg, n)) & 0xFF,
        b = (b0 + rptMulDiv(k, db, n)) & 0xFF;
    return r | (g << 8) | (b << 16);
  };
  TBrush* brush = Canvas->Brush();
  brush->SetStyle(bsSolid);
  auto fill = [&](int L, int T, int R, int B, int32_t C) {
    brush->SetColor(C);
    Canvas->FillRect(RECT{L, T, R, B});
  };
  switch (Style) {
    case gsHorizontal:
      for (int k = 0; k <= 255; ++k)
        fill(X + rptMulDiv(k, W, 256), Y, X + rptMulDiv(k + 1, W, 256), Y + H, colour(k, 255));
      break;
    case gsVertical:
      for (int k = 0; k <= 255; ++k)
        fill(X, Y + rptMulDiv(k, H, 256), X + W, Y + rptMulDiv(k + 1, H, 256), colour(k, 255));
      break;
    case gsElliptic: {
      auto bmp = std::make_unique<TBitmap>();
      bmp->SetWidth(W);
      bmp->SetHeight(H);
      TCanvas* c = bmp->Canvas();
      c->Pen()->SetStyle(psClear);
      c->Brush()->SetStyle(bsSolid);
      double l = -W / 4.0, t = -H / 4.0, r = W + W / 4.0, b = H + H / 4.0;
      const double sx = (W / 4.0 + W / 2.0) / 155, sy = (H / 4.0 + H / 2.0) / 155;
      for (int k = 0; k <= 155; ++k) {
        l += sx;
        t += sy;
        r -= sx;
        b -= sy;
        c->Brush()->SetColor(colour(k, 155));
        c->Ellipse(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b));
      }
      Canvas->Draw(X, Y, bmp.get());
      break;
    }
    case gsRectangle: {
      Canvas->Pen()->SetStyle(psClear);
      Canvas->Pen()->SetMode(pmCopy);
      double l = X, t = Y, r = X + W, b = Y + H;
      const double sx = W / 2.0 / 255, sy = H / 2.0 / 255;
      for (int k = 0; k <= 255; ++k) {
        l += sx;
        t += sy;
        r -= sx;
        b -= sy;
        brush->SetColor(colour(k, 255));
        Canvas->Rectangle(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b));
      }
      Canvas->Pen()->SetStyle(psSolid);
      break;
    }
    case gsVertCenter: {
      const int m = H / 2;
      for (int k = 0; k <= m; ++k) {
        int32_t c = colour(k, m);
        fill(X, Y + k, X + W, Y + k + 1, c);
        fill(X, Y + H - k - 1, X + W, Y + H - k, c);
      }
      break;
    }
    case gsHorizCenter: {
      const int m = W / 2;
      for (int k = 0; k <= m; ++k) {
        int32_t c = colour(k, m);
        fill(X + k, Y, X + k + 1, Y + H, c);
        fill(X + W - k - 1, Y, X + W - k, Y + H, c);
      }
      break;
    }
    default: break;  // an unknown style draws no gradient
  }
}

void rptRegisterGradientClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  rptObjectRegistry().AddObjectClass(TrptGradientView::StaticClass(), nullptr, "", "Other", 0, 50);
  // These names stay in the global script for as long as it lives.
  TscScript* g = scGlobalScript();
  TObject* saved = g->Registrar;
  g->Registrar = nullptr;
  g->AddEnum("TrptGradientStyle", "gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter");
  g->AddClass(TrptGradientView::StaticClass(), "TrptView");
  g->Registrar = saved;
}
