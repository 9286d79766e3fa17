#include "report/core/rptpreviewpages.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/rtl/lists.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "report/core/rptview.h"
#include "platform/vcl/printers.h"
#include "platform/win/shellapi.h"
#include "platform/win/wingdi.h"
#include "report/core/rptbands.h"
#include "report/core/rptoptions.h"
#include "report/core/rptutils.h"
#include "report/core/rptxml.h"
#include "report/core/rptxmlserializer.h"

ORV_CLASS_IMPL(TrptPreviewPages, TrptCustomPreviewPages)
ORV_CLASS_IMPL(TrptOutline, TrptCustomOutline)

// ---- Outline ----

TrptOutline::TrptOutline(TrptCustomPreviewPages* APreviewPages) : TrptCustomOutline(APreviewPages) {}

namespace {
TrptXMLItem* RootOf(TrptCustomPreviewPages* P) { return static_cast<TrptPreviewPages*>(P)->OutlineRoot(); }
}  // namespace

int TrptOutline::ItemCount() {
  if (!CurrentNode) LevelRoot();
  return CurrentNode->Count();
}

void TrptOutline::AddItem(const std::string& Text, int Top) {
  if (!CurrentNode) LevelRoot();
  TrptXMLItem* item = CurrentNode->AddChild();
  item->ElementName = "item";
  item->AttrText = "text=\"" + rptEscapeAttr(Text) + "\" page=\"" + IntToStr(std::max(0, PreviewPages->FillPage)) +
                   "\" top=\"" + IntToStr(Top) + "\"";
  CurrentNode = item;
}

void TrptOutline::EnterItem(int Index) {
  if (!CurrentNode) LevelRoot();
  if (Index >= 0 && Index < CurrentNode->Count()) CurrentNode = CurrentNode->GetItems(Index);
}

void TrptOutline::LevelRoot() { CurrentNode = RootOf(PreviewPages); }

void TrptOutline::LevelUp() {
  if (!CurrentNode) LevelRoot();
  if (CurrentNode != RootOf(PreviewPages) && CurrentNode->ParentItem) CurrentNode = CurrentNode->ParentItem;
}

void TrptOutline::ReadItem(int Index, std::string& Text, int& Page, int& Top) {
  if (!CurrentNode) LevelRoot();
  if (Index < 0 || Index >= CurrentNode->Count()) return;
  TrptXMLItem* it = CurrentNode->GetItems(Index);
  Text = it->Prop("text");
  if (!it->Prop("page").empty()) Page = StrToIntDef(it->Prop("page"), Page);
  if (!it->Prop("top").empty()) Top = StrToIntDef(it->Prop("top"), Top);
}

void TrptOutline::MoveItemTops(int FromItem, int Delta) {
  // Entries made while a block was kept follow the block to the current page.
  if (!CurrentNode) LevelRoot();
  TrptXMLItem* root = RootOf(PreviewPages);
  std::function<void(TrptXMLItem*)> move = [&](TrptXMLItem* It) {
    It->SetProp("page", IntToStr(std::max(0, PreviewPages->FillPage)));
    It->SetProp("top", IntToStr(Delta));
    for (int i = 0; i < It->Count(); ++i) move(It->GetItems(i));
  };
  TrptXMLItem* parent = CurrentNode == root ? root : CurrentNode->ParentItem;
  if (!parent) return;
  for (int i = std::max(0, FromItem); i < parent->Count(); ++i) move(parent->GetItems(i));
}

int TrptOutline::LastItem() {
  if (!CurrentNode) LevelRoot();
  return CurrentNode->Count() - 1;
}


