// The RTF export filter.
#include "report/output/rptexportrtf.h"

#include <memory>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptview.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "platform/vcl/stdctrls.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptprogress.h"

ORV_CLASS_IMPL(TrptRTFExport, TrptCustomExportFilter)

namespace {

void RtfOut(TStream* S, const std::string& T) { S->WriteBuffer(T.data(), static_cast<int64_t>(T.size())); }
void RtfOutLn(TStream* S, const std::string& T) { RtfOut(S, T + "\r\n"); }

// Replaces the control word Word (with its number) by Repl wherever it stands as a whole control
// word: "\f1" is not the start of "\f12", and "\cf2" inside "\cf21" is left alone.
std::string ReplaceControlWord(const std::string& Text, size_t From, const std::string& Word, const std::string& Repl,
                               std::vector<bool>& Done) {
  std::string out = Text.substr(0, From);
  std::vector<bool> done(Done.begin(), Done.begin() + static_cast<std::ptrdiff_t>(From));
  size_t i = From;
  while (i < Text.size()) {
    if (!Done[i] && Text.compare(i, Word.size(), Word) == 0) {
      const size_t end = i + Word.size();
      const bool whole = end >= Text.size() || !std::isalnum(static_cast<unsigned char>(Text[end]));
      if (whole) {
        out += Repl;
        done.insert(done.end(), Repl.size(), true);
        i = end;
        continue;
      }
    }
    out += Text[i];
    done.push_back(Done[i]);
    ++i;
  }
  Done = done;
  return out;
}

std::string LE32(uint32_t V) {
  char b[9];
  std::snprintf(b, sizeof b, "%02X%02X%02X%02X", V & 0xFF, (V >> 8) & 0xFF, (V >> 16) & 0xFF, V >> 24);
  return b;
}
std::string LE16(unsigned V) {
  char b[5];
  std::snprintf(b, sizeof b, "%02X%02X", V & 0xFF, (V >> 8) & 0xFF);
  return b;
}

}  // namespace

TrptRTFExport::TrptRTFExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
  rptAddExportTexts();
  Creator = "Orvanta Report https://orvanta.invalid";
}
TrptRTFExport::TrptRTFExport(TUnregistered U) : TrptCustomExportFilter(U) {
  rptAddExportTexts();
  Creator = "Orvanta Report https://orvanta.invalid";
}
TrptRTFExport::~TrptRTFExport() = default;

void TrptRTFExport::Publish(TPublisher<TrptRTFExport>& P) {
  P.Prop("ExportPageBreaks", &TrptRTFExport::ExportPageBreaks);
  P.Prop("ExportPictures", &TrptRTFExport::ExportPictures);
  P.Prop("OpenAfterExport", &TrptRTFExport::OpenAfterExport);
  P.Prop("ShowProgress", &TrptRTFExport::ShowProgress);
  P.Prop("Wysiwyg", &TrptRTFExport::Wysiwyg);
  P.Prop("Creator", &TrptRTFExport::Creator);
}

std::string TrptRTFExport::GetMenuCaption() { return rptGet("RTFexport"); }
int TrptRTFExport::ShowOptionsDialog() {
  TrptRTFExportDialog dlg(nullptr);
  const std::vector<TrptExportBinding> b = {{dlg.PicturesCB, &ExportPictures}, {dlg.PageBreaksCB, &ExportPageBreaks}, {dlg.WCB, &Wysiwyg}, {dlg.OpenCB, &OpenAfterExport}};
  return rptRunExportDialog(
      this, &dlg, [&] { rptFillBindings(b); },
      [&] {
        dlg.ReadRange(this);
        rptReadBindings(b);
      },
      rptTextById(8504), rptTextById(8505));
}

bool TrptRTFExport::Start() {
  if (FileName.empty() && !Stream) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FPageCount = 0;
  FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache, Report ? Report->EngineOptions()->TempDir : std::string());
  FMatrix->ShowProgress = ShowProgress;
  FMatrix->Inaccuracy = Wysiwyg ? 0.5 : 10;
  FMatrix->RotatedAsImage = true;
  FMatrix->RichText = true;
  FMatrix->FillArea = true;
  FMatrix->CropFillArea = true;
  FMatrix->DeleteHTMLTags = true;
  FMatrix->Background = false;
  FMatrix->BackgroundImage = false;
  FMatrix->ExportNotPrintable = ExportNotPrintable;
  FontTable.clear();
  ColorTable.clear();
  return true;
}

