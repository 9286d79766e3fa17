// The list view: items and sub-items, view styles, selection by mouse and keys with
// OnSelectItem, double clicks, column clicks, painting of the report view.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls_list.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

void ListClick(TControl* c, int x, int y, UINT modifier = 0, bool dbl = false) {
  if (modifier) InjectKey(modifier, true);
  POINT s = c->ClientToScreen(POINT{x, y});
  for (int i = 0; i < (dbl ? 2 : 1); ++i) {
    InjectMouseButton(s.x, s.y, 0, true);
    InjectMouseButton(s.x, s.y, 0, false);
  }
  if (modifier) InjectKey(modifier, false);
}

class ListViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    Form = new TForm(nullptr);
    Form->SetBounds(50, 50, 500, 400);
    LV = new TListView(Form);
    LV->SetParent(Form);
    LV->SetBounds(10, 10, 300, 200);
    LV->SetViewStyle(vsReport);
    for (auto [caption, width] : {std::pair{"Name", 100}, {"Size", 60}}) {
      TListColumn* c = LV->AddColumn();
      c->Caption = caption;
      c->Width = width;
    }
    for (int i = 0; i < 40; ++i) {
      TListItem* it = LV->Items()->Add();
      it->SetCaption("file" + std::to_string(i));
      it->SubItems()->Add(std::to_string(i * 10));
      it->SetData(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
    }
  }
  void TearDown() override {
    delete Form;
    Application()->ProcessMessages();
    DestroyAllThreadWindows();
  }
  void Run() { Application()->ProcessMessages(); }
  // The centre of item i's rectangle.
  POINT At(int i) {
    RECT r = LV->ItemRect(i);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  TForm* Form = nullptr;
  TListView* LV = nullptr;
};

}  // namespace

TEST_F(ListViewTest, MouseAndKeysSelectItemsAndReportEachChange) {
  std::vector<std::string> log;
  LV->OnSelectItem = [&](TObject*, TListItem* it, bool sel) { log.push_back(it->Caption() + (sel ? "+" : "-")); };
  int dbl = 0;
  LV->OnDblClick = [&](TObject*) { ++dbl; };
  Form->Show();
  POINT p = At(3);
  ListClick(LV, p.x, p.y);
  Run();
  EXPECT_EQ(LV->ItemIndex(), 3);
  EXPECT_EQ(log, (std::vector<std::string>{"file3+"}));
  Key(VK_DOWN);
  Run();
  EXPECT_EQ(LV->Selected()->Caption(), "file4");
  EXPECT_EQ(log, (std::vector<std::string>{"file3+", "file3-", "file4+"}));
  Key(VK_END);
  Run();
  EXPECT_EQ(LV->ItemIndex(), 39);
  EXPECT_GT(LV->TopIndex(), 0);  // scrolled to show it
  RECT last = LV->ItemRect(39);
  EXPECT_LE(last.bottom, LV->ClientHeight());
  Key(VK_HOME);
  Run();
  p = At(1);
  ListClick(LV, p.x, p.y, 0, true);
  Run();
  EXPECT_EQ(dbl, 1);
  EXPECT_EQ(LV->ItemIndex(), 1);
  EXPECT_EQ(LV->SelCount(), 1);
  // A click on no item clears the selection.
  ListClick(LV, 250, LV->ClientHeight() - 2);
  Run();
  EXPECT_EQ(LV->Selected(), nullptr);
}

TEST_F(ListViewTest, MultiSelectTakesRangesWithShiftAndTogglesWithCtrl) {
  LV->SetMultiSelect(true);
  Form->Show();
  POINT a = At(2), b = At(5), c = At(3);
  ListClick(LV, a.x, a.y);
  ListClick(LV, b.x, b.y, VK_SHIFT);
  Run();
  EXPECT_EQ(LV->SelCount(), 4);
  ListClick(LV, c.x, c.y, VK_CONTROL);
  Run();
  EXPECT_EQ(LV->SelCount(), 3);
  EXPECT_FALSE(LV->Items()->Item(3)->Selected());
  std::vector<int> sel;
  for (TListItem* it = LV->GetNextItem(nullptr, true); it; it = LV->GetNextItem(it, true)) sel.push_back(it->Index());
  EXPECT_EQ(sel, (std::vector<int>{2, 4, 5}));
  LV->SetMultiSelect(false);
  EXPECT_EQ(LV->SelCount(), 1);
  EXPECT_EQ(LV->ItemIndex(), 2);
}

TEST_F(ListViewTest, ViewStylesLayItemsOutAndHitTestingFollows) {
  struct Case { TViewStyle style; int probe; };
  for (const Case& c : {Case{vsReport, 7}, Case{vsList, 15}, Case{vsIcon, 9}, Case{vsSmallIcon, 5}}) {
    LV->SetViewStyle(c.style);
    SCOPED_TRACE(GetEnumName(TypeInfo<TViewStyle>(), c.style));
    RECT r = LV->ItemRect(c.probe);
    EXPECT_GT(r.right, r.left);
    EXPECT_EQ(LV->GetItemAt((r.left + r.right) / 2, (r.top + r.bottom) / 2), LV->Items()->Item(c.probe));
  }
  // vsList runs down the columns, vsIcon across the rows.
  LV->SetViewStyle(vsList);
  EXPECT_EQ(LV->ItemRect(1).left, LV->ItemRect(0).left);
  LV->SetViewStyle(vsIcon);
  EXPECT_EQ(LV->ItemRect(1).top, LV->ItemRect(0).top);
  EXPECT_GT(LV->ItemRect(1).left, LV->ItemRect(0).left);
}

