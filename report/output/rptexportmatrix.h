// The export cell matrix: the objects of all exported prepared pages, stacked page below page, cut
// into one rectangular grid of cells with shared cell styles, column and row boundaries, page
// breaks with the page records, and bitmaps of the objects that cannot be written as text. The
// table-like exports (spreadsheet automation, HTML, SpreadsheetML, RTF) read it row by row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/printers.h"
#include "report/core/rptstyles.h"
#include "report/core/rptview.h"

class TrptReport;
class TrptComponent;

// The lines of a memo as the writers read them: each line followed by CR LF.
std::string rptMemoText(const TStrings* Memo);

// One cell style, shared by every cell that looks the same.
class TrptIEMStyle {
public:
  TrptIEMStyle();
  void Assign(const TrptIEMStyle& Source);
  bool SameAs(const TrptIEMStyle& Other) const;
  std::unique_ptr<TFont> Font;
  Extended LineSpacing = 0, GapX = 0, GapY = 0;
  TrptVAlign VAlign = vaTop;
  TrptHAlign HAlign = haLeft;
  TrptFrameTypes FrameTyp;
  float FrameWidth = 1;
  TColor FrameColor = 0;
  TrptFrameStyle FrameStyle = fsSolid;
  TColor Color = clNone;
  int Rotation = 0;
};

// The exported content of one object (or of a piece cut from one).
class TrptIEMObject {
public:
  TrptIEMObject();
  std::unique_ptr<TStringList> Memo;
  std::string URL;
  int StyleIndex = -1;
  TrptIEMStyle* Style = nullptr;
  bool IsText = true;
  bool IsRichText = false;
  Extended Left = 0, Top = 0, Width = 0, Height = 0;
  std::unique_ptr<TBitmap> Image;
  TrptIEMObject* Parent = nullptr;
  int Counter = 0;
  std::unique_ptr<TrptFormat> DisplayFormat;
  bool RTL = false;
};

// One placed object: its top-left cell and the cells it covers.
struct TrptIEMObjectList {
  std::unique_ptr<TrptIEMObject> Obj;
  int X = 0, Y = 0, Dx = 1, Dy = 1;
  bool Exist = false;
};

struct TrptIEMPage {
  Extended PageBreak = 0;
  TPrinterOrientation Orientation = poPortrait;
  Extended Width = 0, Height = 0, LeftMargin = 0, TopMargin = 0, RightMargin = 0, BottomMargin = 0;
};

class TrptIEMatrix {
public:
  TrptIEMatrix(bool UseFileCache, const std::string& TempDir);
  ~TrptIEMatrix();
  TrptIEMatrix(const TrptIEMatrix&) = delete;
  TrptIEMatrix& operator=(const TrptIEMatrix&) = delete;

  void AddObject(TrptView* View);
  void AddPage(TPrinterOrientation Orientation, Extended Width, Extended Height, Extended LeftMargin,
               Extended TopMargin, Extended RightMargin, Extended BottomMargin);
  void Prepare();
  void Clear();

  int GetCell(int X, int Y) const;
  TrptIEMObject* GetObject(int X, int Y) const;
  TrptIEMObject* GetObjectById(int Index) const;
  void GetObjectPos(int Index, int& X, int& Y, int& Dx, int& Dy) const;
  Extended GetXPosById(int I) const { return FXPositions.at(static_cast<size_t>(I)); }
  Extended GetYPosById(int I) const { return FYPositions.at(static_cast<size_t>(I)); }
  TrptIEMStyle* GetStyleById(int I) const { return FStyles.at(static_cast<size_t>(I)).get(); }
  int StylesCount() const { return static_cast<int>(FStyles.size()); }
  int ObjectsCount() const { return static_cast<int>(FObjects.size()); }
  int PagesCount() const { return static_cast<int>(FPages.size()); }
  Extended GetPageBreak(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].PageBreak : 0; }
  Extended GetPageWidth(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].Width : 0; }
  Extended GetPageHeight(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].Height : 0; }
  Extended GetPageLMargin(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].LeftMargin : 0; }
  Extended GetPageTMargin(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].TopMargin : 0; }
  Extended GetPageRMargin(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].RightMargin : 0; }
  Extended GetPageBMargin(int I) const { return PageOk(I) ? FPages[static_cast<size_t>(I)].BottomMargin : 0; }
  TPrinterOrientation GetPageOrientation(int I) const {
    return PageOk(I) ? FPages[static_cast<size_t>(I)].Orientation : poPortrait;
  }

  // Settings.
  bool ShowProgress = true;
  Extended MaxCellHeight = 0, MaxCellWidth = 0, Inaccuracy = 0;
  bool RotatedAsImage = false, RichText = false, FillArea = false, CropFillArea = false;
  bool FramesOptimization = false, DeleteHTMLTags = false, Background = false, BackgroundImage = false;
  bool ExportNotPrintable = true;
  TrptReport* Report = nullptr;

  // Results.
  int Width = 0, Height = 0;
  Extended MaxWidth = 0, MaxHeight = 0, MinLeft = 99999, MinTop = 99999, LeftEdge = 0, TopEdge = 0;

private:
  bool PageOk(int I) const { return I >= 0 && I < PagesCount(); }
  int AddStyle(TrptView* View);
  int AddInternalStyle(std::unique_ptr<TrptIEMStyle> Style);
  int CopyStyleWith(int Index, TrptFrameTypes Typ, TColor Color, bool SetColor);
  static void AddPos(std::vector<Extended>& List, Extended Value);
  void AddTempText(const std::string& Name, TrptFrame* Frame, TrptFrameTypes Typ, TColor Color, Extended L,
                   Extended T, Extended W, Extended H);
  void AddTempLine(TrptFrame* Frame, Extended L, Extended T, Extended W, Extended H);
  void PrepareBoundaries(std::vector<Extended>& List, Extended MaxCell);
  void Place(TrptIEMObjectList& E) const;
  void Cut();
  void OptimizeFrames();
  int& CellAt(int X, int Y) { return FCells[static_cast<size_t>(X + Y * Width)]; }

  Extended FDeltaY = 0;
  std::vector<TrptIEMObjectList> FObjects;
  std::vector<std::unique_ptr<TrptIEMStyle>> FStyles;
  std::vector<Extended> FXPositions, FYPositions;
  std::vector<TrptIEMPage> FPages;
  std::vector<int> FCells;
};