void TrptRTFExport::StartPage(TrptPage*, int) { ++FPageCount; }

void TrptRTFExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (v && FMatrix && (dynamic_cast<TrptCustomMemoView*>(v) || ExportPictures)) FMatrix->AddObject(v);
}

void TrptRTFExport::FinishPage(TrptPage* Page, int) {
  auto* p = static_cast<TrptReportPage*>(Page);
  if (FMatrix)
    FMatrix->AddPage(p->Orientation(), p->Width(), p->Height(), p->LeftMargin, p->TopMargin, p->RightMargin,
                     p->BottomMargin);
}

int TrptRTFExport::ColorNumber(int32_t Color) {
  const uint32_t c = Color == clNone ? 0xFFFFFFu : static_cast<uint32_t>(ColorToRGB(Color));
  const std::string e = "\\red" + IntToStr(static_cast<int>(c & 0xFF)) + "\\green" +
                        IntToStr(static_cast<int>((c >> 8) & 0xFF)) + "\\blue" +
                        IntToStr(static_cast<int>((c >> 16) & 0xFF)) + ";";
  for (size_t i = 0; i < ColorTable.size(); ++i)
    if (ColorTable[i] == e) return static_cast<int>(i) + 1;
  ColorTable.push_back(e);
  return static_cast<int>(ColorTable.size());
}

int TrptRTFExport::FontNumber(const std::string& Name) {
  for (size_t i = 0; i < FontTable.size(); ++i)
    if (FontTable[i] == Name) return static_cast<int>(i);
  FontTable.push_back(Name);
  return static_cast<int>(FontTable.size()) - 1;
}

std::string TrptRTFExport::SpliceRichText(const std::string& Rtf) {
  std::string s = Rtf;
  size_t p = s.find("{\\fonttbl");
  if (p == std::string::npos) return s;
  s.erase(0, p + 9);
  const size_t tableEnd = s.find("}}");
  std::vector<std::pair<std::string, std::string>> fonts;  // own tag, new tag
  size_t at = 0;
  while (tableEnd != std::string::npos && at < tableEnd) {
    const size_t open = s.find('{', at);
    if (open == std::string::npos || open > tableEnd) break;
    const size_t close = s.find('}', open);
    if (close == std::string::npos) break;
    const std::string entry = s.substr(open + 1, close - open - 1);
    const size_t blank = entry.find(' ');
    std::string name = blank == std::string::npos ? entry : entry.substr(blank + 1);
    if (!name.empty() && name.back() == ';') name.pop_back();
    const size_t tagAt = entry.find("\\f");
    std::string tag;
    if (tagAt != std::string::npos) {
      size_t e = tagAt + 2;
      while (e < entry.size() && entry[e] != '\\' && entry[e] != ' ') ++e;
      tag = entry.substr(tagAt, e - tagAt);
    }
    fonts.emplace_back(tag, "\\f" + IntToStr(FontNumber(name)));
    at = close + 1;
  }
  if (tableEnd == std::string::npos) return s;
  std::string body = s.substr(tableEnd + 2);
  std::vector<bool> done(body.size(), false);
  for (const auto& f : fonts)
    if (!f.first.empty()) body = ReplaceControlWord(body, 0, f.first, f.second, done);
  p = body.find("{\\colortbl");
  if (p != std::string::npos) {
    // Up to and including the table's first ";" (the automatic colour).
    size_t first = body.find(';', p);
    const size_t cut = first == std::string::npos ? p + 10 : first + 1;
    body.erase(0, cut);
    done.erase(done.begin(), done.begin() + static_cast<std::ptrdiff_t>(std::min(done.size(), cut)));
    const size_t end = body.find(";}");
    std::vector<std::string> entries;
    size_t q = 0;
    while (end != std::string::npos && q < end) {
      const size_t bs = body.find('\\', q);
      if (bs == std::string::npos || bs > end) break;
      const size_t semi = body.find(';', bs);
      entries.push_back(body.substr(bs, semi - bs + 1));
      q = semi + 1;
    }
    if (end != std::string::npos) {
      std::string rest = body.substr(end + 2);
      std::vector<bool> rdone(done.begin() + static_cast<std::ptrdiff_t>(std::min(done.size(), end + 2)), done.end());
      rdone.resize(rest.size(), false);
      for (size_t i = 0; i < entries.size(); ++i) {
        int r = 0, g = 0, b = 0;
        std::sscanf(entries[i].c_str(), "\\red%d\\green%d\\blue%d", &r, &g, &b);
        const int n = ColorNumber(r | g << 8 | b << 16);
        rest = ReplaceControlWord(rest, 0, "\\cf" + IntToStr(static_cast<int>(i) + 1), "\\cf" + IntToStr(n), rdone);
      }
      body = rest;
    }
  }
  p = body.find("{\\stylesheet");
  if (p != std::string::npos) {
    body.erase(0, p + 13);
    const size_t e = body.find("}}");
    if (e != std::string::npos) body.erase(0, e + 2);
  }
  size_t pard;
  while ((pard = body.find("\\pard")) != std::string::npos) body.erase(pard, 5);
  if (body.size() >= 4) body.erase(body.size() - 4, 3);
  return body;
}