TEST_F(ListViewTest, ItemsDeleteSortAndPublish) {
  int deletions = 0;
  LV->OnDeletion = [&](TObject*, TListItem*) { ++deletions; };
  LV->SetItemIndex(5);
  LV->Items()->Delete(5);
  EXPECT_EQ(deletions, 1);
  EXPECT_EQ(LV->Items()->Count(), 39);
  EXPECT_EQ(LV->Selected(), nullptr);
  EXPECT_THROW(LV->Items()->Item(39), EListError);
  LV->Items()->Item(0)->SetCaption("zz");
  LV->AlphaSort();
  EXPECT_EQ(LV->Items()->Item(38)->Caption(), "zz");
  EXPECT_EQ(LV->Items()->Item(0)->Caption(), "file1");
  LV->Items()->Clear();
  EXPECT_EQ(deletions, 40);
  SetEnumProp(LV, "ViewStyle", "vsList");
  EXPECT_EQ(LV->ViewStyle(), vsList);
  SetOrdProp(LV, "RowSelect", 1);
  EXPECT_TRUE(LV->RowSelect());
  EXPECT_TRUE(IsPublishedProp(LV, "OnSelectItem"));
}

TEST_F(ListViewTest, ReportViewPaintsHeaderSubItemsAndSelectionAndReportsColumnClicks) {
  LV->SetRowSelect(true);
  TListColumn* clicked = nullptr;
  LV->OnColumnClick = [&](TObject*, TListColumn* c) { clicked = c; };
  Form->Show();
  LV->SetFocus();
  LV->SetItemIndex(1);
  ListClick(LV, 120, 5);
  Run();
  ASSERT_NE(clicked, nullptr);
  EXPECT_EQ(clicked->Caption, "Size");
  EXPECT_EQ(LV->ItemIndex(), 1);  // header clicks leave the selection
  UpdateAllWindows();
  HBITMAP shot = RenderWindowToBitmap(LV->Handle());
  ASSERT_TRUE(shot);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, shot);
  const int edge = 2;
  RECT r1 = LV->ItemRect(1), r2 = LV->ItemRect(2);
  // Header face, the selected row (row select: into the sub-item column too), a plain row.
  EXPECT_EQ(GetPixel(dc, edge + 50, edge + 9), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetPixel(dc, edge + 155, edge + r1.top + 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(GetPixel(dc, edge + 155, edge + r2.top + 2), GetSysColor(COLOR_WINDOW));
  // The sub-item text of row 2 ("20") leaves dark pixels in the second column.
  int dark = 0;
  for (int x = r2.left + 100; x < r2.left + 160; ++x)
    for (int y = r2.top; y < r2.bottom; ++y) dark += GetRValue(GetPixel(dc, edge + x, edge + y)) < 128;
  EXPECT_GT(dark, 5);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(shot);
}

TEST_F(ListViewTest, TheHeaderIsAWindowOfItsOwnAnsweringHeaderMessages) {
  Form->Show();
  HWND header = reinterpret_cast<HWND>(SendMessage(LV->Handle(), LVM_GETHEADER, 0, 0));
  ASSERT_TRUE(IsWindow(header));
  EXPECT_EQ(GetParent(header), LV->Handle());
  char cls[32];
  GetClassName(header, cls, sizeof cls);
  EXPECT_STREQ(cls, "SysHeader32");
  EXPECT_TRUE(IsWindowVisible(header));
  EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
  RECT r{};
  EXPECT_TRUE(SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r)));
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.right, 160);
  EXPECT_FALSE(SendMessage(header, HDM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r)));
  char name[16] = "Bytes";
  HDITEMA item;
  item.mask = HDI_WIDTH | HDI_TEXT;
  item.cxy = 80;
  item.pszText = name;
  EXPECT_TRUE(SendMessage(header, HDM_SETITEMA, 1, reinterpret_cast<LPARAM>(&item)));
  EXPECT_EQ(LV->Column(1)->Width, 80);
  EXPECT_EQ(LV->Column(1)->Caption, "Bytes");
  char back[3];
  HDITEMA get;
  get.mask = HDI_TEXT;
  get.pszText = back;
  get.cchTextMax = sizeof back;
  SendMessage(header, HDM_GETITEMA, 0, reinterpret_cast<LPARAM>(&get));
  EXPECT_STREQ(back, "Na");
  // A subclassed header sees its paint messages, as the skinning engine relies on.
  static int paints;
  static WNDPROC previous;
  paints = 0;
  previous = reinterpret_cast<WNDPROC>(SetWindowLongPtr(header, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(
      +[](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_PAINT) ++paints;
        return CallWindowProc(previous, w, m, wp, lp);
      })));
  InvalidateRect(header, nullptr, TRUE);
  UpdateAllWindows();
  EXPECT_GT(paints, 0);
  LV->SetViewStyle(vsList);
  EXPECT_FALSE(IsWindowVisible(header));
}
