// The crop window.
#include "app/formcrop.h"

#include <memory>

#include "app/catalog.h"
#include "app/formnewmax.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/photosave.h"
#include "app/seemain.h"
#include "imaging/core/imageryproc.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TFormcutimage, TForm)

namespace {

const int kBottomHeight = 48;

TComboBox* RatioBox(TComponent* Owner, TWinControl* Parent, const char* Name, int Left) {
  auto* box = PlaceControl<TComboBox>(Owner, Parent, Name, Left, 13, 45, 21);
  for (int i = 1; i <= 6; ++i) box->Items()->Add(std::to_string(i));
  box->SetText("1");
  return box;
}

}  // namespace

TFormcutimage::TFormcutimage(TComponent* Owner, TFormSeeMain* Main) : TForm(Owner), FMain(Main) {
  SetName("Formcutimage");
  SetCaption("Crop");
  SetBorderIcons(TBorderIcons{});
  SetDoubleBuffered(true);
  SetProgramFont(this);
  SetBounds(0, 0, 800, 600);

  Panel2 = PlaceControl<TPanel>(this, this, "Panel2", 0, 600 - kBottomHeight, 800, kBottomHeight);
  Panel2->SetAlign(alBottom);
  Panel2->SetBevelOuter(bvNone);
  RadioButton1 = PlaceControl<TRadioButton>(this, Panel2, "RadioButton1", 12, 15, 80, 17);
  RadioButton1->SetCaption("Free Crop");
  RadioButton1->SetChecked(true);
  RadioButton2 = PlaceControl<TRadioButton>(this, Panel2, "RadioButton2", 100, 15, 85, 17);
  RadioButton2->SetCaption("Scale Crop");
  Label1 = PlaceLabel(this, Panel2, "Label1", "Width", 195, 17);
  ComboBox1 = RatioBox(this, Panel2, "ComboBox1", 232);
  Label2 = PlaceLabel(this, Panel2, "Label2", "Height", 290, 17);
  ComboBox2 = RatioBox(this, Panel2, "ComboBox2", 330);
  Button4 = PlaceButton(this, Panel2, "Button4", "Undo", 400, 11);
  Button5 = PlaceButton(this, Panel2, "Button5", "Redo", 485, 11);
  Button2 = PlaceButton(this, Panel2, "Button2", "Save", 570, 11);
  Button3 = PlaceButton(this, Panel2, "Button3", "Close", 655, 11);
  Edit1 = PlaceControl<TEdit>(this, Panel2, "Edit1", 0, 0, 10, 21);
  Edit1->SetVisible(false);

  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 0, 0, 800, 600 - kBottomHeight);
  Panel1->SetAlign(alClient);
  Panel1->SetBevelOuter(bvNone);
  cen1 = new TImageryView(this);
  cen1->SetName("cen1");
  cen1->SetParent(Panel1);
  cen1->SetAlign(alClient);
  cen1->SetBackground(clBlack);
  cen1->SetBorderStyle(TIEBorderStyle::bsNone);
  cen1->SetAutoFit(true);

  cen1->OnMouseDown = [this](TObject* S, TMouseButton B, TShiftState Sh, int X, int Y) {
    cen1MouseDown(S, B, Sh, X, Y);
  };
  cen1->OnDblClick = [this](TObject* S) { ImageryView1DblClick(S); };
  RadioButton1->OnClick = [this](TObject* S) { RadioButton1Click(S); };
  RadioButton2->OnClick = [this](TObject* S) { RadioButton2Click(S); };
  Button4->OnClick = [this](TObject* S) { Button4Click(S); };
  Button5->OnClick = [this](TObject* S) { Button5Click(S); };
  Button2->OnClick = [this](TObject* S) { Button2Click(S); };
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
  FinishCreate();
}

int TFormcutimage::RatioOf(const std::string& Text) {
  const std::string t = Trim(Text);
  if (t.empty() || t.size() > 6) return 0;
  int value = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value;
}

void TFormcutimage::FormShow(TObject*) {
  Panel2->SetColor(clBtnFace);
  ComboBox1->SetItemIndex(0);
  ComboBox2->SetItemIndex(0);
}

void TFormcutimage::FormClose(TObject*, TCloseAction& Action) {
  // The opener frees the window once its modal loop has ended.
  Action = caHide;
}

void TFormcutimage::FormCloseQuery(TObject*, bool& CanClose) {
  if (FMain && FMain->CropWindow() == this) FMain->CropWindow() = nullptr;
  CanClose = true;
}

