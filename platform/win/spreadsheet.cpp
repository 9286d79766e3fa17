// The spreadsheet automation object: workbooks kept in memory and written as .xlsx files through
// libxlsxwriter (see spreadsheet.h).
#include "platform/win/spreadsheet.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/shellapi.h"
#include "platform/win/winuser.h"

namespace {

std::mutex gMutex;
std::string gFolder, gLastFile, gLastError;

// ---- the workbook data ----

struct TCell {
  Variant Value;
  double FontSize = 11;
  std::string FontName = "Calibri";
  bool Bold = false;
  int32_t Color = -1;  // -1 automatic, else red in the low byte
};

struct TBorder {
  int R1, C1, R2, C2, Style;
};

struct TSheet {
  std::string Name;
  std::map<std::pair<int, int>, TCell> Cells;
  std::map<int, double> ColumnWidths;
  std::vector<TBorder> Borders;
  TCell& At(int R, int C) { return Cells[{R, C}]; }
};

struct TBook {
  std::string Name;
  std::vector<std::unique_ptr<TSheet>> Sheets;
};

void WriteBook(const TBook& Book, const std::string& File);

// Shared by every object of one application; the workbooks are written when the last object
// holding it goes.
struct TAppData {
  bool Visible = false;
  std::vector<std::unique_ptr<TBook>> Books;
  ~TAppData() {
    for (const auto& b : Books) {
      std::string folder = SpreadsheetFolder();
      std::string file;
      for (int n = 1;; ++n) {
        file = IncludeTrailingPathDelimiter(folder) + "Book" + std::to_string(n) + ".xlsx";
        if (!FileExists(file)) break;
      }
      try {
        WriteBook(*b, file);
        {
          std::lock_guard<std::mutex> lock(gMutex);
          gLastFile = file;
        }
        if (Visible) ShellExecute(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
      } catch (const Exception& E) {
        std::lock_guard<std::mutex> lock(gMutex);
        gLastError = E.Message();
      }
    }
  }
};
using TAppRef = std::shared_ptr<TAppData>;

Variant Disp(IDispatch* D) { return Variant(D); }

int IndexArg(const TAutoArgs& A, size_t I) {
  if (I >= A.size()) throw EOleError("Missing index");
  return A[I].AsInteger();
}

// ---- objects ----

class TBordersObj : public TAutoDispatch {
public:
  TBordersObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2)
      : FApp(std::move(App)) {
    AddProperty(
        "LineStyle", [](TAutoArgs&) { return Variant(1); },
        [=](TAutoArgs&, const Variant& V) {
          Sheet->Borders.push_back({R1, C1, R2, C2, V.AsInteger()});
        });
  }

private:
  TAppRef FApp;
};

class TFontObj : public TAutoDispatch {
public:
  TFontObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2) : FApp(std::move(App)) {
    auto each = [=](const std::function<void(TCell&)>& F) {
      for (int r = R1; r <= R2; ++r)
        for (int c = C1; c <= C2; ++c) F(Sheet->At(r, c));
    };
    auto first = [=]() -> TCell& { return Sheet->At(R1, C1); };
    AddProperty(
        "Size", [=](TAutoArgs&) { return Variant(first().FontSize); },
        [=](TAutoArgs&, const Variant& V) {
          const double v = V.AsFloat();
          each([v](TCell& C) { C.FontSize = v; });
        });
    AddProperty(
        "Name", [=](TAutoArgs&) { return Variant(first().FontName); },
        [=](TAutoArgs&, const Variant& V) {
          const std::string v = V.AsString();
          each([v](TCell& C) { C.FontName = v; });
        });
    AddProperty(
        "Bold", [=](TAutoArgs&) { return Variant(first().Bold); },
        [=](TAutoArgs&, const Variant& V) {
          const bool v = V.AsBoolean();
          each([v](TCell& C) { C.Bold = v; });
        });
    AddProperty(
        "Color", [=](TAutoArgs&) { return Variant(first().Color < 0 ? 0 : first().Color); },
        [=](TAutoArgs&, const Variant& V) {
          const int32_t v = V.AsInteger() & 0xFFFFFF;
          each([v](TCell& C) { C.Color = v; });
        });
  }

private:
  TAppRef FApp;
};