std::string TrptRTFExport::Borders(TrptIEMStyle* S) {
  if (!S) return std::string();
  const std::string w = "\\brdrs\\brdrw" + IntToStr(rptRound(S->FrameWidth * 20));
  const std::string cl = "\\brdrcf" + IntToStr(ColorNumber(S->FrameColor));
  const std::string st = S->FrameStyle == fsDouble ? "\\brdrdashdd" : S->FrameStyle != fsSolid ? "\\brdrdashsm" : "";
  std::string out;
  if (S->FrameTyp.Contains(ftTop)) out += "\\clbrdrt" + w + cl + st;
  if (S->FrameTyp.Contains(ftLeft)) out += "\\clbrdrl" + w + cl + st;
  if (S->FrameTyp.Contains(ftBottom)) out += "\\clbrdrb" + w + cl + st;
  if (S->FrameTyp.Contains(ftRight)) out += "\\clbrdrr" + w + cl + st;
  return out;
}

std::string TrptRTFExport::PictureGroup(TBitmap* Bmp, double Width, double Height) {
  TMemoryStream bmpFile;
  Bmp->SaveToStream(&bmpFile);
  const auto* d = static_cast<const unsigned char*>(bmpFile.Memory());
  const uint32_t size = static_cast<uint32_t>(d[2] | d[3] << 8 | d[4] << 16 | static_cast<uint32_t>(d[5]) << 24);
  const uint32_t q = size / 2 + 7;
  const unsigned h = static_cast<unsigned>(Bmp->Height()), w = static_cast<unsigned>(Bmp->Width());
  std::string out = "{\\sb0\\li0\\sl0\\slmult0 {\\pict\\wmetafile8\\picw" + IntToStr(rptRound(Width * 25.3)) + "\\pich" +
                    IntToStr(rptRound(Height * 25.3)) + "\\picbmp\\picbpp4\r\n";
  out += "010009000003" + LE32(q + 36) + "0000" + LE32(q) + "0000050000000b0200000000050000000c02" + LE16(h) +
         LE16(w) + "05000000090200000000050000000102ffffff000400000007010300" + LE32(q) + "430f2000cc000000" +
         LE16(h) + LE16(w) + "00000000" + LE16(h) + LE16(w) + "00000000\r\n";
  const size_t n = static_cast<size_t>(bmpFile.Size());
  for (size_t i = 14; i < n; i += 64) {
    out += BinToHex(d + i, static_cast<int>(std::min<size_t>(64, n - i))) + "\r\n";
  }
  out += "030000000000}\\cell}\r\n";
  return out;
}

