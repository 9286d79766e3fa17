// Window manager: multiple-document windows. A frame holds an "MDICLIENT" window that makes,
// activates, maximises, arranges and destroys its document windows and lists them in the
// frame's window menu.
#include <string>
#include <vector>

#include "tests/platform/win/wnd_test_util.h"

namespace {

HWND gMdiTestClient = nullptr;

LRESULT MdiTestFrameProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  MsgLog().push_back({w, m, wp, lp});
  return DefFrameProc(w, gMdiTestClient, m, wp, lp);
}

LRESULT MdiTestDocProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  MsgLog().push_back({w, m, wp, lp});
  return DefMDIChildProc(w, m, wp, lp);
}

class WndMdiTest : public WndTest {
protected:
  void SetUp() override {
    WndTest::SetUp();
    WNDCLASSA wc{};
    wc.lpfnWndProc = MdiTestFrameProc;
    wc.lpszClassName = "OrvMdiFrame";
    RegisterClass(&wc);
    wc.lpfnWndProc = MdiTestDocProc;
    wc.lpszClassName = "OrvMdiDoc";
    RegisterClass(&wc);
    Frame = CreateWindowEx(0, "OrvMdiFrame", "Frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 640, 480, nullptr,
                           nullptr, nullptr, nullptr);
    WindowMenu = CreatePopupMenu();
    AppendMenu(WindowMenu, MF_STRING, 7, "&Cascade");
    Bar = CreateMenu();
    AppendMenu(Bar, MF_POPUP, reinterpret_cast<UINT_PTR>(WindowMenu), "&Window");
    SetMenu(Frame, Bar);
    CLIENTCREATESTRUCT ccs{WindowMenu, 100};
    RECT r;
    GetClientRect(Frame, &r);
    Client = CreateWindowEx(0, "MDICLIENT", "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, r.right, r.bottom, Frame,
                            nullptr, nullptr, &ccs);
    gMdiTestClient = Client;
  }
  void TearDown() override {
    gMdiTestClient = nullptr;
    WndTest::TearDown();
    if (IsMenu(Bar)) DestroyMenu(Bar);  // takes the window menu along
  }
  HWND Doc(const char* title, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT, int cx = 200, int cy = 150,
           DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
    MDICREATESTRUCTA mc{"OrvMdiDoc", title, nullptr, x, y, cx, cy, style, 0};
    return reinterpret_cast<HWND>(SendMessage(Client, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mc)));
  }
  HWND Active(BOOL* maximized = nullptr) {
    return reinterpret_cast<HWND>(SendMessage(Client, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(maximized)));
  }
  // A child's window rectangle in the client's coordinates.
  RECT RectIn(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, Client, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
  // The listed documents of the window menu: text and checked state, after the menu's own items.
  std::vector<std::string> Listed() {
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(WindowMenu); ++i) {
      char text[100] = {};
      GetMenuString(WindowMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      UINT state = GetMenuState(WindowMenu, static_cast<UINT>(i), MF_BYPOSITION);
      if (state & MF_SEPARATOR) out.push_back("-");
      else out.push_back(std::string(text) + ((state & MF_CHECKED) ? " *" : ""));
    }
    return out;
  }
  HWND Frame = nullptr, Client = nullptr;
  HMENU WindowMenu = nullptr, Bar = nullptr;
};

}  // namespace

TEST_F(WndMdiTest, CreatedDocumentsAreActivatedAndListed) {
  HWND a = Doc("Alpha"), b = Doc("Beta");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(GetParent(a), Client);
  EXPECT_TRUE(GetWindowLongPtr(a, GWL_EXSTYLE) & WS_EX_MDICHILD);
  EXPECT_TRUE(GetWindowLongPtr(a, GWL_STYLE) & WS_CHILD);
  EXPECT_EQ(Active(), b);
  EXPECT_EQ(GetWindow(Client, GW_CHILD), b);  // on top
  // Default places step down and right from the client's corner.
  RECT ra = RectIn(a), rb = RectIn(b);
  EXPECT_EQ(ra.left, 0);
  EXPECT_EQ(ra.top, 0);
  EXPECT_GT(rb.left, ra.left);
  EXPECT_GT(rb.top, ra.top);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"&Cascade", "-", "&1 Alpha", "&2 Beta *"}));
  // The deactivated document heard which window took its place.
  bool heard = false;
  for (const TLogged& l : Logged(WM_MDIACTIVATE, a))
    if (reinterpret_cast<HWND>(l.W) == a && reinterpret_cast<HWND>(l.L) == b) heard = true;
  EXPECT_TRUE(heard);

  // A menu command of the list activates its document; a renamed document is listed anew.
  SendMessage(Frame, WM_COMMAND, 100, 0);
  EXPECT_EQ(Active(), a);
  SetWindowText(b, "Gamma");
  EXPECT_EQ(Listed(), (std::vector<std::string>{"&Cascade", "-", "&1 Alpha *", "&2 Gamma"}));
}

TEST_F(WndMdiTest, NextAndPreviousCycleThroughTheDocuments) {
  HWND a = Doc("A"), b = Doc("B"), c = Doc("C");
  ASSERT_EQ(Active(), c);
  struct TStep { LPARAM Previous; HWND Expected; } steps[] = {{0, b}, {0, a}, {0, c}, {1, a}, {1, b}};
  for (const TStep& s : steps) {
    SendMessage(Client, WM_MDINEXT, 0, s.Previous);
    EXPECT_EQ(Active(), s.Expected);
  }
}