class TRangeObj : public TAutoDispatch {
public:
  TRangeObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2)
      : FApp(std::move(App)), R1(R1), C1(C1), R2(R2), C2(C2) {
    if (R1 < 1 || C1 < 1 || R2 < R1 || C2 < C1 || R2 > 1048576 || C2 > 16384)
      throw EOleError("Invalid cell range");
    AddProperty(
        "Value", [=](TAutoArgs&) { return Sheet->At(R1, C1).Value; },
        [=](TAutoArgs&, const Variant& V) {
          for (int r = R1; r <= R2; ++r)
            for (int c = C1; c <= C2; ++c) Sheet->At(r, c).Value = V;
        });
    AddProperty(
        "ColumnWidth",
        [=](TAutoArgs&) {
          auto i = Sheet->ColumnWidths.find(C1);
          return Variant(i == Sheet->ColumnWidths.end() ? 8.43 : i->second);
        },
        [=](TAutoArgs&, const Variant& V) {
          for (int c = C1; c <= C2; ++c) Sheet->ColumnWidths[c] = V.AsFloat();
        });
    AddProperty("Font", [=, this](TAutoArgs&) {
      return Disp(new TFontObj(FApp, Sheet, R1, C1, R2, C2));
    });
    AddProperty("Borders", [=, this](TAutoArgs&) {
      return Disp(new TBordersObj(FApp, Sheet, R1, C1, R2, C2));
    });
    AddProperty("Row", [=](TAutoArgs&) { return Variant(R1); });
    AddProperty("Column", [=](TAutoArgs&) { return Variant(C1); });
  }
  TAppRef FApp;
  int R1, C1, R2, C2;
};

// "B3" -> row 3, column 2; false when the text is no cell reference.
bool ParseCell(const std::string& Text, int& Row, int& Col) {
  size_t i = 0;
  Col = 0;
  while (i < Text.size() && std::isalpha(static_cast<unsigned char>(Text[i])))
    Col = Col * 26 + (std::toupper(static_cast<unsigned char>(Text[i++])) - 'A' + 1);
  if (Col == 0 || i == Text.size()) return false;
  Row = 0;
  for (; i < Text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(Text[i]))) return false;
    Row = Row * 10 + (Text[i] - '0');
    if (Row > 1048576) return false;
  }
  return Row > 0;
}

// The corners of a Range argument: a range object or an "A1" / "A1:B2" text.
void RangeCorners(const Variant& V, int& R1, int& C1, int& R2, int& C2) {
  if (V.VType() == varDispatch) {
    auto* r = dynamic_cast<TRangeObj*>(V.AsDispatch());
    if (!r) throw EOleError("Not a range");
    R1 = r->R1, C1 = r->C1, R2 = r->R2, C2 = r->C2;
    return;
  }
  const std::string s = V.AsString();
  const size_t colon = s.find(':');
  if (!ParseCell(s.substr(0, colon), R1, C1)) throw EOleError("Invalid range " + s);
  R2 = R1, C2 = C1;
  if (colon != std::string::npos && !ParseCell(s.substr(colon + 1), R2, C2))
    throw EOleError("Invalid range " + s);
}

class TCellsObj : public TAutoDispatch {
public:
  TCellsObj(TAppRef App, TSheet* Sheet) : FApp(std::move(App)) {
    AddProperty(
        "Item",
        [=, this](TAutoArgs& A) {
          const int r = IndexArg(A, 0), c = IndexArg(A, 1);
          return Disp(new TRangeObj(FApp, Sheet, r, c, r, c));
        },
        [=](TAutoArgs& A, const Variant& V) {
          const int r = IndexArg(A, 0), c = IndexArg(A, 1);
          if (r < 1 || c < 1 || r > 1048576 || c > 16384) throw EOleError("Invalid cell");
          Sheet->At(r, c).Value = V;
        });
  }

private:
  TAppRef FApp;
};

