// The spreadsheet automation object: workbooks kept in memory and written as .xlsx files through
// libxlsxwriter (see spreadsheet.h).
#include "platform/win/spreadsheet.h"

#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
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
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

namespace {

std::mutex gMutex;
std::string gFolder, gLastFile, gLastError;

// ---- the workbook data ----

// Alignment and other constants of the object model.
constexpr int kSheetXlLeft = -4131, kSheetXlRight = -4152, kSheetXlCenter = -4108, kSheetXlJustify = -4130,
              kSheetXlTop = -4160, kSheetXlBottom = -4107, kSheetXlPageBreakManual = -4135, kSheetXlNone = -4142;
// Border sides of a cell.
constexpr int kSheetSideLeft = 1, kSheetSideTop = 2, kSheetSideBottom = 4, kSheetSideRight = 8, kSheetSideAll = 15;

// What a cell looks like; a named style holds the same attributes.
struct TSheetLook {
  double FontSize = 11;
  std::string FontName = "Calibri";
  bool Bold = false, Italic = false, Underline = false;
  int32_t Color = -1;     // -1 automatic, else red in the low byte
  int32_t Interior = -1;  // -1 no fill; values beyond 24 bits (the "no colour" value) too
  int HAlign = 0, VAlign = 0, Rotation = 0;
};

struct TCell {
  Variant Value;
  TSheetLook Look;
  bool Wrap = false;
  int Sides = 0;
};

struct TSheetPicture {
  int Row, Col;
  std::vector<uint8_t> Bmp;  // a whole .bmp file
  int PixelWidth, PixelHeight;
  double Width, Height;      // points
  double Left = 0, Top = 0;  // points moved from the cell's corner
};

struct TBook;

struct TSheet {
  TBook* Book = nullptr;
  std::string Name;
  std::map<std::pair<int, int>, TCell> Cells;
  std::map<int, double> ColumnWidths, RowHeights;
  std::set<int> Breaks;  // rows with a manual page break above them
  std::vector<std::array<int, 4>> Merges;
  std::vector<TSheetPicture> Pictures;
  bool WrapAll = false, Landscape = false;
  double Margins[4] = {-1, -1, -1, -1};  // left, right, top, bottom in points; -1 default
  TCell& At(int R, int C) { return Cells[{R, C}]; }
};

struct TBook {
  std::string Name, SavedAs;
  std::map<std::string, TSheetLook> Styles;  // by upper-case name
  std::vector<std::unique_ptr<TSheet>> Sheets;
};

void WriteBook(const TBook& Book, const std::string& File);

std::string SheetUpper(std::string S) {
  for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return S;
}

// Shared by every object of one application; the workbooks not saved under a name of their own
// are written when the last object holding it goes.
struct TAppData {
  bool Visible = false, ScreenUpdating = true, DisplayAlerts = true;
  std::vector<std::unique_ptr<TBook>> Books;
  ~TAppData() {
    for (const auto& b : Books) {
      if (!b->SavedAs.empty()) continue;
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

int SheetHAlign(int V) {
  if (V != kSheetXlLeft && V != kSheetXlRight && V != kSheetXlCenter && V != kSheetXlJustify && V != 1)
    throw EOleError("Unable to set the HorizontalAlignment property");
  return V == 1 ? 0 : V;
}
int SheetVAlign(int V) {
  if (V != kSheetXlTop && V != kSheetXlBottom && V != kSheetXlCenter && V != kSheetXlJustify)
    throw EOleError("Unable to set the VerticalAlignment property");
  return V;
}
int SheetRotation(int V) {
  if (V < -90 || V > 90) throw EOleError("Unable to set the Orientation property");
  return V;
}

// The properties shared by a range's font and a style's font, over a function that hands out the
// looks to change (all of them) and the one to read.
using TLookEach = std::function<void(const std::function<void(TSheetLook&)>&)>;
using TLookFirst = std::function<TSheetLook&()>;

class TFontObj : public TAutoDispatch {
public:
  TFontObj(TAppRef App, TLookEach Each, TLookFirst First) : FApp(std::move(App)) {
    AddProperty(
        "Size", [=](TAutoArgs&) { return Variant(First().FontSize); },
        [=](TAutoArgs&, const Variant& V) {
          const double v = V.AsFloat();
          if (v < 1 || v > 409) throw EOleError("Unable to set the Size property");
          Each([v](TSheetLook& L) { L.FontSize = v; });
        });
    AddProperty(
        "Name", [=](TAutoArgs&) { return Variant(First().FontName); },
        [=](TAutoArgs&, const Variant& V) {
          const std::string v = V.AsString();
          Each([v](TSheetLook& L) { L.FontName = v; });
        });
    auto flag = [&](const char* Name, bool TSheetLook::*Field) {
      AddProperty(
          Name, [=](TAutoArgs&) { return Variant(First().*Field); },
          [=](TAutoArgs&, const Variant& V) {
            // Underline also takes the line kinds: 2 single, -4142 none.
            const bool v = V.VType() == varBoolean ? V.AsBoolean() : (V.AsInteger() != 0 && V.AsInteger() != kSheetXlNone);
            Each([=](TSheetLook& L) { L.*Field = v; });
          });
    };
    flag("Bold", &TSheetLook::Bold);
    flag("Italic", &TSheetLook::Italic);
    flag("Underline", &TSheetLook::Underline);
    AddProperty(
        "Color", [=](TAutoArgs&) { return Variant(First().Color < 0 ? 0 : First().Color); },
        [=](TAutoArgs&, const Variant& V) {
          const int32_t v = V.AsInteger() & 0xFFFFFF;
          Each([v](TSheetLook& L) { L.Color = v; });
        });
  }

private:
  TAppRef FApp;
};

class TInteriorObj : public TAutoDispatch {
public:
  TInteriorObj(TAppRef App, TLookEach Each, TLookFirst First) : FApp(std::move(App)) {
    AddProperty(
        "Color", [=](TAutoArgs&) { return Variant(First().Interior < 0 ? 0xFFFFFF : First().Interior); },
        [=](TAutoArgs&, const Variant& V) {
          const int64_t raw = V.AsInt64();
          // A value that is no RGB colour (the class library's "no colour" among them) means no fill.
          const int32_t v = raw < 0 || raw > 0xFFFFFF ? -1 : static_cast<int32_t>(raw);
          Each([v](TSheetLook& L) { L.Interior = v; });
        });
  }

private:
  TAppRef FApp;
};


class TBorderItemObj : public TAutoDispatch {
public:
  TBorderItemObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2, int Item) : FApp(std::move(App)) {
    AddProperty(
        "LineStyle", [](TAutoArgs&) { return Variant(1); },
        [=](TAutoArgs&, const Variant& V) {
          const bool on = V.AsInteger() != kSheetXlNone && V.AsInteger() != 0;
          auto mark = [&](int R, int C, int Side) {
            TCell& c = Sheet->At(R, C);
            c.Sides = on ? (c.Sides | Side) : (c.Sides & ~Side);
          };
          for (int r = R1; r <= R2; ++r)
            for (int c = C1; c <= C2; ++c) {
              if (Item == 0) mark(r, c, kSheetSideAll);
              if (Item == 7 && c == C1) mark(r, c, kSheetSideLeft);
              if (Item == 8 && r == R1) mark(r, c, kSheetSideTop);
              if (Item == 9 && r == R2) mark(r, c, kSheetSideBottom);
              if (Item == 10 && c == C2) mark(r, c, kSheetSideRight);
            }
        });
    AddProperty("Weight", [](TAutoArgs&) { return Variant(2); }, [](TAutoArgs&, const Variant&) {});
  }

private:
  TAppRef FApp;
};

// Borders of a range: LineStyle for every edge of every cell, Item(7..10) for the range's left,
// top, bottom and right edge.
class TBordersObj : public TBorderItemObj {
public:
  TBordersObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2)
      : TBorderItemObj(App, Sheet, R1, C1, R2, C2, 0) {
    AddProperty("Item", [=](TAutoArgs& A) {
      const int item = IndexArg(A, 0);
      if (item < 5 || item > 12) throw EOleError("Unable to get the Item property of the Borders class");
      return Disp(new TBorderItemObj(App, Sheet, R1, C1, R2, C2, item));
    });
  }
};

class TPageSetupObj : public TAutoDispatch {
public:
  TPageSetupObj(TAppRef App, TSheet* Sheet) : FApp(std::move(App)) {
    const char* names[4] = {"LeftMargin", "RightMargin", "TopMargin", "BottomMargin"};
    for (int i = 0; i < 4; ++i)
      AddProperty(
          names[i], [=](TAutoArgs&) { return Variant(Sheet->Margins[i] < 0 ? 54.0 : Sheet->Margins[i]); },
          [=](TAutoArgs&, const Variant& V) {
            const double v = V.AsFloat();
            if (v < 0 || v > 1440) throw EOleError("Unable to set the margin");
            Sheet->Margins[i] = v;
          });
    AddProperty(
        "Orientation", [=](TAutoArgs&) { return Variant(Sheet->Landscape ? 2 : 1); },
        [=](TAutoArgs&, const Variant& V) {
          const int v = V.AsInteger();
          if (v != 1 && v != 2) throw EOleError("Unable to set the Orientation property");
          Sheet->Landscape = v == 2;
        });
  }

private:
  TAppRef FApp;
};

class TPictureObj : public TAutoDispatch {
public:
  TPictureObj(TAppRef App, TSheet* Sheet, size_t Index) : FApp(std::move(App)) {
    auto prop = [&](const char* Name, double TSheetPicture::*Field, bool Size) {
      AddProperty(
          Name, [=](TAutoArgs&) { return Variant(Sheet->Pictures[Index].*Field); },
          [=](TAutoArgs&, const Variant& V) {
            const double v = V.AsFloat();
            if (Size && v <= 0) throw EOleError("Unable to set the picture's size");
            Sheet->Pictures[Index].*Field = v;
          });
    };
    prop("Width", &TSheetPicture::Width, true);
    prop("Height", &TSheetPicture::Height, true);
    prop("Left", &TSheetPicture::Left, false);
    prop("Top", &TSheetPicture::Top, false);
  }

private:
  TAppRef FApp;
};

// The picture on the clipboard as a 24-bit .bmp file; false when there is none.
bool SheetClipboardPicture(std::vector<uint8_t>& Bmp, int& W, int& H) {
  HBITMAP h = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!h) return false;
  BITMAP bm{};
  if (!GetObject(h, sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight == 0) return false;
  W = bm.bmWidth;
  H = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = W;
  bi.bmiHeader.biHeight = H;  // bottom-up, as a .bmp file keeps its rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(W) * 3 + 3) & ~size_t(3);
  std::vector<uint8_t> pixels(stride * H);
  HDC dc = CreateCompatibleDC(nullptr);
  const int got = GetDIBits(dc, h, 0, H, pixels.data(), &bi, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (got <= 0) return false;
  const uint32_t headers = 14 + 40, size = headers + static_cast<uint32_t>(pixels.size());
  Bmp.assign(headers, 0);
  auto put = [&](size_t At, uint32_t V, int Bytes) {
    for (int i = 0; i < Bytes; ++i) Bmp[At + i] = static_cast<uint8_t>(V >> (8 * i));
  };
  Bmp[0] = 'B', Bmp[1] = 'M';
  put(2, size, 4);
  put(10, headers, 4);
  put(14, 40, 4);
  put(18, static_cast<uint32_t>(W), 4);
  put(22, static_cast<uint32_t>(H), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, static_cast<uint32_t>(pixels.size()), 4);
  put(38, 3780, 4);  // 96 dots per inch
  put(42, 3780, 4);
  Bmp.insert(Bmp.end(), pixels.begin(), pixels.end());
  return true;
}

class TRangeObj : public TAutoDispatch {
public:
  TRangeObj(TAppRef App, TSheet* Sheet, int R1, int C1, int R2, int C2)
      : FApp(std::move(App)), R1(R1), C1(C1), R2(R2), C2(C2) {
    if (R1 < 1 || C1 < 1 || R2 < R1 || C2 < C1 || R2 > 1048576 || C2 > 16384)
      throw EOleError("Invalid cell range");
    // Whole rows or columns are not filled cell by cell.
    const bool small = static_cast<int64_t>(R2 - R1 + 1) * (C2 - C1 + 1) <= 4000000;
    auto each = [=](const std::function<void(TCell&)>& F) {
      if (!small) throw EOleError("The range is too large for this operation");
      for (int r = R1; r <= R2; ++r)
        for (int c = C1; c <= C2; ++c) F(Sheet->At(r, c));
    };
    TLookEach eachLook = [=](const std::function<void(TSheetLook&)>& F) { each([&](TCell& C) { F(C.Look); }); };
    TLookFirst firstLook = [=]() -> TSheetLook& { return Sheet->At(R1, C1).Look; };
    AddProperty(
        "Value", [=](TAutoArgs&) { return Sheet->At(R1, C1).Value; },
        [=](TAutoArgs&, const Variant& V) {
          if (V.IsArray() && VarArrayDimCount(V) == 2) {
            // A table of values from the range's corner; what lies outside the range is left out.
            const int lo1 = VarArrayLowBound(V, 1), hi1 = VarArrayHighBound(V, 1);
            const int lo2 = VarArrayLowBound(V, 2), hi2 = VarArrayHighBound(V, 2);
            for (int i = lo1; i <= hi1 && R1 + i - lo1 <= R2; ++i)
              for (int j = lo2; j <= hi2 && C1 + j - lo2 <= C2; ++j) {
                Variant e = V.GetElement({i, j});
                if (e.IsEmpty() && !Sheet->Cells.count({R1 + i - lo1, C1 + j - lo2})) continue;
                Sheet->At(R1 + i - lo1, C1 + j - lo2).Value = std::move(e);
              }
            return;
          }
          each([&](TCell& C) { C.Value = V; });
        });
    AddProperty(
        "ColumnWidth",
        [=](TAutoArgs&) {
          auto i = Sheet->ColumnWidths.find(C1);
          return Variant(i == Sheet->ColumnWidths.end() ? 8.43 : i->second);
        },
        [=](TAutoArgs&, const Variant& V) {
          const double v = V.AsFloat();
          if (v < 0 || v > 255) throw EOleError("Unable to set the ColumnWidth property");
          for (int c = C1; c <= C2; ++c) Sheet->ColumnWidths[c] = v;
        });
    AddProperty(
        "RowHeight",
        [=](TAutoArgs&) {
          auto i = Sheet->RowHeights.find(R1);
          return Variant(i == Sheet->RowHeights.end() ? 15.0 : i->second);
        },
        [=](TAutoArgs&, const Variant& V) {
          const double v = V.AsFloat();
          if (v < 0 || v > 409) throw EOleError("Unable to set the RowHeight property");
          if (R2 - R1 > 1048575 / 2) throw EOleError("The range is too large for this operation");
          for (int r = R1; r <= R2; ++r) Sheet->RowHeights[r] = v;
        });
    AddProperty(
        "PageBreak", [=](TAutoArgs&) { return Variant(Sheet->Breaks.count(R1) ? kSheetXlPageBreakManual : kSheetXlNone); },
        [=](TAutoArgs&, const Variant& V) {
          if (V.AsInteger() == kSheetXlPageBreakManual) Sheet->Breaks.insert(R1);
          else Sheet->Breaks.erase(R1);
        });
    AddProperty(
        "MergeCells", [=](TAutoArgs&) { return Variant(false); },
        [=](TAutoArgs&, const Variant& V) {
          if (!V.AsBoolean() || (R1 == R2 && C1 == C2)) return;
          for (const auto& m : Sheet->Merges)
            if (R1 <= m[2] && m[0] <= R2 && C1 <= m[3] && m[1] <= C2) throw EOleError("Cannot merge over a merged range");
          Sheet->Merges.push_back({R1, C1, R2, C2});
        });
    AddProperty(
        "WrapText", [=](TAutoArgs&) { return Variant(Sheet->WrapAll || Sheet->At(R1, C1).Wrap); },
        [=](TAutoArgs&, const Variant& V) {
          const bool v = V.AsBoolean();
          if (!small) {
            Sheet->WrapAll = v;
            return;
          }
          each([=](TCell& C) { C.Wrap = v; });
        });
    AddProperty(
        "Style", [=](TAutoArgs&) { return Variant(std::string("Normal")); },
        [=](TAutoArgs&, const Variant& V) {
          auto s = Sheet->Book->Styles.find(SheetUpper(V.AsString()));
          if (s == Sheet->Book->Styles.end()) throw EOleError("Unable to set the Style property");
          const TSheetLook look = s->second;
          each([&](TCell& C) { C.Look = look; });
        });
    AddProperty(
        "HorizontalAlignment", [=](TAutoArgs&) { return Variant(firstLook().HAlign); },
        [=](TAutoArgs&, const Variant& V) {
          const int v = SheetHAlign(V.AsInteger());
          eachLook([=](TSheetLook& L) { L.HAlign = v; });
        });
    AddProperty(
        "VerticalAlignment", [=](TAutoArgs&) { return Variant(firstLook().VAlign); },
        [=](TAutoArgs&, const Variant& V) {
          const int v = SheetVAlign(V.AsInteger());
          eachLook([=](TSheetLook& L) { L.VAlign = v; });
        });
    AddProperty("Font", [=, this](TAutoArgs&) { return Disp(new TFontObj(FApp, eachLook, firstLook)); });
    AddProperty("Interior", [=, this](TAutoArgs&) { return Disp(new TInteriorObj(FApp, eachLook, firstLook)); });
    AddProperty("Borders", [=, this](TAutoArgs& A) -> Variant {
      if (!A.empty()) {
        const int item = IndexArg(A, 0);
        if (item < 5 || item > 12) throw EOleError("Unable to get the Item property of the Borders class");
        return Disp(new TBorderItemObj(FApp, Sheet, R1, C1, R2, C2, item));
      }
      return Disp(new TBordersObj(FApp, Sheet, R1, C1, R2, C2));
    });
    AddProperty("Cells", [=, this](TAutoArgs&) { return Disp(new TRangeObj(FApp, Sheet, R1, C1, R2, C2)); });
    AddProperty("Rows", [=, this](TAutoArgs&) { return Disp(new TRangeObj(FApp, Sheet, R1, C1, R2, C2)); });
    AddProperty("Row", [=](TAutoArgs&) { return Variant(R1); });
    AddProperty("Column", [=](TAutoArgs&) { return Variant(C1); });
    AddMethod("Select", [](TAutoArgs&) { return Variant(true); }, 0);
    // The clipboard's picture, placed at the range's top-left cell in its own size.
    AddMethod(
        "PasteSpecial",
        [=](TAutoArgs&) {
          TSheetPicture p{R1, C1, {}, 0, 0, 0, 0};
          if (!SheetClipboardPicture(p.Bmp, p.PixelWidth, p.PixelHeight))
            throw EOleError("PasteSpecial method of Range class failed");
          p.Width = p.PixelWidth * 0.75;
          p.Height = p.PixelHeight * 0.75;
          Sheet->Pictures.push_back(std::move(p));
          return Variant(true);
        },
        -1, 0);
  }
  TAppRef FApp;
  int R1, C1, R2, C2;
};

// "B3" -> row 3, column 2; false when the text is no cell reference.
bool ParseCell(const std::string& Text, int& Row, int& Col) {
  size_t i = 0;
  Col = 0;
  while (i < Text.size() && std::isalpha(static_cast<unsigned char>(Text[i])) && Col <= 16384)
    Col = Col * 26 + (std::toupper(static_cast<unsigned char>(Text[i++])) - 'A' + 1);
  if (Col == 0 || Col > 16384 || i == Text.size()) return false;
  Row = 0;
  for (; i < Text.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(Text[i]))) return false;
    Row = Row * 10 + (Text[i] - '0');
    if (Row > 1048576) return false;
  }
  return Row > 0;
}

// The corners of one area: a range object or an "A1" / "A1:B2" text.
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
  if (R2 < R1) std::swap(R1, R2);
  if (C2 < C1) std::swap(C1, C2);
}

