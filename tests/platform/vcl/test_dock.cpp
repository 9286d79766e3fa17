// Docking: the dock tree's zones and layout, its layout stream (the designer's default layouts),
// manual docking and floating, the grabbers and the dock drag with the mouse.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dock.h"
#include "platform/vcl/extctrls.h"
#include "formtest.h"

namespace {

// The designer's default layouts of its left and right dock sites.
const char* const kLeftSiteLayout =
    "00000400000000004802000000000000019F00000000000000010000000073000000110000007270745265706F72"
    "7454726565466F726D010000000048020000120000007270744F626A656374496E73706563746F72FFFFFFFF";
const char* const kRightSiteLayout =
    "000004000000000000000000000000000000000000000000000100000000000000000F00000072707444617461"
    "54726565466F726DFFFFFFFF";

std::vector<uint8_t> FromHex(const std::string& Hex) {
  std::vector<uint8_t> b;
  for (size_t i = 0; i + 1 < Hex.size(); i += 2) b.push_back(static_cast<uint8_t>(std::stoi(Hex.substr(i, 2), nullptr, 16)));
  return b;
}

std::vector<uint8_t> Saved(TWinControl* Site) {
  TMemoryStream s;
  Site->DockManager()->SaveToStream(&s);
  auto* p = static_cast<const uint8_t*>(s.Memory());
  return std::vector<uint8_t>(p, p + s.Size());
}

void Load(TWinControl* Site, const std::vector<uint8_t>& Bytes) {
  TMemoryStream s;
  if (!Bytes.empty()) s.WriteBuffer(Bytes.data(), static_cast<int64_t>(Bytes.size()));
  s.SetPosition(0);
  Site->DockManager()->LoadFromStream(&s);
}

class DockTest : public FormTestBase {
protected:
  TPanel* NewSite(int Left, int Width, int Height) {
    auto* p = new TPanel(Form);
    p->SetParent(Form);
    p->SetBevelOuter(bvNone);
    p->SetBounds(Left, 0, Width, Height);
    p->SetDockSite(true);
    return p;
  }
  TPanel* NewClient(const std::string& Name, int W = 60, int H = 40) {
    auto* p = new TPanel(Form);
    p->SetName(Name);
    p->SetBounds(0, 0, W, H);
    p->SetParent(Form);
    return p;
  }
  TForm* NewForm(const std::string& Name) {
    auto* f = new TForm(nullptr);
    f->SetName(Name);
    Forms.push_back(f);
    return f;
  }
  void TearDown() override {
    for (TForm* f : Forms) delete f;
    FormTestBase::TearDown();
  }
  std::vector<TForm*> Forms;
};

RECT Rect(int L, int T, int R, int B) { return RECT{L, T, R, B}; }
bool SameRect(const RECT& A, const RECT& B) {
  return A.left == B.left && A.top == B.top && A.right == B.right && A.bottom == B.bottom;
}
#define EXPECT_RECT(A, L, T, R, B) EXPECT_TRUE(SameRect((A), Rect(L, T, R, B))) \
    << (A).left << "," << (A).top << "," << (A).right << "," << (A).bottom

TEST_F(DockTest, DesignerLeftSiteLayoutLoadsIntoTwoStackedFormsAndSavesTheSameBytes) {
  TForm* tree = NewForm("rptReportTreeForm");
  TForm* inspector = NewForm("rptObjectInspector");
  tree->SetCaption("Report Tree");
  tree->Show();
  inspector->Show();
  Form->Show();
  TPanel* site = NewSite(0, 159, 584);
  auto bytes = FromHex(kLeftSiteLayout);
  Load(site, bytes);

  auto* dt = static_cast<TDockTree*>(site->DockManager());
  TDockZone* top = dt->TopZone();
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(top->Orientation, doHorizontal);
  ASSERT_EQ(top->ChildCount(), 2);
  EXPECT_EQ(top->ChildZones[0]->ChildControl, tree);
  EXPECT_EQ(top->ChildZones[0]->ZoneLimit, 115);
  EXPECT_EQ(top->ChildZones[1]->ChildControl, inspector);
  EXPECT_EQ(top->ChildZones[1]->ZoneLimit, 584);
  EXPECT_EQ(site->DockClientCount(), 2);
  EXPECT_EQ(tree->HostDockSite(), site);
  EXPECT_EQ(inspector->Parent(), site);
  EXPECT_FALSE(tree->Floating());
  // Each form sits below its grabber strip within its zone; a split bar separates the zones.
  EXPECT_RECT(tree->BoundsRect(), 0, TDockTree::GrabberSize, 159, 115 - TDockTree::SplitterSize);
  EXPECT_RECT(inspector->BoundsRect(), 0, 115 + TDockTree::GrabberSize, 159, 584);
  EXPECT_EQ(Saved(site), bytes);

  // A site of another size scales the zones; the stream still describes the same layout.
  site->SetBounds(0, 0, 318, 292);
  EXPECT_RECT(tree->BoundsRect(), 0, TDockTree::GrabberSize, 318, 58 - TDockTree::SplitterSize);
  EXPECT_EQ(Saved(site), bytes);
}

TEST_F(DockTest, DesignerRightSiteLayoutFillsTheSiteWithOneForm) {
  TForm* data = NewForm("rptDataTreeForm");
  data->Show();
  Form->Show();
  TPanel* site = NewSite(300, 143, 300);
  auto bytes = FromHex(kRightSiteLayout);
  Load(site, bytes);
  auto* dt = static_cast<TDockTree*>(site->DockManager());
  ASSERT_NE(dt->TopZone(), nullptr);
  EXPECT_EQ(dt->TopZone()->ChildCount(), 1);
  EXPECT_EQ(dt->TopZone()->ChildZones[0]->ChildControl, data);
  EXPECT_RECT(data->BoundsRect(), 0, TDockTree::GrabberSize, 143, 300);
  EXPECT_EQ(Saved(site), bytes);
  // The docked form is a child window of the site, shown, without a frame of its own.
  ASSERT_TRUE(data->HandleAllocated());
  EXPECT_EQ(GetParent(data->Handle()), site->Handle());
  EXPECT_TRUE(IsWindowVisible(data->Handle()));
  EXPECT_FALSE(GetWindowLongPtr(data->Handle(), GWL_STYLE) & WS_CAPTION);
}

TEST_F(DockTest, NamesThatAreNotFoundAreSkippedAndTheTreeCollapses) {
  TForm* inspector = NewForm("rptObjectInspector");
  inspector->Show();
  Form->Show();
  TPanel* site = NewSite(0, 159, 584);
  Load(site, FromHex(kLeftSiteLayout));
  auto* dt = static_cast<TDockTree*>(site->DockManager());
  ASSERT_NE(dt->TopZone(), nullptr);
  // The split went with the missing form: the top zone holds the inspector alone.
  ASSERT_EQ(dt->TopZone()->ChildCount(), 1);
  EXPECT_EQ(dt->TopZone()->Orientation, doNoOrient);
  EXPECT_EQ(dt->TopZone()->ChildZones[0]->ChildControl, inspector);
  EXPECT_EQ(site->DockClientCount(), 1);
  EXPECT_RECT(inspector->BoundsRect(), 0, TDockTree::GrabberSize, 159, 584);
  // What is saved now loads again into the same tree.
  auto again = Saved(site);
  Load(site, again);
  EXPECT_EQ(Saved(site), again);
}

TEST_F(DockTest, DamagedOrTruncatedStreamsRaiseAndLeaveTheSiteAsItWas) {
  NewForm("rptReportTreeForm")->Show();
  NewForm("rptObjectInspector")->Show();
  Form->Show();
  TPanel* site = NewSite(0, 159, 584);
  auto good = FromHex(kLeftSiteLayout);
  Load(site, good);
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
  };
  std::vector<Case> cases;
  auto patched = [&](size_t At, std::vector<uint8_t> With) {
    auto b = good;
    std::copy(With.begin(), With.end(), b.begin() + static_cast<long>(At));
    return b;
  };
  cases.push_back({"wrong version", patched(0, {1, 0, 4, 0})});
  cases.push_back({"orientation out of range", patched(16, {7})});
  cases.push_back({"first level not 0", patched(12, {1})});
  cases.push_back({"level jumps by two", patched(25, {2})});
  cases.push_back({"negative name length", patched(34, {0xFF, 0xFF, 0xFF, 0xFF})});
  cases.push_back({"name longer than the stream", patched(34, {0x00, 0x01, 0x00, 0x00})});
  cases.push_back({"split with a name", patched(21, {1})});
  for (size_t n = 0; n < good.size(); n += 7)
    cases.push_back({"truncated", std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n))});
  cases.push_back({"no end marker", std::vector<uint8_t>(good.begin(), good.end() - 4)});
  for (const Case& c : cases) {
    EXPECT_THROW(Load(site, c.Bytes), EReadError) << c.What << " (" << c.Bytes.size() << " bytes)";
    EXPECT_EQ(site->DockClientCount(), 2) << c.What;
    EXPECT_EQ(Saved(site), good) << c.What;
  }
}