namespace {

// The attributes of a prepared object that refer to other objects of the template: the copy on
// a prepared page stands alone.
const char* const kDroppedAttrs[] = {"DataSet", "DataSetName", "FlowTo", "Style", "Highlight.Condition"};

std::string StripAttr(std::string Text, const std::string& Name) {
  const std::string key = " " + Name + "=\"";
  std::string padded = " " + Text;
  size_t at = padded.find(key);
  if (at == std::string::npos) return Text;
  size_t end = padded.find('"', at + key.size());
  if (end == std::string::npos) return Text;
  padded.erase(at, end - at + 1);
  return padded.size() > 0 && padded[0] == ' ' ? padded.substr(1) : padded;
}

std::string FontAttrs(TFont* F) {
  return " ParentFont=\"0\" Font.Name=\"" + rptEscapeAttr(F->Name()) + "\" Font.Size=\"" + IntToStr(F->Size()) +
         "\" Font.Color=\"" + IntToStr(F->Color()) + "\" Font.Style=\"" + IntToStr(static_cast<int>(F->Style().Bits())) +
         "\" Font.Charset=\"" + IntToStr(F->Charset()) + "\"";
}

}  // namespace

TrptPreviewPages::TrptPreviewPages(TrptReport* AReport)
    : TrptCustomPreviewPages(AReport), FDoc(std::make_unique<TrptXMLDocument>()) {
  SetOutline(new TrptOutline(this));
  Clear();
}

TrptXMLItem* TrptPreviewPages::OutlineRoot() const { return FDoc->Root()->FindItem("outline"); }

void TrptPreviewPages::AddAnchor(const std::string& Text, int Top) {
  TrptXMLItem* item = FDoc->Root()->FindItem("anchors")->AddChild();
  item->ElementName = "item";
  item->AttrText = "text=\"" + rptEscapeAttr(Text) + "\" page=\"" + IntToStr(std::max(0, FillPage)) + "\" top=\"" +
                   IntToStr(Top) + "\"";
}

int TrptPreviewPages::GetAnchorPage(const std::string& Text) {
  TrptXMLItem* anchors = FDoc->Root()->FindItem("anchors");
  for (int i = anchors->Count() - 1; i >= 0; --i)
    if (SameText(anchors->GetItems(i)->Prop("text"), Text)) return StrToIntDef(anchors->GetItems(i)->Prop("page"), 0) + 1;
  return 1;
}

TrptPreviewPages::~TrptPreviewPages() = default;

TrptXMLItem* TrptPreviewPages::PagesRoot() const { return FDoc->Root()->FindItem("previewpages"); }

TrptXMLItem* TrptPreviewPages::PageItem(int Index) const {
  TrptXMLItem* root = PagesRoot();
  if (Index < 0 || Index >= root->Count()) return nullptr;
  return root->GetItems(Index);
}

TrptXMLItem* TrptPreviewPages::LoadedPageItem(int Index) const {
  TrptXMLItem* item = PageItem(Index);
  if (item && !item->InMemory) FDoc->SwapIn(item);
  return item;
}

int TrptPreviewPages::PageCount() { return PagesRoot()->Count(); }

void TrptPreviewPages::DropCache() { FCache.clear(); }

void TrptPreviewPages::Clear() {
  DropCache();
  FCut.clear();
  FDoc->ClearDocument();
  FSourcesRead = false;
  FDoc->Root()->ElementName = "preparedreport";
  FDoc->Root()->FindItem("previewpages");
  if (auto* o = dynamic_cast<TrptOutline*>(Outline())) o->CurrentNode = nullptr;
  FillPage = -1;
  ShownPage = 0;
  RunFirstPage = 0;
  FFirstPassStart = 0;
}

void TrptPreviewPages::Initialize() {
  // The pages of an earlier run stay when the report was prepared without clearing them: the
  // new run appends its pages after them.
  FDoc->SwapFolder = Report->EngineOptions()->TempDir;
  FGrowthBytes = 0;
  FFirstPassStart = PageCount();
}

TrptXMLItem* TrptPreviewPages::CurrentPage() {
  if (FillPage < 0 || FillPage >= PageCount()) return nullptr;
  return LoadedPageItem(FillPage);
}