void TrptRTFExport::WriteDocument(TStream* S) {
  TrptIEMatrix* m = FMatrix.get();
  // Tables first: every object's colours and fonts, rich text spliced.
  for (int y = 0; y < m->Height; ++y)
    for (int x = 0; x < m->Width; ++x) {
      TrptIEMObject* o = m->GetObject(x, y);
      if (!o || o->Counter == -1) continue;
      o->Counter = -1;
      if (o->Style) {
        ColorNumber(o->Style->Color);
        ColorNumber(o->Style->FrameColor);
      }
      if (o->IsRichText) {
        o->Memo->SetText(SpliceRichText(rptMemoText(o->Memo.get())));
      } else if (o->IsText && o->Style) {
        ColorNumber(o->Style->Font->Color());
        FontNumber(o->Style->Font->Name());
      }
    }
  RtfOutLn(S, "{\\rtf1\\ansi");
  std::string line = "{\\fonttbl";
  for (size_t i = 0; i < FontTable.size(); ++i) {
    const std::string e = "{\\f" + IntToStr(static_cast<int>(i)) + " " + FontTable[i] + "}";
    if (line.size() + e.size() > 254) {
      RtfOutLn(S, line);
      line.clear();
    }
    line += e;
  }
  RtfOutLn(S, line + "}");
  line = "{\\colortbl;";
  for (const auto& e : ColorTable) {
    if (line.size() + e.size() > 254) {
      RtfOutLn(S, line);
      line.clear();
    }
    line += e;
  }
  RtfOutLn(S, line + "}");
  char when[80];
  std::time_t now = std::time(nullptr);
  std::tm t{};
  localtime_r(&now, &t);
  std::snprintf(when, sizeof when, "{\\creatim\\yr%04d\\mo%02d\\dy%02d\\hr%02d\\min%02d}}", t.tm_year + 1900, t.tm_mon + 1,
                t.tm_mday, t.tm_hour, t.tm_min);
  RtfOutLn(S, "{\\info{\\title " + (Report ? Report->ReportOptions()->Name : std::string()) + "}{\\author " + Creator + "}" +
               when);
  auto setup = [&](int k) {
    RtfOutLn(S, "\\pgwsxn" + IntToStr(rptRound(m->GetPageWidth(k) * 15.02)) + "\\pghsxn" +
                 IntToStr(rptRound(m->GetPageHeight(k) * 15.02)) + "\\marglsxn" +
                 IntToStr(rptRound(m->GetPageLMargin(k) * 56.6)) + "\\margrsxn" +
                 IntToStr(rptRound(m->GetPageRMargin(k) * 56.6)) + "\\margtsxn" +
                 IntToStr(rptRound(m->GetPageTMargin(k) * 56.6)) + "\\margbsxn" +
                 IntToStr(rptRound(m->GetPageBMargin(k) * 56.6)));
    if (m->GetPageOrientation(k) == poLandscape) RtfOutLn(S, "\\lndscpsxn");
  };
  setup(0);
  const int x1 = m->Width > 1 ? rptRound(m->GetXPosById(1)) : 0;
  int k = 0;
  std::unique_ptr<TrptProgress> progress;
  if (ShowProgress) {
    progress = std::make_unique<TrptProgress>(nullptr);
    progress->Open(m->Height - 1, rptGet("ProgressWait"), true, true);
  }
  for (int r = 0; r + 1 < m->Height; ++r) {
    if (progress) {
      progress->Tick();
      if (progress->Terminated()) break;  // the document is still closed below
    }
    if (ExportPageBreaks && k < m->PagesCount() && m->GetYPosById(r) >= m->GetPageBreak(k)) {
      RtfOutLn(S, "\\pard\\sect");
      ++k;
      if (k < m->PagesCount()) setup(k);
      // The row at the break is written on the new page like any other row.
    }
    const int h = rptRound((m->GetYPosById(r + 1) - m->GetYPosById(r)) * 14.2);
    std::string def = "\\trrh" + IntToStr(h) + "\\trgaph15", buf;
    for (int c = 1; c + 1 < m->Width; ++c) {
      const int idx = m->GetCell(c, r);
      if (idx < 0) continue;
      TrptIEMObject* o = m->GetObjectById(idx);
      int ox, oy, dx, dy;
      m->GetObjectPos(idx, ox, oy, dx, dy);
      if (o->Counter == r + 1) continue;  // a further column of the same object in this row
      const std::string cellx = "\\cellx" + IntToStr(rptRound((o->Left + o->Width - x1) * 15.1));
      if (o->Counter == -1) {
        if (dy > 1) def += "\\clvmgf";
        if (o->Style && ((o->Style->Color & ~0x7F000000) & 0xFFFFFF) != 0xFFFFFF && o->Style->Color != clNone)
          def += "\\clcbpat" + IntToStr(ColorNumber(o->Style->Color));
        if (o->Style)
          def += o->Style->VAlign == vaCenter ? "\\clvertalc" : o->Style->VAlign == vaBottom ? "\\clvertalb" : "\\clvertalt";
        def += Borders(o->Style) + "\\cltxlrtb" + cellx;
        if (!o->IsText && o->Image && ExportPictures && o->Image->Width() > 0) {
          buf += PictureGroup(o->Image.get(), o->Width, o->Height);
        } else if (o->Style) {
          TrptIEMStyle* st = o->Style;
          std::string text;
          if (o->IsRichText) text = rptMemoText(o->Memo.get());
          else {
            std::string raw;
            for (char ch : rptMemoText(o->Memo.get()))
              if (ch != '\x01') raw += ch;
            if (raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0) raw.resize(raw.size() - 2);
            for (size_t i = 0; i < raw.size(); ++i) {
              const char ch = raw[i];
              if (ch == '\\') text += "\\\\";
              else if (ch == '{' || ch == '}') text += std::string("\\") + ch;
              else if (ch == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') {
                text += "\\line\r\n";
                ++i;
              } else if (static_cast<unsigned char>(ch) >= 0x80) {
                // Characters beyond ASCII as Unicode escapes, so any reader shows them.
                const int n = CharLength(raw, static_cast<int>(i) + 1);
                std::string u8 = raw.substr(i, static_cast<size_t>(n));
                unsigned cp = 0;
                const auto c0 = static_cast<unsigned char>(u8[0]);
                if (n == 2) cp = (c0 & 0x1Fu) << 6 | (u8[1] & 0x3Fu);
                else if (n == 3) cp = (c0 & 0x0Fu) << 12 | (u8[1] & 0x3Fu) << 6 | (u8[2] & 0x3Fu);
                else cp = '?';
                text += "\\u" + IntToStr(static_cast<int>(static_cast<int16_t>(cp))) + "?";
                i += static_cast<size_t>(n) - 1;
              } else {
                text += ch;
              }
            }
          }
          const int fs = rptMemoText(o->Memo.get()).empty() ? std::min(h / 15, 20) : st->Font->Size() * 2;
          std::string f = "\\f" + IntToStr(FontNumber(st->Font->Name())) + "\\fs" + IntToStr(fs);
          if (st->Font->Style().Contains(fsItalic)) f += "\\i";
          if (st->Font->Style().Contains(fsBold)) f += "\\b";
          if (st->Font->Style().Contains(fsUnderline)) f += "\\ul";
          f += "\\cf" + IntToStr(ColorNumber(st->Font->Color()));
          std::string p;
          if (!Trim(text).empty())
            p = "\\sb" + IntToStr(rptRound(st->GapY * 14.2)) + "\\li" + IntToStr(rptRound(st->GapX / 2 * 15.1)) + "\\sl" +
                IntToStr(rptRound((st->Font->Size() + st->LineSpacing) * 14.2)) + "\\slmult0";
          const char* al = st->HAlign == haRight ? "\\qr" : st->HAlign == haCenter ? "\\qc" : "\\ql";
          buf += std::string(al) + "{" + f + p + " " + text + "\\cell}";
        } else {
          buf += "{\\cell}";
        }
      } else {
        def += "\\clvmrg" + Borders(o->Style) + "\\cltxlrtb" + cellx;
        buf += "{\\fs" + IntToStr(std::min(h / 15, 20)) + "\\cell}";
      }
      o->Counter = r + 1;
    }
    if (!buf.empty()) {
      RtfOutLn(S, "\\trowd" + def + "\\pard\\intbl");
      RtfOutLn(S, buf);
      RtfOutLn(S, "\\pard\\intbl{\\trowd" + def + "\\row}");
    }
  }
  RtfOutLn(S, "}");
}

void TrptRTFExport::Finish() {
  if (!FMatrix) return;
  try {
    FMatrix->Prepare();
    std::unique_ptr<TFileStream> f;
    TStream* out = Stream;
    if (!out) {
      f = std::make_unique<TFileStream>(FileName, fmCreate);
      out = f.get();
    }
    WriteDocument(out);
    f.reset();
    if (OpenAfterExport && !Stream) rptExportOpenFile(FileName);
  } catch (const Exception& e) {
    rptExportError(Report, e.Message());
  }
  FMatrix.reset();
  FontTable.clear();
  ColorTable.clear();
}