// A range of several areas ("A1:B2;C3" or with ","): each property write goes to every area.
class TMultiRangeObj : public TAutoDispatch {
public:
  TMultiRangeObj(TAppRef App, TSheet* Sheet, const std::vector<std::array<int, 4>>& Areas) : FApp(std::move(App)) {
    for (const auto& a : Areas) FAreas.push_back(Disp(new TRangeObj(FApp, Sheet, a[0], a[1], a[2], a[3])));
    for (const char* name : {"Value", "RowHeight", "MergeCells", "Style", "WrapText", "HorizontalAlignment",
                             "VerticalAlignment"})
      AddProperty(
          name, [=, this](TAutoArgs&) { return DispInvoke(FAreas[0], name, DISPATCH_PROPERTYGET); },
          [=, this](TAutoArgs&, const Variant& V) {
            for (const Variant& a : FAreas) DispInvoke(a, name, DISPATCH_PROPERTYPUT, {V});
          });
    AddProperty("Borders", [=, this](TAutoArgs&) { return Disp(new TMultiRangeObj(*this, "Borders")); });
    AddProperty("Rows", [=, this](TAutoArgs&) { return Disp(new TMultiRangeObj(*this, "Rows")); });
    AddProperty("Cells", [=, this](TAutoArgs&) { return Disp(new TMultiRangeObj(*this, "Cells")); });
    AddProperty("Item", [=, this](TAutoArgs& A) {
      const int item = IndexArg(A, 0);
      return Disp(new TMultiRangeObj(*this, "Item", item));
    });
    AddProperty(
        "LineStyle", [](TAutoArgs&) { return Variant(1); },
        [=, this](TAutoArgs&, const Variant& V) {
          for (const Variant& a : FAreas) DispInvoke(a, "LineStyle", DISPATCH_PROPERTYPUT, {V});
        });
  }
  // The same member of every area, as a new set (Borders, Rows, Cells or Item(n)).
  TMultiRangeObj(const TMultiRangeObj& From, const char* Member, int Index = 0)
      : TMultiRangeObj(From.FApp, nullptr, {}) {
    for (const Variant& a : From.FAreas)
      FAreas.push_back(Index ? DispInvoke(a, Member, DISPATCH_METHOD, {Variant(Index)}) : DispInvoke(a, Member, DISPATCH_METHOD));
  }

private:
  TAppRef FApp;
  std::vector<Variant> FAreas;
};

