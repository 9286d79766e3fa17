// Docking: the dock members of TControl and TWinControl, the dock drag, the default dock manager
// (TDockTree) with its layout stream, and the floating host forms.
#include "platform/vcl/dock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dragimg.h"

ORV_CLASS_IMPL(TDragDockObject, TObject)
ORV_CLASS_IMPL(TCustomDockForm, TCustomForm)
ORV_CLASS_IMPL(TToolDockForm, TCustomDockForm)

namespace {

// The dock drag in progress.
struct TDockDrag {
  std::unique_ptr<TDragDockObject> Owned;
  TDragDockObject* Obj = nullptr;
  TWinControl* LastTarget = nullptr;
  POINT Offset{0, 0};  // cursor position within the control when the drag started
  TWindowOverlay Frame;
};
TDockDrag& Drag() {
  static TDockDrag d;
  return d;
}

POINT ScreenOrigin(TControl* C) {
  POINT p{C->Left(), C->Top()};
  return C->Parent() ? C->Parent()->ClientToScreen(p) : p;
}

// A floating host left without docked controls goes away (after the messages now handled).
void ReleaseEmptyHost(TWinControl* Host) {
  if (!Host || !Host->Is<TCustomDockForm>() || Host->DockClientCount() > 0) return;
  if (Host->ComponentState().Contains(csDestroying)) return;
  static_cast<TCustomDockForm*>(Host)->Release();
}

// A control closed from its grabber: a form closes (OnClose decides), anything else hides.
void CloseDocked(TControl* C) {
  if (auto* f = dynamic_cast<TCustomForm*>(C)) f->Close();
  else C->Hide();
}

// The dock site under a screen point that would take Control, with its influence rectangle.
TWinControl* FindDockTarget(TControl* Control, POINT S) {
  TWinControl* w = FindControl(WindowFromPoint(S));
  for (; w; w = w->Parent()) {
    if (!w->DockSite() || w == Control) continue;
    if (auto* cw = dynamic_cast<TWinControl*>(Control); cw && cw->ContainsControl(w)) continue;
    RECT influence;
    bool canDock = true;
    w->GetSiteInfo(Control, influence, S, canDock);
    if (canDock && PtInRect(&influence, S)) return w;
  }
  return nullptr;
}

// The dock rectangle frame drawn over the window holding a screen rectangle.
void ShowFrame(TDragDockObject* Obj, POINT Cursor) {
  TDockDrag& d = Drag();
  HWND root = nullptr;
  POINT at;
  if (Obj->DragTarget && Obj->DragTarget->HandleAllocated())
    root = GetAncestor(Obj->DragTarget->Handle(), GA_ROOT);
  else
    root = OverlayRootAt(Cursor, at);
  if (!root) {
    d.Frame.Hide();
    return;
  }
  RECT wr;
  GetWindowRect(root, &wr);
  RECT r = Obj->DockRect;
  OffsetRect(&r, -wr.left, -wr.top);
  int fw = std::max(1, Obj->FrameWidth);
  d.Frame.Hide();
  UpdateAllWindows();
  d.Frame.Show(root, r, [fw](HDC DC, int W, int H) {
    PatBlt(DC, 0, 0, W, fw, DSTINVERT);
    PatBlt(DC, 0, H - fw, W, fw, DSTINVERT);
    PatBlt(DC, 0, fw, fw, H - 2 * fw, DSTINVERT);
    PatBlt(DC, W - fw, fw, fw, H - 2 * fw, DSTINVERT);
  });
}

// The zones below and including Top, parents before their children, in child order.
std::vector<TDockZone*> PreOrder(TDockZone* Top) {
  std::vector<TDockZone*> out, stack{Top};
  while (!stack.empty()) {
    TDockZone* z = stack.back();
    stack.pop_back();
    out.push_back(z);
    for (auto it = z->ChildZones.rbegin(); it != z->ChildZones.rend(); ++it) stack.push_back(it->get());
  }
  return out;
}

std::vector<TControl*> ClientsOf(TWinControl* Site) {
  std::vector<TControl*> v;
  for (int i = 0; i < Site->DockClientCount(); ++i) v.push_back(Site->DockClients(i));
  return v;
}

void FinishDrag() {
  TDockDrag& d = Drag();
  d.Frame.Hide();
  d.Obj = nullptr;
  d.Owned.reset();
  d.LastTarget = nullptr;
}

}  // namespace

TDragDockObject* DockDragObject() { return Drag().Obj; }

// ---- TControl ----
bool TControl::Floating() const {
  if (FHostDockSite) return FHostDockSite->Is<TCustomDockForm>();
  return FParent == nullptr;
}

TClass TControl::FloatingDockSiteClass() const {
  return FFloatingDockSiteClass ? FFloatingDockSiteClass : TToolDockForm::StaticClass();
}

bool TControl::ManualDock(TWinControl* NewDockSite, TControl* DropControl, TAlign ControlSide) {
  if (!NewDockSite) {
    POINT o = ScreenOrigin(this);
    return ManualFloat(RECT{o.x, o.y, o.x + UndockWidth(), o.y + UndockHeight()});
  }
  if (NewDockSite == this) return false;
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->ContainsControl(NewDockSite)) return false;
  TWinControl* old = FHostDockSite;
  if (old && !old->DoUnDock(NewDockSite, this)) return false;
  TDragDockObject obj(this);
  obj.DropAlign = ControlSide;
  obj.DropOnControl = DropControl;
  obj.DragTarget = NewDockSite;
  obj.Floating = false;
  if (IDockManager* m = NewDockSite->DockManager())
    m->PositionDockRect(this, DropControl, ControlSide, obj.DockRect);
  else {
    POINT o = NewDockSite->ClientToScreen(POINT{0, 0});
    obj.DockRect = RECT{o.x, o.y, o.x + FWidth, o.y + FHeight};
  }
  NewDockSite->DockDrop(&obj, 0, 0);
  if (old != NewDockSite) ReleaseEmptyHost(old);
  return true;
}

