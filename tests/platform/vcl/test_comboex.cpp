// The combo box with pictures: a "COMBOBOXEX32" frame whose first child is the working
// "COMBOBOX", items with pictures and indent, events passed on, drawing and streaming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "platform/rtl/strings.h"
#include "platform/vcl/comctrls_comboex.h"
#include "platform/vcl/graphics.h"
#include "tests/platform/vcl/formtest.h"
#include "tests/platform/vcl/painttest.h"

namespace {

std::string ClassOf(HWND w) {
  char buf[64] = {};
  GetClassName(w, buf, sizeof buf);
  return buf;
}

// Pressed keys go to the window with the focus, as the user would type them.
void ComboKey(HWND w, WPARAM vk) {
  SendMessage(w, WM_KEYDOWN, vk, 0);
  SendMessage(w, WM_KEYUP, vk, 0);
}

class ComboBoxExTest : public FormTestBase {
protected:
  TComboBoxEx* Make() {
    auto* b = new TComboBoxEx(Form);
    b->SetParent(Form);
    b->SetBounds(10, 10, 200, 22);
    return b;
  }
  // Three 16 x 16 pictures: red, green, blue.
  TImageList* Pictures() { return SquareImages(Form, {clRed, clLime, clBlue}); }
};

}  // namespace

TEST_F(ComboBoxExTest, TheFrameIsComboBoxEx32AndItsFirstChildIsTheWorkingComboBox) {
  TComboBoxEx* b = Make();
  HWND frame = b->Handle();
  EXPECT_EQ(ClassOf(frame), "COMBOBOXEX32");
  HWND inner = GetWindow(frame, GW_CHILD);
  ASSERT_NE(inner, nullptr);
  EXPECT_EQ(inner, b->ComboBox()->Handle());
  EXPECT_EQ(ClassOf(inner), "COMBOBOX");
  EXPECT_EQ(GetWindow(inner, GW_HWNDNEXT), nullptr);  // the only child
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(frame, CBEM_GETCOMBOCONTROL, 0, 0)), inner);
  COMBOBOXINFO info;
  EXPECT_TRUE(GetComboBoxInfo(inner, &info));
  // The inner box fills the frame.
  RECT fr, ir;
  GetClientRect(frame, &fr);
  GetWindowRect(inner, &ir);
  EXPECT_EQ(ir.right - ir.left, fr.right);
  EXPECT_EQ(ir.bottom - ir.top, fr.bottom);
  // Only a box with free text has an edit window.
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessage(frame, CBEM_GETEDITCONTROL, 0, 0)), inner);
  b->SetStyle(csExDropDownList);
  EXPECT_EQ(SendMessage(frame, CBEM_GETEDITCONTROL, 0, 0), 0);
}

TEST_F(ComboBoxExTest, ItemsReachTheInnerBoxAndItsEventsReachTheProgram) {
  TComboBoxEx* b = Make();
  int data = 7;
  b->ItemsEx()->AddItem("Original", 0, 1, -1, 0, &data);
  b->ItemsEx()->AddItem("Result", 2);
  b->ItemsEx()->AddItem("Preview");
  ASSERT_EQ(b->Items()->Count(), 3);
  EXPECT_EQ(b->Items()->Strings(1), "Result");
  EXPECT_EQ(b->ItemsEx()->ComboItems(0)->Data(), &data);
  EXPECT_EQ(b->ItemsEx()->ComboItems(0)->SelectedImageIndex(), 1);
  // Renaming and deleting items follow in the inner list; the selection keeps its place.
  b->SetItemIndex(1);
  b->ItemsEx()->ComboItems(1)->SetCaption("Outcome");
  EXPECT_EQ(b->Items()->Strings(1), "Outcome");
  EXPECT_EQ(b->ItemIndex(), 1);
  b->ItemsEx()->Delete(2);
  EXPECT_EQ(b->Items()->Count(), 2);

  std::vector<std::string> seen;
  b->OnSelect = [&](TObject* s) { seen.push_back(s == b ? "select" : "select from elsewhere"); };
  b->OnChange = [&](TObject* s) { seen.push_back(s == b ? "change" : "change from elsewhere"); };
  Form->Show();
  b->SetFocus();
  EXPECT_EQ(GetFocus(), b->ComboBox()->Handle());  // the frame hands the focus on
  b->SetItemIndex(0);
  ComboKey(GetFocus(), VK_DOWN);
  EXPECT_EQ(b->ItemIndex(), 1);
  EXPECT_EQ(b->Text(), "Outcome");
  EXPECT_EQ(seen, (std::vector<std::string>{"select", "change"}));
  EXPECT_FALSE(SendMessage(b->Handle(), CBEM_HASEDITCHANGED, 0, 0));
  // Typed text that is no item's caption: the box knows its text was edited.
  b->SetText("Other");
  EXPECT_EQ(b->ItemIndex(), -1);
  EXPECT_TRUE(SendMessage(b->Handle(), CBEM_HASEDITCHANGED, 0, 0));
}

