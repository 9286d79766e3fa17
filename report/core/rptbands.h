// Bands (horizontal or vertical strips of a report page whose class decides when the band engine
// prints them), the subreport object, and the printable report page with paper, margins,
// columns and background.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/forms.h"
#include "platform/vcl/printers.h"
#include "report/core/rptview.h"

class TrptUserDataSet;
class TrptReportPage;

class TrptBand : public TrptReportComponent {
  ORV_CLASS(TrptBand, TrptReportComponent)
public:
  explicit TrptBand(TComponent* AOwner);
  ~TrptBand() override;
  static void Publish(TPublisher<TrptBand>& P);
  void Draw(TCanvas*, Extended, Extended, Extended, Extended) override {}
  std::string GetKindCaption() const override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool IsBand() const override { return true; }
  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  void SetHeight(Extended Value) override;

  // The class name without its "Trpt" and "Band".
  std::string GetBandName() const;
  int KindIndex() const;
  class TrptChild* Child() const { return FChild; }
  void SetChild(class TrptChild* Value);

  bool AllowSplit = false;
  bool KeepChild = false;
  std::string OnAfterCalcHeight;
  std::string OutlineText;
  bool Overflow = false;
  bool StartNewPage = false;
  bool Stretched = false;
  bool PrintChildIfInvisible = false;
  bool Vertical = false;
  // Run-time links of the band engine.
  std::vector<TrptBand*> SubBands;
  TrptBand* FooterBand = nullptr;
  TrptBand* HeaderBand = nullptr;
  TrptBand* GroupBand = nullptr;
  int RowNumber = 0;
  int RowNumberAll = 0;

private:
  class TrptChild* FChild = nullptr;
};

class TrptDataBand : public TrptBand {
  ORV_CLASS(TrptDataBand, TrptBand)
public:
  explicit TrptDataBand(TComponent* AOwner);
  ~TrptDataBand() override;
  static void Publish(TPublisher<TrptDataBand>& P);
  std::string GetKindCaption() const override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  TrptDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TrptDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  int RowCount() const { return FRowCount; }
  void SetRowCount(int Value);
  void SetCurColumn(int N);
  int CurColumn() const { return FCurColumn; }
  // The dataset the band walks: its own, else the virtual one of RowCount rows.
  TrptDataSet* EffectiveDataSet() const;

  Extended ColumnGap = 0;
  Extended ColumnWidth = 0;
  int Columns = 0;
  bool FooterAfterEach = false;
  bool KeepFooter = false;
  bool KeepHeader = false;
  bool KeepTogether = false;
  bool PrintIfDetailEmpty = false;
  std::string OnMasterDetail;
  Extended MaxY = 0;

private:
  int FCurColumn = 0;
  int FRowCount = 0;
  TrptDataSet* FDataSet = nullptr;
  std::string FDataSetName;
  std::unique_ptr<TrptUserDataSet> FVirtualDataSet;
};

#define RPT_BAND(Name, Parent)                         \
  class Name : public Parent {                         \
    ORV_CLASS(Name, Parent)                            \
  public:                                              \
    explicit Name(TComponent* AOwner);                 \
    static void Publish(TPublisher<Name>& P);          \
  };

RPT_BAND(TrptReportTitle, TrptBand)
RPT_BAND(TrptReportSummary, TrptBand)
RPT_BAND(TrptFooter, TrptBand)
RPT_BAND(TrptMasterData, TrptDataBand)
RPT_BAND(TrptDetailData, TrptDataBand)
RPT_BAND(TrptSubdetailData, TrptDataBand)
RPT_BAND(TrptDataBand4, TrptDataBand)
RPT_BAND(TrptDataBand5, TrptDataBand)
RPT_BAND(TrptDataBand6, TrptDataBand)
RPT_BAND(TrptGroupFooter, TrptBand)
RPT_BAND(TrptChild, TrptBand)
RPT_BAND(TrptColumnHeader, TrptBand)
RPT_BAND(TrptColumnFooter, TrptBand)
RPT_BAND(TrptNullBand, TrptBand)
#undef RPT_BAND

class TrptHeader : public TrptBand {
  ORV_CLASS(TrptHeader, TrptBand)
public:
  explicit TrptHeader(TComponent* AOwner);
  static void Publish(TPublisher<TrptHeader>& P);
  bool ReprintOnNewPage = false;
};

class TrptPageHeader : public TrptBand {
  ORV_CLASS(TrptPageHeader, TrptBand)
public:
  explicit TrptPageHeader(TComponent* AOwner);
  static void Publish(TPublisher<TrptPageHeader>& P);
  bool PrintOnFirstPage = true;
};

class TrptPageFooter : public TrptBand {
  ORV_CLASS(TrptPageFooter, TrptBand)
public:
  explicit TrptPageFooter(TComponent* AOwner);
  static void Publish(TPublisher<TrptPageFooter>& P);
  bool PrintOnFirstPage = true;
  bool PrintOnLastPage = true;
};

class TrptGroupHeader : public TrptBand {
  ORV_CLASS(TrptGroupHeader, TrptBand)
public:
  explicit TrptGroupHeader(TComponent* AOwner);
  static void Publish(TPublisher<TrptGroupHeader>& P);
  std::string Condition;
  bool KeepTogether = false;
  bool ReprintOnNewPage = false;
  Variant LastValue;
};

class TrptOverlay : public TrptBand {
  ORV_CLASS(TrptOverlay, TrptBand)
public:
  explicit TrptOverlay(TComponent* AOwner);
  static void Publish(TPublisher<TrptOverlay>& P);
  bool PrintOnTop = false;
};

