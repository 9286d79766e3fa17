// The barcode view: a report object that shows its text (from a data field, an expression or its
// own Text) as a barcode drawn by the generator it owns, sizing itself to the barcode; text the
// symbology rejects shows the error message in red instead of bars.
#pragma once

#include <memory>
#include <string>

#include "report/core/rptbarcode.h"
#include "report/core/rptview.h"

class TrptBarCodeView : public TrptView {
  ORV_CLASS(TrptBarCodeView, TrptView)
public:
  explicit TrptBarCodeView(TComponent* AOwner);
  ~TrptBarCodeView() override;
  static void Publish(TPublisher<TrptBarCodeView>& P);
  std::string GetKindCaption() const override;
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  void GetData() override;

  TrptBarcode* Barcode() const { return FBarcode.get(); }
  // The message of the last drawing that could not encode the text (empty when it could).
  const std::string& ErrorText() const { return FErrorText; }

  TrptBarcodeType BarType = bcCode39;
  bool CalcCheckSum = false;
  std::string Expression;
  TrptHAlign HAlign = haLeft;
  int32_t Rotation = 0;
  bool ShowText = true;
  std::string Text = "12345678";
  Extended Zoom = 1;

private:
  std::unique_ptr<TrptBarcode> FBarcode;
  std::string FErrorText;
};

// The barcode unit's component class (it has nothing of its own).
class TrptBarCodeObject : public TComponent {
  ORV_CLASS(TrptBarCodeObject, TComponent)
public:
  using TComponent::TComponent;
};

// Registers the barcode view's palette entry and script names (runs once).
void rptRegisterBarcodeClasses();