TEST_F(DockTest, ManualDockSplitsTheDropControlsZoneAndRemovingCollapsesIt) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TPanel* a = NewClient("A");
  TPanel* b = NewClient("B");
  TPanel* c = NewClient("C");
  auto* dt = static_cast<TDockTree*>(site->DockManager());
  const int g = TDockTree::GrabberSize, s = TDockTree::SplitterSize;

  ASSERT_TRUE(a->ManualDock(site));
  EXPECT_RECT(a->BoundsRect(), 0, g, 200, 300);
  ASSERT_TRUE(b->ManualDock(site, a, alRight));
  EXPECT_EQ(dt->TopZone()->Orientation, doVertical);
  EXPECT_RECT(a->BoundsRect(), 0, g, 100 - s, 300);
  EXPECT_RECT(b->BoundsRect(), 100, g, 200, 300);
  ASSERT_TRUE(c->ManualDock(site, b, alTop));
  TDockZone* right = dt->TopZone()->ChildZones[1].get();
  EXPECT_EQ(right->Orientation, doHorizontal);
  EXPECT_EQ(right->ChildZones[0]->ChildControl, c);
  EXPECT_RECT(c->BoundsRect(), 100, g, 200, 150 - s);
  EXPECT_RECT(b->BoundsRect(), 100, 150 + g, 200, 300);
  EXPECT_EQ(site->DockClientCount(), 3);

  // A zone beside the whole site on the site's own split direction.
  TPanel* d = NewClient("D");
  ASSERT_TRUE(d->ManualDock(site, nullptr, alLeft));
  EXPECT_EQ(dt->TopZone()->ChildCount(), 3);
  EXPECT_EQ(dt->TopZone()->ChildZones[0]->ChildControl, d);
  EXPECT_RECT(d->BoundsRect(), 0, g, 50 - s, 300);
  EXPECT_RECT(a->BoundsRect(), 50, g, 100 - s, 300);

  // B leaves: C takes its whole column; D leaves: A and the column share the site.
  ASSERT_TRUE(b->ManualDock(nullptr));
  EXPECT_EQ(b->HostDockSite()->ClassType(), TToolDockForm::StaticClass());
  EXPECT_RECT(c->BoundsRect(), 100, g, 200, 300);
  EXPECT_EQ(dt->TopZone()->ChildZones[2]->ChildControl, c);
  ASSERT_TRUE(d->ManualFloat(Rect(600, 100, 660, 140)));
  EXPECT_EQ(dt->TopZone()->ChildCount(), 2);
  EXPECT_RECT(a->BoundsRect(), 0, g, 100 - s, 300);
  EXPECT_EQ(site->DockClientCount(), 2);
  // Destroying a docked control takes it out of the tree.
  delete a;
  ASSERT_EQ(dt->TopZone()->ChildCount(), 1);
  EXPECT_EQ(dt->TopZone()->ChildZones[0]->ChildControl, c);
  EXPECT_RECT(c->BoundsRect(), 0, g, 200, 300);
  // A new dock manager takes over the docked controls.
  ASSERT_TRUE(d->ManualDock(site, c, alTop));
  site->SetDockManager(std::make_unique<TDockTree>(site));
  auto* fresh = static_cast<TDockTree*>(site->DockManager());
  EXPECT_EQ(fresh->TopZone()->ChildCount(), 2);
  EXPECT_NE(fresh->TopZone()->FindControlZone(d), nullptr);
  EXPECT_NE(fresh->TopZone()->FindControlZone(c), nullptr);
}

