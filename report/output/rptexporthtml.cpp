// The HTML export filter.
#include "report/output/rptexporthtml.h"

#include <algorithm>

#include "platform/vcl/forms.h"

#include <cctype>
#include <cmath>
#include <cstdio>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/graphics_jpeg.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptoptions.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptview.h"
#include "report/output/rptexportmatrix.h"
#include "report/output/rptexportpdf.h"
#include "platform/vcl/stdctrls.h"
#include "report/output/rptexportdialogs.h"
#include "report/output/rptexptexts.h"
#include "report/output/rptprogress.h"

ORV_CLASS_IMPL(TrptHTMLExport, TrptCustomExportFilter)

namespace {

void HtmlOut(TStream* S, const std::string& Text) { S->WriteBuffer(Text.data(), static_cast<int64_t>(Text.size())); }
void HtmlOutLn(TStream* S, const std::string& Text) { HtmlOut(S, Text + "\r\n"); }

std::string Slashes(std::string S) {
  for (char& c : S)
    if (c == '\\') c = '/';
  return S;
}

std::string Replace(std::string S, const std::string& From, const std::string& To) {
  size_t p = 0;
  while ((p = S.find(From, p)) != std::string::npos) {
    S.replace(p, From.size(), To);
    p += To.size();
  }
  return S;
}

std::string MemoText(const std::string& Text) {
  std::string s;
  for (char c : Text)
    if (c != '\x01') s += c;
  if (s.size() >= 2 && s.compare(s.size() - 2, 2, "\r\n") == 0) s.resize(s.size() - 2);
  return s;
}

// Report data is text, not markup: every character that HTML gives a meaning is escaped.
std::string HtmlText(const std::string& Text) {
  std::string s;
  for (char c : MemoText(Text)) {
    switch (c) {
      case '&': s += "&amp;"; break;
      case '<': s += "&lt;"; break;
      case '>': s += "&gt;"; break;
      case '"': s += "&quot;"; break;
      default: s += c;
    }
  }
  s = Replace(s, "\r\n", "<br>");
  return Trim(s).empty() ? "&nbsp;" : s;
}

const char* AlignName(TrptHAlign A) {
  switch (A) {
    case haRight: return "Right";
    case haCenter: return "Center";
    case haBlock: return "Justify";
    default: return "Left";
  }
}

const char* VAlignName(TrptVAlign A) {
  switch (A) {
    case vaBottom: return "Bottom";
    case vaCenter: return "Middle";
    default: return "Top";
  }
}

std::string UrlEscape(const std::string& S) {
  std::string out;
  for (unsigned char c : S) {
    if (std::isalnum(c) && c < 128) out += static_cast<char>(c);
    else {
      char b[4];
      std::snprintf(b, sizeof b, "%%%02X", c);
      out += b;
    }
  }
  return out;
}

}  // namespace

TrptHTMLExport::TrptHTMLExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) { Init(); }
TrptHTMLExport::TrptHTMLExport(TUnregistered U) : TrptCustomExportFilter(U) { Init(); }
TrptHTMLExport::~TrptHTMLExport() = default;

void TrptHTMLExport::Init() {
  rptAddExportTexts();
  FBackground = std::make_unique<TBitmap>();
}

void TrptHTMLExport::Publish(TPublisher<TrptHTMLExport>& P) {
  P.Prop("OpenAfterExport", &TrptHTMLExport::OpenAfterExport);
  P.Prop("FixedWidth", &TrptHTMLExport::FixedWidth).Default(false);
  P.Prop("ExportPictures", &TrptHTMLExport::ExportPictures);
  P.Prop("PicsInSameFolder", &TrptHTMLExport::PicsInSameFolder);
  P.Prop("ExportStyles", &TrptHTMLExport::ExportStyles);
  P.Prop("Navigator", &TrptHTMLExport::Navigator);
  P.Prop("Multipage", &TrptHTMLExport::Multipage);
  P.Prop("MozillaFrames", &TrptHTMLExport::MozillaFrames);
  P.Prop("ShowProgress", &TrptHTMLExport::ShowProgress);
  P.Prop("UseJpeg", &TrptHTMLExport::UseJpeg);
  P.Prop("AbsLinks", &TrptHTMLExport::AbsLinks);
  P.Prop("Background", &TrptHTMLExport::Background);
}