void TFormcutimage::cen1MouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  cen1->SetMouseInteract(TIEMouseInteract{miSelect});
  if (RadioButton1->Checked()) {
    cen1->SetSelectionAspectRatio(-1);
    cen1->SetEnableInteractionHints(true);
    cen1->SetVisibleSelection(true);
    return;
  }
  if (!RadioButton2->Checked()) return;
  // An empty box leaves the ratio as it was.
  if (Trim(ComboBox1->Text()).empty() || Trim(ComboBox2->Text()).empty()) return;
  const int width = RatioOf(ComboBox1->Text()), height = RatioOf(ComboBox2->Text());
  if (width <= 0 || height <= 0) {
    // No selection starts from this press: the view finds nothing to do with it.
    cen1->SetMouseInteract(TIEMouseInteract{});
    ShowInfo(kBadCropRatio);
    return;
  }
  cen1->SetSelectionAspectRatio(double(height) / double(width));
  cen1->SetEnableInteractionHints(true);
  cen1->SetVisibleSelection(true);
}

void TFormcutimage::ImageryView1DblClick(TObject*) {
  if (!cen1->Selected()) return;
  cen1->GetProc()->CropSel();
  cen1->Deselect();
}

void TFormcutimage::RadioButton1Click(TObject*) { cen1->Deselect(); }
void TFormcutimage::RadioButton2Click(TObject*) { cen1->Deselect(); }

void TFormcutimage::Button4Click(TObject*) {
  if (cen1->GetProc()->GetUndoCount() > 0) cen1->GetProc()->Undo();
  cen1->Deselect();
}

void TFormcutimage::Button5Click(TObject*) {
  try {
    cen1->GetIO()->LoadFromFile(Edit1->Text());
  } catch (...) {
    cen1->SetMouseInteract(TIEMouseInteract{miSelect});
    cen1->Deselect();
    throw;
  }
  cen1->SetMouseInteract(TIEMouseInteract{miSelect});
  cen1->Deselect();
}

void TFormcutimage::Button2Click(TObject*) {
  if (!AskYesNo("Tip:Do you save ?")) return;
  const std::string path = Edit1->Text();
  try {
    SavePhotoOver(cen1->GetIO(), path);
  } catch (const Exception& E) {
    // The photo stays as it was on disk and the window stays open with the picture.
    ShowInfo(E.Message());
    return;
  }
  if (FMain) {
    if (auto* viewer = dynamic_cast<TFormNewMax*>(FMain->ViewerWindow())) {
      try {
        viewer->ShowSavedPhoto(path);
      } catch (const Exception&) {
        // The crop is saved; the viewer keeps its picture until it moves on.
      }
    }
  }
  Close();
}

void TFormcutimage::Button3Click(TObject*) { Close(); }

void OpenCropWindow(TFormSeeMain* Main, TComponent* Owner, const std::string& Path) {
  if (Main->CropWindow() == nullptr) Main->CropWindow() = new TFormcutimage(Owner, Main);
  std::unique_ptr<TFormcutimage> crop(static_cast<TFormcutimage*>(Main->CropWindow()));
  RECT wa = Screen()->WorkAreaRect();
  crop->SetWindowState(wsNormal);
  crop->SetBounds(wa.left, wa.top, wa.right - wa.left, wa.bottom - wa.top);
  crop->cen1->SetVisible(false);
  crop->cen1->SetAlign(alClient);
  std::unique_ptr<Exception> failure;
  try {
    crop->cen1->GetIO()->LoadFromFile(Path);
    if (crop->cen1->GetIO()->Aborting.load()) {
      crop->cen1->Blank();
      failure = std::make_unique<Exception>("The photo \"" + Path + "\" cannot be read.");
    }
  } catch (const Exception& E) {
    failure = std::make_unique<Exception>(E.Message());
  }
  crop->Edit1->SetText(Path);
  crop->cen1->SetVisible(true);
  crop->cen1->SetMouseInteract(TIEMouseInteract{miSelect});
  crop->ShowModal();
  if (Main->CropWindow() == crop.get()) Main->CropWindow() = nullptr;
  crop.reset();
  if (failure) Application()->ShowException(*failure);
}

void CropSelectedPhoto(TFormSeeMain* Main) {
  TCustomControl* grid = Main->ImageryMView1;
  if (GridMultiSelectedCount(grid) == 0) return;
  const int index = GridMultiSelectedImage(grid, 0);
  const std::string path = IncludeTrailingPathDelimiter(TreeSelectedFolder(Main->dir1)) +
                           BareName(GridImageFileName(grid, index));
  OpenCropWindow(Main, Main, path);
  GridUpdateImage(grid, index);
  grid->Invalidate();
}