TEST_F(DockTest, FloatingHostHoldsTheControlAndGoesWhenItIsDockedAgain) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TPanel* a = NewClient("A", 80, 50);
  a->SetCaption("Tools");
  ASSERT_TRUE(a->ManualDock(site));
  ASSERT_TRUE(a->ManualFloat(Rect(600, 100, 700, 160)));
  TWinControl* host = a->HostDockSite();
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(host->Is<TToolDockForm>());
  EXPECT_TRUE(a->Floating());
  EXPECT_EQ(a->Parent(), host);
  EXPECT_EQ(host->Caption(), "Tools");
  EXPECT_EQ(host->Left(), 600);
  EXPECT_RECT(host->ClientRect(), 0, 0, 100, 60);
  EXPECT_RECT(a->BoundsRect(), 0, 0, 100, 60);
  EXPECT_TRUE(host->Showing());
  EXPECT_EQ(site->DockClientCount(), 0);

  TComponent* hostComponent = host;
  ASSERT_TRUE(a->ManualDock(site));
  EXPECT_EQ(a->HostDockSite(), site);
  EXPECT_FALSE(a->Floating());
  Run();  // the empty host frees itself
  bool hostAlive = false;
  for (int i = 0; i < Application()->ComponentCount(); ++i)
    if (Application()->Components(i) == hostComponent) hostAlive = true;
  EXPECT_FALSE(hostAlive);
}