bool TControl::ManualFloat(const RECT& ScreenPos) {
  TWinControl* old = FHostDockSite;
  if (old && !old->DoUnDock(nullptr, this)) return false;
  TDragDockObject obj(this);
  obj.DockRect = ScreenPos;
  obj.Floating = true;
  Perform(CM_FLOAT, 0, reinterpret_cast<LPARAM>(&obj));
  if (old != FHostDockSite) ReleaseEmptyHost(old);
  return true;
}

void TControl::Dock(TWinControl* NewDockSite, const RECT& ARect) {
  if (FHostDockSite != NewDockSite) {
    if (FHostDockSite) {
      auto& v = FHostDockSite->FDockClients;
      v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FHostDockSite = NewDockSite;
    if (NewDockSite) NewDockSite->FDockClients.push_back(this);
  }
  FControlState += csDocking;
  SetParent(NewDockSite);
  SetBounds(ARect.left, ARect.top, ARect.right - ARect.left, ARect.bottom - ARect.top);
  FControlState -= csDocking;
}

// ---- TWinControl ----
void TWinControl::SetDockSite(bool Value) {
  FDockSite = Value;
  if (Value && FUseDockManager && !FDockManager) FDockManager = std::make_unique<TDockTree>(this);
  if (!Value && FDockClients.empty()) FDockManager.reset();
}

void TWinControl::SetUseDockManager(bool Value) {
  FUseDockManager = Value;
  if (Value && FDockSite && !FDockManager) FDockManager = std::make_unique<TDockTree>(this);
  if (!Value && FDockClients.empty()) FDockManager.reset();
}

void TWinControl::SetDockManager(std::unique_ptr<IDockManager> Value) {
  FDockManager = std::move(Value);
  // The new manager takes over the controls docked now.
  if (FDockManager)
    for (TControl* c : FDockClients) FDockManager->InsertControl(c, alNone, nullptr);
  Realign();
}

void TWinControl::DockOver(TDragDockObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = true;
  if (FDockManager) {
    Source->DropOnControl = FDockManager->ControlAtPoint(POINT{X, Y}, Source->DropAlign);
    if (!Source->DropOnControl) Source->DropAlign = alNone;
    FDockManager->PositionDockRect(Source->Control, Source->DropOnControl, Source->DropAlign, Source->DockRect);
  }
  if (OnDockOver) OnDockOver(this, Source, X, Y, State, Accept);
}

void TWinControl::DockDrop(TDragDockObject* Source, int X, int Y) {
  Perform(CM_DOCKCLIENT, reinterpret_cast<WPARAM>(Source), MAKELPARAM(static_cast<WORD>(X), static_cast<WORD>(Y)));
  if (OnDockDrop) OnDockDrop(this, Source, X, Y);
}

bool TWinControl::DoUnDock(TWinControl* NewTarget, TControl* Client) {
  bool allow = true;
  if (OnUnDock) OnUnDock(this, Client, NewTarget, allow);
  if (!allow) return false;
  Perform(CM_UNDOCKCLIENT, reinterpret_cast<WPARAM>(NewTarget), reinterpret_cast<LPARAM>(Client));
  return true;
}

void TWinControl::GetSiteInfo(TControl* Client, RECT& InfluenceRect, POINT MousePos, bool& CanDock) {
  POINT o = ClientToScreen(POINT{0, 0});
  RECT c = ClientRect();
  InfluenceRect = RECT{o.x, o.y, o.x + c.right, o.y + c.bottom};
  CanDock = Client != this;
  if (OnGetSiteInfo) OnGetSiteInfo(this, Client, InfluenceRect, MousePos, CanDock);
}

// ---- Hooks ----
void TDockAccess::ControlDestroying(TControl* C) {
  TDockDrag& d = Drag();
  if (d.Obj && d.Obj->Control == C) FinishDrag();
  TWinControl* host = C->FHostDockSite;
  if (!host) return;
  if (host->FDockManager) host->FDockManager->RemoveControl(C);
  auto& v = host->FDockClients;
  v.erase(std::remove(v.begin(), v.end(), C), v.end());
  C->FHostDockSite = nullptr;
  ReleaseEmptyHost(host);
}

void TDockAccess::SiteDestroying(TWinControl* Site) {
  TDockDrag& d = Drag();
  if (d.Obj && d.Obj->DragTarget == Site) d.Obj->DragTarget = nullptr;
  if (d.LastTarget == Site) d.LastTarget = nullptr;
  // The docked controls that outlive the site (other owners) see it going, so that a docked
  // form leaving it is not shown as a window of its own meanwhile.
  if (!Site->FDockClients.empty()) Site->Destroying();
  for (TControl* c : Site->FDockClients) c->FHostDockSite = nullptr;
  Site->FDockClients.clear();
  Site->FDockManager.reset();
}

void TDockAccess::BeginDockDrag(TControl* C) {
  TDockDrag& d = Drag();
  if (d.Obj && d.Obj->Control == C) return;
  FinishDrag();
  d.Owned = std::make_unique<TDragDockObject>(C);
  d.Obj = d.Owned.get();
  POINT s;
  GetCursorPos(&s);
  POINT o = ScreenOrigin(C);
  d.Offset = POINT{s.x - o.x, s.y - o.y};
  d.Obj->DragPos = s;
  d.Obj->DockRect = RECT{o.x, o.y, o.x + C->UndockWidth(), o.y + C->UndockHeight()};
  TDragDockObject* obj = d.Obj;
  if (C->OnStartDock) C->OnStartDock(C, obj);
  if (obj && obj != d.Obj) d.Obj = obj;  // the handler's own drag object (it owns it)
}

bool TDockAccess::DockDragMove(TControl* C, POINT S) {
  TDockDrag& d = Drag();
  TDragDockObject* obj = d.Obj;
  if (!obj || obj->Control != C) return false;
  obj->DragPos = S;
  TWinControl* target = FindDockTarget(C, S);
  if (d.LastTarget && d.LastTarget != target) {
    POINT p = d.LastTarget->ScreenToClient(S);
    bool ignored = false;
    d.LastTarget->DockOver(obj, p.x, p.y, dsDragLeave, ignored);
  }
  bool accept = false;
  if (target) {
    POINT p = target->ScreenToClient(S);
    obj->DragTarget = target;
    target->DockOver(obj, p.x, p.y, d.LastTarget == target ? dsDragMove : dsDragEnter, accept);
  }
  d.LastTarget = target;
  if (!accept) {
    obj->DragTarget = nullptr;
    obj->Floating = true;
    obj->DropOnControl = nullptr;
    obj->DropAlign = alNone;
    int x = S.x - std::min(d.Offset.x, C->UndockWidth() - 1), y = S.y - std::min(d.Offset.y, C->UndockHeight() - 1);
    obj->DockRect = RECT{x, y, x + C->UndockWidth(), y + C->UndockHeight()};
  } else {
    obj->Floating = false;
  }
  ShowFrame(obj, S);
  ::SetCursor(CursorHandle(crDrag));
  return true;
}

bool TDockAccess::EndDockDrag(TControl* C, bool Drop) {
  TDockDrag& d = Drag();
  TDragDockObject* obj = d.Obj;
  if (!obj || obj->Control != C) return false;
  d.Frame.Hide();
  POINT s = obj->DragPos;
  TWinControl* target = nullptr;
  POINT tp{0, 0};
  if (Drop) {
    TWinControl* old = C->HostDockSite();
    if (!obj->Floating && obj->DragTarget) {
      target = obj->DragTarget;
      tp = target->ScreenToClient(s);
      if (old && !old->DoUnDock(target, C)) target = nullptr;
      else target->DockDrop(obj, tp.x, tp.y);
    } else {
      C->ManualFloat(obj->DockRect);
    }
    if (old != C->HostDockSite()) ReleaseEmptyHost(old);
  }
  FinishDrag();
  if (C->OnEndDock) C->OnEndDock(C, target, tp.x, tp.y);
  return true;
}

void TDockAccess::Message(TControl* C, TMessage& M) {
  switch (M.Msg) {
    case CM_DOCKCLIENT: {
      auto* site = dynamic_cast<TWinControl*>(C);
      auto* obj = reinterpret_cast<TDragDockObject*>(M.WParam);
      if (!site || !obj || !obj->Control) return;
      TControl* client = obj->Control;
      RECT r = obj->DockRect;
      POINT o = site->ClientToScreen(POINT{0, 0});
      OffsetRect(&r, -o.x, -o.y);
      if (IsRectEmpty(&r)) r = RECT{0, 0, client->Width(), client->Height()};
      if (site->FDockManager) site->FDockManager->BeginUpdate();
      client->Dock(site, r);
      if (site->FDockManager) {
        site->FDockManager->InsertControl(client, obj->DropAlign, obj->DropOnControl);
        site->FDockManager->EndUpdate();
      }
      M.Result = 1;
      return;
    }
    case CM_UNDOCKCLIENT: {
      auto* site = dynamic_cast<TWinControl*>(C);
      auto* client = reinterpret_cast<TControl*>(M.LParam);
      if (!site || !client || client->FHostDockSite != site) return;
      if (site->FDockManager) site->FDockManager->RemoveControl(client);
      auto& v = site->FDockClients;
      v.erase(std::remove(v.begin(), v.end(), client), v.end());
      client->FHostDockSite = nullptr;
      M.Result = 1;
      return;
    }
    case CM_FLOAT: {
      auto* obj = reinterpret_cast<TDragDockObject*>(M.LParam);
      if (!obj) return;
      RECT r = obj->DockRect;
      if (C->Is<TCustomForm>()) {
        // A form floats as the top-level window it is.
        C->Dock(nullptr, r);
        if (C->Visible()) C->Show();
        M.Result = 1;
        return;
      }
      TWinControl* host = C->FHostDockSite;
      if (!host || !host->Is<TCustomDockForm>() || host->DockClientCount() != 1) {
        TPendingInstance pending(C->FloatingDockSiteClass());
        TObject* made = nullptr;
        try {
          made = pending.Construct(Application());
        } catch (const Exception&) {
          made = nullptr;
        }
        host = dynamic_cast<TCustomDockForm*>(made);
        if (!host) {
          delete made;
          host = new TToolDockForm(Application());
        }
        host->SetCaption(C->Caption());
        C->Dock(host, RECT{0, 0, r.right - r.left, r.bottom - r.top});
      }
      host->SetLeft(r.left);
      host->SetTop(r.top);
      host->SetClientWidth(r.right - r.left);
      host->SetClientHeight(r.bottom - r.top);
      if (C->Visible()) host->Show();
      M.Result = 1;
      return;
    }
  }
}

bool TDockAccess::SiteMouse(TWinControl* Site, TMessage& M) {
  auto* tree = dynamic_cast<TDockTree*>(Site->FDockManager.get());
  if (!tree) return false;
  return tree->MouseMessage(M.Msg, POINT{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)});
}

