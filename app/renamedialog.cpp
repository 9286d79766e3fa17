// The batch rename dialog.
#include "app/renamedialog.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "app/catalog.h"
#include "app/copyout.h"
#include "app/formutil.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TFormRename, TForm)

namespace {

std::string Lower(const std::string& S) { return LowerCase(S); }

// Renames Old to New without ever replacing an existing New.
bool RenameNoReplace(const std::string& Old, const std::string& New) {
  if (::renameat2(AT_FDCWD, Old.c_str(), AT_FDCWD, New.c_str(), RENAME_NOREPLACE) == 0)
    return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the flag: a hard link fails when New exists.
  if (::link(Old.c_str(), New.c_str()) != 0) return false;
  if (::unlink(Old.c_str()) != 0) {
    const int e = errno;
    ::unlink(New.c_str());
    errno = e;
    return false;
  }
  return true;
}

}  // namespace

TFormRename::TFormRename(TComponent* Owner, TADOConnection* Catalog, const std::string& Folder)
    : TForm(Owner), FFolder(Folder) {
  SetName("FormRename");
  SetCaption("\xE9\x87\x8D\xE5\x91\xBD\xE5\x90\x8D");  // "重命名"
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 420, 420);
  Font()->SetName("SimSun");
  Font()->SetSize(9);
  Panel1 = PlaceControl<TPanel>(this, this, "Panel1", 0, 0, 412, 36);
  Panel1->SetAlign(alTop);
  Panel1->SetCaption("support Batch  rename....");
  Label1 = PlaceLabel(this, this, "Label1", "Files\xEF\xBC\x9A", 12, 46);  // "Files："
  lbb = PlaceControl<TListBox>(this, this, "lbb", 12, 64, 388, 160);
  Label2 = PlaceLabel(this, this, "Label2", "Rename Options", 12, 232);
  Panel2 = PlaceControl<TPanel>(this, this, "Panel2", 12, 250, 388, 96);
  Panel2->SetShowCaption(false);
  RB1 = PlaceControl<TRadioButton>(this, Panel2, "RB1", 8, 8, 370, 20);
  RB1->SetCaption("With the number named\xEF\xBC\x8C" "example:1.JPG ");  // full-width comma
  RB1->SetChecked(true);
  RB2 = PlaceControl<TRadioButton>(this, Panel2, "RB2", 8, 36, 100, 20);
  RB2->SetCaption("Prefix+Id");
  Edit1 = PlaceControl<TEdit>(this, Panel2, "Edit1", 110, 34, 120, 21);
  Edit1->SetText("john#");
  Edit1->SetEnabled(false);
  Label4 = PlaceLabel(this, Panel2, "Label4", "example:john#1.JPG", 240, 38);
  Button1 = PlaceButton(this, this, "Button1", "ReName", 325, 356);
  ADOQuery1 = new TADOQuery(this);
  ADOQuery1->SetName("ADOQuery1");
  ADOQuery1->SetConnection(Catalog);
  RB1->OnClick = [this](TObject* S) { RB1Click(S); };
  RB2->OnClick = [this](TObject* S) { RB2Click(S); };
  Button1->OnClick = [this](TObject* S) { Button1Click(S); };
}

void TFormRename::RB1Click(TObject*) {
  if (RB1->Checked()) Edit1->SetEnabled(false);
}

void TFormRename::RB2Click(TObject*) {
  if (RB2->Checked()) {
    Edit1->SetEnabled(true);
    if (Edit1->CanFocus()) Edit1->SetFocus();
  } else {
    Edit1->SetEnabled(false);
  }
}

std::vector<std::string> TFormRename::NewNames() const {
  const std::string prefix = RB2->Checked() ? Edit1->Text() : std::string();
  std::vector<std::string> names;
  for (int k = 0; k < lbb->Items()->Count(); ++k)
    names.push_back(prefix + std::to_string(k + 1) + ".jpg");
  return names;
}

void TFormRename::Button1Click(TObject*) {
  TStrings* list = lbb->Items();
  // The refusals of the first design stay silent.
  if (RB1->Checked() && (list->IndexOf("1.jpg") >= 0 || list->IndexOf("3.jpg") >= 0)) return;
  if (RB2->Checked() && list->IndexOf(Edit1->Text() + "1.jpg") >= 0) return;
  const std::vector<std::string> names = NewNames();
  // A prefix that would leave the folder or hide the files is refused.
  if (RB2->Checked() && SafeFileName(Edit1->Text() + "1.jpg") != Edit1->Text() + "1.jpg") {
    ShowInfo("The prefix \"" + Edit1->Text() + "\" cannot be part of a file name.");
    return;
  }
  // No photo is renamed onto a name the folder already has (compared without regard to case,
  // as the catalog compares names): nothing changes then.
  std::set<std::string> taken;
  TSearchRec found;
  for (int r = FindFirst(IncludeTrailingPathDelimiter(FFolder) + "*", faAnyFile, found); r == 0;
       r = FindNext(found))
    taken.insert(Lower(found.Name));
  FindClose(found);
  for (const std::string& n : names) {
    if (taken.count(Lower(n))) {
      ShowInfo("The file " + n + " already exists in " + FFolder + "; nothing was renamed.");
      return;
    }
  }
  for (int k = 0; k < list->Count(); ++k) {
    const std::string old = list->Strings(k);
    const std::string from = IncludeTrailingPathDelimiter(FFolder) + old;
    const std::string to = IncludeTrailingPathDelimiter(FFolder) + names[k];
    if (!RenameNoReplace(from, to)) {
      // The catalog rows of a photo that kept its name stay with it.
      ShowInfo("The file " + old + " cannot be renamed to " + names[k] + ": " +
               std::strerror(errno) + ". The remaining files keep their names.");
      return;
    }
    RenameRows(ADOQuery1, old, names[k]);
  }
  Close();
}
