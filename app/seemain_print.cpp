// "Print Selected": the picked photos of the folder go into the staging database with a small
// JPEG thumbnail each, and a new print window prepares the picking sheet over them.
#include <map>

#include "app/catalog.h"
#include "app/formdayin2.h"
#include "app/formutil.h"
#include "app/maincontrols.h"
#include "app/printstaging.h"
#include "app/seemain.h"
#include "app/settings.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/graphics_jpeg.h"
#include "platform/vcl/stdctrls.h"

namespace {

// A text column of the current catalog row ("" for null or a missing column).
std::string RowText(TDataSet* Rows, const char* Column) {
  TField* f = Rows->FindField(Column);
  return f ? f->AsString() : std::string();
}

// Sets a staging text column, or leaves it null when Value is empty.
void SetRowText(TDataSet* Rows, const char* Column, const std::string& Value) {
  if (!Value.empty()) Rows->FieldByName(Column)->SetAsString(Value);
}

}  // namespace

void TFormSeeMain::BitBtn3Click(TObject*) {
  if (FileListBox1->Items()->Count() == 0) return;
  if (!StagePickedPhotos()) return;
  auto* window = new TFormdayin2(this, this);
  window->PrepareSheet(ProgramFolder() + kReportTemplateFileName);
  window->Show();
}

bool TFormSeeMain::StagePickedPhotos() {
  try {
    ADOConnection4->Close();
    ADOConnection4->SetConnectionString(
        StagingConnectionString(StagingDatabaseFile(ProgramFolder())));
    ADOConnection4->Open();
    ADOCommand2->SetCommandText(kSqlStagingClear);
    ADOCommand2->Execute();

    ADOQuery1->Close();
    ADOQuery1->SetSQLText(kSqlCatalogForPrint);
    ADOQuery1->Open();
    ADOQuery4->Close();
    ADOQuery4->SetSQLText(kSqlStagingRows);
    ADOQuery4->Open();

    // The folder's files, compared without regard to letter case as the catalog compares; a
    // photo is read under the name the folder has for it.
    std::map<std::string, std::string> files;
    for (const std::string& f : FileNames()) files.emplace(AnsiLowerCase(f), f);
    auto inFolder = [&](const std::string& Name) { return files.count(AnsiLowerCase(Name)) > 0; };

    ListBox2->Items()->Clear();
    GridClear(ImageryMView2);
    for (ADOQuery1->First(); !ADOQuery1->Eof(); ADOQuery1->Next()) {
      const std::string name = RowText(ADOQuery1, "fname");
      if (inFolder(name)) ListBox2->Items()->Add(name);
    }
    if (ListBox2->Items()->Count() == 0) {
      ShowInfo(kNoPickedPhotoMessage);
      return false;
    }

    pb->SetMax(ListBox2->Items()->Count());
    pb->SetPosition(0);
    const std::string folder = IncludeTrailingPathDelimiter(FCurrentFolder);
    int k = 0;
    for (ADOQuery1->First(); !ADOQuery1->Eof(); ADOQuery1->Next()) {
      const std::string name = RowText(ADOQuery1, "fname");
      if (!inFolder(name)) continue;
      ADOQuery4->Append();
      ADOQuery4->FieldByName("fname")->SetAsString(name);
      SetRowText(ADOQuery4, "yongtu", RowText(ADOQuery1, "yongtu"));
      SetRowText(ADOQuery4, "xiugai", RowText(ADOQuery1, "xiugai"));
      GridAddFile(ImageryMView2, folder + files[AnsiLowerCase(name)]);
      const std::string jpeg = GridImageAsJpeg(ImageryMView2, k, kPrintJpegQuality);
      // The thumbnail goes through a JPEG picture, which refuses what is no JPEG, and is
      // stored as the complete file.
      TStringStream data(jpeg);
      TJPEGImage picture;
      try {
        if (jpeg.empty()) throw EInvalidGraphic("no picture");
        picture.LoadFromStream(&data);
      } catch (const Exception& E) {
        ADOQuery4->Cancel();
        throw EStagingError("The photo " + folder + name + " cannot be read: " + E.Message());
      }
      TMemoryStream out;
      picture.SaveToStream(&out);
      out.SetPosition(0);
      static_cast<TBlobField*>(ADOQuery4->FieldByName("logo"))->LoadFromStream(&out);
      ADOQuery4->Post();
      pb->SetPosition(++k);
    }
    pb->SetPosition(0);
    return true;
  } catch (const Exception& E) {
    pb->SetPosition(0);
    Application()->ShowException(E);
    return false;
  }
}