bool TDockAccess::CaptionDrag(TWinControl* W) {
  TControl* c = nullptr;
  if (W->Is<TCustomDockForm>() && W->DockClientCount() == 1) c = W->DockClients(0);
  else if (W->Is<TCustomForm>() && W->DragKind() == dkDock && !W->Parent()) c = W;
  if (!c) return false;
  BeginDockDrag(c);
  c->BeginDrag(false);
  return true;
}

void TDockAccess::PaintSite(TWinControl* Site, HDC DC) {
  if (Site->FDockManager && !Site->FDockClients.empty()) Site->FDockManager->PaintSite(DC);
}

void TDockAccess::LayoutSite(TWinControl* Site) {
  if (Site->FDockClients.empty()) return;
  if (Site->FDockManager && Site->FUseDockManager) {
    Site->FDockManager->ResetBounds(false);
    return;
  }
  if (Site->Is<TCustomDockForm>()) {
    // A floating host fills its client area with its control.
    RECT r = Site->ClientRect();
    for (TControl* c : Site->FDockClients) c->SetBoundsRect(r);
  }
}

// ---- TDockZone ----
RECT TDockZone::ContentRect() const {
  RECT r = Bounds;
  if (IsRectEmpty(&SplitBar)) return r;
  if (SplitBar.left > r.left) r.right = SplitBar.left;
  else r.bottom = SplitBar.top;
  return r;
}