class TrptSubreport : public TrptView {
  ORV_CLASS(TrptSubreport, TrptView)
public:
  explicit TrptSubreport(TComponent* AOwner);
  ~TrptSubreport() override;
  static void Publish(TPublisher<TrptSubreport>& P);
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  std::string GetKindCaption() const override;
  TrptReportPage* Page() const { return FPage; }
  void SetPage(TrptReportPage* Value);
  bool PrintOnParent = false;

private:
  friend class TrptReportPage;
  TrptReportPage* FPage = nullptr;
};

enum TrptDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
ORV_ENUM_TYPEINFO(TrptDuplexMode, dmNone, dmVertical, dmHorizontal, dmSimplex)

class TrptReportPage : public TrptPage {
  ORV_CLASS(TrptReportPage, TrptPage)
public:
  explicit TrptReportPage(TComponent* AOwner);
  ~TrptReportPage() override;
  static void Publish(TPublisher<TrptReportPage>& P);
  std::string GetKindCaption() const override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetDefaults() override;

  virtual void SetPaperHeight(Extended Value);
  virtual void SetPaperWidth(Extended Value);
  virtual void SetPaperSize(int Value);
  TPrinterOrientation Orientation() const { return FOrientation; }
  void SetOrientation(TPrinterOrientation Value);
  Extended PaperWidth() const { return FPaperWidth; }
  Extended PaperHeight() const { return FPaperHeight; }
  int PaperSize() const { return FPaperSize; }
  int Columns() const { return FColumns; }
  void SetColumns(int Value);
  TStringList* ColumnPositions() const { return FColumnPositions.get(); }
  void SetColumnPositions(TStrings* Value);
  TStringList* HGuides() const { return FHGuides.get(); }
  void SetHGuides(TStrings* Value);
  TStringList* VGuides() const { return FVGuides.get(); }
  void SetVGuides(TStrings* Value);
  void ClearGuides();
  int32_t Color() const;
  void SetColor(int32_t Value);
  TrptFrame* Frame() const;
  void SetFrame(TrptFrame* Value);
  TPicture* BackPicture() const;
  void SetBackPicture(TPicture* Value);
  TrptPictureView* Background() const { return FBackground.get(); }
  TrptDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TrptDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  // First child band of class AClass (descendants included).
  TrptBand* FindBand(TClass AClass) const;
  bool IsSubReport() const { return FSubReport != nullptr; }
  TrptSubreport* SubReport() const { return FSubReport; }
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY);

  int Bin = 7;
  int BinOtherPages = 7;
  Extended BottomMargin = 0, LeftMargin = 0, RightMargin = 0, TopMargin = 0;
  Extended ColumnWidth = 0;
  TrptDuplexMode Duplex = dmNone;
  bool LargeDesignHeight = false;
  bool MirrorMargins = false;
  std::string OutlineText;
  bool PrintIfEmpty = true;
  bool PrintOnPreviousPage = false;
  bool TitleBeforeHeader = true;
  std::string OnAfterPrint, OnBeforePrint, OnManualBuild;
  // Band trees built by the engine before a run.
  std::vector<TrptBand*> HBands, VBands;

private:
  friend class TrptSubreport;
  void UpdateDimensions();
  std::unique_ptr<TrptPictureView> FBackground;
  std::unique_ptr<TStringList> FColumnPositions, FHGuides, FVGuides;
  int FColumns = 0;
  TrptDataSet* FDataSet = nullptr;
  std::string FDataSetName;
  TPrinterOrientation FOrientation = poPortrait;
  Extended FPaperWidth = 210, FPaperHeight = 297;
  int FPaperSize = 9;
  TrptSubreport* FSubReport = nullptr;
};

class TForm;

// A page that is a modal dialog shown before the report pages are built; its children are dialog
// controls placed on its form.
class TrptDialogPage : public TrptPage {
  ORV_CLASS(TrptDialogPage, TrptPage)
public:
  explicit TrptDialogPage(TComponent* AOwner);
  ~TrptDialogPage() override;
  static void Publish(TPublisher<TrptDialogPage>& P);
  std::string GetKindCaption() const override;
  void SetLeft(Extended Value) override;
  void SetTop(Extended Value) override;
  void SetWidth(Extended Value) override;
  void SetHeight(Extended Value) override;
  void FontChanged() override;

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  int32_t Color() const { return FColor; }
  void SetColor(int32_t Value);
  int ShowModal();
  int ModalResult() const;
  void SetModalResult(int Value);
  // Hides the form, gives it the page's position and window state and routes its events to the
  // page's script handlers.
  void InitializeForm();
  TForm* Form() const { return FForm; }
  // Whether the form has anything to show.
  bool HasControls() const;

  TBorderStyle BorderStyle = bsSizeable;
  TPosition Position = poScreenCenter;
  TWindowState WindowState = wsNormal;
  std::string OnActivate, OnClick, OnDeactivate, OnHide, OnKeyDown, OnKeyPress, OnKeyUp, OnResize, OnShow,
      OnCloseQuery;

private:
  void UpdateBounds();
  TForm* FForm;  // owned as a component named "Form"
  std::string FCaption;
  int32_t FColor;
};

// Report units per millimetre.
constexpr Extended rptMM = 3.77953;

// The built-in paper table: number and size in tenths of a millimetre (66 entries).
struct TrptPaperEntry {
  int Number, Width, Height;
};
const std::vector<TrptPaperEntry>& rptPaperTable();
// Width and height (mm) of a paper of the table; false and both unchanged for another number.
bool rptPaperSizeMM(int PaperSize, Extended& Width, Extended& Height);

void rptRegisterBandClasses();
