// The barcode generator: turns a text into the bars of one of 23 linear symbologies (a pattern
// string of element widths) and draws them, rotated by a right angle and with the readable text,
// through a metafile stretched into a rectangle of any canvas.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/component.h"
#include "platform/win/windef.h"

class TCanvas;
class TMetafile;

enum TrptBarcodeType {
  bcCode_2_5_interleaved, bcCode_2_5_industrial, bcCode_2_5_matrix, bcCode39, bcCode39Extended,
  bcCode128A, bcCode128B, bcCode128C, bcCode93, bcCode93Extended, bcCodeMSI, bcCodePostNet,
  bcCodeCodabar, bcCodeEAN8, bcCodeEAN13, bcCodeUPC_A, bcCodeUPC_E0, bcCodeUPC_E1, bcCodeUPC_Supp2,
  bcCodeUPC_Supp5, bcCodeEAN128A, bcCodeEAN128B, bcCodeEAN128C
};
ORV_ENUM_TYPEINFO(TrptBarcodeType, bcCode_2_5_interleaved, bcCode_2_5_industrial, bcCode_2_5_matrix, bcCode39,
                  bcCode39Extended, bcCode128A, bcCode128B, bcCode128C, bcCode93, bcCode93Extended, bcCodeMSI,
                  bcCodePostNet, bcCodeCodabar, bcCodeEAN8, bcCodeEAN13, bcCodeUPC_A, bcCodeUPC_E0, bcCodeUPC_E1,
                  bcCodeUPC_Supp2, bcCodeUPC_Supp5, bcCodeEAN128A, bcCodeEAN128B, bcCodeEAN128C)

enum TrptCheckSumMethod { csmNone, csmModulo10 };
ORV_ENUM_TYPEINFO(TrptCheckSumMethod, csmNone, csmModulo10)

class TrptBarcode : public TComponent {
  ORV_CLASS(TrptBarcode, TComponent)
public:
  explicit TrptBarcode(TComponent* AOwner);
  ~TrptBarcode() override;
  static void Publish(TPublisher<TrptBarcode>& P);
  void Assign(TPersistent* Source) override;

  // The pattern of the current text and type: "0"-"3" spaces, "5"-"8" bars, "A"-"D" short bars
  // of the four element widths. May rewrite Text; raises Exception on text the type rejects.
  std::string BuildPattern();
  // Total width of the pattern in units.
  int Width();
  // Draws the bars (and the readable text when ShowText) stretched into Rect.
  void DrawToCanvas(TCanvas* Canvas, const RECT& Rect, bool ShowText);
  // The metafile DrawToCanvas stretches into Rect (bars, text boxes and text in metafile units).
  std::unique_ptr<TMetafile> MakeMetafile(const RECT& Rect, bool ShowText);
  // Width in units of one pattern character (0 for characters that are no element).
  int ElementWidth(char C) const;

  double Angle = 0;
  int32_t Color = 16777215;
  int32_t ColorBar = 0;
  bool Checksum = false;
  TrptCheckSumMethod CheckSumMethod = csmModulo10;
  int Height = 0;
  int LeftOffset = 0;
  int TopOffset = 0;
  int Modul = 1;
  double Ratio = 2;
  std::string Text;
  TrptBarcodeType Typ = bcCodeEAN13;

private:
  void CalcElementWidths();
  std::string DoCheckSumming(const std::string& Data) const;
  // Whether Checksum asks for a check digit by the check-digit method (csmNone asks for none).
  bool DigitCheck() const { return Checksum && CheckSumMethod != csmNone; }
  std::string Code_2_5_interleaved();
  std::string Code_2_5_industrial();
  std::string Code_2_5_matrix();
  std::string Code_39();
  std::string Code_39Extended();
  std::string Code_93();
  std::string Code_93Extended();
  std::string Code_MSI();
  std::string Code_PostNet();
  std::string Code_Codabar();
  std::string Code_EAN8();
  std::string Code_EAN13();
  std::string Code_UPC_A();
  std::string Code_UPC_E(bool E1);
  std::string Code_Supp2();
  std::string Code_Supp5();
  std::string Code_128();
  void DrawBars(TCanvas* Canvas, const std::string& Pattern, int W, int H);
  void DrawText(TCanvas* Canvas, int F, int G, int W);
  uint8_t FWidths[4] = {1, 2, 3, 4};
  bool FChecked = false;
  std::string FCheckedText;
};
