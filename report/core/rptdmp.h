// Dot-matrix report objects: text, line and raw printer-command objects and the page, laid out on
// a grid of character cells (9.6 by 17 pixels) and carrying a character-printer font style.
// On screen they draw like their parents with a fixed-pitch font; the styles beyond bold, italic
// and underline and the command text travel in the report and the prepared pages for output to
// character printers.
#pragma once

#include <string>

#include "platform/rtl/sets.h"
#include "report/core/rptbands.h"
#include "report/core/rptview.h"

enum TrptDMPFontStyle { fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed, fsxWide,
                        fsx12cpi, fsx15cpi };
ORV_ENUM_TYPEINFO(TrptDMPFontStyle, fsxBold, fsxItalic, fsxUnderline, fsxSuperScript, fsxSubScript, fsxCondensed,
                  fsxWide, fsx12cpi, fsx15cpi)
using TrptDMPFontStyles = TSet<TrptDMPFontStyle>;

// Size of one character cell in pixels.
constexpr Extended rp1CharX = 9.6;
constexpr Extended rp1CharY = 17;

// Makes Font the dot-matrix screen font of Style ("Courier New", 12 points, bold, italic and
// underline from the style) without firing its change notification.
void rptSetDMPFont(TFont* Font, TrptDMPFontStyles Style);

class TrptDMPMemoView : public TrptCustomMemoView {
  ORV_CLASS(TrptDMPMemoView, TrptCustomMemoView)
public:
  explicit TrptDMPMemoView(TComponent* AOwner);
  static void Publish(TPublisher<TrptDMPMemoView>& P);
  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  void SetWidth(Extended Value) override;
  void SetHeight(Extended Value) override;
  void SetParentFont(bool Value) override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;
  void DrawFrame() override;
  Extended CalcHeight() override;
  Extended CalcWidth() override;

  TrptDMPFontStyles FontStyle() const { return FFontStyle; }
  void SetFontStyle(TrptDMPFontStyles Value);
  bool IsFontStyleStored() const { return !ParentFont(); }

private:
  void SetDMPFont();
  TrptDMPFontStyles FFontStyle;
};

class TrptDMPLineView : public TrptCustomLineView {
  ORV_CLASS(TrptDMPLineView, TrptCustomLineView)
public:
  explicit TrptDMPLineView(TComponent* AOwner);
  static void Publish(TPublisher<TrptDMPLineView>& P);
  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  void SetWidth(Extended Value) override;
  void SetParentFont(bool Value) override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;

  TrptDMPFontStyles FontStyle() const { return FFontStyle; }
  void SetFontStyle(TrptDMPFontStyles Value);
  bool IsFontStyleStored() const { return !ParentFont(); }

private:
  TrptDMPFontStyles FFontStyle;
};

// A raw printer command (escape sequences and other control characters) placed on the grid.
class TrptDMPCommand : public TrptView {
  ORV_CLASS(TrptDMPCommand, TrptView)
public:
  explicit TrptDMPCommand(TComponent* AOwner);
  static void Publish(TPublisher<TrptDMPCommand>& P);
  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;
  std::string Command;
};

class TrptDMPPage : public TrptReportPage {
  ORV_CLASS(TrptDMPPage, TrptReportPage)
public:
  explicit TrptDMPPage(TComponent* AOwner);
  static void Publish(TPublisher<TrptDMPPage>& P);
  void SetPaperHeight(Extended Value) override;
  void SetPaperWidth(Extended Value) override;
  void SetPaperSize(int Value) override;
  void SetDefaults() override;

  TrptDMPFontStyles FontStyle() const { return FFontStyle; }
  // Applies the style to the page's font and to every object that follows the page's font.
  void SetFontStyle(TrptDMPFontStyles Value);

private:
  TrptDMPFontStyles FFontStyle;
  bool FInDefaults = false;
};

// Registers the dot-matrix classes for streaming and their palette entries (runs once).
void rptRegisterDMPClasses();