void TrptPreviewPages::AddPage(TrptPage* Page) {
  TrptEngineOptions* eo = Report->EngineOptions();
  if (eo->UseFileCache && FGrowthBytes > static_cast<int64_t>(eo->MaxMemSize) * 1048576) {
    // Older pages go to the swap file, newest first, until one is found there already; the
    // page just finished stays, and the first two pages never leave memory.
    for (int i = PageCount() - 2; i >= 0; --i) {
      TrptXMLItem* it = PageItem(i);
      if (!it->InMemory) break;
      FDoc->SwapOut(it);
      FCache.erase(i);
    }
    FGrowthBytes = 0;
  }
  // Write-over: a page that exists already is filled again (the further page widths of a grid
  // row, the second of two subreports side by side). "Add" appends once, then writes over again.
  if (AppendMode == 0 && FillPage + 1 < PageCount()) {
    ++FillPage;
    return;
  }
  AppendMode = 0;
  TrptXMLSerializer serializer;
  TrptXMLItem* item = PagesRoot()->AddChild();
  item->Swappable = PageCount() > 2;
  item->ElementName = "page";
  std::string text = serializer.BuildAttrText(Page);
  for (const char* a : kDroppedAttrs) text = StripAttr(text, a);
  item->AttrText = Trim(text);
  FillPage = PageCount() - 1;
  FCache.erase(FillPage);
}

void TrptPreviewPages::AddObject(TrptComponent* Obj) {
  TrptXMLItem* page = CurrentPage();
  if (!page || !Obj) return;
  if (Obj->ClassNameIs("TrptSubreport")) return;  // a placeholder: its page prints in its place
  TrptXMLItem* item = page->AddChild();
  if (Obj->IsBand()) {
    // Bands leave a mark (name, top, height) for the engine's questions; they draw nothing.
    item->ElementName = "band";
    item->AttrText = "n=\"" + rptEscapeAttr(Obj->Name()) + "\" t=\"" + FloatToStr(Obj->Top()) + "\" h=\"" +
                     FloatToStr(Obj->Height()) + "\"";
    return;
  }
  TrptXMLSerializer serializer;
  serializer.RefRoot = Report;
  std::string text = serializer.BuildAttrText(Obj);
  for (const char* a : kDroppedAttrs) text = StripAttr(text, a);
  text = StripAttr(StripAttr(StripAttr(StripAttr(text, "Left"), "Top"), "ParentFont"), "Align");
  item->ElementName = Obj->ClassName();
  item->AttrText = Trim(text + " Left=\"" + FloatToStr(Obj->GetAbsLeft()) + "\" Top=\"" +
                        FloatToStr(Obj->GetAbsTop()) + "\"" + FontAttrs(Obj->Font()));
  FGrowthBytes += static_cast<int64_t>(item->AttrText.size() + item->ElementName.size() + 4);
  FCache.erase(FillPage);
}

void TrptPreviewPages::AddSourcePage(TrptPage*) {}
void TrptPreviewPages::AddSourceObject(TrptComponent*) {}

void TrptPreviewPages::BeginPass() {
  FFirstPassStart = PageCount();
  FillPage = PageCount() - 1;
}

void TrptPreviewPages::DiscardFirstPass() {
  TrptXMLItem* root = PagesRoot();
  while (root->Count() > FFirstPassStart) delete root->GetItems(root->Count() - 1);
  DropCache();
  FillPage = root->Count() - 1;
}

void TrptPreviewPages::CutObjects(int Position) {
  TrptXMLItem* page = CurrentPage();
  FCut.clear();
  if (!page) return;
  while (page->Count() > Position && Position >= 0) {
    TrptXMLItem* it = page->GetItems(Position);
    auto holder = std::make_unique<TrptXMLItem>();
    holder->AdoptChild(it);  // takes it off the page
    FCut.push_back(std::move(holder));
  }
  FCache.erase(FillPage);
}