int TDockZone::Level() const {
  int n = 0;
  for (const TDockZone* z = ParentZone; z; z = z->ParentZone) ++n;
  return n;
}

bool TDockZone::Visible() const {
  if (ChildControl) return ChildControl->Visible();
  for (const auto& c : ChildZones)
    if (c->Visible()) return true;
  return false;
}

TDockZone* TDockZone::FindControlZone(TControl* Control) {
  if (ChildControl == Control) return this;
  for (auto& c : ChildZones)
    if (TDockZone* z = c->FindControlZone(Control)) return z;
  return nullptr;
}

// ---- TDockTree ----
TDockTree::TDockTree(TWinControl* ADockSite) : FDockSite(ADockSite), FTopZone(std::make_unique<TDockZone>(this)) {}
TDockTree::~TDockTree() = default;

void TDockTree::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Layout();
}

RECT TDockTree::SiteRect() const { return FDockSite->ClientRect(); }

void TDockTree::ResetBounds(bool) { Layout(); }

void TDockTree::Layout() {
  if (FUpdateCount > 0 || FLayingOut) return;
  FLayingOut = true;
  LayoutZone(FTopZone.get(), SiteRect());
  PlaceControls(FTopZone.get());
  FLayingOut = false;
  FDockSite->Invalidate();
}

void TDockTree::LayoutZone(TDockZone* Zone, const RECT& Bounds) {
  Zone->Bounds = Bounds;
  if (Zone->ChildZones.empty()) return;
  const RECT R = Zone->ContentRect();
  bool across = Zone->Orientation != doVertical;  // children one above the other
  std::vector<TDockZone*> vis;
  for (auto& c : Zone->ChildZones) {
    c->Bounds = c->SplitBar = RECT{0, 0, 0, 0};
    if (c->Visible()) vis.push_back(c.get());
  }
  if (vis.empty()) return;
  int start = across ? R.top : R.left, end = across ? R.bottom : R.right;
  int ref = across ? FRefHeight : FRefWidth;
  int now = across ? SiteRect().bottom : SiteRect().right;
  // Far edges from the limits, scaled from the reference size; limits that leave a visible zone
  // no room (or no reference size) share the space evenly instead.
  std::vector<int> edges(vis.size());
  bool even = ref <= 0;
  int prev = start;
  for (size_t i = 0; i < vis.size() && !even; ++i) {
    int e = i + 1 == vis.size() ? end
                                : static_cast<int>(std::lround(static_cast<double>(vis[i]->ZoneLimit) * now / ref));
    e = std::min(e, end);
    if (e <= prev && end > start) even = true;
    edges[i] = e;
    prev = e;
  }
  if (even)
    for (size_t i = 0; i < vis.size(); ++i)
      edges[i] = start + static_cast<int>((static_cast<long long>(end - start) * static_cast<long long>(i + 1)) / static_cast<long long>(vis.size()));
  prev = start;
  for (size_t i = 0; i < vis.size(); ++i) {
    RECT r = across ? RECT{R.left, prev, R.right, edges[i]} : RECT{prev, R.top, edges[i], R.bottom};
    if (i + 1 < vis.size()) {
      vis[i]->SplitBar = r;
      if (across) vis[i]->SplitBar.top = std::max(r.top, r.bottom - SplitterSize);
      else vis[i]->SplitBar.left = std::max(r.left, r.right - SplitterSize);
    }
    LayoutZone(vis[i], r);
    prev = edges[i];
  }
}