// The areas of a range text: parts separated by ";" or ",".
std::vector<std::array<int, 4>> SheetAreas(const std::string& Text) {
  std::vector<std::array<int, 4>> areas;
  size_t from = 0;
  while (from <= Text.size()) {
    size_t to = Text.find_first_of(";,", from);
    if (to == std::string::npos) to = Text.size();
    std::array<int, 4> a{};
    RangeCorners(Variant(Text.substr(from, to - from)), a[0], a[1], a[2], a[3]);
    areas.push_back(a);
    from = to + 1;
  }
  return areas;
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
    // The whole sheet's cells: only wrapping can be set for all of them at once.
    AddProperty(
        "WrapText", [=](TAutoArgs&) { return Variant(Sheet->WrapAll); },
        [=](TAutoArgs&, const Variant& V) {
          Sheet->WrapAll = V.AsBoolean();
          for (auto& [pos, cell] : Sheet->Cells) cell.Wrap = Sheet->WrapAll;
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
        [=, this](TAutoArgs& A) -> Variant {
          if (A[0].VType() != varDispatch && A.size() == 1) {
            const auto areas = SheetAreas(A[0].AsString());
            if (areas.size() > 1) return Disp(new TMultiRangeObj(FApp, Sheet, areas));
          }
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
    AddProperty("Rows", [=, this](TAutoArgs& A) {
      const int r = IndexArg(A, 0);
      return Disp(new TRangeObj(FApp, Sheet, r, 1, r, 16384));
    });
    AddProperty("Columns", [=, this](TAutoArgs& A) {
      const int c = IndexArg(A, 0);
      return Disp(new TRangeObj(FApp, Sheet, 1, c, 1048576, c));
    });
    AddProperty("Pictures", [=, this](TAutoArgs& A) {
      const int i = IndexArg(A, 0);
      if (i < 1 || i > static_cast<int>(Sheet->Pictures.size())) throw EOleError("Unable to get the Pictures property");
      return Disp(new TPictureObj(FApp, Sheet, static_cast<size_t>(i - 1)));
    });
    AddProperty("PageSetup", [=, this](TAutoArgs&) { return Disp(new TPageSetupObj(FApp, Sheet)); });
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

// A named style: font, fill, alignment and orientation, given to cells by Range.Style.
class TStyleObj : public TAutoDispatch {
public:
  TStyleObj(TAppRef App, TBook* Book, const std::string& Key) : FApp(std::move(App)) {
    TLookFirst look = [=]() -> TSheetLook& { return Book->Styles[Key]; };
    TLookEach each = [=](const std::function<void(TSheetLook&)>& F) { F(Book->Styles[Key]); };
    AddProperty("Font", [=, this](TAutoArgs&) { return Disp(new TFontObj(FApp, each, look)); });
    AddProperty("Interior", [=, this](TAutoArgs&) { return Disp(new TInteriorObj(FApp, each, look)); });
    AddProperty(
        "HorizontalAlignment", [=](TAutoArgs&) { return Variant(look().HAlign); },
        [=](TAutoArgs&, const Variant& V) { look().HAlign = SheetHAlign(V.AsInteger()); });
    AddProperty(
        "VerticalAlignment", [=](TAutoArgs&) { return Variant(look().VAlign); },
        [=](TAutoArgs&, const Variant& V) { look().VAlign = SheetVAlign(V.AsInteger()); });
    AddProperty(
        "Orientation", [=](TAutoArgs&) { return Variant(look().Rotation); },
        [=](TAutoArgs&, const Variant& V) { look().Rotation = SheetRotation(V.AsInteger()); });
    AddProperty("Name", [=](TAutoArgs&) { return Variant(Key); });
  }

private:
  TAppRef FApp;
};

class TStylesObj : public TAutoDispatch {
public:
  TStylesObj(TAppRef App, TBook* Book) : FApp(std::move(App)) {
    AddMethod(
        "Add",
        [=, this](TAutoArgs& A) {
          const std::string key = SheetUpper(A[0].AsString());
          if (key.empty() || Book->Styles.count(key)) throw EOleError("Add method of Styles class failed");
          Book->Styles[key] = TSheetLook();
          return Disp(new TStyleObj(FApp, Book, key));
        },
        2, 1);
    AddProperty("Item", [=, this](TAutoArgs& A) {
      const std::string key = SheetUpper(A.empty() ? std::string() : A[0].AsString());
      if (!Book->Styles.count(key)) throw EOleError("Unable to get the Item property of the Styles class");
      return Disp(new TStyleObj(FApp, Book, key));
    });
    AddProperty("Count", [=](TAutoArgs&) { return Variant(static_cast<int>(Book->Styles.size())); });
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
    AddProperty("Styles", [=, this](TAutoArgs&) { return Disp(new TStylesObj(FApp, Book)); });
    AddProperty("Name", [=](TAutoArgs&) { return Variant(Book->Name); });
    AddProperty("FullName", [=](TAutoArgs&) { return Variant(Book->SavedAs.empty() ? Book->Name : Book->SavedAs); });
    // SaveAs(FileName [, FileFormat, Password, WriteResPassword, ReadOnlyRecommended,
    // CreateBackup, AccessMode, ...]): the workbook is written at once as an .xlsx file under
    // that name (an existing file is replaced); a failure raises and leaves the book unsaved.
    AddMethod(
        "SaveAs",
        [=](TAutoArgs& A) {
          const std::string file = A[0].AsString();
          if (file.empty()) throw EOleError("SaveAs method of Workbook class failed");
          WriteBook(*Book, file);
          Book->SavedAs = file;
          Book->Name = ExtractFileName(file);
          std::lock_guard<std::mutex> lock(gMutex);
          gLastFile = file;
          return Variant(true);
        },
        12, 1);
  }

private:
  TAppRef FApp;
};

TBook* SheetAddBook(TAppData& App) {
  auto book = std::make_unique<TBook>();
  book->Name = "Book" + std::to_string(App.Books.size() + 1);
  for (int i = 1; i <= 3; ++i) {
    auto sheet = std::make_unique<TSheet>();
    sheet->Name = "Sheet" + std::to_string(i);
    sheet->Book = book.get();
    book->Sheets.push_back(std::move(sheet));
  }
  App.Books.push_back(std::move(book));
  return App.Books.back().get();
}

class TWorkbooksObj : public TAutoDispatch {
public:
  explicit TWorkbooksObj(TAppRef App) : FApp(std::move(App)) {
    AddMethod(
        "Add", [this](TAutoArgs&) { return Disp(new TWorkbookObj(FApp, SheetAddBook(*FApp))); }, 1, 0);
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
  TApplicationObj() : FApp(std::make_shared<TAppData>()) { Init(); }
  explicit TApplicationObj(TAppRef App) : FApp(std::move(App)) { Init(); }

private:
  void Init() {
    AddProperty(
        "Visible", [this](TAutoArgs&) { return Variant(FApp->Visible); },
        [this](TAutoArgs&, const Variant& V) { FApp->Visible = V.AsBoolean(); });
    AddProperty(
        "ScreenUpdating", [this](TAutoArgs&) { return Variant(FApp->ScreenUpdating); },
        [this](TAutoArgs&, const Variant& V) { FApp->ScreenUpdating = V.AsBoolean(); });
    AddProperty(
        "DisplayAlerts", [this](TAutoArgs&) { return Variant(FApp->DisplayAlerts); },
        [this](TAutoArgs&, const Variant& V) { FApp->DisplayAlerts = V.AsBoolean(); });
    AddProperty("Application", [this](TAutoArgs&) { return Disp(new TApplicationObj(FApp)); });
    AddProperty("Workbooks", [this](TAutoArgs&) { return Disp(new TWorkbooksObj(FApp)); });
    // The active workbook is the last one added, its active sheet the first.
    AddProperty("ActiveWorkbook", [this](TAutoArgs&) {
      if (FApp->Books.empty()) throw EOleError("No workbook is open");
      return Disp(new TWorkbookObj(FApp, FApp->Books.back().get()));
    });
    AddProperty("ActiveSheet", [this](TAutoArgs&) {
      if (FApp->Books.empty()) throw EOleError("No workbook is open");
      return Disp(new TWorksheetObj(FApp, FApp->Books.back()->Sheets[0].get()));
    });
    AddMethod("Quit", [this](TAutoArgs&) {
      FApp->Visible = false;
      return Variant();
    }, 0);
  }
  TAppRef FApp;
};

// ---- writing ----

lxw_format_alignments SheetLxwHAlign(int V) {
  switch (V) {
    case kSheetXlLeft: return LXW_ALIGN_LEFT;
    case kSheetXlRight: return LXW_ALIGN_RIGHT;
    case kSheetXlCenter: return LXW_ALIGN_CENTER;
    case kSheetXlJustify: return LXW_ALIGN_JUSTIFY;
    default: return LXW_ALIGN_NONE;
  }
}
lxw_format_alignments SheetLxwVAlign(int V) {
  switch (V) {
    case kSheetXlTop: return LXW_ALIGN_VERTICAL_TOP;
    case kSheetXlCenter: return LXW_ALIGN_VERTICAL_CENTER;
    case kSheetXlJustify: return LXW_ALIGN_VERTICAL_JUSTIFY;
    default: return LXW_ALIGN_VERTICAL_BOTTOM;
  }
}
uint32_t SheetLxwColor(int32_t C) {  // red in the low byte -> 0xRRGGBB
  const uint32_t r = C & 0xFF, g = (C >> 8) & 0xFF, b = (C >> 16) & 0xFF;
  return (r << 16) | (g << 8) | b;
}

void WriteBook(const TBook& Book, const std::string& File) {
  lxw_workbook* wb = workbook_new(File.c_str());
  if (!wb) throw EInOutError("Cannot create the workbook " + File);
  std::map<std::tuple<double, std::string, bool, bool, bool, int32_t, int32_t, int, int, int, bool, int>, lxw_format*> formats;
  auto formatOf = [&](const TCell& C) {
    const TSheetLook& L = C.Look;
    auto key = std::make_tuple(L.FontSize, L.FontName, L.Bold, L.Italic, L.Underline, L.Color, L.Interior, L.HAlign,
                               L.VAlign, L.Rotation, C.Wrap, C.Sides);
    auto i = formats.find(key);
    if (i != formats.end()) return i->second;
    lxw_format* f = workbook_add_format(wb);
    format_set_font_size(f, L.FontSize);
    format_set_font_name(f, L.FontName.c_str());
    if (L.Bold) format_set_bold(f);
    if (L.Italic) format_set_italic(f);
    if (L.Underline) format_set_underline(f, LXW_UNDERLINE_SINGLE);
    if (L.Color >= 0) format_set_font_color(f, SheetLxwColor(L.Color));
    if (L.Interior >= 0) {
      format_set_pattern(f, LXW_PATTERN_SOLID);
      format_set_bg_color(f, SheetLxwColor(L.Interior));
    }
    if (L.HAlign) format_set_align(f, SheetLxwHAlign(L.HAlign));
    if (L.VAlign) format_set_align(f, SheetLxwVAlign(L.VAlign));
    if (L.Rotation) format_set_rotation(f, static_cast<int16_t>(L.Rotation));
    if (C.Wrap) format_set_text_wrap(f);
    if (C.Sides & kSheetSideLeft) format_set_left(f, LXW_BORDER_THIN);
    if (C.Sides & kSheetSideTop) format_set_top(f, LXW_BORDER_THIN);
    if (C.Sides & kSheetSideBottom) format_set_bottom(f, LXW_BORDER_THIN);
    if (C.Sides & kSheetSideRight) format_set_right(f, LXW_BORDER_THIN);
    formats[key] = f;
    return f;
  };
  for (const auto& s : Book.Sheets) {
    lxw_worksheet* ws = workbook_add_worksheet(wb, s->Name.c_str());
    if (!ws) ws = workbook_add_worksheet(wb, nullptr);
    for (const auto& [col, width] : s->ColumnWidths)
      worksheet_set_column(ws, static_cast<lxw_col_t>(col - 1), static_cast<lxw_col_t>(col - 1), width, nullptr);
    for (const auto& [row, height] : s->RowHeights)
      worksheet_set_row(ws, static_cast<lxw_row_t>(row - 1), height, nullptr);
    if (s->Landscape) worksheet_set_landscape(ws);
    if (s->Margins[0] >= 0 || s->Margins[1] >= 0 || s->Margins[2] >= 0 || s->Margins[3] >= 0) {
      auto inch = [](double Points) { return Points < 0 ? -1.0 : Points / 72.0; };
      worksheet_set_margins(ws, inch(s->Margins[0]), inch(s->Margins[1]), inch(s->Margins[2]), inch(s->Margins[3]));
    }
    // A break above row 1 has nothing to separate.
    std::vector<lxw_row_t> breaks;
    for (int r : s->Breaks)
      if (r > 1) breaks.push_back(static_cast<lxw_row_t>(r - 1));
    breaks.push_back(0);
    if (breaks.size() > 1) worksheet_set_h_pagebreaks(ws, breaks.data());
    for (const auto& m : s->Merges) {
      auto i = s->Cells.find({m[0], m[1]});
      TCell first = i == s->Cells.end() ? TCell() : i->second;
      first.Wrap = first.Wrap || s->WrapAll;
      worksheet_merge_range(ws, static_cast<lxw_row_t>(m[0] - 1), static_cast<lxw_col_t>(m[1] - 1),
                            static_cast<lxw_row_t>(m[2] - 1), static_cast<lxw_col_t>(m[3] - 1), "", formatOf(first));
    }
    for (const auto& [pos, stored] : s->Cells) {
      TCell cell = stored;
      cell.Wrap = cell.Wrap || s->WrapAll;
      lxw_format* f = formatOf(cell);
      const auto row = static_cast<lxw_row_t>(pos.first - 1);
      const auto col = static_cast<lxw_col_t>(pos.second - 1);
      const Variant& v = cell.Value;
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
    }
    for (const TSheetPicture& p : s->Pictures) {
      lxw_image_options opt{};
      opt.x_scale = p.Width / (p.PixelWidth * 0.75);
      opt.y_scale = p.Height / (p.PixelHeight * 0.75);
      opt.x_offset = static_cast<int32_t>(std::lround(std::max(0.0, p.Left) / 0.75));
      opt.y_offset = static_cast<int32_t>(std::lround(std::max(0.0, p.Top) / 0.75));
      worksheet_insert_image_buffer_opt(ws, static_cast<lxw_row_t>(p.Row - 1), static_cast<lxw_col_t>(p.Col - 1),
                                        p.Bmp.data(), p.Bmp.size(), &opt);
    }
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