void TrptPreviewPages::PasteObjects(Extended X, Extended Y) {
  TrptXMLItem* page = CurrentPage();
  if (!page || FCut.empty()) return;
  // The kept block moves so that its highest band starts at Y.
  Extended top = 1e30;
  for (auto& h : FCut) {
    TrptXMLItem* it = h->GetItems(0);
    std::string t = it->ElementName == "band" ? it->Prop("t") : it->Prop("Top");
    if (!t.empty()) top = std::min(top, StrToFloat(t));
  }
  if (top > 1e29) top = 0;
  for (auto& h : FCut) {
    TrptXMLItem* it = h->GetItems(0);
    const char* key = it->ElementName == "band" ? "t" : "Top";
    it->SetProp(key, FloatToStr(StrToFloat(it->Prop(key).empty() ? "0" : it->Prop(key)) - top + Y));
    if (it->ElementName != "band" && X != 0)
      it->SetProp("Left", FloatToStr(StrToFloat(it->Prop("Left").empty() ? "0" : it->Prop("Left")) + X));
    page->AdoptChild(it);
  }
  FCut.clear();
  FCache.erase(FillPage);
}

bool TrptPreviewPages::HasBandObject(TrptComponent* Band) {
  TrptXMLItem* page = CurrentPage();
  if (!page || !Band) return false;
  for (int i = 0; i < page->Count(); ++i) {
    TrptXMLItem* it = page->GetItems(i);
    if (it->ElementName == "band" && SameText(it->Prop("n"), Band->Name())) return true;
  }
  return false;
}

int TrptPreviewPages::ObjectCountOnPage() {
  TrptXMLItem* page = CurrentPage();
  return page ? page->Count() : 0;
}

Extended TrptPreviewPages::LowestBandBottom() {
  TrptXMLItem* page = CurrentPage();
  Extended bottom = 0;
  if (!page) return 0;
  for (int i = 0; i < page->Count(); ++i) {
    TrptXMLItem* it = page->GetItems(i);
    if (it->ElementName == "band") bottom = std::max(bottom, StrToFloat(it->Prop("t")) + StrToFloat(it->Prop("h")));
  }
  return bottom;
}

void TrptPreviewPages::Finish() { ShownPage = 0; }

void TrptPreviewPages::InsertBlankPage(int Index) {
  TrptXMLItem* root = PagesRoot();
  auto* item = new TrptXMLItem();
  item->ElementName = "page";
  if (root->Count() > 0) item->AttrText = root->GetItems(std::clamp(Index - 1, 0, root->Count() - 1))->AttrText;
  root->AdoptChildAt(std::clamp(Index, 0, root->Count()), item);
  DropCache();
}

void TrptPreviewPages::DeletePage(int Index) {
  TrptXMLItem* it = PageItem(Index);
  if (!it) return;
  delete it;
  DropCache();
}

void TrptPreviewPages::ReplacePage(int Index, TrptPage* Page) {
  TrptXMLItem* old = LoadedPageItem(Index);
  if (!old || !Page) return;
  int saved = FillPage;
  old->DropChildren();
  TrptXMLSerializer serializer;
  old->AttrText = Trim(serializer.BuildAttrText(Page));
  FillPage = Index;
  for (TrptComponent* c : Page->Objects) AddObject(c);
  FillPage = saved;
  DropCache();
}

