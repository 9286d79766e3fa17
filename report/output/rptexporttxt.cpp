// The text export filter.
#include "report/output/rptexporttxt.h"

#include <cmath>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <cstdio>
#include <fstream>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/stdctrls.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/printers.h"
#include "platform/win/winspool.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptres.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"

ORV_CLASS_IMPL(TrptTXTExport, TrptCustomExportFilter)

namespace {

const std::string kEsc = "\x1B";
std::string B(int V) { return std::string(1, static_cast<char>(V)); }

TrptPrinterCommand Cmd(const std::string& Name, const std::string& On, const std::string& Off = std::string()) {
  TrptPrinterCommand c;
  c.Name = Name;
  c.SequenceOn = On;
  c.SequenceOff = Off;
  return c;
}

const char* const kSimpleFrames = "|-+++++++++";
const char kGraphFrames[] = "\xB3\xC4\xDA\xBF\xC0\xD9\xC1\xC3\xC2\xB4\xC5";

}  // namespace

TrptTXTExport::TrptTXTExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) { Init(); }
TrptTXTExport::TrptTXTExport(TUnregistered U) : TrptCustomExportFilter(U) { Init(); }
TrptTXTExport::~TrptTXTExport() = default;

void TrptTXTExport::Init() {
  rptAddExportTexts();
  PrinterTypes.push_back({"NONE", {}});
  PrinterTypes.push_back(
      {"EPSON ESC/P2 Matrix/Stylus)",
       {Cmd("Reset", kEsc + B(64)), Cmd("Normal", kEsc + "x" + B(0)), Cmd("Pica", kEsc + "x" + B(1) + kEsc + "k" + B(0)),
        Cmd("Elite", kEsc + "x" + B(1) + kEsc + "k" + B(1)), Cmd("Condensed", B(15), B(18)),
        Cmd("Bold", kEsc + "G", kEsc + "H"), Cmd("Italic", kEsc + "4", kEsc + "5"),
        Cmd("Wide", kEsc + "W" + B(1), kEsc + "W" + B(0)), Cmd("12cpi", kEsc + "M", kEsc + "P"),
        Cmd("Linefeed 1/8\"", kEsc + "0"), Cmd("Linefeed 7/72\"", kEsc + "1"), Cmd("Linefeed 1/6\"", kEsc + "2")}});
  PrinterTypes.push_back({"HP PCL (LaserJet/DeskJet)",
                          {Cmd("Reset", kEsc + "E"), Cmd("Landscape orientation", kEsc + "&l1O", kEsc + "&l0O"),
                           Cmd("Italic", kEsc + "(s1S", kEsc + "(s0S"), Cmd("Bold", kEsc + "(s3B", kEsc + "(s0B"),
                           Cmd("Draft EconoMode", kEsc + "(s1Q", kEsc + "(s2Q"),
                           Cmd("Condenced", kEsc + "(s12H" + kEsc + "&l8D", kEsc + "(s10H")}});
  PrinterTypes.push_back({"CANON/IBM (Matrix)",
                          {Cmd("Reset", kEsc + B(64)), Cmd("Normal", kEsc + "x" + B(0)), Cmd("Pica", kEsc + "0I"),
                           Cmd("Elite", kEsc + "8I"), Cmd("Condensed", B(15), B(18)),
                           Cmd("Bold", kEsc + "G", kEsc + "H"), Cmd("Italic", kEsc + "4", kEsc + "5"),
                           Cmd("12cpi", kEsc + "M", kEsc + "P")}});
}

void TrptTXTExport::Publish(TPublisher<TrptTXTExport>& P) {
  P.Prop("ScaleWidth", &TrptTXTExport::ScaleWidth);
  P.Prop("ScaleHeight", &TrptTXTExport::ScaleHeight);
  P.Prop("Borders", &TrptTXTExport::Borders);
  P.Prop("Pseudogrpahic", &TrptTXTExport::Pseudogrpahic);
  P.Prop("PageBreaks", &TrptTXTExport::PageBreaks);
  P.Prop("OEMCodepage", &TrptTXTExport::OEMCodepage);
  P.Prop("EmptyLines", &TrptTXTExport::EmptyLines);
  P.Prop("LeadSpaces", &TrptTXTExport::LeadSpaces);
  P.Prop("PrintAfter", &TrptTXTExport::PrintAfter);
  P.Prop("PrinterDialog", &TrptTXTExport::PrinterDialog);
  P.Prop("UseSavedProps", &TrptTXTExport::UseSavedProps);
  P.Prop("InitString", &TrptTXTExport::InitString);
  P.Prop("ShowProgress", &TrptTXTExport::ShowProgress);
  P.Prop("CustomFrameSet", &TrptTXTExport::CustomFrameSet);
}

