// The main window's commands: the grid menu (pick, unpick, requirements, select all, random
// order), the view lists and the folder memo.
#include "app/catalog.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/memodialog.h"
#include "app/requirementdialogs.h"
#include "app/seemain.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace {

// Runs a modal dialog created by a command and frees it when it closes, also on failure.
template <class TDialog>
void RunDialog(TDialog* Dialog) {
  std::unique_ptr<TDialog> owned(Dialog);
  owned->ShowModal();
}

}  // namespace

std::vector<std::string> TFormSeeMain::SelectedNames() {
  std::vector<std::string> names;
  for (int i = 0; i < GridMultiSelectedCount(ImageryMView1); ++i)
    names.push_back(
        BareName(GridImageFileName(ImageryMView1, GridMultiSelectedImage(ImageryMView1, i))));
  return names;
}

// ---- the grid menu ----

void TFormSeeMain::PopupMenu1Popup(TObject*) {
  N9->SetVisible(!ReadHotKeySwitch(ADOQuery6));
  TMenuItem* const loadingItems[] = {N1, N2, N3, N6, N7, N8, N9, N10, N11, N12, N14, N4, N5, N13};
  // While the grid is being filled the pick, requirement, random and rotate items are hidden.
  for (TMenuItem* i : loadingItems) i->SetVisible(!FLoading);
  if (FLoading) return;
  N9->SetVisible(!ReadHotKeySwitch(ADOQuery6));
  const int selected = GridSelectedImage(ImageryMView1);
  if (selected < 0) return;
  // The caption is rebuilt from the catalog first: the image may not have been drawn since it
  // became selected.
  ImageryMView1BeforeImageDraw(ImageryMView1, selected, 0, 0, nullptr);
  const bool picked =
      PickStateOfColor(GridCaption(ImageryMView1, selected).Color) != TPickState::NotPicked;
  N1->SetEnabled(!picked);
  N2->SetEnabled(picked);
  N7->SetEnabled(picked);
  N10->SetEnabled(picked);
}

void TFormSeeMain::N1Click(TObject*) {
  for (int i = 0; i < GridMultiSelectedCount(ImageryMView1); ++i) {
    const int index = GridMultiSelectedImage(ImageryMView1, i);
    const std::string name = BareName(GridImageFileName(ImageryMView1, index));
    if (!PickPhoto(ADOQuery1, name)) continue;  // already picked: left alone
    TThumbCaption caption = GridCaption(ImageryMView1, index);
    caption.Color = clRed;
    GridSetCaption(ImageryMView1, index, caption);
    ImageryMView1->Invalidate();
  }
}

void TFormSeeMain::N2Click(TObject*) {
  for (int i = 0; i < GridMultiSelectedCount(ImageryMView1); ++i) {
    const int index = GridMultiSelectedImage(ImageryMView1, i);
    const std::string name = BareName(GridImageFileName(ImageryMView1, index));
    UnpickPhoto(ADOCommand1, name);
    GridSetCaption(ImageryMView1, index, {name, clBlack, false, true});
    ImageryMView1->Invalidate();
  }
}

void TFormSeeMain::N21Click(TObject*) { GridSelectAll(ImageryMView1); }

void TFormSeeMain::N7Click(TObject*) {
  auto* dialog = new TFormbeizhu2(this, ADOConnection1, ADOConnection2);
  std::unique_ptr<TFormbeizhu2> owned(dialog);
  const std::vector<std::string> names = SelectedNames();
  dialog->SetPhotos(names, "Total " + std::to_string(names.size()) + " Files");
  dialog->FillLists();
  dialog->ShowModal();
}

void TFormSeeMain::N10Click(TObject*) {
  const int count = GridMultiSelectedCount(ImageryMView1);
  if (count == 0) return;
  if (count > 1) {
    ShowInfo("Tips:only select one file!");
    return;
  }
  auto* dialog = new TFormbeizhu3(this, ADOConnection1, ADOConnection2);
  std::unique_ptr<TFormbeizhu3> owned(dialog);
  dialog->OpenPhoto(SelectedNames().front());
  dialog->ShowModal();
}

void TFormSeeMain::BitBtn1Click(TObject*) {
  if (FileListBox1->Items()->Count() == 0) return;
  RunDialog(new TFormbeizhu(this, ADOConnection1));
}

// ---- view lists and random order ----

void TFormSeeMain::BitBtn7Click(TObject*) {
  MenuButtonSetDropDownMenu(SpeedButton1yx, PopupMenu3);
  // The button's place inside the customer bar, taken as a screen point.
  PopupMenu3->Popup(BitBtn7->Left() + 7, BitBtn7->Top() + BitBtn7->Height() + 21);
}

void TFormSeeMain::N16Click(TObject*) {
  if (FileListBox1->Items()->Count() == 0) return;
  FLoading = true;
  try {
    ListBox1->Items()->Clear();
    ListBox4->Items()->Clear();
    GridClear(ImageryMView1);
    const std::vector<std::string> picked = PickedNames(ADOQuery1);
    // Every distinct catalog name counts, also of photos no longer in the folder.
    SetCountLabel("Current folder have ", static_cast<int>(picked.size()));
    for (const std::string& name : picked)
      if (FileListBox1->Items()->IndexOf(name) >= 0) ListBox4->Items()->Add(name);
    if (ListBox4->Items()->Count() > 0) {
      FillGrid(ListBox4->Items()->ToVector());
      GridSetSelectedImage(ImageryMView1, 0);
      FListMode = 2;
    }
  } catch (...) {
    FLoading = false;
    throw;
  }
  FLoading = false;
}

void TFormSeeMain::N15Click(TObject*) {
  if (FileListBox1->Items()->Count() == 0) return;
  FLoading = true;
  try {
    ListBox1->Items()->Clear();
    ListBox4->Items()->Clear();
    GridClear(ImageryMView1);
    for (const std::string& name : UnpickedNames(ADOQuery1, FileNames()))
      ListBox4->Items()->Add(name);
    if (ListBox4->Items()->Count() > 0) {
      SetCountLabel("Current folder have ", ListBox4->Items()->Count());
      FillGrid(ListBox4->Items()->ToVector());
      GridSetSelectedImage(ImageryMView1, 0);
      FListMode = 1;
    }
  } catch (...) {
    FLoading = false;
    throw;
  }
  FLoading = false;
}

void TFormSeeMain::N18Click(TObject*) { ReloadFolder(); }

void TFormSeeMain::N9Click(TObject*) {
  const bool random = ReadRandomOrderSwitch(ADOQuery2);
  auto reload = [this] {
    if (FListMode == 1) {
      N15Click(this);
    } else if (FListMode == 2) {
      N16Click(this);
    } else {
      ReloadFolder();
    }
  };
  if (random) {
    reload();
    return;
  }
  // The same photos in a new random order: random order is switched on around the reload and
  // off again afterwards, also when the reload fails.
  WriteRandomOrderSwitch(ADOQuery2, true);
  try {
    reload();
  } catch (...) {
    ReadRandomOrderSwitch(ADOQuery2);
    WriteRandomOrderSwitch(ADOQuery2, false);
    throw;
  }
  ReadRandomOrderSwitch(ADOQuery2);
  WriteRandomOrderSwitch(ADOQuery2, false);
}