std::string TrptHTMLExport::GetMenuCaption() { return rptGet("HTMLexport"); }

int TrptHTMLExport::ShowOptionsDialog() {
  TrptHTMLExportDialog dlg(nullptr);
  const std::vector<TrptExportBinding> b = {{dlg.StylesCB, &ExportStyles}, {dlg.PicsSameCB, &PicsInSameFolder}, {dlg.PicturesCB, &ExportPictures}, {dlg.OpenCB, &OpenAfterExport}, {dlg.FixedWidthCB, &FixedWidth}, {dlg.NavigatorCB, &Navigator}, {dlg.MultipageCB, &Multipage}, {dlg.MozillaCB, &MozillaFrames}, {dlg.BackgrCB, &Background}};
  return rptRunExportDialog(
      this, &dlg, [&] { rptFillBindings(b); },
      [&] {
        dlg.ReadRange(this);
        rptReadBindings(b);
      },
      rptTextById(8210), rptTextById(8211));
}

void TrptHTMLExport::MakeMatrix() {
  FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache, Report ? Report->EngineOptions()->TempDir : std::string());
  FMatrix->Report = Report;
  FMatrix->ShowProgress = Multipage ? false : ShowProgress;
  FMatrix->Inaccuracy = 0.5;
  FMatrix->RotatedAsImage = true;
  FMatrix->FramesOptimization = true;
  FMatrix->Background = Background;
  FMatrix->BackgroundImage = false;
  FMatrix->ExportNotPrintable = ExportNotPrintable;
}

bool TrptHTMLExport::Start() {
  if (FileName.empty() && !Stream) return false;
  FileName = rptExportFullName(FileName, DefaultPath);
  FPageCount = 0;
  FPictureCount = 0;
  if (Stream) {
    Multipage = false;
    ExportPictures = false;
    Navigator = false;
  }
  // Side files always go into the document's own folder, whatever the working folder is; the
  // references written into the documents stay relative unless AbsLinks asks otherwise.
  const std::string dir = FileName.empty() ? std::string() : ExtractFilePath(ExpandFileName(FileName));
  const std::string b = ChangeFileExt(ExtractFileName(FileName), "");
  if (PicsInSameFolder) {
    FFolderPath = dir + b + ".";
    FLinkPath = (AbsLinks ? dir : std::string()) + b + ".";
    FFramePrefix = b + ".";
  } else {
    FFolderPath = dir + b + ".files/";
    if (!FileName.empty() && (ExportPictures || Multipage || Navigator)) ForceDirectories(dir + b + ".files");
    FLinkPath = AbsLinks ? dir + b + ".files/" : (Multipage || Navigator) ? std::string() : b + ".files/";
    FFramePrefix = b + ".files/";
  }
  if (Multipage && PicsInSameFolder) FLinkPath.clear();
  MakeMatrix();
  return true;
}

void TrptHTMLExport::StartPage(TrptPage*, int) {
  ++FPageCount;
  FHasBackground = false;
  FBackground->SetSize(0, 0);
}

void TrptHTMLExport::ExportObject(TrptComponent* Obj) {
  auto* v = dynamic_cast<TrptView*>(Obj);
  if (!v || !FMatrix) return;
  const bool text = dynamic_cast<TrptCustomMemoView*>(v) != nullptr;
  if (text || ExportPictures) FMatrix->AddObject(v);
  if (v->Name() == "_pagebackground" && ExportPictures && Background) {
    FHasBackground = true;
    FBackground->SetPixelFormat(pf24bit);
    FBackground->SetSize(rptRound(v->Width()), rptRound(v->Height()));
    v->Draw(FBackground->Canvas(), 1, 1, -v->GetAbsLeft(), -v->GetAbsTop());
  }
}