TrptPage* TrptPreviewPages::PageAt(int Index) {
  auto it = FCache.find(Index);
  if (it != FCache.end()) return it->second.get();
  TrptXMLItem* item = LoadedPageItem(Index);
  if (!item) return nullptr;
  if (FCache.size() >= 50) {
    // The oldest entry leaves the cache; with the file cache its element goes back to the swap file.
    auto first = FCache.begin();
    TrptXMLItem* old = PageItem(first->first);
    if (Report->EngineOptions()->UseFileCache && old && old->Swappable && first->first != FillPage)
      FDoc->SwapOut(old);
    FCache.erase(first);
  }
  auto page = std::make_unique<TrptReportPage>(nullptr);
  TrptXMLSerializer serializer;
  ReadSources();
  // A page element "page" + N takes the attributes of source page N first.
  const std::string& en = item->ElementName;
  if (en.size() > 4 && SameText(en.substr(0, 4), "page")) {
    int n = StrToIntDef(en.substr(4), -1);
    if (n >= 0 && n < static_cast<int>(FSourcePageAttrs.size())) serializer.ApplyAttrText(FSourcePageAttrs[n], page.get());
  }
  serializer.ApplyAttrText(item->AttrText, page.get());
  for (int i = 0; i < item->Count(); ++i) {
    TrptXMLItem* o = item->GetItems(i);
    if (o->ElementName == "band") continue;
    try {
      // An object named by a short name is its source object with the differences applied.
      auto src = FSources.find(o->ElementName);
      TrptComponent* c =
          src != FSources.end()
              ? serializer.ObjectFromText(page.get(), src->second.ClassName + " " + src->second.AttrText)
              : serializer.ObjectFromText(page.get(), o->ElementName + " " + o->AttrText);
      if (c && src != FSources.end()) serializer.ApplyAttrText(o->AttrText, c);
      if (c) c->SetParent(page.get());
    } catch (const std::exception& e) {
      if (Report) Report->AddError(e.what());
    }
  }
  TrptReportPage* raw = page.get();
  FCache[Index] = std::move(page);
  return raw;
}

void TrptPreviewPages::ReadSources() {
  if (FSourcesRead) return;
  FSourcesRead = true;
  FSources.clear();
  FSourcePageAttrs.clear();
  TrptXMLItem* pages = FDoc->Root()->FindItem("sourcepages");
  TrptXMLItem* dictionary = FDoc->Root()->FindItem("dictionary");
  // "Page" + index + "." + object name -> the source element.
  std::map<std::string, TSourceObject> byPath;
  for (int p = 0; p < pages->Count(); ++p) {
    TrptXMLItem* page = pages->GetItems(p);
    FSourcePageAttrs.push_back(page->AttrText);
    const std::string prefix = "page" + std::to_string(p) + ".";
    std::vector<TrptXMLItem*> stack;
    for (int i = page->Count(); i-- > 0;) stack.push_back(page->GetItems(i));
    while (!stack.empty()) {
      TrptXMLItem* it = stack.back();
      stack.pop_back();
      const std::string name = it->Prop("Name");
      if (!name.empty()) byPath[prefix + LowerCase(name)] = {it->ElementName, it->AttrText};
      for (int i = it->Count(); i-- > 0;) stack.push_back(it->GetItems(i));
    }
  }
  for (int i = 0; i < dictionary->Count(); ++i) {
    TrptXMLItem* d = dictionary->GetItems(i);
    auto it = byPath.find(LowerCase(d->Prop("name")));
    if (it != byPath.end()) FSources[d->ElementName] = it->second;
  }
  // Sections made only to be read leave no trace in a file saved afterwards.
  if (pages->Count() == 0) delete pages;
  if (dictionary->Count() == 0) delete dictionary;
}

void TrptPreviewPages::PageSizeAt(int Index, int& Width, int& Height) {
  Width = Height = 0;
  TrptPage* p = PageAt(Index);
  if (!p) return;
  // Held to the int range: the sizes come from the file.
  Width = rptRound(p->Width());
  Height = rptRound(p->Height());
}

void TrptPreviewPages::DrawPage(int Index, TCanvas* Canvas, Extended ScaleX, Extended ScaleY, Extended OffsetX,
                                Extended OffsetY) {
  auto* page = dynamic_cast<TrptReportPage*>(PageAt(Index));
  if (!page || !Canvas) return;
  page->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
  const Extended ox = OffsetX + page->LeftMargin * rptMM * ScaleX;
  const Extended oy = OffsetY + page->TopMargin * rptMM * ScaleY;
  // Any printer canvas prints (the library's printer or the report output's printer list).
  const bool printing = Canvas == Printer()->Canvas() ||
                        (Canvas->HandleAllocated() && GetDeviceCaps(Canvas->Handle(), TECHNOLOGY) == DT_RASPRINTER);
  const int total = PageCount();
  for (TrptComponent* c : std::vector<TrptComponent*>(page->Objects)) {
    auto* v = dynamic_cast<TrptView*>(c);
    if (!v || !v->Visible()) continue;
    if (printing && !v->Printable) continue;
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(v)) m->TotalPages = total;
    v->IsPrinting = printing;
    v->Draw(Canvas, ScaleX, ScaleY, ox, oy);
    v->IsPrinting = false;
  }
}