std::string TrptTXTExport::GetMenuCaption() { return rptGet("TextExport"); }

int TrptTXTExport::ShowOptionsDialog() {
  TrptTXTExportDialog dlg(nullptr);
  dlg.Report = Report;
  dlg.Export = this;
  if (Report && Report->PreviewPages()) dlg.SetPagesCount(Report->PreviewPages()->PageCount());
  return rptRunExportDialog(
      this, &dlg,
      [&] {
        dlg.RB_Graph->SetChecked(Pseudogrpahic);
        dlg.RB_NoneFrames->SetChecked(!Borders);
        dlg.RB_Simple->SetChecked(Borders && !Pseudogrpahic);
        dlg.CB_PageBreaks->SetChecked(PageBreaks);
        dlg.CB_OEM->SetChecked(OEMCodepage);
        dlg.CB_EmptyLines->SetChecked(EmptyLines);
        dlg.CB_LeadSpaces->SetChecked(LeadSpaces);
        dlg.CB_PrintAfter->SetChecked(PrintAfter);
        dlg.UpDown1->SetPosition(static_cast<int>(std::lround(ScaleWidth * 100)));
        dlg.UpDown2->SetPosition(static_cast<int>(std::lround(ScaleHeight * 100)));
        dlg.CB_OEMClick();
      },
      [&] {
        PageNumbers = Trim(dlg.E_Range->Text());
        Borders = !dlg.RB_NoneFrames->Checked();
        Pseudogrpahic = dlg.RB_Graph->Checked();
        PageBreaks = dlg.CB_PageBreaks->Checked();
        OEMCodepage = dlg.CB_OEM->Checked();
        EmptyLines = dlg.CB_EmptyLines->Checked();
        LeadSpaces = dlg.CB_LeadSpaces->Checked();
        ScaleWidth = StrToInt(Trim(dlg.E_ScaleX->Text())) / 100.0;
        ScaleHeight = StrToInt(Trim(dlg.E_ScaleY->Text())) / 100.0;
        PrintAfter = dlg.CB_PrintAfter->Checked();
      },
      rptTextById(8325), rptTextById(8326));
}

std::string TrptTXTExport::FrameSet() const {
  if (!CustomFrameSet.empty()) return CustomFrameSet + std::string(11 > CustomFrameSet.size() ? 11 - CustomFrameSet.size() : 0, '+');
  return Pseudogrpahic ? std::string(kGraphFrames, 11) : std::string(kSimpleFrames);
}

void TrptTXTExport::MakeInitString() {
  if (SelectedType < 0 || SelectedType >= static_cast<int>(PrinterTypes.size())) return;
  std::string s;
  for (const auto& c : PrinterTypes[static_cast<size_t>(SelectedType)].Commands)
    s += c.Trigger ? c.SequenceOn : c.SequenceOff;
  InitString = s;
}

void TrptTXTExport::LoadPrinterInit(const std::string& Name) {
  std::ifstream f(Name);
  std::string line;
  if (!std::getline(f, line)) return;
  const int t = StrToIntDef(Trim(line), -1);
  if (t < 0 || t >= static_cast<int>(PrinterTypes.size())) return;
  SelectedType = t;
  for (auto& c : PrinterTypes[static_cast<size_t>(t)].Commands) {
    if (!std::getline(f, line)) break;
    c.Trigger = line.find("True") != std::string::npos;
  }
  MakeInitString();
}

void TrptTXTExport::SavePrinterInit(const std::string& Name) {
  std::ofstream f(Name, std::ios::binary);
  f << SelectedType << "\r\n";
  if (SelectedType >= 0 && SelectedType < static_cast<int>(PrinterTypes.size()))
    for (const auto& c : PrinterTypes[static_cast<size_t>(SelectedType)].Commands)
      f << (c.Trigger ? "True" : "False") << "\r\n";
}