void TrptHTMLExport::FinishPage(TrptPage* Page, int) {
  auto* p = static_cast<TrptReportPage*>(Page);
  if (Multipage) {
    try {
      FMatrix->Prepare();
      TFileStream f(FFolderPath + IntToStr(FPageCount) + ".html", fmCreate);
      WriteDocument(&f);
    } catch (const Exception& e) {
      rptExportError(Report, e.Message());
    }
    MakeMatrix();
  } else {
    FMatrix->AddPage(p->Orientation(), p->Width(), p->Height(), p->LeftMargin, p->TopMargin, p->RightMargin,
                     p->BottomMargin);
  }
}

std::string TrptHTMLExport::Title() const {
  if (!Report) return std::string();
  std::string t = Report->ReportOptions()->Name;
  if (t.empty()) t = ChangeFileExt(ExtractFileName(Report->FileName), "");
  return HtmlText(t);
}

std::string TrptHTMLExport::SavePicture(TBitmap* Bmp, const std::string& Name) {
  const std::string file = FFolderPath + Name;
  if (UseJpeg) {
    TJPEGImage j;
    j.Assign(Bmp);
    j.SaveToFile(file);
  } else {
    Bmp->SaveToFile(file);
  }
  return Slashes(FLinkPath + Name);
}

void TrptHTMLExport::WriteDocument(TStream* S) {
  TrptIEMatrix* m = FMatrix.get();
  HtmlOutLn(S, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  HtmlOutLn(S, "<html><head>");
  HtmlOutLn(S, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  HtmlOutLn(S, "<meta name=Generator content=\"Orvanta Report 3.0 https://orvanta.invalid\">");
  HtmlOutLn(S, "<title>" + Title() + "</title>");
  if (ExportStyles) {
    HtmlOutLn(S, "<style type=\"text/css\"><!-- ");
    HtmlOutLn(S, ".page_break {page-break-before: always;}");
    for (int n = 0; n < m->StylesCount(); ++n) {
      TrptIEMStyle* st = m->GetStyleById(n);
      HtmlOutLn(S, ".s" + IntToStr(n) + " {");
      std::string l = " font-family: " + st->Font->Name() + ";\r\n font-size: " +
                      IntToStr(rptRound(st->Font->Size() * 96.0 / 72)) + "px;\r\n color: " +
                      rptColorToHex(st->Font->Color()) + ";";
      if (st->Font->Style().Contains(fsBold)) l += " font-weight: bold;";
      l += st->Font->Style().Contains(fsItalic) ? " font-style: italic;" : " font-style: normal;";
      if (st->Font->Style().Contains(fsUnderline)) l += " text-decoration: underline;";
      HtmlOutLn(S, l);
      HtmlOutLn(S, st->Color == clNone ? " background-color: transparent;"
                                   : " background-color: " + rptColorToHex(st->Color) + ";");
      if (!st->FrameTyp.Empty()) {
        HtmlOutLn(S, " border-color:" + rptColorToHex(st->FrameColor) + ";");
        HtmlOutLn(S, " border-style: solid;");
        const std::pair<TrptFrameType, const char*> sides[] = {
            {ftLeft, "left"}, {ftRight, "right"}, {ftTop, "top"}, {ftBottom, "bottom"}};
        for (const auto& sd : sides)
          HtmlOutLn(S, std::string(" border-") + sd.second + "-width: " +
                       (st->FrameTyp.Contains(sd.first) ? IntToStr(rptRound(st->FrameWidth)) + ";" : "0px;"));
      }
      HtmlOutLn(S, std::string(" text-align: ") + AlignName(st->HAlign) + "; vertical-align: " + VAlignName(st->VAlign) +
                   ";");
      HtmlOutLn(S, "}");
    }
    HtmlOutLn(S, "--></style>");
  }
  HtmlOutLn(S, "</head>");
  HtmlOutLn(S, "<body");
  if (FHasBackground && ExportPictures && FBackground->Width() > 0) {
    std::string link = SavePicture(FBackground.get(), UseJpeg ? "backgrnd.jpg" : "backgrnd.bmp");
    HtmlOutLn(S, "background=\"" + link + "\"");
  }
  HtmlOutLn(S, " bgcolor=#FFFFFF text=#000000>");
  HtmlOutLn(S, "<a name=PageN1></a>");
  const std::string head =
      std::string("<table") + (FixedWidth ? " width=\"" + IntToStr(rptRound(m->MaxWidth - m->LeftEdge)) + "\"" : "") +
      " border=0 cellspacing=0 cellpadding=0";
  std::string cols = "<tr style=\"height: 1px\">";
  for (int j = 0; j + 1 < m->Width; ++j)
    cols += "<td width=\"" + IntToStr(rptRound(m->GetXPosById(j + 1) - m->GetXPosById(j))) + "\"></td>";
  cols += "</tr>";
  HtmlOutLn(S, head + ">");
  HtmlOutLn(S, cols);
  bool open = true;
  int k = 0;
  for (int r = 0; r + 1 < m->Height; ++r) {
    bool last = false;
    if (k < m->PagesCount() && rptRound(m->GetPageBreak(k)) <= rptRound(m->GetYPosById(r + 1))) {
      ++k;
      last = true;
    }
    int h = rptRound((m->GetYPosById(r + 1) - m->GetYPosById(r)) / 1.03);
    if (h == 0) h = 1;
    HtmlOutLn(S, "<tr style=\"height:" + IntToStr(h) + "px\">");
    std::string line;
    for (int c = 0; c + 1 < m->Width; ++c) {
      const int idx = m->GetCell(c, r);
      if (idx < 0) {
        line += "<td></td>";
        continue;
      }
      TrptIEMObject* o = m->GetObjectById(idx);
      if (o->Counter != 0) continue;
      o->Counter = 1;
      int x, y, dx, dy;
      m->GetObjectPos(idx, x, y, dx, dy);
      line += "<td";
      if (dx >= 2) line += " colspan=" + IntToStr(dx);
      if (dy >= 2) line += " rowspan=" + IntToStr(dy);
      if (ExportStyles && o->StyleIndex >= 0) line += " class=\"s" + IntToStr(o->StyleIndex) + "\"";
      if (o->IsText && Trim(rptMemoText(o->Memo.get())).empty()) line += " style=\"font-size:1px\"";
      line += ">";
      std::string url = o->URL;
      if (!url.empty() && url[0] == '@') {
        if (Multipage) url = (MozillaFrames ? FLinkPath : std::string()) + Trim("index." + url.substr(1)) + ".html";
        else url = "#PageN" + url.substr(1);
      }
      if (!url.empty()) line += "<a href=\"" + HtmlText(url) + "\">";
      if (o->IsText || !o->Image) {
        line += HtmlText(rptMemoText(o->Memo.get()));
      } else if (ExportPictures) {
        const std::string name = "img" + IntToStr(FPictureCount) + (UseJpeg ? ".jpg" : ".bmp");
        const std::string link = SavePicture(o->Image.get(), name);
        line += "<img src=\"" + link + "\" width=\"" + IntToStr(o->Image->Width()) + "\" height=\"" +
                IntToStr(o->Image->Height()) + "\" alt=\"\">";
        ++FPictureCount;
      }
      if (!url.empty()) line += "</a>";
      line += "</td>";
    }
    HtmlOutLn(S, line);
    HtmlOutLn(S, "</tr>");
    if (last) {
      HtmlOutLn(S, "</table>");
      open = false;
      if (r < m->Height - 2) {
        open = true;
        HtmlOutLn(S, "<a name=PageN" + IntToStr(k + 1) + "></a>");
        HtmlOutLn(S, head + " class=\"page_break\">");
        HtmlOutLn(S, cols);
      }
    }
  }
  if (open) HtmlOutLn(S, "</table>");
  HtmlOutLn(S, "</body></html>");
}

void TrptHTMLExport::WriteNavigator(TStream* S) {
  const std::string prefix =
      PicsInSameFolder ? ChangeFileExt(ExtractFileName(FileName), "") + "." : MozillaFrames ? Slashes(FFolderPath) : "";
  const std::string pages = IntToStr(FPageCount);
  HtmlOutLn(S, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">");
  HtmlOutLn(S, "<html><head>");
  HtmlOutLn(S, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  HtmlOutLn(S, "<style type=\"text/css\"><!--");
  HtmlOutLn(S, "body { font-family: Tahoma; font-size: 8px; font-weight: bold; text-align: center; }");
  HtmlOutLn(S, ".nav { font: 9pt Tahoma; color: #283e66; font-weight: bold; text-decoration: none; }");
  HtmlOutLn(S, "--></style>");
  HtmlOutLn(S, "<script language=\"javascript\" type=\"text/javascript\"><!--");
  HtmlOutLn(S, "var rpPgCnt = " + pages + ";");
  HtmlOutLn(S, "var rpRepName = \"" + UrlEscape(Report ? ExtractFileName(Report->FileName) : std::string()) + "\";");
  HtmlOutLn(S, std::string("var rpMultipage = ") + (Multipage ? "1" : "0") + ";");
  HtmlOutLn(S, "var rpPrefix = \"" + prefix + "\";");
  HtmlOutLn(S, "function DoPage(PgN) {");
  HtmlOutLn(S, " if ((PgN > 0) && (PgN <= rpPgCnt) && (PgN != parent.rpCurPage)) {");
  HtmlOutLn(S, "  if (rpMultipage > 0) parent.mainFrame.location = rpPrefix + PgN + \".html\";");
  HtmlOutLn(S, "  else parent.mainFrame.location = rpPrefix + \"main.html#PageN\" + PgN;");
  HtmlOutLn(S, "  UpdateNav(PgN);");
  HtmlOutLn(S, " } else document.PgForm.PgEdit.value = parent.rpCurPage;");
  HtmlOutLn(S, "}");
  HtmlOutLn(S, "function UpdateNav(PgN) {");
  HtmlOutLn(S, " parent.rpCurPage = PgN; document.PgForm.PgEdit.value = PgN;");
  HtmlOutLn(S, " document.PgForm.bFirst.disabled = (PgN == 1); document.PgForm.bPrev.disabled = (PgN == 1);");
  HtmlOutLn(S, " document.PgForm.bNext.disabled = (PgN == rpPgCnt); document.PgForm.bLast.disabled = (PgN == rpPgCnt);");
  HtmlOutLn(S, "}");
  HtmlOutLn(S, "function RefreshRep() { parent.location = \"result?report=\" + rpRepName + \"&multipage=\" + rpMultipage; }");
  HtmlOutLn(S, "function PrintRep() { parent.mainFrame.focus(); parent.mainFrame.print(); }");
  HtmlOutLn(S, "--></script></head>");
  HtmlOutLn(S, "<body bgcolor=\"#DDDDDD\" leftmargin=\"0\" topmargin=\"4\" onload=\"UpdateNav(parent.rpCurPage)\">");
  HtmlOutLn(S, "<form name=\"PgForm\" onsubmit=\"DoPage(document.PgForm.PgEdit.value); return false;\" action=\"\">");
  HtmlOutLn(S, "<table cellspacing=0 align=left cellpadding=0 border=0 width=\"100%\"><tr valign=middle>");
  HtmlOutLn(S, "<td width=60 align=center><button name=bFirst class=nav type=button onclick=\"DoPage(1); return false;\">" +
               HtmlText(rptGet("HTMLNavFirst")) + "</button></td>");
  HtmlOutLn(S, "<td width=60 align=center><button name=bPrev class=nav type=button "
           "onclick=\"DoPage(Math.max(parent.rpCurPage - 1, 1)); return false;\">" +
               HtmlText(rptGet("HTMLNavPrev")) + "</button></td>");
  HtmlOutLn(S, "<td width=100 align=center><input type=text class=nav name=PgEdit value=\"parent.rpCurPage\" size=4></td>");
  HtmlOutLn(S, "<td width=60 align=center><button name=bNext class=nav type=button "
           "onclick=\"DoPage(parent.rpCurPage + 1); return false;\">" +
               HtmlText(rptGet("HTMLNavNext")) + "</button></td>");
  HtmlOutLn(S, "<td width=60 align=center><button name=bLast class=nav type=button "
           "onclick=\"DoPage(rpPgCnt); return false;\">" +
               HtmlText(rptGet("HTMLNavLast")) + "</button></td>");
  HtmlOutLn(S, "<td width=20>&nbsp;</td>");
  HtmlOutLn(S, "<td align=right>" + HtmlText(rptGet("HTMLNavTotal")) +
               ": <script language=\"javascript\" type=\"text/javascript\"> document.write(rpPgCnt);</script></td>");
  HtmlOutLn(S, "<td width=20>&nbsp;</td>");
  HtmlOutLn(S, "</tr></table></form></body></html>");
}

void TrptHTMLExport::WriteFrameset(TStream* S) {
  const std::string p = Slashes(FFramePrefix);
  HtmlOutLn(S, "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\" \"http://www.w3.org/TR/html4/frameset.dtd\">");
  HtmlOutLn(S, "<html><head>");
  HtmlOutLn(S, "<title>" + Title() + "</title>");
  HtmlOutLn(S, "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">");
  HtmlOutLn(S, "<script language=\"javascript\" type=\"text/javascript\"> var rpCurPage = 1;</script></head>");
  HtmlOutLn(S, "<frameset rows=\"32,*\" cols=\"*\">");
  HtmlOutLn(S, "<frame name=\"topFrame\" src=\"" + p + "nav.html\" noresize scrolling=\"no\">");
  HtmlOutLn(S, "<frame name=\"mainFrame\" src=\"" + p + (Multipage ? "1.html" : "main.html") + "\">");
  HtmlOutLn(S, "</frameset>");
  HtmlOutLn(S, "</html>");
}

void TrptHTMLExport::Finish() {
  if (!FMatrix) return;
  if (!Multipage) {
    try {
      std::unique_ptr<TrptProgress> progress;
      if (ShowProgress) {
        progress = std::make_unique<TrptProgress>(nullptr);
        progress->Open(std::max(FPageCount - 1, 0), rptGet("ProgressWait"), true, true);
      }
      FMatrix->Prepare();
      if (progress) {
        Application()->ProcessMessages();
        if (progress->Terminated()) {
          FMatrix.reset();
          return;
        }
      }
      progress.reset();
      std::unique_ptr<TFileStream> f;
      TStream* out = Stream;
      if (!out) {
        f = std::make_unique<TFileStream>(Navigator ? FFolderPath + "main.html" : FileName, fmCreate);
        out = f.get();
      }
      WriteDocument(out);
    } catch (const Exception& e) {
      rptExportError(Report, e.Message());
    }
  }
  if (Navigator && !Stream) {
    try {
      {
        TFileStream nav(FFolderPath + "nav.html", fmCreate);
        WriteNavigator(&nav);
      }
      TFileStream frames(FileName, fmCreate);
      WriteFrameset(&frames);
    } catch (const Exception& e) {
      rptExportError(Report, e.Message());
    }
  }
  FMatrix.reset();
  if (OpenAfterExport && !Stream)
    rptExportOpenFile(Multipage && !Navigator ? FFolderPath + "1.html" : FileName);
}
