// Controls ask their parent for their colours (WM_CTLCOLOR*) before painting: a parent of the
// class library answers with the control's own colours, a subclassed parent with its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "tests/platform/vcl/painttest.h"

namespace {

const COLORREF kSkinBack = RGB(0, 128, 0), kSkinText = RGB(255, 0, 0);

WNDPROC gOldProc = nullptr;
HBRUSH gSkinBrush = nullptr;
std::vector<std::pair<UINT, HWND>> gAsked;

// The parent's procedure as a skinner replaces it: it answers the colour messages itself.
LRESULT SkinnedParent(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CTLCOLOREDIT || m == WM_CTLCOLORLISTBOX || m == WM_CTLCOLORBTN || m == WM_CTLCOLORSTATIC) {
    gAsked.push_back({m, reinterpret_cast<HWND>(lp)});
    SetTextColor(reinterpret_cast<HDC>(wp), kSkinText);
    return reinterpret_cast<LRESULT>(gSkinBrush);
  }
  return CallWindowProc(gOldProc, w, m, wp, lp);
}

struct TShot {
  COLORREF Back;  // a pixel where nothing but the background is
  int Reddish;    // pixels drawn in (a blend of) the skin's text colour
};

// Paints the control into a fresh black bitmap of its client size.
TShot Shoot(TWinControl* c, POINT backAt) {
  TPaintShot shot(c->Handle(), RGB(0, 0, 0));
  TShot s{shot.At(backAt.x, backAt.y), 0};
  for (int y = 0; y < shot.Height(); ++y)
    for (int x = 0; x < shot.Width(); ++x) {
      COLORREF p = shot.At(x, y);
      if (GetRValue(p) > GetGValue(p) + 80 && GetRValue(p) > GetBValue(p) + 80) ++s.Reddish;
    }
  return s;
}

class CtlColorTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
    gAsked.clear();
    gSkinBrush = CreateSolidBrush(kSkinBack);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
    DeleteObject(gSkinBrush);
  }
  TForm* Form = nullptr;
};

}  // namespace

TEST_F(CtlColorTest, ControlsPaintWithTheColoursTheirParentAnswers) {
  struct TCase {
    const char* Name;
    std::function<TWinControl*(TComponent*)> Make;
    UINT Msg;
    bool BackShows = true;  // a push button's face covers all of it
    int Inset = 0;          // rows above the bottom where only background is (frames, bevels)
  };
  const TCase cases[] = {
      {"edit", [](TComponent* o) { auto* e = new TEdit(o); e->SetText("MMMM"); return e; }, WM_CTLCOLOREDIT},
      {"memo", [](TComponent* o) { auto* m = new TMemo(o); m->Lines()->Add("MMMM"); return m; }, WM_CTLCOLOREDIT},
      {"list box", [](TComponent* o) { auto* l = new TListBox(o); l->Items()->Add("MMMM"); return l; }, WM_CTLCOLORLISTBOX},
      {"combo box (drop-down list)",
       [](TComponent* o) {
         auto* c = new TComboBox(o);
         c->SetStyle(csDropDownList);
         c->Items()->Add("MMMM");
         c->SetItemIndex(0);
         return c;
       },
       WM_CTLCOLOREDIT},
      {"combo box (drop-down)", [](TComponent* o) { auto* c = new TComboBox(o); c->SetText("MMMM"); return c; }, WM_CTLCOLOREDIT},
      {"check box", [](TComponent* o) { auto* c = new TCheckBox(o); c->SetCaption("MMMM"); return c; }, WM_CTLCOLORSTATIC},
      {"radio button", [](TComponent* o) { auto* c = new TRadioButton(o); c->SetCaption("MMMM"); return c; }, WM_CTLCOLORSTATIC},
      {"button", [](TComponent* o) { auto* c = new TButton(o); c->SetCaption("MMMM"); return c; }, WM_CTLCOLORBTN, false},
      // Boxes the user cannot type into, and static text of every kind, ask as static text.
      {"read-only edit", [](TComponent* o) { auto* e = new TEdit(o); e->SetText("MMMM"); e->SetReadOnly(true); return e; }, WM_CTLCOLORSTATIC},
      {"disabled edit", [](TComponent* o) { auto* e = new TEdit(o); e->SetText("MMMM"); e->SetEnabled(false); return e; }, WM_CTLCOLORSTATIC},
      {"read-only memo", [](TComponent* o) { auto* m = new TMemo(o); m->Lines()->Add("MMMM"); m->SetReadOnly(true); return m; }, WM_CTLCOLORSTATIC},
      {"group box", [](TComponent* o) { auto* g = new TGroupBox(o); g->SetCaption("MMMM"); return g; }, WM_CTLCOLORSTATIC, true, 4},
      {"panel", [](TComponent* o) { auto* p = new TPanel(o); p->SetCaption("MMMM"); return p; }, WM_CTLCOLORSTATIC, true, 3},
      {"static text", [](TComponent* o) { auto* t = new TStaticText(o); t->SetCaption("MMMM"); return t; }, WM_CTLCOLORSTATIC},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TWinControl* ctl = c.Make(Form);
    ctl->SetParent(Form);
    ctl->SetBounds(10, 10, 140, 60);
    ctl->SetColor(clYellow);
    RECT cr;
    GetClientRect(ctl->Handle(), &cr);
    POINT back{cr.right / 2, cr.bottom - 1 - c.Inset};  // below the text, left of a combo's button

    // The library's own parent answers with the control's Color and Font colour (black).
    TShot plain = Shoot(ctl, back);
    if (c.BackShows) {
      EXPECT_EQ(plain.Back, RGB(255, 255, 0));
    }
    EXPECT_EQ(plain.Reddish, 0);

    // A subclassed parent decides: its brush fills the control, its text colour draws the text.
    gOldProc = reinterpret_cast<WNDPROC>(SetWindowLongPtr(Form->Handle(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&SkinnedParent)));
    gAsked.clear();
    TShot skinned = Shoot(ctl, back);
    SetWindowLongPtr(Form->Handle(), GWL_WNDPROC, reinterpret_cast<LONG_PTR>(gOldProc));
    if (c.BackShows) {
      EXPECT_EQ(skinned.Back, kSkinBack);
    }
    EXPECT_GT(skinned.Reddish, 0);
    ASSERT_FALSE(gAsked.empty());
    EXPECT_EQ(gAsked.front().first, c.Msg);
    EXPECT_EQ(gAsked.front().second, ctl->Handle());
    delete ctl;
  }
}