TEST_F(DockTest, UnDockHandlerCanKeepAControlAndEventsSeeTheDrop) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TPanel* other = NewSite(250, 200, 300);
  TPanel* a = NewClient("A");
  ASSERT_TRUE(a->ManualDock(site));
  bool allow = false;
  TControl* asked = nullptr;
  site->OnUnDock = [&](TObject*, TControl* Client, TWinControl* Target, bool& Allow) {
    asked = Client;
    EXPECT_EQ(Target, other);
    Allow = allow;
  };
  TControl* dropped = nullptr;
  other->OnDockDrop = [&](TObject*, TDragDockObject* Source, int, int) { dropped = Source->Control; };
  EXPECT_FALSE(a->ManualDock(other));
  EXPECT_EQ(asked, a);
  EXPECT_EQ(a->HostDockSite(), site);
  EXPECT_EQ(dropped, nullptr);
  allow = true;
  EXPECT_TRUE(a->ManualDock(other));
  EXPECT_EQ(a->HostDockSite(), other);
  EXPECT_EQ(dropped, a);
  EXPECT_EQ(site->DockClientCount(), 0);
  EXPECT_EQ(other->DockClientCount(), 1);
}

TEST_F(DockTest, GrabberShowsTheCaptionAndItsCloseButtonHidesTheControl) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  site->SetColor(clWhite);
  TPanel* a = NewClient("A");
  TPanel* b = NewClient("B");
  a->SetCaption("Alpha");
  ASSERT_TRUE(a->ManualDock(site));
  ASSERT_TRUE(b->ManualDock(site, a, alBottom));
  auto* dt = static_cast<TDockTree*>(site->DockManager());
  RECT grab = dt->GrabberRect(a);
  EXPECT_RECT(grab, 0, 0, 200, TDockTree::GrabberSize);
  Run();
  HBITMAP shot = RenderWindowToBitmap(site->Handle());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  // The strip is button face with dark caption pixels at its left and the close button at its right.
  EXPECT_EQ(GetPixel(dc, 150, 3), GetSysColor(COLOR_BTNFACE));
  int dark = 0;
  for (int y = 1; y < TDockTree::GrabberSize - 1; ++y)
    for (int x = 3; x < 40; ++x)
      if (GetRValue(GetPixel(dc, x, y)) + GetGValue(GetPixel(dc, x, y)) + GetBValue(GetPixel(dc, x, y)) < 300) ++dark;
  EXPECT_GT(dark, 10);
  RECT close = dt->CloseButtonRect(a);
  int cx = (close.left + close.right) / 2, cy = (close.top + close.bottom) / 2;
  EXPECT_EQ(GetPixel(dc, cx, cy), GetSysColor(COLOR_BTNTEXT));  // the middle of the cross
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);

  POINT s = site->ClientToScreen(POINT{cx, cy});
  InjectMouseButton(s.x, s.y, 0, true);
  InjectMouseButton(s.x, s.y, 0, false);
  Run();
  EXPECT_FALSE(a->Visible());
  EXPECT_EQ(a->HostDockSite(), site);  // still docked, its zone gives its room away
  EXPECT_RECT(b->BoundsRect(), 0, TDockTree::GrabberSize, 200, 300);
  a->Show();
  EXPECT_RECT(a->BoundsRect(), 0, TDockTree::GrabberSize, 200, 150 - TDockTree::SplitterSize);
}