bool TrptTXTExport::Start() {
  FObjects.clear();
  FXs.clear();
  FYs.clear();
  if (FileName.empty()) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FFile = std::make_unique<TFileStream>(FileName, fmCreate);
  MaxWidth = 0;
  LinesCount = 0;
  return true;
}

void TrptTXTExport::StartPage(TrptPage*, int) {
  FMaxRight = 0;
  FMaxBottom = 0;
}

namespace {

void AddCoord(std::vector<double>& L, double V) {
  const size_t from = L.size() > 100 ? L.size() - 100 : 0;
  for (size_t i = from; i < L.size(); ++i)
    if (rptRound(L[i]) == rptRound(V)) return;
  L.push_back(V);
}

}  // namespace

void TrptTXTExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (!v) return;
  if (auto* m = dynamic_cast<TrptCustomMemoView*>(v); m && (m->Memo()->Count() > 0 || !m->Frame()->Typ.Empty())) {
    auto copy = std::make_unique<TrptMemoView>(nullptr);
    copy->Assign(m);
    copy->SetBounds(m->GetAbsLeft(), m->GetAbsTop(), m->Width(), m->Height());
    AddCoord(FXs, copy->Left());
    AddCoord(FXs, copy->Left() + copy->Width());
    AddCoord(FYs, copy->Top());
    AddCoord(FYs, copy->Top() + copy->Height());
    FObjects.push_back(std::move(copy));
  }
  FMaxRight = std::max(FMaxRight, static_cast<double>(v->GetAbsLeft() + v->Width()));
  FMaxBottom = std::max(FMaxBottom, static_cast<double>(v->GetAbsTop() + v->Height()));
}

char TrptTXTExport::GetChar(int X, int Y) const {
  if (X < 0 || Y < 0 || Y >= FGridH || X >= FGridW) return ' ';
  return FGrid[static_cast<size_t>(Y)][static_cast<size_t>(X)];
}

void TrptTXTExport::SetChar(int X, int Y, char C) {
  if (X < 0 || Y < 0 || Y >= FGridH || X >= FGridW) return;
  FGrid[static_cast<size_t>(Y)][static_cast<size_t>(X)] = C;
}

void TrptTXTExport::DrawMemo(TrptCustomMemoView* M, int X, int Y, int DX, int DY, int HAlign, int VAlign) {
  const std::string fs = FrameSet();
  auto isFrame = [&](char c) { return fs.find(c) != std::string::npos; };
  TrptFrame* f = M->Frame();
  if (!f->Typ.Empty() && Borders) {
    if (isFrame(GetChar(X + 1, Y))) {
      ++X;
      --DX;
    } else if (isFrame(GetChar(X - 1, Y))) {
      --X;
      ++DX;
    }
    if (f->Typ.Contains(ftLeft))
      for (int y = Y; y <= Y + DY; ++y) SetChar(X, y, y == Y ? fs[2] : y == Y + DY ? fs[4] : fs[0]);
    if (f->Typ.Contains(ftRight))
      for (int y = Y; y <= Y + DY; ++y) SetChar(X + DX, y, y == Y ? fs[3] : y == Y + DY ? fs[5] : fs[0]);
    if (f->Typ.Contains(ftTop))
      for (int x = X; x <= X + DX; ++x) SetChar(x, Y, x == X ? fs[2] : x == X + DX ? fs[3] : fs[1]);
    if (f->Typ.Contains(ftBottom))
      for (int x = X; x <= X + DX; ++x) SetChar(x, Y + DY, x == X ? fs[4] : x == X + DX ? fs[5] : fs[1]);
  }
  std::string text;
  for (char c : rptMemoText(M->Memo()))
    if (c != '\x01') text += c;
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) text.resize(text.size() - 2);
  if (OEMCodepage) text = CharToOem(text);
  else {
    try {
      text = Utf8ToCodePage(text, 1252);
    } catch (...) {
    }
  }
  // Wrapping into at most DY - 1 lines of at most DX - 1 characters.
  const int width = DX - 1;
  std::vector<std::string> lines;
  size_t pos = 0;
  while (width > 0 && static_cast<int>(lines.size()) < DY - 1 && pos < text.size()) {
    std::string rest = text.substr(pos);
    size_t brk = rest.find("\r\n");
    if (brk != std::string::npos && static_cast<int>(brk) <= width) {
      lines.push_back(rest.substr(0, brk));
      pos += brk + 2;
      continue;
    }
    if (static_cast<int>(rest.size()) <= width) {
      lines.push_back(rest);
      pos = text.size();
      break;
    }
    std::string cand = rest.substr(0, static_cast<size_t>(width));
    const char next = rest[static_cast<size_t>(width)];
    if (next == ' ' || next == '\t' || next == '-') {
      lines.push_back(cand);
      pos += static_cast<size_t>(width) + 1;
      continue;
    }
    size_t cut = cand.find_last_of(" \t-");
    if (cut == std::string::npos) {
      lines.push_back(cand);
      pos += static_cast<size_t>(width);
    } else {
      lines.push_back(cand.substr(0, cut + 1));
      pos += cut + 1;
    }
  }
  const int n = static_cast<int>(lines.size());
  int start = Y;
  if (VAlign == vaBottom) start = Y + DY - n - 1;
  else if (VAlign == vaCenter) start = Y + (DY - n - 1) / 2;
  for (int i = 0; i < n; ++i) {
    const int row = start + 1 + i;
    if (row > Y + DY) break;
    std::string l = lines[static_cast<size_t>(i)];
    if (static_cast<int>(l.size()) > width) l.resize(static_cast<size_t>(width));
    const int pad = width - static_cast<int>(l.size());
    if (HAlign == haRight) l = std::string(static_cast<size_t>(pad), ' ') + l;
    else if (HAlign == haCenter) {
      int before = std::max(0, width / 2 - static_cast<int>(l.size()) / 2);
      l = std::string(static_cast<size_t>(before), ' ') + l;
      if (static_cast<int>(l.size()) < width) l += std::string(static_cast<size_t>(width) - l.size(), ' ');
    } else {
      l += std::string(static_cast<size_t>(pad), ' ');
    }
    for (size_t c = 0; c < l.size(); ++c) {
      char ch = l[c];
      if (!OEMCodepage && static_cast<unsigned char>(ch) == 160) ch = ' ';
      SetChar(X + 1 + static_cast<int>(c), row, ch);
    }
  }
}