bool TrptPreviewPages::OpenURL(const std::string& URL) {
  std::string u = Trim(URL);
  std::string low = LowerCase(u);
  // Addresses from data are opened only when they are web or mail addresses: anything else (a
  // program, a file, a script) is never started from a report.
  if (low.rfind("http://", 0) != 0 && low.rfind("https://", 0) != 0 && low.rfind("mailto:", 0) != 0) return false;
  for (char c : u)
    if (static_cast<unsigned char>(c) < 32) return false;
  ShellExecute(nullptr, "open", u.c_str(), nullptr, nullptr, 1);
  return true;
}

bool TrptPreviewPages::ProcessMouse(int Index, int X, int Y, int Button, int Shift, Extended Scale, Extended OffsetX,
                                    Extended OffsetY, bool Click, int& Cursor) {
  auto* page = dynamic_cast<TrptReportPage*>(PageAt(Index));
  Cursor = 0;
  if (!page || Scale <= 0) return false;
  const Extended ox = OffsetX + page->LeftMargin * rptMM * Scale;
  const Extended oy = OffsetY + page->TopMargin * rptMM * Scale;
  // The topmost object under the point: the last one drawn.
  for (auto it = page->Objects.rbegin(); it != page->Objects.rend(); ++it) {
    auto* v = dynamic_cast<TrptView*>(*it);
    if (!v) continue;
    Extended l = ox + v->Left() * Scale, t = oy + v->Top() * Scale;
    if (X < l || Y < t || X > l + v->Width() * Scale || Y > t + v->Height() * Scale) continue;
    if (v->Cursor == 0 && v->URL.empty() && v->OnPreviewClick.empty() && !Report->OnClickObject) continue;
    Cursor = v->Cursor != 0 ? v->Cursor : (v->URL.empty() ? 0 : -21 /* crHandPoint */);
    if (!Click) {
      Report->DoMouseOverObject(v);
      return true;
    }
    bool modified = false;
    if (!v->URL.empty()) {
      const std::string& u = v->URL;
      if (u[0] == '#') {
        // A page number inside the report.
        try {
          ShownPage = std::clamp(StrToInt(Trim(u.substr(1))) - 1, 0, std::max(0, PageCount() - 1));
        } catch (const std::exception&) {
        }
      } else {
        OpenURL(u);
      }
    }
    Report->DoPreviewClick(v, Button, Shift, modified);
    if (modified) FCache.erase(Index);
    return true;
  }
  return false;
}

void TrptPreviewPages::AppendReport(TrptReport* AReport) {
  auto* other = dynamic_cast<TrptPreviewPages*>(AReport ? AReport->PreviewPages() : nullptr);
  if (!other) return;
  TrptXMLItem* root = PagesRoot();
  TrptXMLItem* src = other->PagesRoot();
  for (int i = 0; i < src->Count(); ++i) {
    other->LoadedPageItem(i);
    TrptXMLItem* copy = root->AddChild();
    copy->ElementName = src->GetItems(i)->ElementName;
    copy->AttrText = src->GetItems(i)->AttrText;
    for (int k = 0; k < src->GetItems(i)->Count(); ++k) {
      TrptXMLItem* o = copy->AddChild();
      o->ElementName = src->GetItems(i)->GetItems(k)->ElementName;
      o->AttrText = src->GetItems(i)->GetItems(k)->AttrText;
    }
  }
}

void TrptPreviewPages::SaveToStream(TStream* Stream) { FDoc->SaveToStream(Stream); }