TEST_F(WndMdiTest, MaximizedDocumentCoversTheClientWithItsCaptionOutside) {
  HWND a = Doc("A", 10, 10, 200, 150), b = Doc("B", 40, 40, 200, 150);
  SendMessage(Client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(b), 0);
  BOOL maximized = FALSE;
  EXPECT_EQ(Active(&maximized), b);
  EXPECT_TRUE(maximized);
  auto coversClient = [this](HWND w) {
    RECT cc, wc;
    GetClientRect(Client, &cc);
    GetClientRect(w, &wc);
    POINT o{0, 0};
    MapWindowPoints(w, Client, &o, 1);
    return o.x == 0 && o.y == 0 && wc.right == cc.right && wc.bottom == cc.bottom;
  };
  EXPECT_TRUE(coversClient(b));
  EXPECT_LT(RectIn(b).top, -GetSystemMetrics(SM_CYCAPTION) + 1);  // the caption lies above the client

  // Activating another document hands the maximised state over.
  SendMessage(Client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(a), 0);
  EXPECT_TRUE(IsZoomed(a));
  EXPECT_FALSE(IsZoomed(b));
  EXPECT_TRUE(coversClient(a));
  EXPECT_EQ(RectIn(b).left, 40);

  // It keeps covering the client when the frame resizes it; restored, it is where it was.
  MoveWindow(Client, 0, 0, 500, 300, TRUE);
  EXPECT_TRUE(coversClient(a));
  SendMessage(Client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(a), 0);
  EXPECT_FALSE(IsZoomed(a));
  EXPECT_EQ(RectIn(a).left, 10);
  EXPECT_EQ(RectIn(a).right, 210);
}

TEST_F(WndMdiTest, CascadeAndTilePlaceTheDocumentsWithinTheClient) {
  HWND a = Doc("A", 5, 5, 100, 100), b = Doc("B", 50, 50, 100, 100), c = Doc("C", 90, 90, 100, 100);
  (void)a;
  RECT cl;
  GetClientRect(Client, &cl);
  const int cw = cl.right, ch = cl.bottom;

  struct TArrangeCase {
    const char* Name;
    UINT Msg;
    WPARAM Flags;
  } cases[] = {
      {"tile horizontally", WM_MDITILE, MDITILE_HORIZONTAL},
      {"tile vertically", WM_MDITILE, MDITILE_VERTICAL},
      {"cascade", WM_MDICASCADE, 0},
  };
  for (const TArrangeCase& k : cases) {
    SCOPED_TRACE(k.Name);
    SendMessage(Client, k.Msg, k.Flags, 0);
    // z-order: c on top, then b, then a.
    std::vector<RECT> r{RectIn(c), RectIn(b), RectIn(a)};
    long area = 0;
    for (const RECT& x : r) {
      EXPECT_GE(x.left, 0);
      EXPECT_GE(x.top, 0);
      EXPECT_LE(x.right, cw);
      EXPECT_LE(x.bottom, ch);
      area += (x.right - x.left) * (x.bottom - x.top);
    }
    if (k.Msg == WM_MDITILE) {
      EXPECT_EQ(area, static_cast<long>(cw) * ch);  // no gaps, no overlaps
      for (int i = 0; i < 3; ++i) {
        if (k.Flags == MDITILE_HORIZONTAL) {
          EXPECT_EQ(r[i].right - r[i].left, cw);
          EXPECT_EQ(r[i].top, ch * i / 3);
        } else {
          EXPECT_EQ(r[i].bottom - r[i].top, ch);
          EXPECT_EQ(r[i].left, cw * i / 3);
        }
      }
    } else {
      // Bottom of the z-order in the corner, each next one lower and further right, the active on top.
      EXPECT_EQ(r[2].left, 0);
      EXPECT_EQ(r[2].top, 0);
      EXPECT_GT(r[1].left, r[2].left);
      EXPECT_GT(r[0].top, r[1].top);
      EXPECT_EQ(GetWindow(Client, GW_CHILD), c);
    }
  }

  // A minimised document goes to the bottom row and is left out of the arrangement.
  ShowWindow(a, SW_MINIMIZE);
  EXPECT_GE(RectIn(a).bottom, ch - 1);
  SendMessage(Client, WM_MDITILE, MDITILE_HORIZONTAL, 0);
  EXPECT_EQ(RectIn(c).top, 0);
  EXPECT_LE(RectIn(b).bottom, RectIn(a).top);
}

TEST_F(WndMdiTest, DestroyedDocumentsPassTheActivationOn) {
  HWND a = Doc("A"), b = Doc("B"), c = Doc("C");
  ASSERT_EQ(Active(), c);
  SendMessage(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
  EXPECT_FALSE(IsWindow(c));
  EXPECT_EQ(Active(), b);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"&Cascade", "-", "&1 A", "&2 B *"}));
  // WM_CLOSE of a document (its default procedure) destroys it through the client.
  SendMessage(b, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(b));
  EXPECT_EQ(Active(), a);
  // A minimised document passes the activation on too; the last one going leaves none.
  HWND d = Doc("D");
  ShowWindow(d, SW_MINIMIZE);
  EXPECT_EQ(Active(), a);
  DestroyWindow(a);
  DestroyWindow(d);
  EXPECT_EQ(Active(), nullptr);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"&Cascade"}));
  // Messages naming windows that are not its documents change nothing.
  HWND stranger = Top(0, 0, 50, 50);
  SendMessage(Client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(stranger), 0);
  SendMessage(Client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(stranger), 0);
  EXPECT_TRUE(IsWindow(stranger));
  EXPECT_EQ(Active(), nullptr);
}
