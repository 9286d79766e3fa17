// The main window's commands on the photo files and their copies: rotation on disk, batch
// rename, and the start of the copy-out.
#include <algorithm>
#include <memory>

#include "app/catalog.h"
#include "app/copyout.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/renamedialog.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/imageryproc.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/fileutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace {

// The longest side of the EXIF thumbnail written with a rotated photo.
const int kExifThumbnailSide = 160;

// Loads Path upright (by its EXIF orientation), turns it by Angle degrees and saves it over
// itself as JPEG at Quality. The saved EXIF data describe the turned pixels: orientation 1 and a
// thumbnail made from them.
void RotatePhotoFile(const std::string& Path, double Angle, int Quality) {
  TIEBitmap bitmap;
  TImageryIO io(nullptr);
  io.AttachBitmap(&bitmap);
  io.Params->JPEG_EnableAdjustOrientation = true;
  io.LoadFromFile(Path);
  if (io.Aborting.load() || bitmap.IsEmpty())
    throw EInOutError("The photo " + Path + " cannot be read.");
  TImageryProc proc(nullptr);
  proc.AutoUndo = false;
  proc.SetAttachedBitmap(&bitmap);
  proc.Rotate(Angle, 0, 0, -1);
  TIOParamsVals* p = io.Params;
  p->SetEXIF_Orientation(1);
  if (p->EXIF_HasEXIFData) {
    int w = 0, h = 0;
    IEFitSize(bitmap.Width(), bitmap.Height(), kExifThumbnailSide, kExifThumbnailSide, w, h);
    TIEBitmap* thumb = p->EnsureEXIFBitmap();
    if (bitmap.PixelFormat() == ie24RGB && w > 0 && h > 0 && thumb->Allocate(w, h, ie24RGB)) {
      IEResample(&bitmap, thumb, rfFastLinear, nullptr, {});
    } else {
      thumb->FreeImage();
    }
  }
  p->JPEG_Quality = Quality;
  io.SaveToFileJpeg(Path);
  if (io.Aborting.load()) throw EInOutError("The photo " + Path + " cannot be written.");
}

}  // namespace

// ---- rotation ----

void TFormSeeMain::RotateSelected(double Angle) {
  const int count = GridMultiSelectedCount(ImageryMView1);
  if (count == 0) return;
  const int quality = ReadJpegQuality(FIni.get());
  pb->SetMax(count);
  pb->SetPosition(0);
  struct TEnableAgain {
    TFormSeeMain* Form;
    ~TEnableAgain() {
      Form->pb->SetPosition(0);
      Form->ImageryMView1->SetEnabled(true);
      Form->skinp1->SetEnabled(true);
    }
  } enableAgain{this};
  // The selection is taken first: repaints between photos must not change what is turned.
  std::vector<int> selected;
  for (int i = 0; i < count; ++i) selected.push_back(GridMultiSelectedImage(ImageryMView1, i));
  for (int i = 0; i < count; ++i) {
    ImageryMView1->SetEnabled(false);
    skinp1->SetEnabled(false);
    const int index = selected[i];
    const std::string path = IncludeTrailingPathDelimiter(FCurrentFolder) +
                             BareName(GridImageFileName(ImageryMView1, index));
    auto next = [&] {
      pb->SetPosition(i + 1);
      GridUpdateImage(ImageryMView1, index);
      Application()->ProcessMessages();
    };
    try {
      RotatePhotoFile(path, Angle, quality);
    } catch (...) {
      next();
      throw;
    }
    next();
  }
}

void TFormSeeMain::N11Click(TObject*) {
  try {
    RotateSelected(-90);
  } catch (const Exception& E) {
    Application()->ShowException(E);
  }
}

void TFormSeeMain::N12Click(TObject*) {
  try {
    RotateSelected(90);
  } catch (const Exception& E) {
    Application()->ShowException(E);
  }
}

// ---- rename ----

void TFormSeeMain::N28Click(TObject*) {
  if (FCurrentFolder.empty()) return;
  std::unique_ptr<TFormRename> dialog(new TFormRename(this, ADOConnection1, FCurrentFolder));
  for (int i = 0; i < GridMultiSelectedCount(ImageryMView1); ++i) {
    const int index = GridMultiSelectedImage(ImageryMView1, i);
    if (index >= 0 && index < ListBox1->Items()->Count())
      dialog->lbb->Items()->Add(ListBox1->Items()->Strings(index));
  }
  dialog->ShowModal();
  dialog.reset();
  ReloadFolder();
}

// ---- copy-out ----

void TFormSeeMain::BitBtn4Click(TObject*) {
  if (FileListBox1->Items()->Count() == 0) return;
  // Under the button, counted from the left panel's corner as the customer bar and the tree
  // lie above it.
  PopupMenu2->Popup(BitBtn4->Left() + BitBtn4->Width() + 7,
                    BitBtn4->Top() + BitBtn4->Height() + dir1->Height() + Panel1->Height() + 25);
}

void TFormSeeMain::N4Click(TObject*) {
  if (FCurrentFolder.empty()) return;
  ADOQuery1->Close();
  ADOQuery1->SetSQLText(kSqlAllPic);
  ADOQuery1->Open();
  if (ADOQuery1->RecordCount() == 0) {
    ShowInfo("have no selected files!");
    return;
  }
  // Rows of photos that are no longer in the folder go first.
  std::vector<std::string> gone;
  for (ADOQuery1->First(); !ADOQuery1->Eof(); ADOQuery1->Next()) {
    const std::string name = ADOQuery1->FieldByName("fname")->AsString();
    if (FileListBox1->Items()->IndexOf(name) < 0 &&
        std::find(gone.begin(), gone.end(), name) == gone.end())
      gone.push_back(name);
  }
  ADOQuery1->Close();
  ADOCommand5->SetCommandText(kSqlDeleteRowsOfFile);
  for (const std::string& name : gone) {
    ADOCommand5->Parameters()->ParamByName("a")->SetValue(name);
    ADOCommand5->Execute();
  }
  FCopyFolder = FileListBox1->Directory();
  std::unique_ptr<TFormDaoChushezhi> tips(new TFormDaoChushezhi(this, this));
  tips->ShowModal();
}

void TFormSeeMain::N31Click(TObject* Sender) { N4Click(Sender); }