void TrptTXTExport::Junctions() {
  const std::string fs = FrameSet();
  auto isFrame = [&](char c) { return fs.find(c) != std::string::npos; };
  const char V = fs[0], H = fs[1];
  auto isLine = [&](char c) { return c == V || c == H; };
  for (int y = 0; y < FGridH; ++y)
    for (int x = 0; x < FGridW; ++x) {
      const char c = GetChar(x, y);
      const size_t at = fs.find(c);
      if (at == std::string::npos || at < 2) continue;
      const char l = GetChar(x - 1, y), r = GetChar(x + 1, y), u = GetChar(x, y - 1), d = GetChar(x, y + 1);
      const bool lL = isLine(l), lR = isLine(r), lU = isLine(u), lD = isLine(d);
      char out = c;
      if (lD && !lU && !lL && !lR) out = V;
      else if (lU && !lD && !lL && !lR) out = V;
      else if (lR && !lL && !lU && !lD) out = H;
      else if (lL && !lR && !lU && !lD) out = H;
      else if (u == V && d == V && !isFrame(l) && !isFrame(r)) out = V;
      else if (l == H && r == H && !isFrame(u) && !isFrame(d)) out = H;
      else if (l == H && r == H && u == V && d == V) out = fs[10];
      else if (l == H && r == H && d == V && u != V) out = fs[8];
      else if (l == H && r == H && u == V && d != V) out = fs[6];
      else if (u == V && d == V && r == H && l != H) out = fs[7];
      else if (u == V && d == V && l == H && r != H) out = fs[9];
      else if (r == H && d == V && l != H && u != V) out = fs[2];
      else if (r == H && u == V && l != H && d != V) out = fs[4];
      else if (l == H && u == V && r != H && d != V) out = fs[5];
      else if (l == H && d == V && r != H && u != V) out = fs[3];
      SetChar(x, y, out);
    }
}