TEST_F(ComboBoxExTest, TheChosenItemIsDrawnWithItsPictureBesideTheCaption) {
  for (TComboBoxExStyle style : {csExDropDownList, csExDropDown}) {
    SCOPED_TRACE(style == csExDropDownList ? "drop-down list" : "drop-down");
    TComboBoxEx* b = Make();
    b->SetStyle(style);
    b->SetImages(Pictures());
    b->ItemsEx()->AddItem("Red", 0, 1);
    b->ItemsEx()->AddItem("Blue", 2, -1, -1, 3);
    struct TCase {
      int Index;
      COLORREF Picture, Absent;
    };
    const TCase cases[] = {{0, RGB(255, 0, 0), RGB(0, 0, 255)}, {1, RGB(0, 0, 255), RGB(255, 0, 0)}};
    for (const TCase& c : cases) {
      SCOPED_TRACE(c.Index);
      b->SetItemIndex(c.Index);
      TPaintShot shot(b->ComboBox()->Handle());
      int mid = b->ComboBox()->ClientHeight() / 2;
      // The picture sits at the left of the text area (the indent applies only in the list).
      EXPECT_EQ(shot.FirstX(c.Picture, mid), 2);
      EXPECT_EQ(shot.FirstX(c.Absent, mid), -1);
      // The caption starts after the picture (16 pixels and a gap).
      int firstText = shot.Width();
      for (int y = 0; y < shot.Height(); ++y)
        for (int x = 0; x < shot.Width() - 20; ++x)  // left of the drop-down button
          if (COLORREF v = shot.At(x, y); GetRValue(v) < 96 && GetGValue(v) < 96 && GetBValue(v) < 96)
            firstText = std::min(firstText, x);  // dark ink (anti-aliased stems need not be black)
      EXPECT_GE(firstText, 22);
      EXPECT_LT(firstText, 40);
    }
    // Without images only the caption is drawn, from the left.
    b->SetImages(nullptr);
    TPaintShot shot(b->ComboBox()->Handle());
    EXPECT_EQ(shot.FirstX(RGB(0, 0, 255), b->ComboBox()->ClientHeight() / 2), -1);
    delete b;
  }
}

TEST_F(ComboBoxExTest, ImagesFreedFirstAreForgotten) {
  TComboBoxEx* b = Make();
  TImageList* il = Pictures();
  b->SetImages(il);
  b->ItemsEx()->AddItem("Red", 0);
  b->SetItemIndex(0);
  delete il;
  EXPECT_EQ(b->Images(), nullptr);
  TPaintShot shot(b->ComboBox()->Handle());  // paints without the freed list
  EXPECT_EQ(shot.FirstX(RGB(255, 0, 0), b->ComboBox()->ClientHeight() / 2), -1);
}

TEST_F(ComboBoxExTest, ItemsAreReadFromTheFormsText) {
  RegisterClasses({TComboBoxEx::StaticClass()});
  Form->LoadFromText(
      "object Sample: TForm\n"
      "  object Views: TComboBoxEx\n"
      "    Left = 8\n    Top = 8\n    Style = csExDropDownList\n"
      "    ItemsEx = <\n"
      "      item\n        Caption = 'Original'\n        ImageIndex = 0\n      end\n"
      "      item\n        Caption = 'Result'\n        ImageIndex = 1\n        Indent = 2\n      end>\n"
      "  end\n"
      "end\n");
  auto* b = dynamic_cast<TComboBoxEx*>(Form->FindComponent("Views"));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Style(), csExDropDownList);
  ASSERT_EQ(b->ItemsEx()->Count(), 2);
  EXPECT_EQ(b->ItemsEx()->ComboItems(1)->Indent(), 2);
  EXPECT_EQ(b->Items()->Strings(0), "Original");
  EXPECT_EQ(b->Items()->Strings(1), "Result");
  // The inner box is part of the frame, not a component of the form.
  EXPECT_EQ(b->ComboBox()->Owner(), b);
}
