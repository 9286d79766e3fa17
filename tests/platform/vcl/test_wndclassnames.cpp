// Window class names of the controls as other code finds them (GetClassName), and the combo box
// information other code asks for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace {

class ClassNameTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  TForm* Form = nullptr;
};

std::string WndClass(HWND w) {
  char buf[128] = "";
  GetClassName(w, buf, sizeof buf);
  return buf;
}

}  // namespace

TEST_F(ClassNameTest, ControlsReportTheirStandardWindowClassAndStayFoundByTheLibrary) {
  struct TCase {
    std::function<TWinControl*(TComponent*)> Make;
    const char* WindowClass;
    const char* LibraryClass;
  };
  const TCase cases[] = {
      {[](TComponent* o) { return new TComboBox(o); }, "COMBOBOX", "TComboBox"},
      {[](TComponent* o) { return new TToolBar(o); }, "ToolbarWindow32", "TToolBar"},
      {[](TComponent* o) { return new TUpDown(o); }, "msctls_updown32", "TUpDown"},
      {[](TComponent* o) { return new TTrackBar(o); }, "msctls_trackbar32", "TTrackBar"},
      {[](TComponent* o) { return new TStatusBar(o); }, "msctls_statusbar32", "TStatusBar"},
      {[](TComponent* o) { return new TProgressBar(o); }, "msctls_progress32", "TProgressBar"},
      {[](TComponent* o) { return new TEdit(o); }, "TEdit", "TEdit"},  // others keep their own name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.WindowClass);
    // Two of each: the second window of a class must find the class already registered.
    for (int i = 0; i < 2; ++i) {
      TWinControl* ctl = c.Make(Form);
      ctl->SetParent(Form);
      ctl->SetBounds(10, 10 + 30 * i, 120, 24);
      HWND h = ctl->Handle();
      ASSERT_NE(h, nullptr);
      EXPECT_EQ(WndClass(h), c.WindowClass);
      EXPECT_EQ(std::string(ctl->ClassName()), c.LibraryClass);
      EXPECT_EQ(FindControl(h), ctl);
      // The control still follows its window (aligned bars choose their own width).
      ctl->SetBounds(12, 10 + 30 * i, 130, 26);
      RECT wr;
      GetWindowRect(h, &wr);
      EXPECT_EQ(wr.right - wr.left, ctl->Width());
      EXPECT_EQ(wr.bottom - wr.top, ctl->Height());
    }
  }
}

TEST_F(ClassNameTest, ComboBoxInfoGivesTheButtonAndTextAreasAndStyleCarriesTheKind) {
  auto* cb = new TComboBox(Form);
  cb->SetParent(Form);
  cb->SetBounds(10, 10, 160, 24);
  HWND h = cb->Handle();
  RECT cr;
  GetClientRect(h, &cr);
  const int bw = GetSystemMetrics(SM_CXVSCROLL);

  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(h, &info));
  EXPECT_EQ(info.rcButton.right, cr.right);
  EXPECT_EQ(info.rcButton.right - info.rcButton.left, bw);
  EXPECT_EQ(info.rcButton.top, 0);
  EXPECT_EQ(info.rcButton.bottom, cr.bottom);
  EXPECT_EQ(info.rcItem.left, 0);
  EXPECT_EQ(info.rcItem.right, info.rcButton.left);
  EXPECT_EQ(info.stateButton, 0u);
  EXPECT_EQ(info.hwndCombo, h);

  COMBOBOXINFO small;
  small.cbSize = 52;  // the size with 4-byte handles is accepted too
  EXPECT_TRUE(GetComboBoxInfo(h, &small));
  EXPECT_EQ(small.rcButton.left, info.rcButton.left);
  COMBOBOXINFO bad;
  bad.cbSize = 12;
  EXPECT_FALSE(GetComboBoxInfo(h, &bad));
  EXPECT_FALSE(GetComboBoxInfo(h, nullptr));

  auto* ed = new TEdit(Form);
  ed->SetParent(Form);
  COMBOBOXINFO none;
  EXPECT_FALSE(GetComboBoxInfo(ed->Handle(), &none));

  struct TKind {
    TComboBoxStyle Style;
    DWORD Bits;
  };
  for (TKind k : {TKind{csSimple, CBS_SIMPLE}, TKind{csDropDown, CBS_DROPDOWN},
                  TKind{csDropDownList, CBS_DROPDOWNLIST}, TKind{csOwnerDrawFixed, CBS_DROPDOWNLIST}}) {
    cb->SetStyle(k.Style);  // on a live window
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(h, GWL_STYLE)) & 3, k.Bits);
    EXPECT_TRUE(GetWindowLongPtr(h, GWL_STYLE) & WS_CHILD);
    auto* fresh = new TComboBox(Form);  // and on a window made with the style already set
    fresh->SetStyle(k.Style);
    fresh->SetParent(Form);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(fresh->Handle(), GWL_STYLE)) & 3, k.Bits);
  }
}

