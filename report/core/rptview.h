// The visible report objects: the view base with frame, fill and shadow drawing, data binding and
// expression expansion in TagStr/URL; the stretchable base the band engine grows and splits;
// shapes; highlights and display formats; the text object (memo); lines and pictures.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/variant.h"
#include "platform/vcl/graphics.h"
#include "platform/win/windef.h"
#include "report/core/rptclass.h"
#include "report/core/rptstyles.h"

class TPicture;
class TrptDataSet;
class TrptDrawText;

enum TrptShiftMode { smDontShift, smAlways, smWhenOverlapped };
ORV_ENUM_TYPEINFO(TrptShiftMode, smDontShift, smAlways, smWhenOverlapped)
enum TrptStretchMode { smDontStretch, smActualHeight, smMaxHeight };
ORV_ENUM_TYPEINFO(TrptStretchMode, smDontStretch, smActualHeight, smMaxHeight)
enum TrptShapeKind { skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2 };
ORV_ENUM_TYPEINFO(TrptShapeKind, skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1,
                  skDiagonal2)
enum TrptFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
ORV_ENUM_TYPEINFO(TrptFormatKind, fkText, fkNumeric, fkDateTime, fkBoolean)
enum TrptHAlign { haLeft, haRight, haCenter, haBlock };
ORV_ENUM_TYPEINFO(TrptHAlign, haLeft, haRight, haCenter, haBlock)
enum TrptVAlign { vaTop, vaBottom, vaCenter };
ORV_ENUM_TYPEINFO(TrptVAlign, vaTop, vaBottom, vaCenter)

// Conditional font and colour of a text object.
class TrptHighlight : public TPersistent {
  ORV_CLASS(TrptHighlight, TPersistent)
public:
  TrptHighlight();
  ~TrptHighlight() override;
  static void Publish(TPublisher<TrptHighlight>& P);
  void Assign(TPersistent* Source) override;
  TFont* Font() const { return FFont.get(); }
  void SetFont(TFont* Value);
  bool Active = false;
  int32_t Color;
  std::string Condition;

private:
  std::unique_ptr<TFont> FFont;
};

// Display format of a text object's value.
class TrptFormat : public TPersistent {
  ORV_CLASS(TrptFormat, TPersistent)
public:
  TrptFormat() = default;
  static void Publish(TPublisher<TrptFormat>& P);
  void Assign(TPersistent* Source) override;
  // The value as text by this format; a value the format cannot take gives its plain text.
  std::string FormatValue(const Variant& V) const;
  std::string DecimalSeparator;
  std::string FormatStr;
  TrptFormatKind Kind = fkText;
};

class TrptView : public TrptReportComponent {
  ORV_CLASS(TrptView, TrptReportComponent)
public:
  explicit TrptView(TComponent* AOwner);
  ~TrptView() override;
  static void Publish(TPublisher<TrptView>& P);

  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  virtual void BeginDraw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY);
  virtual void DrawBackground();
  virtual void DrawFrame();
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  std::string Diff(TrptComponent* Reference) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool IsView() const override { return true; }
  TrptAlign GetAlign() const override { return Align; }

  bool HasDataField() const { return FDataSet && !DataField.empty(); }
  TrptDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TrptDataSet* Value);
  std::string DataSetName() const;
  void SetDataSetName(const std::string& Value);
  TrptFrame* Frame() const { return FFrame.get(); }
  void SetFrame(TrptFrame* Value) { FFrame->Assign(Value); }

  TrptAlign Align = baNone;
  TBrushStyle BrushStyle = bsSolid;
  int32_t Color;
  int16_t Cursor = 0;
  std::string DataField;
  bool Printable = true;
  TrptShiftMode ShiftMode = smAlways;
  std::string TagStr;
  std::string URL;

  // Device rectangle and frame width computed by BeginDraw.
  int FX = 0, FY = 0, FX1 = 0, FY1 = 0, FDX = 0, FDY = 0, FFrameWidth = 0;
  Extended FScaleX = 1, FScaleY = 1, FOffsetX = 0, FOffsetY = 0;
  TCanvas* FCanvas = nullptr;

protected:
  // Replaces the bracketed expressions of S by their values.
  std::string ExpandBrackets(const std::string& S);
  // The frame side from (x1, y1) to (x2, y2) of width W as W one-pixel lines.
  void DrawThickLine(int X1, int Y1, int X2, int Y2, int W);

private:
  TrptDataSet* FDataSet = nullptr;
  std::string FDataSetName;
  std::unique_ptr<TrptFrame> FFrame;
  std::string FSavedTagStr, FSavedURL;
};

// A view whose height can follow its content (the band engine grows and splits it).
class TrptStretcheable : public TrptView {
  ORV_CLASS(TrptStretcheable, TrptView)
public:
  explicit TrptStretcheable(TComponent* AOwner);
  static void Publish(TPublisher<TrptStretcheable>& P);
  virtual Extended CalcHeight() { return Height(); }
  virtual Extended FitNextPart() { return 0; }
  virtual void BeginParts() {}
  TrptStretchMode StretchMode = smDontStretch;
  Extended SavedHeight = 0;
};

class TrptShapeView : public TrptView {
  ORV_CLASS(TrptShapeView, TrptView)
public:
  explicit TrptShapeView(TComponent* AOwner);
  static void Publish(TPublisher<TrptShapeView>& P);
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;
  int32_t Curve = 0;
  TrptShapeKind Shape = skRectangle;
};