// A pixel of the form's window at a screen point.
COLORREF ScreenPixel(TForm* F, POINT S) {
  HBITMAP shot = RenderWindowToBitmap(F->Handle());
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  RECT wr;
  GetWindowRect(F->Handle(), &wr);
  COLORREF c = GetPixel(dc, S.x - wr.left, S.y - wr.top);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
  return c;
}

TEST_F(DockTest, DraggingADockKindControlDocksItWhereItIsDroppedOrFloatsIt) {
  Form->SetColor(clWhite);
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  site->SetColor(clWhite);
  TPanel* a = NewClient("A", 80, 60);
  a->SetLeft(300);
  a->SetTop(200);
  a->SetDragKind(dkDock);
  a->SetDragMode(dmAutomatic);
  TPanel* b = NewClient("B");
  ASSERT_TRUE(b->ManualDock(site));
  Run();
  TObject* endTarget = reinterpret_cast<TObject*>(1);
  a->OnEndDock = [&](TObject*, TObject* Target, int, int) { endTarget = Target; };
  std::vector<TDragState> states;
  site->OnDockOver = [&](TObject*, TDragDockObject*, int, int, TDragState State, bool&) { states.push_back(State); };

  POINT edge = site->ClientToScreen(POINT{100, 151});
  COLORREF before = ScreenPixel(Form, edge);
  POINT start = a->ClientToScreen(POINT{10, 10});
  POINT over = site->ClientToScreen(POINT{20, 280});  // near the bottom of B's zone
  InjectMouseButton(start.x, start.y, 0, true);
  InjectMouseMove(start.x + 20, start.y);
  InjectMouseMove(over.x - 2, over.y);
  InjectMouseMove(over.x, over.y);
  Run();
  ASSERT_NE(DockDragObject(), nullptr);
  EXPECT_FALSE(DockDragObject()->Floating);
  EXPECT_EQ(DockDragObject()->DropOnControl, b);
  EXPECT_EQ(DockDragObject()->DropAlign, alBottom);
  // The dock rectangle (the lower half of B's zone) is drawn inverted over the site.
  EXPECT_EQ(ScreenPixel(Form, edge), before ^ 0xFFFFFFu);
  InjectMouseButton(over.x, over.y, 0, false);
  Run();
  EXPECT_EQ(DockDragObject(), nullptr);
  EXPECT_EQ(a->HostDockSite(), site);
  EXPECT_EQ(endTarget, site);
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states.front(), dsDragEnter);
  EXPECT_EQ(states.back(), dsDragMove);
  EXPECT_RECT(a->BoundsRect(), 0, 150 + TDockTree::GrabberSize, 200, 300);
  EXPECT_NE(ScreenPixel(Form, edge), before ^ 0xFFFFFFu);  // no trace of the frame

  // Dragged out by its grabber and dropped outside any site, it floats there.
  POINT grab = site->ClientToScreen(POINT{50, 155});
  InjectMouseButton(grab.x, grab.y, 0, true);
  InjectMouseMove(grab.x + 10, grab.y);
  InjectMouseMove(grab.x + 350, grab.y);
  InjectMouseButton(grab.x + 350, grab.y, 0, false);
  Run();
  ASSERT_NE(a->HostDockSite(), nullptr);
  EXPECT_TRUE(a->HostDockSite()->Is<TToolDockForm>());
  EXPECT_EQ(site->DockClientCount(), 1);
  EXPECT_RECT(b->BoundsRect(), 0, TDockTree::GrabberSize, 200, 300);
}

