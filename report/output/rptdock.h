// Toolbar docking of the report library's windows: docks along a window edge arranging toolbars
// in rows, toolbars dragged by a grip between docks and into floating windows, spacer panels,
// a side panel hosting docked forms, and the placement of toolbars, dock sites and forms in the
// settings store ("ToolBar.", "Dock." and "Form." sections).
#pragma once

#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"

class TCustomIniFile;
class TrptToolBar;

class TrptDock : public TPanel {
  ORV_CLASS(TrptDock, TPanel)
public:
  explicit TrptDock(TComponent* AOwner);
  int RowSize = 26;
  // Packs the toolbars into rows, removes empty rows and sizes the dock to its rows.
  void ArrangeToolbars();
  bool Horizontal() const { return Align() == alTop || Align() == alBottom || Align() == alNone; }

protected:
  void Paint() override;
};

enum TrptOrientation { toAny, toVertOnly, toHorzOnly };

// The grip of a toolbar: its mouse goes to the toolbar.
class TrptDragBox : public TGraphicControl {
  ORV_CLASS(TrptDragBox, TGraphicControl)
public:
  explicit TrptDragBox(TComponent* AOwner);
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void Paint() override;
};

class TrptFloatWindow : public TForm {
  ORV_CLASS(TrptFloatWindow, TForm)
public:
  explicit TrptFloatWindow(TComponent* AOwner);
  ~TrptFloatWindow() override;
  TrptToolBar* ToolBar = nullptr;
  bool Moving = false;
  POINT LastPos{0, 0};
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void PaintWindow(HDC DC) override;
};

class TrptToolBar : public TPanel {
  ORV_CLASS(TrptToolBar, TPanel)
public:
  explicit TrptToolBar(TComponent* AOwner);
  ~TrptToolBar() override;
  bool CanFloat = true;
  TrptOrientation Orientation = toAny;
  bool Floating() const { return FFloating; }
  TrptFloatWindow* FloatWindow() const { return FFloatWindow; }
  TrptDragBox* DragBox() const { return FDragBox; }
  // Horizontal in a top or bottom dock (and while floating), vertical in a left or right one.
  bool IsHorizontal() const;
  void DockAt(TrptDock* Dock, int X, int Y);
  void DockTo(TrptDock* Dock);
  void MakeFloat(int X, int Y);
  void FitToControls();
  void AdjustControls();
  bool MoveTo(int X, int Y);
  bool TryDock(TCustomForm* Form, POINT P);
  bool IsVisible() const;
  void SetIsVisible(bool Value);

  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
  void Paint() override;
  void Resize() override;

private:
  friend class TrptFloatWindow;
  TrptDragBox* FDragBox = nullptr;
  bool FFloating = false;
  TrptFloatWindow* FFloatWindow = nullptr;
  bool FDragging = false;
  POINT FLastPos{0, 0};
};

// A toolbar cell that holds another control (a zoom box, a page number field) or spaces buttons.
class TrptTBPanel : public TPanel {
  ORV_CLASS(TrptTBPanel, TPanel)
public:
  explicit TrptTBPanel(TComponent* AOwner);
  void SetParent(TWinControl* AParent) override;

protected:
  void Paint() override;
};

// A side panel that hosts docked forms, with a sizer beside it.
class TrptDockSite : public TPanel {
  ORV_CLASS(TrptDockSite, TPanel)
public:
  explicit TrptDockSite(TComponent* AOwner);
  void SetParent(TWinControl* AParent) override;
  TGraphicControl* Sizer() const { return FSizer; }
  void PlaceSizer();
  // A form dragged over the site: its width is remembered; dropped on a narrower site, it keeps
  // that width and the sizer shows. When a form leaves and at most one remains, the sizer hides.
  void DockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DockDrop(TDragDockObject* Source, int X, int Y) override;
  bool DoUnDock(TWinControl* NewTarget, TControl* Client) override;
  int DraggedWidth() const { return FDraggedWidth; }

private:
  TGraphicControl* FSizer = nullptr;
  int FDraggedWidth = 0;
};

void rptWriteToolbarPlacement(TCustomIniFile* Ini, TrptToolBar* ToolBar);
void rptReadToolbarPlacement(TCustomIniFile* Ini, TrptToolBar* ToolBar);
void rptWriteDockSiteLayout(TCustomIniFile* Ini, TrptDockSite* Site);
void rptReadDockSiteLayout(TCustomIniFile* Ini, TrptDockSite* Site);
void rptWriteFormPlacement(TCustomIniFile* Ini, TCustomForm* Form);
void rptReadFormPlacement(TCustomIniFile* Ini, TCustomForm* Form);