class TWorksheetObj : public TAutoDispatch {
public:
  TWorksheetObj(TAppRef App, TSheet* Sheet) : FApp(std::move(App)) {
    AddProperty("Cells", [=, this](TAutoArgs&) { return Disp(new TCellsObj(FApp, Sheet)); });
    AddMethod(
        "Range",
        [=, this](TAutoArgs& A) {
          int r1, c1, r2, c2;
          RangeCorners(A[0], r1, c1, r2, c2);
          if (A.size() > 1 && !VarIsEmptyParam(A[1])) {
            int s1, d1, s2, d2;
            RangeCorners(A[1], s1, d1, s2, d2);
            r1 = std::min(r1, s1), c1 = std::min(c1, d1);
            r2 = std::max(r2, s2), c2 = std::max(c2, d2);
          }
          return Disp(new TRangeObj(FApp, Sheet, r1, c1, r2, c2));
        },
        2, 1);
    AddProperty(
        "Name", [=](TAutoArgs&) { return Variant(Sheet->Name); },
        [=](TAutoArgs&, const Variant& V) { Sheet->Name = V.AsString(); });
  }

private:
  TAppRef FApp;
};

class TSheetsObj : public TAutoDispatch {
public:
  TSheetsObj(TAppRef App, TBook* Book) : FApp(std::move(App)) {
    AddProperty("Item", [=, this](TAutoArgs& A) {
      const int i = IndexArg(A, 0);
      if (i < 1 || i > static_cast<int>(Book->Sheets.size())) throw EOleError("Invalid index");
      return Disp(new TWorksheetObj(FApp, Book->Sheets[i - 1].get()));
    });
    AddProperty("Count", [=](TAutoArgs&) { return Variant(static_cast<int>(Book->Sheets.size())); });
  }

private:
  TAppRef FApp;
};

class TWorkbookObj : public TAutoDispatch {
public:
  TWorkbookObj(TAppRef App, TBook* Book) : FApp(std::move(App)) {
    AddProperty("Worksheets", [=, this](TAutoArgs& A) {
      if (!A.empty()) {
        const int i = IndexArg(A, 0);
        if (i < 1 || i > static_cast<int>(Book->Sheets.size())) throw EOleError("Invalid index");
        return Disp(new TWorksheetObj(FApp, Book->Sheets[i - 1].get()));
      }
      return Disp(new TSheetsObj(FApp, Book));
    });
    AddProperty("Name", [=](TAutoArgs&) { return Variant(Book->Name); });
  }

private:
  TAppRef FApp;
};

class TWorkbooksObj : public TAutoDispatch {
public:
  explicit TWorkbooksObj(TAppRef App) : FApp(std::move(App)) {
    AddMethod(
        "Add",
        [this](TAutoArgs&) {
          auto book = std::make_unique<TBook>();
          book->Name = "Book" + std::to_string(FApp->Books.size() + 1);
          for (int i = 1; i <= 3; ++i) {
            auto sheet = std::make_unique<TSheet>();
            sheet->Name = "Sheet" + std::to_string(i);
            book->Sheets.push_back(std::move(sheet));
          }
          FApp->Books.push_back(std::move(book));
          return Disp(new TWorkbookObj(FApp, FApp->Books.back().get()));
        },
        1, 0);
    AddProperty("Item", [this](TAutoArgs& A) {
      const int i = IndexArg(A, 0);
      if (i < 1 || i > static_cast<int>(FApp->Books.size())) throw EOleError("Invalid index");
      return Disp(new TWorkbookObj(FApp, FApp->Books[i - 1].get()));
    });
    AddProperty("Count", [this](TAutoArgs&) { return Variant(static_cast<int>(FApp->Books.size())); });
  }

private:
  TAppRef FApp;
};

class TApplicationObj : public TAutoDispatch {
public:
  TApplicationObj() : FApp(std::make_shared<TAppData>()) {
    AddProperty(
        "Visible", [this](TAutoArgs&) { return Variant(FApp->Visible); },
        [this](TAutoArgs&, const Variant& V) { FApp->Visible = V.AsBoolean(); });
    AddProperty("Workbooks", [this](TAutoArgs&) { return Disp(new TWorkbooksObj(FApp)); });
    AddMethod("Quit", [this](TAutoArgs&) {
      FApp->Visible = false;
      return Variant();
    }, 0);
  }

private:
  TAppRef FApp;
};

