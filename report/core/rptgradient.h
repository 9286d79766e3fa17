// The gradient view: fills its rectangle with a colour gradient from a begin colour to an end
// colour in one of six patterns, then draws its frame.
#pragma once

#include <string>

#include "report/core/rptview.h"

enum TrptGradientStyle { gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter };
ORV_ENUM_TYPEINFO(TrptGradientStyle, gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter)

class TrptGradientView : public TrptView {
  ORV_CLASS(TrptGradientView, TrptView)
public:
  explicit TrptGradientView(TComponent* AOwner);
  static void Publish(TPublisher<TrptGradientView>& P);
  std::string GetKindCaption() const override;
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;

  int32_t BeginColor = 16777215;
  int32_t EndColor = 8421504;
  TrptGradientStyle Style = gsHorizontal;

private:
  void DrawGradient(TCanvas* Canvas, int X, int Y, int W, int H);
};

// The gradient unit's component class (it has nothing of its own).
class TrptGradientObject : public TComponent {
  ORV_CLASS(TrptGradientObject, TComponent)
public:
  using TComponent::TComponent;
};

// a × b / c with a 64-bit intermediate, rounded to the nearest integer (halves away from zero);
// -1 when c is 0.
int rptMulDiv(int A, int B, int C);
// Registers the gradient view's palette entry and script names (runs once).
void rptRegisterGradientClasses();
