// Docking: the drag object of a dock drag, the dock manager interface a dock site lays out its
// docked controls with, the default dock manager (a tree of zones with a grabber strip per
// docked control and a layout stream), and the small tool form that holds a floating control.
//
// A dock site is a TWinControl with DockSite on. With UseDockManager on it owns a TDockTree:
// each docked control sits in a leaf zone; a split zone divides its rectangle between its child
// zones across (doHorizontal: one above the other) or along (doVertical: side by side), and each
// child's ZoneLimit is its far edge (bottom or right) in the site's client coordinates.
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"

class TStream;

ORV_ENUM(TDockOrientation, doNoOrient, doHorizontal, doVertical)

// What a dock drag carries: the control, the rectangle it would take (screen coordinates), the
// site it would dock in and where there (beside DropOnControl on DropAlign), or Floating.
class TDragDockObject : public TObject {
  ORV_CLASS(TDragDockObject, TObject)
public:
  explicit TDragDockObject(TControl* AControl) : Control(AControl) {}
  TControl* Control = nullptr;
  RECT DockRect{0, 0, 0, 0};
  TAlign DropAlign = alNone;
  TControl* DropOnControl = nullptr;
  TWinControl* DragTarget = nullptr;
  POINT DragPos{0, 0};
  bool Floating = true;
  int FrameWidth = 3;  // width of the dock rectangle drawn as feedback
};

// The dock manager of a dock site (abstract): where docked controls go and how they are laid out.
class IDockManager {
public:
  virtual ~IDockManager() = default;
  virtual void BeginUpdate() {}
  virtual void EndUpdate() {}
  // The rectangle (site client coordinates) the control takes, grabber included.
  virtual void GetControlBounds(TControl* Control, RECT& CtlBounds) = 0;
  // Adds a docked control beside DropCtl on side InsertAt (alNone/alClient: the whole site when
  // empty, else below DropCtl or the last zone).
  virtual void InsertControl(TControl* Control, TAlign InsertAt, TControl* DropCtl) = 0;
  virtual void RemoveControl(TControl* Control) = 0;
  // Lays the docked controls out in the site's client area (Force: even when the size is the same).
  virtual void ResetBounds(bool Force) = 0;
  // Paints the grabbers onto the site's client DC.
  virtual void PaintSite(HDC DC) = 0;
  // The screen rectangle Client would take when dropped beside DropCtl on DropAlign.
  virtual void PositionDockRect(TControl* Client, TControl* DropCtl, TAlign DropAlign, RECT& DockRect) = 0;
  virtual void SaveToStream(TStream* Stream) = 0;
  // Replaces the layout by the stream's; EReadError for a damaged stream (nothing changes then).
  virtual void LoadFromStream(TStream* Stream) = 0;
  // The docked control whose grabber or area holds the client point, with the side of its zone
  // nearest the point (for a drop beside it).
  virtual TControl* ControlAtPoint(POINT P, TAlign& Side) = 0;
};

class TDockTree;

// A zone of the tree: a docked control (leaf) or a split with child zones.
class TDockZone {
public:
  explicit TDockZone(TDockTree* ATree) : Tree(ATree) {}
  TDockTree* Tree;
  TDockZone* ParentZone = nullptr;
  std::vector<std::unique_ptr<TDockZone>> ChildZones;
  TControl* ChildControl = nullptr;
  TDockOrientation Orientation = doNoOrient;
  int ZoneLimit = 0;
  RECT Bounds{0, 0, 0, 0};    // the zone's rectangle after the last layout
  RECT SplitBar{0, 0, 0, 0};  // the bar at its far edge that sizes it (empty for the last zone)
  // Bounds without the split bar: where the grabber and the control (or the child zones) go.
  RECT ContentRect() const;
  int ChildCount() const { return static_cast<int>(ChildZones.size()); }
  // Depth below the root (0 for the root).
  int Level() const;
  // A leaf with a visible control, or a split with such a leaf below it.
  bool Visible() const;
  TDockZone* FindControlZone(TControl* Control);
};

// The default dock manager.
class TDockTree : public IDockManager {
public:
  // The stream version written first in every layout stream.
  static constexpr int32_t StreamVersion = 0x00040000;
  static constexpr int GrabberSize = 14;  // height of the strip above each docked control
  static constexpr int SplitterSize = 4;  // width of the bar between neighbouring zones
  static constexpr int MinContentSize = 10;  // what a split bar leaves of a control at least
  explicit TDockTree(TWinControl* ADockSite);
  ~TDockTree() override;

