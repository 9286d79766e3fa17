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

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

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