void TDockTree::PlaceControls(TDockZone* Zone) {
  if (TControl* c = Zone->ChildControl) {
    if (c->Parent() == FDockSite && c->Visible()) {
      RECT r = Zone->ContentRect();
      r.top = std::min(r.bottom, r.top + GrabberSize);
      c->SetBoundsRect(r);
    }
    return;
  }
  for (auto& z : Zone->ChildZones) PlaceControls(z.get());
}

void TDockTree::Rebase() {
  RECT site = SiteRect();
  {
    bool saved = FLayingOut;
    FLayingOut = true;
    LayoutZone(FTopZone.get(), site);
    FLayingOut = saved;
    // Each child's limit becomes its present far edge; hidden zones keep theirs.
    for (TDockZone* z : PreOrder(FTopZone.get())) {
      bool across = z->Orientation != doVertical;
      for (auto& c : z->ChildZones)
        if (c->Visible()) c->ZoneLimit = across ? c->Bounds.bottom : c->Bounds.right;
    }
  }
  FRefWidth = site.right;
  FRefHeight = site.bottom;
}

void TDockTree::InsertControl(TControl* Control, TAlign InsertAt, TControl* DropCtl) {
  if (!Control) return;
  if (FTopZone->FindControlZone(Control)) RemoveControl(Control);
  Rebase();
  TDockZone* top = FTopZone.get();
  auto leaf = std::make_unique<TDockZone>(this);
  leaf->ChildControl = Control;
  if (top->ChildZones.empty()) {
    // The top zone holds the first control alone, without an orientation.
    top->Orientation = doNoOrient;
    leaf->ParentZone = top;
    top->ChildZones.push_back(std::move(leaf));
    Layout();
    return;
  }
  if (InsertAt != alTop && InsertAt != alLeft && InsertAt != alRight) InsertAt = alBottom;
  TDockOrientation o = (InsertAt == alTop || InsertAt == alBottom) ? doHorizontal : doVertical;
  bool before = InsertAt == alTop || InsertAt == alLeft;
  TDockZone* target = DropCtl ? FTopZone->FindControlZone(DropCtl) : nullptr;
  if (!target) {
    // Beside the whole site: beside the top zone's first or last zone when it splits that way,
    // else its content moves into a split of its own beside the new zone.
    if (top->Orientation == doNoOrient) top->Orientation = o;
    if (top->Orientation != o) {
      auto inner = std::make_unique<TDockZone>(this);
      inner->Orientation = top->Orientation;
      inner->ChildZones = std::move(top->ChildZones);
      for (auto& c : inner->ChildZones) c->ParentZone = inner.get();
      inner->ParentZone = top;
      inner->Bounds = top->Bounds;
      inner->ZoneLimit = o == doHorizontal ? top->Bounds.bottom : top->Bounds.right;
      top->ChildZones.clear();
      top->ChildZones.push_back(std::move(inner));
      top->Orientation = o;
    }
    target = before ? top->ChildZones.front().get() : top->ChildZones.back().get();
  }
  RECT b = target->Bounds;
  int a = o == doHorizontal ? b.top : b.left, e = o == doHorizontal ? b.bottom : b.right;
  int mid = a + (e - a) / 2;
  TDockZone* parent = target->ParentZone;
  if (parent->Orientation == doNoOrient) parent->Orientation = o;  // a lone zone gets a neighbour
  if (parent->Orientation == o) {
    auto& v = parent->ChildZones;
    auto it = std::find_if(v.begin(), v.end(), [&](const auto& p) { return p.get() == target; });
    leaf->ParentZone = parent;
    if (before) {
      leaf->ZoneLimit = mid;
      v.insert(it, std::move(leaf));
    } else {
      leaf->ZoneLimit = target->ZoneLimit;
      target->ZoneLimit = mid;
      v.insert(it + 1, std::move(leaf));
    }
    Layout();
    return;
  }
  // The target's place becomes a split holding the target and the new zone.
  auto split = std::make_unique<TDockZone>(this);
  TDockZone* s = split.get();
  s->Orientation = o;
  s->ParentZone = parent;
  s->ZoneLimit = target->ZoneLimit;
  auto it = std::find_if(parent->ChildZones.begin(), parent->ChildZones.end(),
                         [&](const auto& p) { return p.get() == target; });
  std::unique_ptr<TDockZone> old = std::move(*it);
  *it = std::move(split);
  old->ParentZone = s;
  leaf->ParentZone = s;
  leaf->ZoneLimit = before ? mid : e;
  old->ZoneLimit = before ? e : mid;
  if (before) {
    s->ChildZones.push_back(std::move(leaf));
    s->ChildZones.push_back(std::move(old));
  } else {
    s->ChildZones.push_back(std::move(old));
    s->ChildZones.push_back(std::move(leaf));
  }
  Layout();
}

void TDockTree::RemoveControl(TControl* Control) {
  if (FGrabbed == Control) FGrabbed = nullptr;
  FSizing = nullptr;
  TDockZone* z = FTopZone->FindControlZone(Control);
  if (!z || z == FTopZone.get()) return;
  Rebase();
  RemoveZone(z);
  Layout();
}