// The text object.
class TrptCustomMemoView : public TrptStretcheable {
  ORV_CLASS(TrptCustomMemoView, TrptStretcheable)
public:
  explicit TrptCustomMemoView(TComponent* AOwner);
  ~TrptCustomMemoView() override;
  static void Publish(TPublisher<TrptCustomMemoView>& P);

  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  void BeginDraw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  void BeforePrint() override;
  void GetData() override;
  void AfterPrint() override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;
  std::string GetComponentText() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool HasAutoWidth() const override { return AutoWidth; }
  Extended CalcHeight() override;
  virtual Extended CalcWidth();
  Extended FitNextPart() override;
  void BeginParts() override;

  TStringList* Memo() const { return FMemo.get(); }
  void SetMemo(TStrings* Value);
  std::string Text() const;
  void SetText(const std::string& Value);
  TrptHighlight* Highlight() const { return FHighlight.get(); }
  void SetHighlight(TrptHighlight* Value) { FHighlight->Assign(Value); }
  TrptFormat* DisplayFormat() const { return FDisplayFormat.get(); }
  void SetDisplayFormat(TrptFormat* Value) { FDisplayFormat->Assign(Value); }
  int32_t Rotation() const { return FRotation; }
  void SetRotation(int32_t Value) { FRotation = Value % 360; }
  const std::string& Style() const { return FStyle; }
  void SetStyle(const std::string& Value);
  void CopyStyle();
  TrptCustomMemoView* FlowTo() const { return FFlowTo; }
  void SetFlowTo(TrptCustomMemoView* Value);
  bool IsHighlightStored() const;
  bool IsCharSpacingStored() const { return CharSpacing != 0; }
  bool IsDelimitersStored() const { return ExpressionDelimiters != "[,]"; }
  bool IsGapXStored() const { return GapX != 2; }
  bool IsGapYStored() const { return GapY != 1; }
  bool IsLineSpacingStored() const { return LineSpacing != 2; }
  bool IsParagraphGapStored() const { return ParagraphGap != 0; }
  // Lays the text out at scale 1: the wrapped lines as one text (Wrapped), else the text without
  // its tags. Exports use it.
  std::string LayoutText(bool Wrapped);
  // The renderer this memo uses (its report's, else the process-wide one).
  TrptDrawText* Renderer();

  bool AllowExpressions = true;
  bool AllowHTMLTags = false;
  bool AutoWidth = false;
  double CharSpacing = 0;
  bool Clipped = true;
  std::string ExpressionDelimiters = "[,]";
  double GapX = 2;
  double GapY = 1;
  TrptHAlign HAlign = haLeft;
  bool HideZeros = false;
  double LineSpacing = 2;
  double ParagraphGap = 0;
  bool RTLReading = false;
  bool SuppressRepeated = false;
  bool Underlines = false;
  TrptVAlign VAlign = vaTop;
  bool WordBreak = false;
  bool WordWrap = true;
  Variant Value;
  Variant LastValue;
  int TotalPages = 0;
  std::string RemainingPart;
  RECT TextRect{};

private:
  std::string CalcBracket(const std::string& E);
  void PrepareRenderer(TrptDrawText* R, TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                       Extended OffsetY, bool Measure);
  Extended VerticalGaps() const;
  Extended HorizontalGaps() const;
  std::unique_ptr<TStringList> FMemo;
  std::unique_ptr<TrptHighlight> FHighlight;
  std::unique_ptr<TrptFormat> FDisplayFormat;
  int32_t FRotation = 0;
  std::string FStyle;
  TrptCustomMemoView* FFlowTo = nullptr;
  std::string FSavedText;
};

class TrptMemoView : public TrptCustomMemoView {
  ORV_CLASS(TrptMemoView, TrptCustomMemoView)
public:
  using TrptCustomMemoView::TrptCustomMemoView;
  static void Publish(TPublisher<TrptMemoView>& P);
};

class TrptSysMemoView : public TrptCustomMemoView {
  ORV_CLASS(TrptSysMemoView, TrptCustomMemoView)
public:
  using TrptCustomMemoView::TrptCustomMemoView;
  static void Publish(TPublisher<TrptSysMemoView>& P);
  std::string GetKindCaption() const override;
};

class TrptCustomLineView : public TrptStretcheable {
  ORV_CLASS(TrptCustomLineView, TrptStretcheable)
public:
  explicit TrptCustomLineView(TComponent* AOwner);
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  std::string GetKindCaption() const override;
  bool Diagonal = false;
};

class TrptLineView : public TrptCustomLineView {
  ORV_CLASS(TrptLineView, TrptCustomLineView)
public:
  using TrptCustomLineView::TrptCustomLineView;
  static void Publish(TPublisher<TrptLineView>& P);
};

class TrptPictureView : public TrptView {
  ORV_CLASS(TrptPictureView, TrptView)
public:
  explicit TrptPictureView(TComponent* AOwner);
  ~TrptPictureView() override;
  static void Publish(TPublisher<TrptPictureView>& P);
  void Draw(TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX, Extended OffsetY) override;
  void GetData() override;
  std::string Diff(TrptComponent* Reference) override;
  std::string GetKindCaption() const override;
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  // Loads the picture from blob data (graphic-field header skipped; format sniffed); false and
  // a cleared picture when the data is no known picture.
  bool LoadFromBlob(TStream* Stream);
  bool Center = false;
  bool KeepAspectRatio = true;
  bool Stretched = true;
  bool PictureChanged = false;

private:
  void PictureChange();
  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
};

// rnd(x): nearest integer, halves to even; held within +-(2^30 - 1), NaN gives 0.
int rptRound(Extended X);
// Registers the view classes for streaming (runs once).
void rptRegisterViewClasses();