TEST_F(ClassNameTest, TrackBarAnswersChannelAndThumbRectangles) {
  struct TCase {
    TTrackBarOrientation Orientation;
    int W, H, Position;
  };
  const TCase cases[] = {
      {trHorizontal, 216, 40, 0}, {trHorizontal, 216, 40, 5}, {trHorizontal, 216, 40, 10},
      {trVertical, 40, 216, 0},   {trVertical, 40, 216, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.Orientation == trHorizontal ? "horizontal" : "vertical") << " at " << c.Position);
    auto* tb = new TTrackBar(Form);
    tb->SetParent(Form);
    tb->SetOrientation(c.Orientation);
    tb->SetBounds(10, 10, c.W, c.H);
    tb->SetMax(10);
    tb->SetPosition(c.Position);
    RECT cr;
    GetClientRect(tb->Handle(), &cr);
    RECT ch{}, th{};
    SendMessage(tb->Handle(), TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
    SendMessage(tb->Handle(), TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&th));
    // The channel runs along the long side, 8 pixels in from both ends, 4 pixels thick in the
    // middle of the short side; a vertical bar reports it with x and y exchanged.
    const int len = c.Orientation == trHorizontal ? cr.right : cr.bottom;
    const int across = c.Orientation == trHorizontal ? cr.bottom : cr.right;
    EXPECT_EQ(ch.left, 8);
    EXPECT_EQ(ch.right, len - 8);
    EXPECT_EQ(ch.top, across / 2 - 2);
    EXPECT_EQ(ch.bottom, across / 2 + 2);
    // The thumb (11 pixels along the channel) is centred on the position's place on it.
    const int at = 8 + (len - 16) * c.Position / 10;
    if (c.Orientation == trHorizontal) {
      EXPECT_EQ(th.left, at - 5);
      EXPECT_EQ(th.right, at + 6);
      EXPECT_LT(th.top, ch.top);
      EXPECT_GT(th.bottom, ch.bottom);
    } else {
      EXPECT_EQ(th.top, at - 5);
      EXPECT_EQ(th.bottom, at + 6);
      EXPECT_LT(th.left, ch.top);
      EXPECT_GT(th.right, ch.bottom);
    }
    delete tb;
  }
}

TEST_F(ClassNameTest, ToolBarStyleIsReadAndSetThroughItsMessages) {
  auto* bar = new TToolBar(Form);
  bar->SetParent(Form);
  HWND h = bar->Handle();
  const LONG_PTR windowBits = GetWindowLongPtr(h, GWL_STYLE) & ~LONG_PTR(0xFFFF);
  ASSERT_TRUE(windowBits & WS_CHILD);
  EXPECT_EQ(static_cast<DWORD>(SendMessage(h, TB_GETSTYLE, 0, 0)), TBSTYLE_FLAT);  // flat by default

  struct TStep {
    std::function<void()> Do;
    DWORD Style;  // what TB_GETSTYLE answers afterwards
    bool Flat;
  };
  const TStep steps[] = {
      {[&] { SendMessage(h, TB_SETSTYLE, 0, static_cast<LPARAM>(SendMessage(h, TB_GETSTYLE, 0, 0) | 0x8800)); },
       TBSTYLE_FLAT | TBSTYLE_TRANSPARENT, true},
      {[&] { SendMessage(h, TB_SETSTYLE, 0, 0); }, 0, false},
      {[&] { bar->SetFlat(true); }, TBSTYLE_FLAT, true},
      {[&] { bar->SetFlat(false); }, 0, false},
      {[&] { SendMessage(h, TB_SETSTYLE, 0, static_cast<LPARAM>(0xFFFF0000u | TBSTYLE_FLAT)); }, TBSTYLE_FLAT, true},
  };
  int i = 0;
  for (const auto& s : steps) {
    SCOPED_TRACE(i++);
    s.Do();
    EXPECT_EQ(static_cast<DWORD>(SendMessage(h, TB_GETSTYLE, 0, 0)), s.Style);
    EXPECT_EQ(bar->Flat(), s.Flat);
    EXPECT_EQ(GetWindowLongPtr(h, GWL_STYLE) & ~LONG_PTR(0xFFFF), windowBits);  // window styles untouched
  }
}