void TrptTXTExport::WritePage() {
  std::vector<std::string> rows = FGrid;
  if (!LeadSpaces) {
    size_t lead = 99999;
    for (const auto& r : rows) {
      size_t n = r.find_first_not_of(' ');
      lead = std::min(lead, n == std::string::npos ? r.size() : n);
    }
    for (auto& r : rows) r.erase(0, std::min(lead, r.size()));
  }
  std::string out;
  for (auto& r : rows) {
    size_t e = r.find_last_not_of(' ');
    r = e == std::string::npos ? std::string() : r.substr(0, e + 1);
    if (!r.empty()) {
      out += r + "\r\n";
      MaxWidth = std::max(MaxWidth, static_cast<int>(r.size()));
      ++LinesCount;
    } else if (EmptyLines) {
      out += "\r\n";
    }
  }
  if (!out.empty()) FFile->WriteBuffer(out.data(), static_cast<int64_t>(out.size()));
}

void TrptTXTExport::FinishPage(TrptPage*, int) {
  if (!FFile) return;
  std::sort(FXs.begin(), FXs.end());
  std::sort(FYs.begin(), FYs.end());
  std::stable_sort(FObjects.begin(), FObjects.end(), [](const auto& a, const auto& b) {
    if (a->Top() != b->Top()) return a->Top() < b->Top();
    if (a->Left() != b->Left()) return a->Left() < b->Left();
    return a->Text().size() < b->Text().size();
  });
  FGridW = rptRound(ScaleWidth * FMaxRight / 7) + 10;
  FGridH = rptRound(ScaleHeight * FMaxBottom / 8) + 2;
  FGrid.assign(static_cast<size_t>(FGridH), std::string(static_cast<size_t>(FGridW), ' '));
  for (auto& o : FObjects) {
    const int x = rptRound(ScaleWidth * o->Left() / 7), y = rptRound(ScaleHeight * o->Top() / 8);
    const int dx = rptRound(ScaleWidth * o->Width() / 7), dy = rptRound(ScaleHeight * o->Height() / 8);
    DrawMemo(o.get(), x, y, dx, dy, o->HAlign, o->VAlign);
  }
  if (Borders) Junctions();
  WritePage();
  if (PageBreaks) FFile->WriteBuffer("\x0C", 1);
  FObjects.clear();
  FXs.clear();
  FYs.clear();
}

bool TrptTXTExport::PrintFile() {
  TPrinter* prn = Printer();
  if (!prn || prn->Printers()->Count() == 0) return false;
  // The current printer; with none chosen, the default one (a list is never read at -1).
  std::string name;
  const int index = prn->PrinterIndex();
  if (index >= 0 && index < prn->Printers()->Count()) {
    name = prn->Printers()->Strings(index);
  } else {
    char buf[256];
    DWORD size = sizeof buf;
    if (!GetDefaultPrinter(buf, &size)) return false;
    name = buf;
  }
  std::ifstream in(FileName, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  bool ok = true;
  for (int copy = 0; copy < std::max(1, Copies); ++copy) {
    HANDLE h = nullptr;
    if (!OpenPrinter(name.c_str(), &h, nullptr)) return false;
    DOC_INFO_1A info{};
    std::string title = FileName, type = "RAW";
    info.pDocName = title.data();
    info.pDatatype = type.data();
    if (StartDocPrinter(h, 1, &info) == 0) {
      ClosePrinter(h);
      return false;
    }
    for (size_t at = 0; at < data.size(); at += 1024) {
      DWORD written = 0;
      const DWORD n = static_cast<DWORD>(std::min<size_t>(1024, data.size() - at));
      if (!WritePrinter(h, data.data() + at, n, &written)) ok = false;
    }
    EndDocPrinter(h);
    ClosePrinter(h);
  }
  return ok;
}

void TrptTXTExport::Finish() {
  if (!FFile) return;
  if (!PageBreaks && !PreviewMode) FFile->WriteBuffer("\x0C", 1);
  FFile.reset();
  if (PrintAfter && !PreviewMode) {
    if (PrinterDialog) {
      TrptPrnInit dlg(nullptr, this);
      if (dlg.ShowModal() != mrOk) return;
      Copies = StrToInt(Trim(dlg.E1->Text()));
    }
    MakeInitString();
    if (!InitString.empty()) {
      // The printer commands go in front of the exported text.
      std::ifstream in(FileName, std::ios::binary);
      std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      in.close();
      std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
      out << InitString << data;
    }
    // The exported file stays: the user chose it, printing only reads it.
    if (!PrintFile()) rptExportError(Report, "The exported text could not be sent to the printer");
  }
}