// Takes a zone out; a split left with one child is replaced by that child, and a child split
// oriented as its new parent gives its children to it (the limits are site coordinates, so
// they stay valid). The top zone stays: left with one zone, it takes that zone's children (or
// holds the lone control without an orientation).
void TDockTree::RemoveZone(TDockZone* Zone) {
  TDockZone* p = Zone->ParentZone;
  if (!p) return;
  auto& v = p->ChildZones;
  auto it = std::find_if(v.begin(), v.end(), [&](const auto& q) { return q.get() == Zone; });
  bool last = it + 1 == v.end();
  int limit = Zone->ZoneLimit;
  v.erase(it);
  if (last && !v.empty()) v.back()->ZoneLimit = limit;
  if (v.empty()) {
    if (p == FTopZone.get()) p->Orientation = doNoOrient;
    else RemoveZone(p);
    return;
  }
  if (v.size() > 1) return;
  std::unique_ptr<TDockZone> only = std::move(v.front());
  v.clear();
  TDockZone* g = p->ParentZone;
  if (!g) {
    // p is the top zone.
    if (only->ChildZones.empty()) {
      p->Orientation = doNoOrient;
      only->ParentZone = p;
      v.push_back(std::move(only));
      return;
    }
    p->Orientation = only->Orientation;
    for (auto& c : only->ChildZones) {
      c->ParentZone = p;
      v.push_back(std::move(c));
    }
    return;
  }
  only->ZoneLimit = p->ZoneLimit;
  only->ParentZone = g;
  auto& gv = g->ChildZones;
  auto pit = std::find_if(gv.begin(), gv.end(), [&](const auto& q) { return q.get() == p; });
  if (!only->ChildZones.empty() && only->Orientation == g->Orientation) {
    size_t at = static_cast<size_t>(pit - gv.begin());
    gv.erase(pit);
    for (auto& c : only->ChildZones) {
      c->ParentZone = g;
      gv.insert(gv.begin() + static_cast<long>(at++), std::move(c));
    }
    return;
  }
  *pit = std::move(only);
}

void TDockTree::GetControlBounds(TControl* Control, RECT& CtlBounds) {
  TDockZone* z = FTopZone->FindControlZone(Control);
  CtlBounds = z ? z->Bounds : RECT{0, 0, 0, 0};
}

void TDockTree::PositionDockRect(TControl*, TControl* DropCtl, TAlign DropAlign, RECT& DockRect) {
  TDockZone* z = DropCtl ? FTopZone->FindControlZone(DropCtl) : nullptr;
  RECT r = z ? z->Bounds : SiteRect();
  if (z || !FTopZone->ChildZones.empty()) {
    int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    switch (DropAlign) {
      case alLeft: r.right = mx; break;
      case alRight: r.left = mx; break;
      case alTop: r.bottom = my; break;
      case alBottom: case alClient: case alNone: r.top = my; break;
      default: break;
    }
  }
  POINT o = FDockSite->ClientToScreen(POINT{0, 0});
  OffsetRect(&r, o.x, o.y);
  DockRect = r;
}

TControl* TDockTree::ControlAtPoint(POINT P, TAlign& Side) {
  Side = alNone;
  for (TDockZone* z : PreOrder(FTopZone.get())) {
    if (!z->ChildControl || !z->ChildControl->Visible() || !PtInRect(&z->Bounds, P)) continue;
    const RECT& b = z->Bounds;
    int w = std::max(1, static_cast<int>(b.right - b.left)), h = std::max(1, static_cast<int>(b.bottom - b.top));
    // The nearest edge, measured in parts of the zone's size.
    double dl = double(P.x - b.left) / w, dr = double(b.right - P.x) / w;
    double dt = double(P.y - b.top) / h, db = double(b.bottom - P.y) / h;
    double m = std::min(std::min(dl, dr), std::min(dt, db));
    Side = m == dl ? alLeft : m == dr ? alRight : m == dt ? alTop : alBottom;
    return z->ChildControl;
  }
  return nullptr;
}

RECT TDockTree::GrabberRect(TControl* Control) {
  TDockZone* z = FTopZone->FindControlZone(Control);
  if (!z) return RECT{0, 0, 0, 0};
  RECT r = z->ContentRect();
  r.bottom = std::min(r.bottom, r.top + GrabberSize);
  return r;
}

RECT TDockTree::CloseButtonRect(TControl* Control) {
  RECT g = GrabberRect(Control);
  if (IsRectEmpty(&g)) return g;
  return RECT{g.right - GrabberSize + 1, g.top + 1, g.right - 2, g.bottom - 2};
}

