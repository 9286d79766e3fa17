// The export of the requirements to a spreadsheet through automation ("Excel.Application").
#include "app/catalog.h"
#include "app/formutil.h"
#include "app/seemain.h"
#include "platform/rtl/automation.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/spreadsheet.h"
#include "platform/win/winuser.h"

namespace {

const char kExcelFullWidthColon[] = "\xEF\xBC\x9A";  // U+FF1A
const char kSqlPicByFileName[] = "select * from  pic order by fname";  // two blanks after from

Variant Get(const Variant& Obj, const std::string& Name, const std::vector<Variant>& Args = {}) {
  return DispInvoke(Obj, Name, DISPATCH_PROPERTYGET, Args);
}

void Put(const Variant& Obj, const std::string& Name, const Variant& Value) {
  DispInvoke(Obj, Name, DISPATCH_PROPERTYPUT, {Value});
}

// Cells[Row, Col] of a worksheet's Cells collection.
Variant Cell(const Variant& Cells, int Row, int Col) { return Get(Cells, "Item", {Row, Col}); }

void SetCell(const Variant& Cells, int Row, int Col, const Variant& Value) {
  DispInvoke(Cells, "Item", DISPATCH_PROPERTYPUT, {Row, Col, Value});
}

void SetFontSize(const Variant& Cells, int Row, int Col, int Size) {
  Put(Get(Cell(Cells, Row, Col), "Font"), "Size", Size);
}

}  // namespace

void TFormSeeMain::EXCEL1Click(TObject*) {
  if (Application()->MessageBox("is not open excel?", "Tip", MB_YESNO | MB_ICONQUESTION) != IDYES)
    return;
  RegisterSpreadsheetAutomation();
  Variant excel;
  try {
    excel = CreateOleObject("Excel.Application");
    Put(excel, "Visible", true);
  } catch (const Exception&) {
    Application()->MessageBox("IS NOT install MS OFFICE Excel!",
                              "\xE7\xA8\x8B\xE5\xBA\x8F\xE6\x8F\x90\xE7\xA4\xBA",  // "程序提示"
                              MB_OK | MB_ICONINFORMATION);
    return;
  }
  try {
    Variant books = Get(excel, "Workbooks");
    DispInvoke(books, "Add", DISPATCH_METHOD, {EmptyParam()});
    Variant book = Get(books, "Item", {1});
    Variant sheet = Get(book, "Worksheets", {1});
    Variant cells = Get(sheet, "Cells");
    for (int c = 1; c <= 4; ++c) Put(Cell(cells, 1, c), "ColumnWidth", 17);
    for (int c = 14; c <= 18; ++c)
      Put(Cell(cells, 1, c), "ColumnWidth", Variant::FromCurrency(17.38));
    // The customer header and the column titles.
    const std::string header[3] = {
        std::string("Customer ID") + kExcelFullWidthColon + Edit1->Text(),
        std::string("Customer Name") + kExcelFullWidthColon + Edit2->Text(),
        std::string("Pickup date") + kExcelFullWidthColon + std::string(12, '_')};
    for (int c = 1; c <= 3; ++c) {
      SetCell(cells, 1, c, header[c - 1]);
      Variant font = Get(Cell(cells, 1, c), "Font");
      Put(font, "Size", 9);
      Put(font, "Name", "Tahoma");
      Put(font, "Bold", true);
    }
    const char* titles[3] = {"File Name", "Production requirements", "Design requirements"};
    for (int c = 1; c <= 3; ++c) {
      SetCell(cells, 2, c, titles[c - 1]);
      Variant font = Get(Cell(cells, 2, c), "Font");
      Put(font, "Bold", true);
      Put(font, "Color", 255);
    }
    // One sheet row per catalog row, in file-name order.
    ADOQuery1->Close();
    ADOQuery1->SetSQLText(kSqlPicByFileName);
    ADOQuery1->Open();
    ADOQuery1->DisableControls();
    int n = 0;
    try {
      ADOQuery1->First();
      for (int r = 3; !ADOQuery1->Eof(); ++r, ADOQuery1->Next()) {
        for (int c = 1; c <= 4; ++c) SetFontSize(cells, r, c, 9);
        const char* columns[3] = {"fname", "yongtu", "xiugai"};
        for (int c = 1; c <= 3; ++c) {
          Variant v = ADOQuery1->FieldByName(columns[c - 1])->Value();
          if (!v.IsNull()) SetCell(cells, r, c, v);
        }
      }
      n = ADOQuery1->RecordCount();
      for (int r = 2; r <= n + 2; ++r)
        for (int c = 1; c <= ADOQuery1->FieldCount(); ++c) SetFontSize(cells, r, c, 9);
    } catch (...) {
      ADOQuery1->EnableControls();
      throw;
    }
    ADOQuery1->EnableControls();
    Variant range = DispInvoke(sheet, "Range", DISPATCH_METHOD,
                               {Cell(cells, 2, 1), Cell(cells, n + 2, 5)});
    Put(Get(range, "Borders"), "LineStyle", 1);
  } catch (const Exception& E) {
    Application()->ShowException(E);
  }
}

void TFormSeeMain::n32Click(TObject* Sender) { EXCEL1Click(Sender); }