void TrptPreviewPages::LoadFromStream(TStream* Stream, bool PartialLoad) {
  auto doc = std::make_unique<TrptXMLDocument>();
  if (PartialLoad) {
    // The document takes the stream over: hand it a copy it may own.
    auto* copy = new TMemoryStream();
    copy->CopyFrom(Stream, 0);
    copy->SetPosition(0);
    doc->LoadFromStream(copy, true);
  } else {
    doc->LoadFromStream(Stream);
  }
  if (!SameText(doc->Root()->ElementName, "preparedreport")) throw Exception("Invalid file format");
  DropCache();
  FDoc = std::move(doc);
  FSourcesRead = false;
  FDoc->Root()->FindItem("previewpages");
  if (auto* o = dynamic_cast<TrptOutline*>(Outline())) o->CurrentNode = nullptr;
  FillPage = PageCount() - 1;
  ShownPage = 0;
}

bool TrptPreviewPages::LoadFromFile(const std::string& FileName, bool ExceptionIfNotFound) {
  if (!FileExists(FileName)) {
    if (ExceptionIfNotFound) throw EFOpenError(Format("Cannot open file \"%s\"", {FileName}));
    return false;
  }
  TFileStream f(FileName, fmOpenRead);
  LoadFromStream(&f);
  return true;
}

void TrptPreviewPages::SaveToFile(const std::string& FileName) {
  TFileStream f(FileName, fmCreate);
  SaveToStream(&f);
}

bool TrptPreviewPages::PrintPages(const std::vector<int>& Pages) {
  const int count = PageCount();
  if (count == 0) return false;
  std::vector<int> list;
  for (int p : Pages)
    if (p >= 1 && p <= count) list.push_back(p - 1);
  if (Pages.empty())
    for (int i = 0; i < count; ++i) list.push_back(i);
  if (list.empty()) return false;
  TrptPrintOptions* po = Report->PrintOptions();
  if (po->PrintPages != ppAll) {
    // Odd or even page numbers (counted from 1) only.
    std::vector<int> kept;
    for (int i : list)
      if ((i % 2 == 0) == (po->PrintPages == ppOdd)) kept.push_back(i);
    list = kept;
    if (list.empty()) return false;
  }
  if (po->Reverse) std::reverse(list.begin(), list.end());
  TPrinter* printer = Printer();
  std::string title = Report->ReportOptions() ? Report->ReportOptions()->Name : std::string();
  printer->SetTitle(title.empty() ? std::string("Report") : title);
  const int copies = std::max(1, po->Copies);
  printer->BeginDoc();
  Report->DoProgressStart(ptPrinting);
  bool first = true;
  try {
    // Collated copies repeat the document; uncollated ones repeat each page.
    std::vector<int> order;
    for (int c = 0; c < (po->Collate ? copies : 1); ++c)
      for (int index : list)
        for (int k = 0; k < (po->Collate ? 1 : copies); ++k) order.push_back(index);
    for (int index : order) {
      if (Report->Terminated()) break;
      if (!first) printer->NewPage();
      first = false;
      HDC dc = printer->Handle();
      Extended sx = GetDeviceCaps(dc, LOGPIXELSX) / 96.0, sy = GetDeviceCaps(dc, LOGPIXELSY) / 96.0;
      Extended ox = -GetDeviceCaps(dc, PHYSICALOFFSETX), oy = -GetDeviceCaps(dc, PHYSICALOFFSETY);
      DrawPage(index, printer->Canvas(), sx, sy, ox, oy);
      Report->DoProgress(ptPrinting, index + 1);
    }
    printer->EndDoc();
  } catch (...) {
    if (printer->Printing()) printer->Abort();
    Report->DoProgressStop(ptPrinting);
    throw;
  }
  Report->DoProgressStop(ptPrinting);
  if (Report->OnPrintReport) Report->OnPrintReport(Report);
  if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
  return true;
}