void TDockTree::PaintSite(HDC DC) {
  HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN text = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
  HGDIOBJ oldPen = SelectObject(DC, shadow);
  HGDIOBJ oldFont = SelectObject(DC, GetStockObject(DEFAULT_GUI_FONT));
  int oldMode = SetBkMode(DC, TRANSPARENT);
  COLORREF oldColor = SetTextColor(DC, GetSysColor(COLOR_BTNTEXT));
  for (TDockZone* z : PreOrder(FTopZone.get())) {
    TControl* c = z->ChildControl;
    if (!c || !c->Visible() || c->Parent() != FDockSite) continue;
    RECT g = GrabberRect(c);
    FillRect(DC, &g, face);
    // A line under the strip, the caption, and the close button (a framed cross).
    SelectObject(DC, shadow);
    MoveToEx(DC, g.left, g.bottom - 1, nullptr);
    LineTo(DC, g.right, g.bottom - 1);
    RECT b = CloseButtonRect(c);
    RECT t{g.left + 3, g.top, b.left - 2, g.bottom - 1};
    std::string cap = c->Caption();
    DrawText(DC, cap.c_str(), -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    FrameRect(DC, &b, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    SelectObject(DC, text);
    MoveToEx(DC, b.left + 3, b.top + 3, nullptr);
    LineTo(DC, b.right - 3, b.bottom - 3);
    MoveToEx(DC, b.right - 4, b.top + 3, nullptr);
    LineTo(DC, b.left + 2, b.bottom - 3);
  }
  SetTextColor(DC, oldColor);
  SetBkMode(DC, oldMode);
  SelectObject(DC, oldFont);
  SelectObject(DC, oldPen);
  DeleteObject(text);
  DeleteObject(shadow);
  DeleteObject(face);
}

bool TDockTree::MouseMessage(UINT Msg, POINT P) {
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      for (TControl* c : ClientsOf(FDockSite)) {
        if (!c->Visible()) continue;
        RECT g = GrabberRect(c);
        if (!PtInRect(&g, P)) continue;
        RECT b = CloseButtonRect(c);
        if (PtInRect(&b, P)) {
          CloseDocked(c);
          return true;
        }
        FGrabbed = c;
        FGrabPoint = P;
        SetCapture(FDockSite->Handle());
        return true;
      }
      if (TDockZone* z = SplitBarAt(P)) {
        Rebase();
        FSizing = z;
        FSizingDelta = z->ZoneLimit - (z->ParentZone->Orientation == doVertical ? P.x : P.y);
        SetCapture(FDockSite->Handle());
        return true;
      }
      return false;
    }
    case WM_MOUSEMOVE: {
      if (FSizing) {
        SizeZone(FSizing, (FSizing->ParentZone->Orientation == doVertical ? P.x : P.y) + FSizingDelta);
        return true;
      }
      if (!FGrabbed) {
        if (TDockZone* z = SplitBarAt(P))
          ::SetCursor(CursorHandle(z->ParentZone->Orientation == doVertical ? crHSplit : crVSplit));
        return false;
      }
      int t = GetSystemMetrics(SM_CXDRAG);
      if (std::abs(P.x - FGrabPoint.x) < t && std::abs(P.y - FGrabPoint.y) < t) return true;
      TControl* c = FGrabbed;
      FGrabbed = nullptr;
      ReleaseCapture();
      TDockAccess::BeginDockDrag(c);
      c->BeginDrag(true);
      TDockAccess::DockDragMove(c, FDockSite->ClientToScreen(P));
      return true;
    }
    case WM_LBUTTONUP:
      if (!FGrabbed && !FSizing) return false;
      FGrabbed = nullptr;
      FSizing = nullptr;
      ReleaseCapture();
      return true;
  }
  return false;
}

TDockZone* TDockTree::SplitBarAt(POINT P) {
  for (TDockZone* z : PreOrder(FTopZone.get()))
    if (z->ParentZone && PtInRect(&z->SplitBar, P)) return z;
  return nullptr;
}

void TDockTree::SizeZone(TDockZone* Zone, int Limit) {
  // Between the zone's start and the next visible zone's far edge, leaving each zone room for
  // its grabber and a little of its control.
  TDockZone* p = Zone->ParentZone;
  bool across = p->Orientation != doVertical;
  auto& v = p->ChildZones;
  auto it = std::find_if(v.begin(), v.end(), [&](const auto& q) { return q.get() == Zone; });
  TDockZone* next = nullptr;
  for (auto n = it + 1; n != v.end() && !next; ++n)
    if ((*n)->Visible()) next = n->get();
  if (!next) return;
  int room = GrabberSize + MinContentSize + SplitterSize;
  int lo = (across ? Zone->Bounds.top : Zone->Bounds.left) + room;
  int hi = (across ? next->Bounds.bottom : next->Bounds.right) - room;
  if (lo > hi) return;
  Rebase();
  Zone->ZoneLimit = std::clamp(Limit, lo, hi);
  Layout();
}