TEST_F(DockTest, DockedFormDraggedOutByItsGrabberFloatsAsItsOwnWindow) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TForm* inspector = NewForm("Inspector");
  TForm* tree = NewForm("Tree");
  inspector->Show();
  tree->Show();
  ASSERT_TRUE(inspector->ManualDock(site));
  ASSERT_TRUE(tree->ManualDock(site, inspector, alBottom));
  Run();
  POINT grab = site->ClientToScreen(POINT{40, 5});  // the inspector's grabber
  InjectMouseButton(grab.x, grab.y, 0, true);
  InjectMouseMove(grab.x + 10, grab.y);
  InjectMouseMove(grab.x + 400, grab.y + 20);
  InjectMouseButton(grab.x + 400, grab.y + 20, 0, false);
  Run();
  EXPECT_EQ(inspector->HostDockSite(), nullptr);
  EXPECT_EQ(inspector->Parent(), nullptr);
  EXPECT_TRUE(inspector->Floating());
  ASSERT_TRUE(inspector->HandleAllocated());
  EXPECT_EQ(GetAncestor(inspector->Handle(), GA_ROOT), inspector->Handle());
  EXPECT_TRUE(GetWindowLongPtr(inspector->Handle(), GWL_STYLE) & WS_CAPTION);
  EXPECT_TRUE(IsWindowVisible(inspector->Handle()));
  EXPECT_EQ(site->DockClientCount(), 1);
  EXPECT_RECT(tree->BoundsRect(), 0, TDockTree::GrabberSize, 200, 300);
  // And back by hand, on the tree's left.
  ASSERT_TRUE(inspector->ManualDock(site, tree, alLeft));
  EXPECT_EQ(GetParent(inspector->Handle()), site->Handle());
  EXPECT_RECT(inspector->BoundsRect(), 0, TDockTree::GrabberSize, 100 - TDockTree::SplitterSize, 300);
}

}  // namespace

TEST_F(DockTest, DraggingAFloatingWindowByItsCaptionDocksItOrMovesIt) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TForm* tool = NewForm("Tool");
  tool->SetDragKind(dkDock);
  tool->SetBounds(600, 300, 150, 120);
  tool->Show();
  TPanel* a = NewClient("A");
  ASSERT_TRUE(a->ManualFloat(Rect(600, 100, 680, 150)));
  TWinControl* host = a->HostDockSite();
  ASSERT_NE(host, nullptr);
  Run();
  auto captionDrag = [&](TWinControl* W, POINT To) {
    RECT wr;
    GetWindowRect(W->Handle(), &wr);
    POINT cap{wr.left + 30, wr.top + 6};
    ASSERT_EQ(SendMessage(W->Handle(), WM_NCHITTEST, 0, MAKELPARAM(cap.x, cap.y)), HTCAPTION);
    InjectMouseButton(cap.x, cap.y, 0, true);
    Run();
    InjectMouseMove(cap.x + 10, cap.y + 10);
    InjectMouseMove(To.x, To.y);
    InjectMouseButton(To.x, To.y, 0, false);
    Run();
  };
  // The form moves where it is dropped outside any site, keeping the grab point under the cursor.
  captionDrag(tool, POINT{700, 500});
  EXPECT_EQ(tool->Parent(), nullptr);
  EXPECT_EQ(tool->HostDockSite(), nullptr);
  EXPECT_EQ(tool->Left(), 700 - 30);
  EXPECT_EQ(tool->Top(), 500 - 6);
  EXPECT_EQ(tool->Width(), 150);
  // Dropped over the site it docks, and so does the control of a floating host.
  captionDrag(tool, site->ClientToScreen(POINT{100, 150}));
  EXPECT_EQ(tool->HostDockSite(), site);
  captionDrag(host, site->ClientToScreen(POINT{100, 290}));
  EXPECT_EQ(a->HostDockSite(), site);
  EXPECT_EQ(site->DockClientCount(), 2);
  EXPECT_RECT(a->BoundsRect(), 0, 150 + TDockTree::GrabberSize, 200, 300);
}