bool TrptPreviewPages::Print() {
  TrptPrintOptions* po = Report->PrintOptions();
  std::vector<int> pages;
  if (!Trim(po->PageNumbers).empty()) {
    TStringList list;
    rptParsePageNumbers(po->PageNumbers, &list, PageCount());
    for (int i = 0; i < list.Count(); ++i) pages.push_back(StrToIntDef(list.Strings(i), 0));
    if (pages.empty()) return false;
  }
  return PrintPages(pages);
}

bool TrptPreviewPages::Export(TrptCustomExportFilter* Filter) {
  if (!Filter) return false;
  Filter->Report = Report;
  if (Filter->ShowDialog && Filter->ShowOptionsDialog() != mrOk) return false;
  if (Filter->CurPage) Filter->PageNumbers = IntToStr(Report->Preview() ? ShownPage + 1 : 1);
  Report->SetTerminated(false);
  std::vector<bool> selected(static_cast<size_t>(PageCount()), Trim(Filter->PageNumbers).empty());
  if (!Trim(Filter->PageNumbers).empty()) {
    TStringList list;
    rptParsePageNumbers(Filter->PageNumbers, &list, PageCount());
    for (int i = 0; i < list.Count(); ++i) {
      int n = StrToIntDef(list.Strings(i), 0);
      if (n >= 1 && n <= PageCount()) selected[static_cast<size_t>(n - 1)] = true;
    }
  }
  bool ok = true;
  try {
    if (!Filter->Start()) return false;
    Report->DoProgressStart(ptExporting);
    try {
      for (int i = 0; i < PageCount() && !Report->Terminated(); ++i) {
        if (!selected[static_cast<size_t>(i)]) continue;
        auto* page = dynamic_cast<TrptReportPage*>(PageAt(i));
        if (!page) continue;
        Report->DoProgress(ptExporting, i + 1);
        Filter->StartPage(page, i);
        try {
          page->SetLeft(((page->MirrorMargins && i % 2 == 1) ? page->RightMargin : page->LeftMargin) * rptMM);
          page->SetTop(page->TopMargin * rptMM);
          {
            // The page's colour, frame and background picture as one object over the printable area.
            TrptPictureView background(nullptr);
            background.SetName("_pagebackground");
            background.Color = page->Color();
            background.SetFrame(page->Frame());
            background.SetPicture(page->BackPicture());
            background.Stretched = true;
            background.KeepAspectRatio = false;
            background.SetBounds(page->Left(), page->Top(),
                                 page->Width() - (page->LeftMargin + page->RightMargin) * rptMM,
                                 page->Height() - (page->TopMargin + page->BottomMargin) * rptMM);
            Filter->ExportObject(&background);
          }
          for (TrptComponent* c : page->Objects)
            if (auto* m = dynamic_cast<TrptCustomMemoView*>(c)) {
              if (m->Highlight()->Active) m->SetFont(m->Highlight()->Font());
              m->TotalPages = PageCount();
              if (m->AllowExpressions) {
                std::string t = m->Text();
                size_t at = UpperCase(t).find("[TOTALPAGES#]");
                if (at != std::string::npos) {
                  t.replace(at, 13, IntToStr(PageCount()));
                  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.resize(t.size() - 2);
                  else if (!t.empty() && t.back() == '\n') t.pop_back();
                  m->SetText(t);
                }
              }
            }
          for (TrptComponent* c : std::vector<TrptComponent*>(page->GetAllObjects())) Filter->ExportObject(c);
        } catch (...) {
          Filter->FinishPage(page, i);
          page->SetLeft(0);
          page->SetTop(0);
          throw;
        }
        Filter->FinishPage(page, i);
        page->SetLeft(0);
        page->SetTop(0);
      }
    } catch (...) {
      Report->DoProgressStop(ptExporting);
      Filter->Finish();
      throw;
    }
    Report->DoProgressStop(ptExporting);
    Filter->Finish();
  } catch (const std::exception& e) {
    Report->AddError(e.what());
    ok = false;
  }
  return ok;
}