// ---- The layout stream ----
namespace {

void WriteInt(TStream* S, int32_t V) {
  uint8_t b[4] = {static_cast<uint8_t>(V), static_cast<uint8_t>(V >> 8), static_cast<uint8_t>(V >> 16),
                  static_cast<uint8_t>(V >> 24)};
  S->WriteBuffer(b, 4);
}

int32_t ReadInt(TStream* S) {
  uint8_t b[4];
  S->ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

struct TZoneRecord {
  int Level;
  TDockOrientation Orientation;
  int32_t Limit;
  std::string Name;
};

[[noreturn]] void Damaged() { throw EReadError("Invalid dock layout stream"); }

// Longest component name a layout stream may hold (a guard against damaged lengths).
constexpr int32_t kMaxNameLength = 1024;

}  // namespace

void TDockTree::SaveToStream(TStream* Stream) {
  TDockZone* top = FTopZone.get();
  bool vertical = top->Orientation == doVertical;
  WriteInt(Stream, StreamVersion);
  WriteInt(Stream, 0);
  WriteInt(Stream, vertical ? FRefWidth : FRefHeight);
  // Zones in pre-order; the top zone's limit is the site's extent across its split.
  for (TDockZone* z : PreOrder(top)) {
    WriteInt(Stream, z->Level());
    uint8_t o = static_cast<uint8_t>(z->Orientation);
    Stream->WriteBuffer(&o, 1);
    WriteInt(Stream, z == top ? (vertical ? FRefHeight : FRefWidth) : z->ZoneLimit);
    std::string name = z->ChildControl ? z->ChildControl->Name() : std::string();
    WriteInt(Stream, static_cast<int32_t>(name.size()));
    if (!name.empty()) Stream->WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
  }
  WriteInt(Stream, -1);
}

void TDockTree::LoadFromStream(TStream* Stream) {
  // Everything is read and checked before the site changes, so a damaged stream changes nothing.
  if (ReadInt(Stream) != StreamVersion) Damaged();
  ReadInt(Stream);
  int32_t along = ReadInt(Stream);
  std::vector<TZoneRecord> recs;
  for (;;) {
    int32_t level = ReadInt(Stream);
    if (level == -1) break;
    if (recs.empty() ? level != 0 : (level < 1 || level > recs.back().Level + 1)) Damaged();
    uint8_t o;
    Stream->ReadBuffer(&o, 1);
    if (o > doVertical) Damaged();
    int32_t limit = ReadInt(Stream);
    int32_t len = ReadInt(Stream);
    if (len < 0 || len > kMaxNameLength) Damaged();
    std::string name(static_cast<size_t>(len), '\0');
    if (len) Stream->ReadBuffer(name.data(), len);
    recs.push_back(TZoneRecord{level, static_cast<TDockOrientation>(o), limit, std::move(name)});
  }
  for (size_t i = 0; i + 1 < recs.size(); ++i)
    if (recs[i + 1].Level > recs[i].Level && !recs[i].Name.empty())
      Damaged();  // a zone with children holds no control

  // Build the zones, finding each control by its name.
  std::unique_ptr<TDockZone> top;
  std::vector<TDockZone*> path;
  for (const TZoneRecord& r : recs) {
    auto z = std::make_unique<TDockZone>(this);
    z->Orientation = r.Orientation;
    z->ZoneLimit = r.Limit;
    if (!r.Name.empty()) {
      auto* c = dynamic_cast<TControl*>(FindGlobalComponent(r.Name));
      auto* cw = dynamic_cast<TWinControl*>(c);
      if (c && c != FDockSite && !(cw && cw->ContainsControl(FDockSite)) && !(top && top->FindControlZone(c)))
        z->ChildControl = c;
    }
    path.resize(static_cast<size_t>(r.Level));
    TDockZone* raw = z.get();
    if (r.Level == 0) {
      top = std::move(z);
    } else {
      z->ParentZone = path.back();
      path.back()->ChildZones.push_back(std::move(z));
    }
    path.push_back(raw);
  }
  if (!top) Damaged();
  bool vertical = recs.front().Orientation == doVertical;
  if (top->ChildZones.empty()) {
    // A control alone in the top zone moves into a zone of its own below it.
    auto holder = std::make_unique<TDockZone>(this);
    holder->ZoneLimit = top->ZoneLimit;
    if (top->ChildControl || !recs.front().Name.empty()) {
      top->ParentZone = holder.get();
      top->Orientation = doNoOrient;
      holder->ChildZones.push_back(std::move(top));
    }
    top = std::move(holder);
  }

  // From here on the site changes. Controls docked elsewhere leave their sites first; one whose
  // site keeps it is left out like a name that was not found.
  BeginUpdate();
  std::vector<TDockZone*> leaves;
  for (TDockZone* z : PreOrder(top.get()))
    if (z->ChildZones.empty() && z->ParentZone) leaves.push_back(z);
  std::vector<TWinControl*> oldHosts;
  for (TDockZone* z : leaves) {
    TControl* c = z->ChildControl;
    if (!c) continue;
    TWinControl* h = c->HostDockSite();
    if (h == FDockSite || !h) continue;
    if (!h->DoUnDock(FDockSite, c)) z->ChildControl = nullptr;
    else oldHosts.push_back(h);
  }
  std::vector<TControl*> previous = ClientsOf(FDockSite);
  FTopZone = std::move(top);
  FGrabbed = nullptr;
  FSizing = nullptr;
  // Leaves without a control go; splits left with one child collapse into it.
  for (TDockZone* z : leaves)
    if (!z->ChildControl) RemoveZone(z);
  FRefWidth = vertical ? along : recs.front().Limit;
  FRefHeight = vertical ? recs.front().Limit : along;
  std::vector<TControl*> docked;
  for (TDockZone* z : PreOrder(FTopZone.get()))
    if (z->ChildControl) docked.push_back(z->ChildControl);
  for (TControl* c : docked)
    if (c->HostDockSite() != FDockSite) c->Dock(FDockSite, RECT{0, 0, c->Width(), c->Height()});
  for (TWinControl* h : oldHosts) ReleaseEmptyHost(h);
  EndUpdate();
  // Controls docked here before that the stream does not name stay docked, below the others.
  for (TControl* c : previous)
    if (std::find(docked.begin(), docked.end(), c) == docked.end() && c->HostDockSite() == FDockSite)
      InsertControl(c, alBottom, nullptr);
}

// ---- Floating hosts ----
TCustomDockForm::TCustomDockForm(TComponent* AOwner) : TCustomForm(AOwner) {
  SetUseDockManager(false);
  SetBorderStyle(bsSizeToolWin);
}

void TCustomDockForm::WndProc(TMessage& M) {
  TCustomForm::WndProc(M);
  if (M.Msg == WM_GETMINMAXINFO && M.LParam) {
    auto* mm = reinterpret_cast<MINMAXINFO*>(M.LParam);
    RECT r{0, 0, 1, 1};
    if (HandleAllocated()) {
      AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE)), FALSE,
                         static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_EXSTYLE)));
    }
    if (!Constraints().MinWidth) mm->ptMinTrackSize.x = r.right - r.left;
    if (!Constraints().MinHeight) mm->ptMinTrackSize.y = r.bottom - r.top;
  }
}

TToolDockForm::TToolDockForm(TComponent* AOwner) : TCustomDockForm(AOwner) {
  SetWidth(150);
  SetHeight(100);
}