TEST_F(DockTest, DraggingASplitBarMovesTheBoundaryWithinLimitsAndIsSaved) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TPanel* a = NewClient("A");
  TPanel* b = NewClient("B");
  ASSERT_TRUE(a->ManualDock(site));
  ASSERT_TRUE(b->ManualDock(site, a, alBottom));
  Run();
  const int g = TDockTree::GrabberSize, s = TDockTree::SplitterSize, m = TDockTree::MinContentSize;
  auto drag = [&](int FromY, int ToY) {
    POINT p = site->ClientToScreen(POINT{100, FromY});
    InjectMouseButton(p.x, p.y, 0, true);
    InjectMouseMove(p.x, p.y + (ToY - FromY));
    InjectMouseButton(p.x, p.y + (ToY - FromY), 0, false);
    Run();
  };
  drag(150 - 2, 200 - 2);  // the bar's middle row, 50 pixels down
  EXPECT_RECT(a->BoundsRect(), 0, g, 200, 200 - s);
  EXPECT_RECT(b->BoundsRect(), 0, 200 + g, 200, 300);
  drag(200 - 2, 400);  // B keeps room for its grabber and a little of itself
  EXPECT_RECT(b->BoundsRect(), 0, 300 - m - s, 200, 300);
  drag(300 - m - s - g - 2, -100);  // and so does A
  EXPECT_RECT(a->BoundsRect(), 0, g, 200, g + m);
  // The new boundary is what the layout stream keeps.
  auto* dt = static_cast<TDockTree*>(site->DockManager());
  EXPECT_EQ(dt->TopZone()->ChildZones[0]->ZoneLimit, g + m + s);
  auto bytes = Saved(site);
  ASSERT_GE(bytes.size(), 34u);
  EXPECT_EQ(bytes[25], 1);  // A's zone: level 1, limit at bytes 30..33
  EXPECT_EQ(bytes[30] | bytes[31] << 8, g + m + s);
}

TEST_F(DockTest, FormDockedInASiteThatIsDestroyedStaysHiddenUntilShown) {
  Form->Show();
  TPanel* site = NewSite(0, 200, 300);
  TForm* tool = NewForm("Tool");
  int shows = 0;
  tool->OnShow = [&](TObject*) { ++shows; };
  tool->Show();
  ASSERT_TRUE(tool->ManualDock(site));
  shows = 0;
  delete site;
  EXPECT_EQ(tool->Parent(), nullptr);
  EXPECT_EQ(tool->HostDockSite(), nullptr);
  EXPECT_EQ(shows, 0);
  EXPECT_FALSE(tool->HandleAllocated() && IsWindowVisible(tool->Handle()));
  tool->Show();
  EXPECT_EQ(shows, 1);
  ASSERT_TRUE(tool->HandleAllocated());
  EXPECT_EQ(GetAncestor(tool->Handle(), GA_ROOT), tool->Handle());
  EXPECT_TRUE(IsWindowVisible(tool->Handle()));
}