// ---- writing ----

using TFormatKey = std::tuple<double, std::string, bool, int32_t, bool>;

void WriteBook(const TBook& Book, const std::string& File) {
  lxw_workbook* wb = workbook_new(File.c_str());
  if (!wb) throw EInOutError("Cannot create the workbook " + File);
  std::map<TFormatKey, lxw_format*> formats;
  auto formatOf = [&](const TCell& C, bool Border) {
    TFormatKey key{C.FontSize, C.FontName, C.Bold, C.Color, Border};
    auto i = formats.find(key);
    if (i != formats.end()) return i->second;
    lxw_format* f = workbook_add_format(wb);
    format_set_font_size(f, C.FontSize);
    format_set_font_name(f, C.FontName.c_str());
    if (C.Bold) format_set_bold(f);
    if (C.Color >= 0) {
      const uint32_t r = C.Color & 0xFF, g = (C.Color >> 8) & 0xFF, b = (C.Color >> 16) & 0xFF;
      format_set_font_color(f, (r << 16) | (g << 8) | b);
    }
    if (Border) format_set_border(f, LXW_BORDER_THIN);
    formats[key] = f;
    return f;
  };
  for (const auto& s : Book.Sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, s->Name.c_str());
    if (!ws) ws = workbook_add_worksheet(wb, nullptr);
    for (const auto& [col, width] : s->ColumnWidths)
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1),
                           width, nullptr);
    // Cells inside a bordered range: every edge continuous.
    std::set<std::pair<int, int>> bordered;
    for (const TBorder& b : s->Borders)
      if (b.Style > 0)
        for (int r = b.R1; r <= b.R2; ++r)
          for (int c = b.C1; c <= b.C2; ++c) bordered.insert({r, c});
    std::set<std::pair<int, int>> done;
    TCell plain;
    auto write = [&](int R, int C, const TCell& Cell) {
      const bool border = bordered.count({R, C}) > 0;
      lxw_format* f = formatOf(Cell, border);
      const auto row = static_cast<lxw_row_t>(R - 1);
      const auto col = static_cast<lxw_col_t>(C - 1);
      const Variant& v = Cell.Value;
      switch (v.VType() & varTypeMask) {
        case varEmpty:
        case varNull:
        case varError:
          worksheet_write_blank(ws, row, col, f);
          break;
        case varBoolean:
          worksheet_write_boolean(ws, row, col, v.AsBoolean(), f);
          break;
        case varSmallint:
        case varInteger:
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varInt64:
          worksheet_write_number(ws, row, col, v.AsFloat(), f);
          break;
        default:
          // Text stays text, digits and leading zeros included.
          worksheet_write_string(ws, row, col, v.AsString().c_str(), f);
          break;
      }
    };
    for (const auto& [pos, cell] : s->Cells) {
      write(pos.first, pos.second, cell);
      done.insert(pos);
    }
    for (const auto& pos : bordered)
      if (!done.count(pos)) write(pos.first, pos.second, plain);
  }
  const lxw_error e = workbook_close(wb);
  if (e != LXW_NO_ERROR)
    throw EInOutError("Cannot write the workbook " + File + ": " + lxw_strerror(e));
}

}  // namespace

void RegisterSpreadsheetAutomation() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterOleObject("Excel.Application", []() -> IDispatch* {
      const std::string folder = SpreadsheetFolder();
      if (!ForceDirectories(folder) || ::access(folder.c_str(), W_OK) != 0) return nullptr;
      return new TApplicationObj();
    });
  });
}

std::string SpreadsheetFolder() {
  std::lock_guard<std::mutex> lock(gMutex);
  if (!gFolder.empty()) return gFolder;
  const char* tmp = std::getenv("TMPDIR");
  std::string base = tmp && *tmp ? tmp : "/tmp";
  return IncludeTrailingPathDelimiter(base) + "orvanta-sheets-" + std::to_string(::getuid());
}

void SetSpreadsheetFolder(const std::string& Folder) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFolder = Folder;
}

std::string LastSpreadsheetFile() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastFile;
}

std::string LastSpreadsheetError() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastError;
}