  TWinControl* DockSite() const { return FDockSite; }
  TDockZone* TopZone() const { return FTopZone.get(); }
  void BeginUpdate() override { ++FUpdateCount; }
  void EndUpdate() override;
  void GetControlBounds(TControl* Control, RECT& CtlBounds) override;
  void InsertControl(TControl* Control, TAlign InsertAt, TControl* DropCtl) override;
  void RemoveControl(TControl* Control) override;
  void ResetBounds(bool Force) override;
  void PaintSite(HDC DC) override;
  void PositionDockRect(TControl* Client, TControl* DropCtl, TAlign DropAlign, RECT& DockRect) override;
  void SaveToStream(TStream* Stream) override;
  void LoadFromStream(TStream* Stream) override;
  TControl* ControlAtPoint(POINT P, TAlign& Side) override;
  // The grabber strip of a docked control and its close button (site client coordinates).
  RECT GrabberRect(TControl* Control);
  RECT CloseButtonRect(TControl* Control);
  // Mouse messages of the site: a press on a grabber's close button closes the control, a drag
  // of a grabber starts a dock drag of the control, a drag of a split bar moves the zone's far
  // edge (each zone keeps its grabber and MinContentSize of its control). True when the message was taken.
  bool MouseMessage(UINT Msg, POINT P);

private:
  friend class TDockZone;
  void Layout();
  void LayoutZone(TDockZone* Zone, const RECT& R);
  // Makes the limits match the site's present size (before the tree changes shape).
  void Rebase();
  void RemoveZone(TDockZone* Zone);
  TDockZone* SplitBarAt(POINT P);
  void SizeZone(TDockZone* Zone, int Limit);
  void PlaceControls(TDockZone* Zone);
  RECT SiteRect() const;
  TWinControl* FDockSite;
  std::unique_ptr<TDockZone> FTopZone;
  // The site size the limits refer to; layouts scale from it to the present size.
  int FRefWidth = 0, FRefHeight = 0;
  int FUpdateCount = 0;
  bool FLayingOut = false;
  TControl* FGrabbed = nullptr;  // the control whose grabber is pressed
  TDockZone* FSizing = nullptr;  // the zone whose split bar is dragged
  int FSizingDelta = 0;          // its limit minus the mouse position when pressed
  POINT FGrabPoint{0, 0};
};

// A form that holds one floating control (made from FloatingDockSiteClass when a control that is
// not a form floats). It frees itself once its last docked control leaves.
class TCustomDockForm : public TCustomForm {
  ORV_CLASS(TCustomDockForm, TCustomForm)
public:
  explicit TCustomDockForm(TComponent* AOwner);
  // The host may shrink to any control it holds: its least size is its frame and caption, not
  // the system's least tracking size.
  void WndProc(TMessage& Message) override;
};

// The default floating host: a small sizeable tool window.
class TToolDockForm : public TCustomDockForm {
  ORV_CLASS(TToolDockForm, TCustomDockForm)
public:
  explicit TToolDockForm(TComponent* AOwner);
};

// The dock drag in progress (null when none): what the drag loop in controls.cpp drives.
TDragDockObject* DockDragObject();

// The class library's own hooks into docking (called from controls.cpp); not for other callers.
struct TDockAccess {
  static void ControlDestroying(TControl* Control);
  static void SiteDestroying(TWinControl* Site);
  // Starts (once) the dock drag object of a control whose drag begins.
  static void BeginDockDrag(TControl* Control);
  // A mouse move of a dock drag (true when Control is being dock-dragged).
  static bool DockDragMove(TControl* Control, POINT Screen);
  // Ends a dock drag: docks or floats the control when Drop is set. False when Control is not
  // being dock-dragged.
  static bool EndDockDrag(TControl* Control, bool Drop);
  // CM_DOCKCLIENT, CM_UNDOCKCLIENT and CM_FLOAT.
  static void Message(TControl* Control, TMessage& M);
  // A dock site's mouse message for its grabbers (true when taken), painting and layout.
  static bool SiteMouse(TWinControl* Site, TMessage& M);
  // A press on the caption of a floating window that can dock (a form with DragKind dkDock, or
  // a floating host) starts a dock drag instead of moving the window. True when it did.
  static bool CaptionDrag(TWinControl* Window);
  static void PaintSite(TWinControl* Site, HDC DC);
  static void LayoutSite(TWinControl* Site);
};
