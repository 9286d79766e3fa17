#include "report/core/rptengine.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "report/core/rptbands.h"
#include "report/core/rptdataset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptres.h"
#include "report/core/rptutils.h"
#include "report/core/rptvariables.h"
#include "report/core/rptview.h"

ORV_CLASS_IMPL(TrptEngine, TrptCustomEngine)

namespace {

bool IsNullish(const Variant& V) { return V.IsNull() || V.IsEmpty(); }

std::vector<TrptView*> ViewsOf(TrptComponent* Band) {
  std::vector<TrptView*> v;
  for (TrptComponent* c : Band->Objects)
    if (auto* view = dynamic_cast<TrptView*>(c)) v.push_back(view);
  return v;
}

}  // namespace

// ---- Aggregate items ----

void TrptAggregateItem::Reset() {
  if (Running && Count != 0) return;
  Count = 0;
  Value = Null();
  ColumnValues.clear();
  ColumnCounts.clear();
}

void TrptAggregateItem::Combine(Variant& Into, const Variant& V) const {
  if (IsNullish(V)) return;
  if (IsNullish(Into)) {
    Into = V;
    return;
  }
  switch (Kind) {
    case 0:
    case 1: Into = Into + V; break;
    case 2:
      if (V < Into) Into = V;
      break;
    case 3:
      if (V > Into) Into = V;
      break;
    default: break;
  }
}

// ---- Aggregate list ----

void TrptAggregateList::AddItems(TrptReportPage* Page) {
  std::vector<TrptBand*> top;
  for (TrptBand* b : Page->HBands) top.push_back(b);
  for (TrptBand* b : Page->VBands) top.push_back(b);
  std::vector<TrptBand*> stack(top.rbegin(), top.rend());
  // Every data band of both trees, through the detail levels, in tree order.
  std::function<void(TrptBand*)> visit = [&](TrptBand* B) {
    auto* d = dynamic_cast<TrptDataBand*>(B);
    if (!d) return;
    if (d->FooterBand) ScanBand(d->FooterBand, d);
    if (d->GroupBand)
      for (TrptBand* g : d->GroupBand->SubBands)
        if (g->FooterBand) ScanBand(g->FooterBand, d);
    for (TrptBand* s : d->SubBands) visit(s);
    if (d->Vertical) ScanBand(d, d);
  };
  for (TrptBand* b : top) visit(b);
  if (!Page->HBands.empty()) {
    auto* first = dynamic_cast<TrptDataBand*>(Page->HBands.front());
    for (TClass c : {TrptPageFooter::StaticClass(), TrptColumnFooter::StaticClass(), TrptReportSummary::StaticClass()})
      if (TrptBand* b = Page->FindBand(c)) ScanBand(b, first);
  }
}

void TrptAggregateList::ScanBand(TrptBand* Band, TrptDataBand* Default) {
  for (TrptComponent* c : Band->Objects)
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(c)) ScanMemo(m, Default);
}

void TrptAggregateList::ScanMemo(TrptCustomMemoView* Memo, TrptDataBand* Default) {
  if (!Memo->AllowExpressions) return;
  size_t comma = Memo->ExpressionDelimiters.find(',');
  if (comma == std::string::npos) return;
  std::string open = Memo->ExpressionDelimiters.substr(0, comma), close = Memo->ExpressionDelimiters.substr(comma + 1);
  if (open.empty() || close.empty()) return;
  std::string text = Memo->Text();
  size_t p = 0;
  while ((p = text.find(open, p)) != std::string::npos) {
    int I = static_cast<int>(p) + 1, J = 0;
    std::string inner = rptExtractBracketed(text, open, close, I, J);
    if (J <= I) break;
    ScanExpression(inner, Memo, Default, 0);
    p = static_cast<size_t>(J);
  }
}

void TrptAggregateList::ScanExpression(const std::string& S, TrptCustomMemoView* Memo, TrptDataBand* Default,
                                       int Depth) {
  if (Depth > 32 || S.empty()) return;  // variables naming each other end here
  TrptVariables* vars = FReport->Variables();
  int vi = vars->IndexOf(Trim(S));
  if (vi >= 0) {
    ScanExpression(VarToStr(vars->GetVariables(Trim(S))), Memo, Default, Depth + 1);
    return;
  }
  TrptDataSet* ds = nullptr;
  std::string field;
  FReport->SplitFieldReference(S, ds, field);
  if (ds && !field.empty()) return;
  auto isSkip = [](unsigned char c) { return (c >= 1 && c <= 32) || (c >= '0' && c <= '9') || strchr("!#$%&*+,-./=[]^|", c); };
  auto isDelim = [](unsigned char c) { return (c >= 1 && c <= 32) || (c != 0 && strchr("!#$%&(*+,-./=[]^|", c)); };
  size_t i = 0;
  const size_t n = S.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(S[i]);
    if (c != 0 && isSkip(c)) {
      ++i;
    } else if (c == '"' || c == '\'') {
      size_t e = S.find(static_cast<char>(c), i + 1);
      i = e == std::string::npos ? n : e + 1;
    } else if (c == '(' || c == '<') {
      char closeCh = c == '(' ? ')' : '>';
      int depth = 0;
      size_t j = i;
      for (; j < n; ++j) {
        if (S[j] == static_cast<char>(c)) ++depth;
        else if (S[j] == closeCh && --depth == 0) break;
      }
      ScanExpression(S.substr(i + 1, j > i + 1 ? j - i - 1 : 0), Memo, Default, Depth + 1);
      i = j + 1;
    } else {
      size_t j = i;
      while (j < n && !(static_cast<unsigned char>(S[j]) < 128 && isDelim(static_cast<unsigned char>(S[j])))) ++j;
      if (j == i) {
        ++i;
        continue;
      }
      std::string word = UpperCase(S.substr(i, j - i));
      if ((word == "SUM" || word == "MIN" || word == "MAX" || word == "AVG" || word == "COUNT") && j < n && S[j] == '(') {
        int depth = 0;
        bool quoted = false;
        size_t k = j;
        for (; k < n; ++k) {
          if (S[k] == '\'') quoted = !quoted;
          if (quoted) continue;
          if (S[k] == '(') ++depth;
          else if (S[k] == ')' && --depth == 0) break;
        }
        AddItem(S.substr(i, std::min(k, n - 1) - i + 1), Memo, Default);
        i = k + 1;
      } else {
        if (vars->IndexOf(word) >= 0 || vars->IndexOf(S.substr(i, j - i)) >= 0)
          ScanExpression(VarToStr(vars->GetVariables(S.substr(i, j - i))), Memo, Default, Depth + 1);
        i = j;
      }
    }
  }
}

void TrptAggregateList::AddItem(const std::string& Call, TrptCustomMemoView* Memo, TrptDataBand* Default) {
  std::string c = Trim(Call);
  size_t open = c.find('(');
  if (open == std::string::npos) return;
  std::string name = UpperCase(Trim(c.substr(0, open)));
  // Parameters at depth 1, single quotes protecting commas and parentheses.
  std::vector<std::string> params;
  std::string cur;
  int depth = 0;
  bool quoted = false;
  for (size_t i = open; i < c.size(); ++i) {
    char ch = c[i];
    if (ch == '\'') quoted = !quoted;
    if (!quoted && ch == '(') {
      if (++depth == 1) continue;
    } else if (!quoted && ch == ')') {
      if (--depth == 0) break;
    } else if (!quoted && ch == ',' && depth == 1) {
      params.push_back(Trim(cur));
      cur.clear();
      continue;
    }
    cur += ch;
  }
  params.push_back(Trim(cur));
  std::string p1 = params.size() > 0 ? params[0] : std::string();
  std::string p2 = params.size() > 1 ? params[1] : std::string();
  std::string p3 = params.size() > 2 ? params[2] : std::string();
  auto item = std::make_unique<TrptAggregateItem>();
  item->Kind = name == "SUM" ? 0 : name == "AVG" ? 1 : name == "MIN" ? 2 : name == "MAX" ? 3 : 4;
  std::string bandName, flags;
  if (item->Kind == 4) {
    bandName = p1;
    flags = p2;
  } else {
    item->Expression = p1;
    bandName = p2;
    flags = p3;
  }
  if (!bandName.empty() && bandName != "0") item->DataBand = dynamic_cast<TrptDataBand*>(FReport->FindObject(bandName));
  if (!item->DataBand) item->DataBand = Default;
  int f = flags.empty() ? 0 : StrToInt(flags);
  item->CountInvisible = (f & 1) != 0;
  item->Running = (f & 2) != 0;
  item->ParentBand = dynamic_cast<TrptBand*>(Memo->Parent());
  // A total cell the engine moved from a footer or summary into a vertical band still belongs to
  // that band: it is shown while the band prints its grid row.
  if (auto* host = dynamic_cast<TrptBand*>(Memo->CrossHost); host && item->ParentBand && item->ParentBand->Vertical) {
    int k = host->KindIndex();
    if (k == 1 || k == 3 || k == 5 || k == 13) item->ParentBand = host;
  }
  item->PageFooterItem = dynamic_cast<TrptPageFooter*>(item->ParentBand) != nullptr;
  item->CallText = c;
  item->ObjectName = Memo->Name();
  item->Reset();
  FItems.push_back(std::move(item));
}

void TrptAggregateList::AddValue(TrptBand* DataBand, int Column) {
  constexpr int kColumns = 1001;
  for (auto& it : FItems) {
    if (!DataBand || it->DataBand != DataBand) continue;
    if (!DataBand->Visible() && !it->CountInvisible) continue;
    it->VerticalColumn = Column;
    FReport->CurObjectName = it->ObjectName;
    Variant v = Null();
    if (it->Kind != 4) {
      v = FReport->Calc(it->Expression);
      if (VarType(v) == varBoolean && v.AsBoolean()) v = Variant(1);
    }
    if (Column > 0) {
      if (Column >= kColumns) continue;  // past the last column that keeps totals
      if (it->ColumnValues.empty()) {
        it->ColumnValues.assign(kColumns, Null());
        it->ColumnCounts.assign(kColumns, 0);
      }
      ++it->ColumnCounts[static_cast<size_t>(Column)];
      it->Combine(it->ColumnValues[static_cast<size_t>(Column)], v);
    } else if (it->Keeping) {
      ++it->KeptCount;
      it->Combine(it->KeptValue, v);
    } else {
      ++it->Count;
      it->Combine(it->Value, v);
    }
  }
}

void TrptAggregateList::Reset(TrptBand* Band) {
  for (auto& it : FItems)
    if (it->ParentBand == Band) it->Reset();
}

void TrptAggregateList::ResetAll() {
  for (auto& it : FItems) {
    bool running = it->Running;
    it->Running = false;
    it->Reset();
    it->Running = running;
  }
}

void TrptAggregateList::StartKeep() {
  for (auto& it : FItems)
    if (it->PageFooterItem && !it->Keeping) {
      it->Keeping = true;
      it->KeptCount = 0;
      it->KeptValue = Null();
    }
}

void TrptAggregateList::EndKeep() {
  for (auto& it : FItems)
    if (it->PageFooterItem && it->Keeping) {
      it->Keeping = false;
      it->Count += it->KeptCount;
      it->Combine(it->Value, it->KeptValue);
    }
}

bool TrptAggregateList::GetValue(TrptBand* Band, int Column, Variant& Result, int Flags, TrptDataBand* DataBand,
                                 const std::string& Expression, const std::string& Name) {
  const std::string n = UpperCase(Name);
  int kind = n == "SUM" ? 0 : n == "AVG" ? 1 : n == "MIN" ? 2 : n == "MAX" ? 3 : 4;
  Result = Null();
  for (auto& it : FItems) {
    if (it->ParentBand != Band || it->Kind != kind) continue;
    if (!SameText(it->Expression, Trim(Expression))) continue;
    if (DataBand && it->DataBand != DataBand) continue;
    if (it->CountInvisible != ((Flags & 1) != 0) || it->Running != ((Flags & 2) != 0)) continue;
    it->VerticalColumn = Column;
    if (Column > 0 && !it->ColumnValues.empty()) {
      // The total of one vertical column.
      const size_t c = static_cast<size_t>(std::min(Column, static_cast<int>(it->ColumnValues.size()) - 1));
      const Variant& v = it->ColumnValues[c];
      const int n = it->ColumnCounts[c];
      switch (kind) {
        case 1: Result = n == 0 || IsNullish(v) ? Variant(0) : Variant(v.AsFloat() / n); break;
        case 4: Result = Variant(n); break;
        default: Result = v; break;
      }
      return true;
    }
    switch (kind) {
      case 1:
        // The average of no rows is 0, not a failed run.
        Result = it->Count == 0 || IsNullish(it->Value) ? Variant(0) : Variant(it->Value.AsFloat() / it->Count);
        break;
      case 4: Result = Variant(it->Count); break;
      default: Result = it->Value; break;
    }
    return true;
  }
  return false;
}

// ---- Engine ----

TrptEngine::TrptEngine(TrptReport* AReport)
    : TrptCustomEngine(AReport), FAggregates(std::make_unique<TrptAggregateList>(AReport)) {}

TrptEngine::~TrptEngine() = default;

Extended TrptEngine::FootersHeight() {
  Extended h = 0;
  for (TrptBand* b : FFooterBands)
    if (b) h += b->Height();
  return h;
}

Extended TrptEngine::FreeSpace() { return PageHeight - FootersHeight() - CurY; }

Variant TrptEngine::AggregateValue(const std::string& Name, const std::string& Expression, TrptComponent* Band,
                                   int Flags) {
  Variant r;
  FAggregates->GetValue(FAggregateBand, CurVColumn, r, Flags, dynamic_cast<TrptDataBand*>(Band), Expression, Name);
  return r;
}

void TrptEngine::PrepareBands(TrptReportPage* Page) {
  Page->AlignChildren();
  Page->HBands.clear();
  Page->VBands.clear();
  std::vector<TrptBand*> horizontal, vertical;
  for (TrptComponent* c : Page->Objects)
    if (auto* b = dynamic_cast<TrptBand*>(c)) {
      b->SubBands.clear();
      b->HeaderBand = b->FooterBand = b->GroupBand = nullptr;
      b->CrossesVertical = false;
      if (auto* d = dynamic_cast<TrptDataBand*>(b)) {
        TrptDataSet* ds = d->EffectiveDataSet();
        if (!d->DataSet() && d->RowCount() > 0) ds->Initialize();
      }
      (b->Vertical ? vertical : horizontal).push_back(b);
    }
  // The objects of a horizontal band that lie within a vertical band's extent become its cells
  // for this run: they move into the vertical band, left edge relative to it. The run puts them
  // back (RestoreCrossCells).
  for (TrptBand* h : horizontal) {
    const std::vector<TrptComponent*> objects = h->Objects;
    for (size_t i = 0; i < objects.size(); ++i) {
      TrptComponent* o = objects[i];
      for (TrptBand* v : vertical) {
        if (o->Left() < v->Left() - 0.0001 || o->Left() + o->Width() > v->Left() + v->Width() + 0.0001) continue;
        FMovedCells.push_back({o, h, i, o->Left()});
        o->SetParent(v);
        o->CrossHost = h;
        o->SetLeft(o->Left() - v->Left());
        h->CrossesVertical = true;
        break;
      }
    }
  }
  BuildBandTree(Page, horizontal, false, Page->HBands);
  BuildBandTree(Page, vertical, true, Page->VBands);
}

void TrptEngine::RestoreCrossCells() {
  // Back in their bands at their old places: in order of their old positions, so that each one
  // finds the objects before it already there.
  std::stable_sort(FMovedCells.begin(), FMovedCells.end(),
                   [](const MovedCell& a, const MovedCell& b) { return a.Index < b.Index; });
  for (const MovedCell& m : FMovedCells) {
    m.Cell->SetParent(m.Host);
    auto& list = m.Host->Objects;
    list.pop_back();
    list.insert(list.begin() + static_cast<std::ptrdiff_t>(std::min(m.Index, list.size())), m.Cell);
    m.Cell->SetLeft(m.Left);
    m.Cell->CrossHost = nullptr;
  }
  FMovedCells.clear();
}

void TrptEngine::BuildBandTree(TrptReportPage* Page, const std::vector<TrptBand*>& Bands, bool Vertical,
                               std::vector<TrptBand*>& Top) {
  (void)Page;
  // The working list: headers, footers, data bands and groups by their position (top, or left
  // for vertical bands). Bands at the same position are all kept, in their order on the page.
  std::vector<TrptBand*> list;
  for (TrptBand* b : Bands) {
    int k = b->KindIndex();
    if (k >= 4 && k <= 13) list.push_back(b);
  }
  std::stable_sort(list.begin(), list.end(), [Vertical](TrptBand* a, TrptBand* b) {
    return Vertical ? a->Left() < b->Left() : a->Top() < b->Top();
  });
  auto isData = [](TrptBand* b) { return dynamic_cast<TrptDataBand*>(b) != nullptr; };
  auto err = [&](const std::string& key, TrptBand* b) { Report->AddError(rptGet(key) + " " + b->Name()); };
  // Groups.
  std::vector<bool> used(list.size(), false);
  for (size_t i = 0; i < list.size(); ++i) {
    auto* g = dynamic_cast<TrptGroupHeader*>(list[i]);
    if (!g || (i > 0 && dynamic_cast<TrptGroupHeader*>(list[i - 1]))) continue;
    size_t j = i;
    while (j < list.size() && dynamic_cast<TrptGroupHeader*>(list[j])) g->SubBands.push_back(list[j++]);
    while (j < list.size() && !isData(list[j])) ++j;
    if (j < list.size()) list[j]->GroupBand = g;
    else err("enUnconnGroup", g);
  }
  for (size_t i = 0; i < list.size(); ++i) {
    if (!dynamic_cast<TrptGroupFooter*>(list[i])) continue;
    for (size_t k = i; k-- > 0;)
      if (dynamic_cast<TrptGroupHeader*>(list[k]) && !used[k]) {
        list[k]->FooterBand = list[i];
        used[k] = used[i] = true;
        break;
      }
  }
  std::vector<TrptBand*> rest;
  for (size_t i = 0; i < list.size(); ++i) {
    if (dynamic_cast<TrptGroupHeader*>(list[i])) continue;
    if (dynamic_cast<TrptGroupFooter*>(list[i])) {
      if (!used[i]) err("enUnconnGFooter", list[i]);
      continue;
    }
    rest.push_back(list[i]);
  }
  // Headers and footers next to their data bands.
  std::vector<bool> taken(rest.size(), false);
  for (size_t i = 0; i < rest.size(); ++i) {
    if (!isData(rest[i])) continue;
    if (i > 0 && dynamic_cast<TrptHeader*>(rest[i - 1]) && !taken[i - 1]) {
      rest[i]->HeaderBand = rest[i - 1];
      taken[i - 1] = true;
    }
    if (i + 1 < rest.size() && dynamic_cast<TrptFooter*>(rest[i + 1])) {
      rest[i]->FooterBand = rest[i + 1];
      taken[i + 1] = true;
    }
  }
  std::vector<TrptBand*> data;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (taken[i]) continue;
    if (!isData(rest[i])) {
      err("enUnconnHeader", rest[i]);
      continue;
    }
    data.push_back(rest[i]);
  }
  // Master and detail levels.
  std::vector<bool> claimed(data.size(), false);
  std::function<void(size_t)> claim = [&](size_t at) {
    int k = data[at]->KindIndex();
    for (size_t j = at + 1; j < data.size(); ++j) {
      int kj = data[j]->KindIndex();
      if (kj <= k) break;
      if (kj == k + 1 && !claimed[j]) {
        claimed[j] = true;
        data[at]->SubBands.push_back(data[j]);
        if (kj < 11) claim(j);
      }
    }
  };
  for (size_t i = 0; i < data.size(); ++i) {
    if (claimed[i] || !dynamic_cast<TrptMasterData*>(data[i])) continue;
    claimed[i] = true;
    Top.push_back(data[i]);
    claim(i);
  }
  for (size_t i = 0; i < data.size(); ++i)
    if (!claimed[i]) err("enBandPos", data[i]);
}

void TrptEngine::CheckDataSets() {
  TrptDataSet* rds = Report->DataSet();
  for (int i = 0; i < Report->PageCount(); ++i) {
    auto* p = dynamic_cast<TrptReportPage*>(Report->PageAt(i));
    if (!p) continue;
    if (rds && rds == p->DataSet()) {
      Report->AddError("Cannot use the same dataset for Report.DataSet and Page.DataSet");
      return;
    }
    for (TrptBand* b : p->HBands) {
      auto* d = dynamic_cast<TrptDataBand*>(b);
      if (!d || !d->DataSet()) continue;
      if (rds && d->DataSet() == rds) {
        Report->AddError("Cannot use the same dataset for Report.DataSet and Band.DataSet");
        break;
      }
      if (p->DataSet() && d->DataSet() == p->DataSet()) {
        Report->AddError("Cannot use the same dataset for Page.DataSet and Band.DataSet");
        break;
      }
    }
  }
}

bool TrptEngine::Run() {
  PreviewPages = Report->PreviewPages();
  if (PreviewPages) {
    PreviewPages->Engine = this;
    PreviewPages->Initialize();
  }
  StartDate = Date();
  StartTime = Now() - Date();
  IsRunning = true;
  FKeeping = false;
  CurVColumn = 0;
  FAggregates->Clear();
  RestoreCrossCells();
  bool result = false;
  try {
    for (int i = 0; i < Report->PageCount(); ++i)
      if (auto* p = dynamic_cast<TrptReportPage*>(Report->PageAt(i))) {
        FActivePage = p;
        PrepareBands(p);
        FAggregates->AddItems(p);
      } else if (auto* d = dynamic_cast<TrptDialogPage*>(Report->PageAt(i))) {
        d->InitializeForm();
      }
    CheckDataSets();
    if (Report->Errors()->Count() == 0 && PreviewPages) {
      Report->DataSets()->Initialize();
      Report->DoNotifyEvent(Report, Report->OnStartReport);
      try {
        bool go = true;
        if (!Report->OnRunDialogs.empty()) {
          Variant params = VarArrayOf({Variant(true)});
          Report->DoParamEvent(Report->OnRunDialogs, params);
          go = params[0].AsBoolean();
        } else {
          for (int i = 0; i < Report->PageCount() && go; ++i) {
            auto* d = dynamic_cast<TrptDialogPage*>(Report->PageAt(i));
            if (!d || !d->Visible() || !d->HasControls()) continue;
            d->Form()->SetBorderStyle(d->BorderStyle);
            if (RunDialogHandler) RunDialogHandler(d);
            else d->ShowModal();
            if (d->ModalResult() == mrCancel) go = false;
          }
        }
        if (go) {
          for (int i = 0; i < Report->PageCount(); ++i) PreviewPages->AddSourcePage(Report->PageAt(i));
          FinalPass = !DoublePass();
          TotalPages = 0;
          PreviewPages->BeginPass();
          RunPages();
          if (DoublePass() && !Report->Terminated()) {
            TotalPages = PreviewPages->PageCount();
            PreviewPages->DiscardFirstPass();
            FAggregates->ResetAll();
            FinalPass = true;
            RunPages();
          }
          result = !Report->Terminated();
        }
      } catch (...) {
        Report->DoNotifyEvent(Report, Report->OnStopReport);
        throw;
      }
      Report->DoNotifyEvent(Report, Report->OnStopReport);
    }
  } catch (...) {
    RestoreCrossCells();
    Report->DataSets()->Finalize();
    if (PreviewPages) PreviewPages->Finish();
    IsRunning = false;
    throw;
  }
  RestoreCrossCells();
  Report->DataSets()->Finalize();
  if (PreviewPages) PreviewPages->Finish();
  IsRunning = false;
  return result;
}

void TrptEngine::RunPages() {
  FFirstRunPage = true;
  auto all = [&]() {
    for (int i = 0; i < Report->PageCount() && !Report->Terminated(); ++i) {
      auto* p = dynamic_cast<TrptReportPage*>(Report->PageAt(i));
      if (p && !p->IsSubReport() && p->Visible()) RunPage(p);
      FFirstRunPage = false;
    }
  };
  if (TrptDataSet* ds = Report->DataSet()) {
    ds->First();
    while (!ds->Eof() && !Report->Terminated()) {
      all();
      ds->Next();
    }
  } else {
    all();
  }
}

void TrptEngine::RunPage(TrptReportPage* Page) {
  FActivePage = Page;
  FKeepBlocked = true;
  Report->DoNotifyEvent(Page, Page->OnBeforePrint);
  if (TrptDataSet* ds = Page->DataSet()) {
    ds->First();
    while (!ds->Eof() && !Report->Terminated()) {
      RunPageBody(Page);
      ds->Next();
    }
  } else {
    RunPageBody(Page);
  }
  Report->DoNotifyEvent(Page, Page->OnAfterPrint);
}

void TrptEngine::RunPageBody(TrptReportPage* Page) {
  if (!HasData(nullptr, Page->HBands, Report->EngineOptions()->PrintIfEmpty)) return;
  StartPage();
  if (Report->OnManualBuild) Report->OnManualBuild(Page);
  else if (!Page->OnManualBuild.empty()) Report->DoNotifyEvent(Page, Page->OnManualBuild);
  else DataLoop(Page->HBands);
  ShowBandByClass(TrptReportSummary::StaticClass());
  FOnLastPage = true;
  FinishPage();
  FOnLastPage = false;
}

void TrptEngine::StartPage() {
  TrptReportPage* p = FActivePage;
  FReprintList.clear();
  TrptBand* title = p->FindBand(TrptReportTitle::StaticClass());
  TrptBand* header = p->FindBand(TrptPageHeader::StaticClass());
  if (p->TitleBeforeHeader) {
    FReprintList.push_back({title, 0, false});
    FReprintList.push_back({header, 0, false});
  } else {
    FReprintList.push_back({header, 0, false});
    FReprintList.push_back({title, 0, false});
  }
  FFooterBands[0] = p->FindBand(TrptColumnFooter::StaticClass());
  FFooterBands[1] = p->FindBand(TrptPageFooter::StaticClass());
  PageHeight = (p->PaperHeight() - p->TopMargin - p->BottomMargin) * rptMM;
  PageWidth = (p->PaperWidth() - p->LeftMargin - p->RightMargin) * rptMM;
  CurX = 0;
  CurY = 0;
  CurColumn = 1;
  FLeftOffset = 0;
  FOnFirstPage = true;
  FOnLastPage = false;
  if (PreviewPages->PageCount() > 0 && p->PrintOnPreviousPage) {
    PreviewPages->FillPage = PreviewPages->PageCount() - 1;
    CurY = PreviewPages->LowestBandBottom();
    ShowBandByClass(TrptReportTitle::StaticClass());
    for (auto& e : FReprintList)
      if (e.Band == title) e.Band = nullptr;
  } else {
    BeginNewPage();
  }
  if (FFirstRunPage) PreviewPages->RunFirstPage = PreviewPages->FillPage;
  FColumnStartY = CurY;
  if (TrptBand* ch = p->FindBand(TrptColumnHeader::StaticClass())) {
    ShowBand(ch);
    FReprintList.push_back({ch, 0, false});
  }
  for (auto& e : FReprintList)
    if (e.Band == title) e.Band = nullptr;
  AddPageOutline();
}

void TrptEngine::AddPageOutline() {
  TrptCustomOutline* o = PreviewPages->Outline();
  if (!o) return;
  o->LevelRoot();
  if (!FActivePage->OutlineText.empty()) {
    o->AddItem(VarToStr(Report->Calc(FActivePage->OutlineText)), 0);
    o->LevelRoot();
  }
}

void TrptEngine::AddBandOutline(TrptBand* Band, Extended Top) {
  TrptCustomOutline* o = PreviewPages->Outline();
  if (!o || Band->OutlineText.empty()) return;
  o->AddItem(VarToStr(Report->Calc(Band->OutlineText)), static_cast<int>(std::nearbyint(static_cast<double>(Top))));
}

void TrptEngine::BeginNewPage() {
  PreviewPages->AddPage(FActivePage);
  CurY = 0;
  if (auto* o = dynamic_cast<TrptOverlay*>(FActivePage->FindBand(TrptOverlay::StaticClass())))
    if (!o->PrintOnTop) {
      ShowBand(o);
      CurY = 0;
    }
  PageHeaderHeight = 0;
  Extended savedX = CurX;
  for (auto& e : FReprintList) {
    CurX = e.X;
    if (!e.Band) continue;
    auto* ph = dynamic_cast<TrptPageHeader*>(e.Band);
    if (ph && !ph->PrintOnFirstPage && FOnFirstPage) continue;
    if (FKeeping && e.AddedWhileKeeping) continue;
    int line = LineNumber, global = GlobalLineNumber;
    LineNumber = e.Band->RowNumber;
    GlobalLineNumber = e.Band->RowNumberAll;
    FReprintingHeaders = true;
    TrptBand* b = e.Band;
    if (dynamic_cast<TrptReportTitle*>(b)) e.Band = nullptr;
    Extended before = CurY;
    FReprintBand = b;
    ShowBand(b);
    FReprintBand = nullptr;
    if (ph) PageHeaderHeight = CurY - before;
    FReprintingHeaders = false;
    LineNumber = line;
    GlobalLineNumber = global;
  }
  CurX = savedX;
}

void TrptEngine::PrintFooter(TrptBand* Band, bool PageFooter) {
  Extended h = CalcBandHeight(Band);
  if (Band->Visible()) {
    bool drop = PageFooter && ((FOnFirstPage && !static_cast<TrptPageFooter*>(Band)->PrintOnFirstPage) ||
                               (FOnLastPage && !static_cast<TrptPageFooter*>(Band)->PrintOnLastPage));
    if (drop) {
      for (TrptView* v : ViewsOf(Band)) v->AfterPrint();
      return;
    }
    if (!PreviewPages->HasBandObject(Band)) {
      CurX = 0;
      OutputBand(Band, h);
    } else {
      for (TrptView* v : ViewsOf(Band)) v->AfterPrint();
    }
    CurY += h;
  } else {
    for (TrptView* v : ViewsOf(Band)) v->AfterPrint();
  }
  FAggregates->Reset(Band);
}

void TrptEngine::FinishPage() {
  if (FActivePage->Columns() > 1) {
    if (FFooterBands[0]) {
      Extended y = CurY;
      PrintFooter(FFooterBands[0], false);
      CurY = y;
    }
    CurX = FLeftOffset;
    CurColumn = 1;
    FColumnStartY = 0;
  }
  for (int i = 0; i < 2; ++i) {
    TrptBand* b = FFooterBands[i];
    if (!b) continue;
    if (i == 1) CurY = PageHeight - b->Height();
    PrintFooter(b, i == 1);
  }
  if (auto* o = dynamic_cast<TrptOverlay*>(FActivePage->FindBand(TrptOverlay::StaticClass())))
    if (o->PrintOnTop) {
      CurY = 0;
      ShowBand(o);
    }
  FOnFirstPage = false;
}

void TrptEngine::NewColumn() {
  if (CurColumn >= FActivePage->Columns()) {
    NewPage();
    return;
  }
  if (FFooterBands[0]) {
    Extended y = CurY;
    PrintFooter(FFooterBands[0], false);
    CurY = y;
  }
  ++CurColumn;
  Extended offset = 0;
  if (CurColumn - 1 < FActivePage->ColumnPositions()->Count())
    offset = rptTextToFloat(FActivePage->ColumnPositions()->Strings(CurColumn - 1)) * rptMM;
  CurY = FColumnStartY;
  for (auto& e : FReprintList) {
    if (!e.Band || dynamic_cast<TrptPageHeader*>(e.Band)) continue;
    CurX = e.X + offset;
    ShowBand(e.Band);
  }
  CurX = FLeftOffset + offset;
}

void TrptEngine::NewPage() {
  if (FInNewPage) return;
  FInNewPage = true;
  if (FKeeping) PreviewPages->CutObjects(FKeepMark);
  FinishPage();
  BeginNewPage();
  FColumnStartY = CurY;
  if (FKeeping) {
    FAggregates->EndKeep();
    Extended pasteAt = CurY;
    PreviewPages->PasteObjects(0, CurY);
    // Outline entries made during the keep move with the kept block.
    if (PreviewPages->Outline())
      PreviewPages->Outline()->MoveItemTops(FKeepOutlineNode + 1,
                                            static_cast<int>(std::nearbyint(static_cast<double>(pasteAt))));
    CurY = PreviewPages->LowestBandBottom();
  }
  FKeeping = false;
  FInNewPage = false;
  if (!FActivePage->OutlineText.empty() && PreviewPages->Outline()) {
    PreviewPages->Outline()->LevelRoot();
    PreviewPages->Outline()->AddItem(VarToStr(Report->Calc(FActivePage->OutlineText)), 0);
    PreviewPages->Outline()->LevelRoot();
  }
}

void TrptEngine::StartKeep(TrptComponent* Owner, int Mark) {
  if (FKeeping || FKeepBlocked) return;
  FKeeping = true;
  FKeepOwner = Owner;
  FKeepMark = Mark == 0 ? PreviewPages->ObjectCountOnPage() : Mark;
  FKeepOutlineNode = PreviewPages->Outline() ? PreviewPages->Outline()->LastItem() : -1;
  FAggregates->StartKeep();
}

void TrptEngine::EndKeep(TrptComponent* Owner) {
  if (!FKeeping || Owner != FKeepOwner) return;
  FKeeping = false;
  FKeepOwner = nullptr;
  FAggregates->EndKeep();
}

void TrptEngine::RemoveReprint(TrptBand* Band) {
  if (Band && Band->Vertical) {
    FVReprintList.erase(std::remove(FVReprintList.begin(), FVReprintList.end(), Band), FVReprintList.end());
    return;
  }
  for (auto it = FReprintList.begin(); it != FReprintList.end(); ++it)
    if (it->Band == Band) {
      FReprintList.erase(it);
      return;
    }
}

void TrptEngine::ShowBandByClass(TClass BandClass) {
  if (FActivePage) ShowBand(FActivePage->FindBand(BandClass));
}

void TrptEngine::ResetMemos(TrptBand* Band) {
  for (TrptComponent* c : Band->Objects)
    if (auto* m = dynamic_cast<TrptCustomMemoView*>(c)) m->LastValue = Null();
}

bool TrptEngine::HasData(TrptBand* Band, const std::vector<TrptBand*>& Details, bool PrintIfDetailEmpty) {
  if (PrintIfDetailEmpty) return true;
  bool result = Band != nullptr && Details.empty();
  for (TrptBand* b : Details) {
    auto* d = dynamic_cast<TrptDataBand*>(b);
    if (!d) continue;
    if (!d->DataSet() && d->RowCount() == 0) continue;
    Report->DoNotifyEvent(d, d->OnMasterDetail);
    TrptDataSet* ds = d->EffectiveDataSet();
    ds->First();
    // Depth-limited: a detail level has data when one of its rows has.
    while (!ds->Eof()) {
      if (HasData(d, d->SubBands, d->PrintIfDetailEmpty)) {
        result = true;
        break;
      }
      ds->Next();
    }
  }
  return result;
}

void TrptEngine::ShowGroupHeaders(TrptGroupHeader* Head, size_t Level, bool Init) {
  for (size_t i = Level; i < Head->SubBands.size(); ++i) {
    auto* h = static_cast<TrptGroupHeader*>(Head->SubBands[i]);
    if (Init) {
      h->RowNumber = h->RowNumberAll = 1;
      ResetMemos(h);
    } else {
      ++h->RowNumber;
      ++h->RowNumberAll;
      if (i + 1 < Head->SubBands.size()) Head->SubBands[i + 1]->RowNumber = 0;
    }
    LineNumber = h->RowNumber;
    GlobalLineNumber = h->RowNumberAll;
    h->LastValue = Report->Calc(h->Condition);
    if (h->KeepTogether) StartKeep(h, 0);
    Extended top = CurY;
    ShowBand(h);
    AddBandOutline(h, top);
    if (h->ReprintOnNewPage) {
      if (h->Vertical) FVReprintList.push_back(h);  // repeated where a grid row wraps
      else FReprintList.push_back({h, CurX, FKeeping});
    }
  }
}

void TrptEngine::ShowGroupFooters(TrptGroupHeader* Head, size_t Level) {
  for (size_t i = Head->SubBands.size(); i-- > Level;) {
    auto* h = static_cast<TrptGroupHeader*>(Head->SubBands[i]);
    if (h->FooterBand) ShowBand(h->FooterBand);
    if (!h->OutlineText.empty() && PreviewPages->Outline()) PreviewPages->Outline()->LevelUp();
    if (h->ReprintOnNewPage) RemoveReprint(h);
    if (h->KeepTogether) EndKeep(h);
  }
}

void TrptEngine::CheckGroups(TrptDataBand* Band) {
  auto* head = dynamic_cast<TrptGroupHeader*>(Band->GroupBand);
  if (!head) return;
  for (size_t l = 0; l < head->SubBands.size(); ++l) {
    auto* h = static_cast<TrptGroupHeader*>(head->SubBands[l]);
    Variant v = Report->Calc(h->Condition);
    bool same = (IsNullish(v) && IsNullish(h->LastValue)) ||
                (!IsNullish(v) && !IsNullish(h->LastValue) && VarToStr(v) == VarToStr(h->LastValue));
    if (same) continue;
    // A group ends below its unfinished row of columns, not beside it.
    if (Band->Columns > 1 && Band->CurColumn() > 1) {
      CurY = std::max(CurY, Band->MaxY);
      Band->SetCurColumn(1);
    }
    TrptDataSet* ds = Band->EffectiveDataSet();
    bool back = false;
    try {
      ds->Prior();
      back = true;
    } catch (const std::exception&) {
    }
    ShowGroupFooters(head, l);
    if (back) ds->Next();
    ShowGroupHeaders(head, l, false);
    Band->RowNumber = 1;
    ResetMemos(Band);
    return;
  }
}

void TrptEngine::DataLoop(const std::vector<TrptBand*>& List) {
  if (++FDepth > 64) {  // detail levels are at most six deep
    --FDepth;
    return;
  }
  for (TrptBand* b : List) {
    if (Report->Terminated()) break;
    auto* r = dynamic_cast<TrptDataBand*>(b);
    if (!r || (!r->DataSet() && r->RowCount() == 0)) continue;
    TrptDataSet* ds = r->EffectiveDataSet();
    ds->First();
    r->RowNumber = r->RowNumberAll = 1;
    ResetMemos(r);
    bool first = true;
    int printed = 0;
    if (r->Columns > 1) r->SetCurColumn(1);
    while (!ds->Eof() && !Report->Terminated()) {
      if (HasData(r, r->SubBands, r->PrintIfDetailEmpty)) {
        if (first) {
          if (r->KeepTogether || (r->KeepHeader && r->HeaderBand)) StartKeep(r, 0);
          if (r->HeaderBand) {
            ShowBand(r->HeaderBand);
            if (auto* h = dynamic_cast<TrptHeader*>(r->HeaderBand))
              if (h->ReprintOnNewPage) FReprintList.push_back({h, CurX, FKeeping});
          }
        } else if (!r->GroupBand && r->KeepTogether) {
          StartKeep(r, 0);
        }
        if (auto* g = dynamic_cast<TrptGroupHeader*>(r->GroupBand)) {
          if (first) ShowGroupHeaders(g, 0, true);
          else CheckGroups(r);
        }
        LineNumber = r->RowNumber;
        GlobalLineNumber = r->RowNumberAll;
        Extended rowTop = CurY;
        ShowBand(r);
        // Column control: the rows of a multi-column band go side by side, then down.
        if (r->Columns > 1) {
          r->MaxY = std::max(r->MaxY, CurY);
          if (r->CurColumn() < r->Columns) {
            r->SetCurColumn(r->CurColumn() + 1);
            CurY = rowTop;
          } else {
            CurY = r->MaxY;
            r->SetCurColumn(1);
          }
        }
        for (TrptComponent* o : NotifyObjects) o->EngineNotify();
        if (first && r->KeepHeader && r->HeaderBand) EndKeep(r);
        ++r->RowNumber;
        ++r->RowNumberAll;
        ++printed;
        AddBandOutline(r, rowTop);
        DataLoop(r->SubBands);
        if (!r->OutlineText.empty() && PreviewPages->Outline()) PreviewPages->Outline()->LevelUp();
        first = false;
      }
      FKeepBlocked = false;
      if (r->FooterAfterEach && r->FooterBand) ShowBand(r->FooterBand);
      if (!r->GroupBand && r->KeepTogether) EndKeep(r);
      ds->Next();
      if (r->RowCount() != 0 && r->RowCount() < r->RowNumber) break;
    }
    if (r->Columns > 1 && r->CurColumn() > 1) {  // an unfinished row of columns
      CurY = std::max(CurY, r->MaxY);
      r->SetCurColumn(1);
    }
    if (printed > 0) {
      if (auto* g = dynamic_cast<TrptGroupHeader*>(r->GroupBand)) ShowGroupFooters(g, 0);
      if (!r->FooterAfterEach && r->FooterBand) {
        if (r->KeepFooter) StartKeep(r, 0);
        ShowBand(r->FooterBand);
        if (r->KeepFooter) EndKeep(r);
      }
      if (r->GroupBand && r->KeepTogether) EndKeep(r);
    }
    if (r->HeaderBand) RemoveReprint(r->HeaderBand);
    FKeepBlocked = false;
  }
  --FDepth;
}

Extended TrptEngine::CalcBandHeight(TrptBand* Band, bool Embed) {
  FAggregateBand = Band;
  std::vector<TrptView*> views = ViewsOf(Band);
  struct Orig {
    Extended Top, Height;
  };
  std::map<TrptView*, Orig> orig;
  // The copies a grid row added have their data already: they were filled from their cells.
  auto isCopy = [&](TrptView* v) {
    if (Band != FCrossBand) return false;
    auto it = std::find(Band->Objects.begin(), Band->Objects.end(), v);
    return static_cast<size_t>(it - Band->Objects.begin()) >= FCrossOwnCount;
  };
  for (TrptView* v : views) {
    if (isCopy(v)) {
      orig[v] = {v->Top(), v->Height()};
      continue;
    }
    v->BeforePrint();
    orig[v] = {v->Top(), v->Height()};
    Report->CurObjectName = v->Name();
    Report->DoBeforePrint(v);
    v->GetData();
    Report->DoNotifyEvent(v, v->OnAfterData);
  }
  if (Embed && Band->Visible()) {
    const size_t before = Band->Objects.size();
    EmbedSubreports(Band);
    for (size_t i = before; i < Band->Objects.size(); ++i)
      if (auto* v = dynamic_cast<TrptView*>(Band->Objects[i])) {
        orig[v] = {v->Top(), v->Height()};
        views.push_back(v);
      }
  }
  Extended h = Band->Height();
  if (!Band->Stretched) return h;
  // Stretching objects grow (or shrink) to their content; objects below them move down.
  std::vector<TrptView*> sorted = views;
  std::stable_sort(sorted.begin(), sorted.end(), [&](TrptView* a, TrptView* b) { return orig[a].Top < orig[b].Top; });
  std::map<TrptView*, Extended> growth;
  for (TrptView* v : sorted) {
    auto* s = dynamic_cast<TrptStretcheable*>(v);
    Extended shift = 0;
    if (v->ShiftMode != smDontShift)
      for (TrptView* u : sorted) {
        if (u == v) break;
        if (orig[u].Top + orig[u].Height <= orig[v].Top + 0.0001) shift = std::max(shift, growth[u]);
      }
    if (shift != 0) v->SetTop(orig[v].Top + shift);
    Extended grow = shift;
    if (s && s->StretchMode == smActualHeight && s->Visible()) {
      Extended nh = s->CalcHeight();
      s->SetHeight(nh);
      grow = shift + nh - orig[v].Height;
    }
    growth[v] = grow;
  }
  Extended bottom = 0;
  for (TrptView* v : views)
    if (v->Visible()) bottom = std::max(bottom, v->Top() + v->Height());
  h = std::max(bottom, static_cast<Extended>(0));
  for (TrptView* v : views)
    if (auto* s = dynamic_cast<TrptStretcheable*>(v))
      if (s->StretchMode == smMaxHeight) s->SetHeight(h - s->Top());
  Report->DoNotifyEvent(Band, Band->OnAfterCalcHeight);
  return h;
}

void TrptEngine::OutputBand(TrptBand* Band, Extended Height) {
  // A page that is filled again (the further page widths of a grid row, subreports side by
  // side) holds its headers and overlay already.
  if ((Band == FReprintBand || dynamic_cast<TrptOverlay*>(Band)) && PreviewPages->HasBandObject(Band)) {
    for (TrptView* v : ViewsOf(Band)) {
      v->AfterPrint();
      Report->DoAfterPrint(v);
    }
    return;
  }
  Band->BeforePrint();
  auto* d = dynamic_cast<TrptDataBand*>(Band);
  Extended x = CurX + (d && d->Columns > 1 ? Band->Left() : 0);
  Band->SetBounds(x, CurY, d && d->Columns > 1 ? d->ColumnWidth : Band->Width(), Height);
  PreviewPages->AddObject(Band);
  for (TrptView* v : ViewsOf(Band)) {
    if (v->Visible()) PreviewPages->AddObject(v);
  }
  for (TrptView* v : ViewsOf(Band)) {
    v->AfterPrint();
    Report->DoAfterPrint(v);
  }
  Band->AfterPrint();
}

void TrptEngine::DoShowBand(TrptBand* Band) {
  if (Band->Vertical) {
    ShowVerticalBand(Band);
    return;
  }
  Report->DoNotifyEvent(Band, Band->OnBeforePrint);
  if (!Band->Visible()) {
    if (auto* d = dynamic_cast<TrptDataBand*>(Band)) FAggregates->AddValue(d, 0);
    return;
  }
  // A band crossing vertical bands first builds its grid row: a copy of its cells per vertical
  // row, wrapping at the page width. The copies go again once the row is output, whatever
  // happens meanwhile; a grid row printed inside another (a header repeated by a page break)
  // keeps its own state.
  const bool cross = Band->CrossesVertical && !FInVerticalPass && !FActivePage->VBands.empty();
  TrptBand* const outerCross = FCrossBand;
  const std::vector<size_t> outerBreaks = FCrossBreaks;
  const size_t outerOwn = FCrossOwnCount;
  const bool keptSplit = Band->AllowSplit;
  const Extended keptX = CurX;
  std::vector<size_t> breaks;
  struct CrossGuard {
    TrptEngine* E;
    TrptBand* B;
    bool Active;
    size_t Own;
    bool Split;
    Extended X;
    TrptBand* OuterCross;
    const std::vector<size_t>* OuterBreaks;
    size_t OuterOwn;
    ~CrossGuard() {
      while (B->Objects.size() > Own) delete B->Objects.back();
      if (Active) {
        B->AllowSplit = Split;
        E->CurX = X;
        E->CurVColumn = 0;
      }
      E->FCrossBand = OuterCross;
      E->FCrossBreaks = *OuterBreaks;
      E->FCrossOwnCount = OuterOwn;
    }
  } guard{this, Band, false, Band->Objects.size(), keptSplit, keptX, outerCross, &outerBreaks, outerOwn};
  if (cross) {
    guard.Active = true;
    FInVerticalPass = true;
    try {
      CrossPass(Band);
    } catch (...) {
      FInVerticalPass = false;
      throw;
    }
    FInVerticalPass = false;
    breaks = FCrossBreaks;
    CurX = 0;
  }
  const bool pageFrame = dynamic_cast<TrptPageFooter*>(Band) || dynamic_cast<TrptColumnFooter*>(Band) ||
                         dynamic_cast<TrptOverlay*>(Band);
  if (Band->StartNewPage && !FReprintingHeaders && !FInNewPage && !FEmbedBand && CurY > FColumnStartY + 0.0001 &&
      !dynamic_cast<TrptPageHeader*>(Band))
    NewPage();
  Extended h = CalcBandHeight(Band, true);
  const Extended limit = PageHeight - FootersHeight();
  if (!pageFrame && !FReprintingHeaders && !FInNewPage && !FEmbedBand && CurY + h > limit + 0.0001) {
    Band->Overflow = true;
    if (Band->AllowSplit && h > limit - CurY) {
      // Split: stretchable objects hand what does not fit to the next page.
      std::vector<TrptCustomMemoView*> memos;
      for (TrptView* v : ViewsOf(Band))
        if (auto* m = dynamic_cast<TrptCustomMemoView*>(v)) {
          m->BeginParts();
          memos.push_back(m);
        }
      Extended fullH = h;
      for (int guard = 0; guard < 10000; ++guard) {
        Extended room = PageHeight - FootersHeight() - CurY;
        bool more = false, progress = false;
        for (TrptCustomMemoView* m : memos) {
          Extended avail = room - m->Top();
          if (avail <= 0 || m->RemainingPart.empty()) {
            m->SetText("");
            more = more || !m->RemainingPart.empty();
            continue;
          }
          m->SetHeight(avail);
          std::string before = m->RemainingPart;
          m->FitNextPart();
          if (m->RemainingPart != before) progress = true;
          if (!m->RemainingPart.empty()) more = true;
        }
        Extended partH = std::min(room, fullH);
        Band->BeforePrint();
        Band->SetBounds(CurX, CurY, Band->Width(), partH);
        PreviewPages->AddObject(Band);
        for (TrptView* v : ViewsOf(Band))
          if (v->Visible()) PreviewPages->AddObject(v);
        Band->AfterPrint();
        CurY += partH;
        if (!more) break;
        if (!progress && CurY <= FColumnStartY + partH + 0.0001) break;  // nothing fits even on a fresh page
        NewPage();
        fullH = h;
      }
      for (TrptView* v : ViewsOf(Band)) {
        v->AfterPrint();
        Report->DoAfterPrint(v);
      }
      goto Done;
    }
    // A new column or page only helps when this one holds more than its headers.
    if (CurY > FColumnStartY + 0.0001) {
      if (FActivePage->Columns() > 1) NewColumn();
      else NewPage();
    }
    // A band taller than the whole page is cut at the page's bottom instead of breaking forever.
    if (CurY + h > limit + 0.0001) h = std::max<Extended>(0, limit - CurY);
  }
  {
    Extended top = CurY;
    if (FEmbedBand) CopyIntoEmbedBand(Band, h);
    else if (cross) OutputCrossBand(Band, h, breaks);
    else OutputBand(Band, h);
    CurY += h;
    if (!FEmbedBand) PrintSubreports(Band, top);
  }
Done:
  if (auto* d = dynamic_cast<TrptDataBand*>(Band)) FAggregates->AddValue(d, 0);
  if (dynamic_cast<TrptFooter*>(Band) || dynamic_cast<TrptGroupFooter*>(Band) || dynamic_cast<TrptReportSummary*>(Band))
    FAggregates->Reset(Band);
  Report->DoNotifyEvent(Band, Band->OnAfterPrint);
}

void TrptEngine::EmbedSubreports(TrptBand* Band) {
  if (FEmbedBand || FDepth >= 16) return;  // only the outermost embedding prints
  std::vector<TrptSubreport*> subs;
  for (TrptComponent* c : Band->Objects)
    if (auto* s = dynamic_cast<TrptSubreport*>(c))
      if (s->PrintOnParent && s->Page() && s->Visible()) subs.push_back(s);
  if (subs.empty()) return;
  auto embed = std::make_unique<TrptNullBand>(nullptr);
  FEmbedBand = embed.get();
  const Extended keptX = CurX, keptY = CurY, keptOffset = FLeftOffset;
  TrptReportPage* keptPage = FActivePage;
  try {
    for (TrptSubreport* s : subs) {
      // Places relative to the band: the band itself goes to its place when it is output.
      FLeftOffset = CurX = s->Left();
      CurY = s->Top();
      DataLoop(s->Page()->HBands);
    }
  } catch (...) {
    FEmbedBand = nullptr;
    FActivePage = keptPage;
    CurX = keptX;
    CurY = keptY;
    FLeftOffset = keptOffset;
    throw;
  }
  FEmbedBand = nullptr;
  FActivePage = keptPage;
  CurX = keptX;
  CurY = keptY;
  FLeftOffset = keptOffset;
  // The collected views join the band where they printed; they keep the size they printed at.
  std::vector<TrptComponent*> collected;
  for (TrptComponent* b : embed->Objects)
    for (TrptComponent* v : b->Objects)
      if (!dynamic_cast<TrptSubreport*>(v)) collected.push_back(v);
  for (TrptComponent* v : collected) {
    const Extended left = v->GetAbsLeft(), top = v->GetAbsTop();
    v->SetParent(Band);
    v->SetLeft(left);
    v->SetTop(top);
    if (auto* st = dynamic_cast<TrptStretcheable*>(v)) st->StretchMode = smDontStretch;
  }
}

void TrptEngine::CopyIntoEmbedBand(TrptBand* Band, Extended Height) {
  // A plain band in the band's place, with copies of its visible objects as they printed.
  auto* copy = new TrptBand(FEmbedBand);
  copy->Assign(Band);
  copy->SetBounds(CurX, CurY, Band->Width(), Height);
  for (TrptView* v : ViewsOf(Band)) {
    if (!v->Visible()) continue;
    if (auto* o = dynamic_cast<TrptComponent*>(v->ClassType()->Factory(copy))) {
      if (o->Parent() != copy) o->SetParent(copy);
      o->Assign(v);
    }
  }
  for (TrptView* v : ViewsOf(Band)) {
    v->AfterPrint();
    Report->DoAfterPrint(v);
  }
}

void TrptEngine::PrintSubreports(TrptBand* Band, Extended Top) {
  // Each subreport prints its page's data bands at its place in the band, as deep as its content
  // needs; the band's row ends below the lowest of them.
  std::vector<TrptSubreport*> subs;
  for (TrptComponent* c : Band->Objects)
    if (auto* s = dynamic_cast<TrptSubreport*>(c))
      if (s->Page() && s->Visible() && !s->PrintOnParent && FDepth < 16) subs.push_back(s);
  if (subs.empty()) return;
  const Extended savedX = CurX, savedOffset = FLeftOffset;
  TrptReportPage* savedPage = FActivePage;
  const int startPage = PreviewPages->FillPage;
  // The furthest point reached: the latest page, and the lowest y on it.
  int endPage = startPage;
  Extended endY = CurY;
  for (TrptSubreport* s : subs) {
    PreviewPages->FillPage = startPage;
    CurX = savedX + s->Left();
    FLeftOffset = CurX;
    CurY = Top + s->Top();
    DataLoop(s->Page()->HBands);
    if (PreviewPages->FillPage > endPage || (PreviewPages->FillPage == endPage && CurY > endY)) {
      endPage = PreviewPages->FillPage;
      endY = CurY;
    }
  }
  FActivePage = savedPage;
  CurX = savedX;
  FLeftOffset = savedOffset;
  PreviewPages->FillPage = endPage;
  CurY = endY;
}

void TrptEngine::CrossPass(TrptBand* Host) {
  FCrossBand = Host;
  FCrossOwnCount = Host->Objects.size();
  Host->AllowSplit = false;
  FVReprintList.clear();
  FCrossBreaks.assign(1, 0);
  CurVColumn = 0;
  // The host's own objects are filled afterwards with the host's row numbers.
  const int line = LineNumber, global = GlobalLineNumber;
  VerticalDataLoop(FActivePage->VBands);
  LineNumber = line;
  GlobalLineNumber = global;
  FCrossBreaks.push_back(Host->Objects.size());
}

void TrptEngine::VerticalDataLoop(const std::vector<TrptBand*>& List) {
  if (++FDepth > 64) {
    --FDepth;
    return;
  }
  // Every record prints: a grid has a column per vertical row whether or not it has data.
  for (TrptBand* b : List) {
    if (Report->Terminated()) break;
    auto* r = dynamic_cast<TrptDataBand*>(b);
    if (!r || (!r->DataSet() && r->RowCount() == 0)) continue;
    TrptDataSet* ds = r->EffectiveDataSet();
    ds->First();
    r->RowNumber = r->RowNumberAll = 1;
    ResetMemos(r);
    auto* g = dynamic_cast<TrptGroupHeader*>(r->GroupBand);
    bool first = true;
    int printed = 0;
    while (!ds->Eof() && !Report->Terminated()) {
      if (first) {
        if (r->HeaderBand) {
          ShowBand(r->HeaderBand);
          FVReprintList.push_back(r->HeaderBand);
        }
        if (g) ShowGroupHeaders(g, 0, true);
      } else if (g) {
        CheckGroups(r);
      }
      LineNumber = r->RowNumber;
      GlobalLineNumber = r->RowNumberAll;
      ShowBand(r);
      for (TrptComponent* o : NotifyObjects) o->EngineNotify();
      ++r->RowNumber;
      ++r->RowNumberAll;
      ++printed;
      VerticalDataLoop(r->SubBands);
      if (r->FooterAfterEach && r->FooterBand) ShowBand(r->FooterBand);
      first = false;
      ds->Next();
      if (r->RowCount() != 0 && r->RowCount() < r->RowNumber) break;
    }
    if (g) ShowGroupFooters(g, 0);
    if (printed > 0) {
      if (r->HeaderBand) RemoveReprint(r->HeaderBand);
      if (!r->FooterAfterEach && r->FooterBand) ShowBand(r->FooterBand);
    }
  }
  --FDepth;
}

void TrptEngine::ShowVerticalBand(TrptBand* B) {
  if (!FCrossBand) return;  // vertical bands print only inside a grid row
  const bool footer = dynamic_cast<TrptFooter*>(B) || dynamic_cast<TrptGroupFooter*>(B);
  B->BeforePrint();
  Report->DoNotifyEvent(B, B->OnBeforePrint);
  // Past the page width the row continues on a further page width, headers first. The
  // repeated headers take their column numbers before this band takes its own, so that a
  // column's totals are kept under one number in every row.
  if (B->Visible() && !FVReprinting && CurX > 0.0001 && CurX + B->Width() > PageWidth + 0.0001) {
    CurX = 0;
    FCrossBreaks.push_back(FCrossBand->Objects.size());
    FVReprinting = true;
    for (TrptBand* r : std::vector<TrptBand*>(FVReprintList)) ShowBand(r);
    FVReprinting = false;
  }
  ++CurVColumn;
  FAggregateBand = footer ? B : FCrossBand;
  if (B->Visible()) {
    for (TrptComponent* o : std::vector<TrptComponent*>(B->Objects)) {
      auto* cell = dynamic_cast<TrptReportComponent*>(o);
      if (!cell || o->CrossHost != FCrossBand) continue;
      cell->BeforePrint();
      Report->CurObjectName = cell->Name();
      Report->DoBeforePrint(cell);
      cell->GetData();
      Report->DoNotifyEvent(cell, cell->OnAfterData);
      if (auto* copy = dynamic_cast<TrptComponent*>(o->ClassType()->Factory(FCrossBand))) {
        if (copy->Parent() != FCrossBand) copy->SetParent(FCrossBand);
        copy->Assign(o);
        copy->Alias = o->Alias;
        copy->OriginalComponent = o->OriginalComponent;
        copy->SetLeft(copy->Left() + CurX);
      }
      cell->AfterPrint();
    }
    CurX += B->Width();
  }
  Report->DoNotifyEvent(B, B->OnAfterPrint);
  B->AfterPrint();
  FAggregates->AddValue(FCrossBand, CurVColumn);
  if (footer) FAggregates->Reset(B);
  if (auto* d = dynamic_cast<TrptDataBand*>(B)) FAggregates->AddValue(d, 0);
}

void TrptEngine::OutputCrossBand(TrptBand* Band, Extended Height, const std::vector<size_t>& Breaks) {
  // Each page width of the row goes on its own page, at the same height: the next prepared page
  // is filled again when an earlier row made it, so the rows of a grid line up page by page.
  const std::vector<TrptComponent*> all = Band->Objects;
  const int startPage = PreviewPages->FillPage;
  const Extended y = CurY, x = CurX;
  const bool keeping = FKeeping;
  FKeeping = false;
  std::vector<std::pair<size_t, size_t>> segments;
  for (size_t i = 0; i + 1 < Breaks.size(); ++i) {
    size_t from = std::min(Breaks[i], all.size()), to = std::min(Breaks[i + 1], all.size());
    if (to > from || segments.empty()) segments.emplace_back(from, std::max(from, to));
  }
  PreviewPages->AppendMode = 0;
  for (size_t s = 0; s < segments.size(); ++s) {
    Band->Objects.assign(all.begin() + static_cast<std::ptrdiff_t>(segments[s].first),
                         all.begin() + static_cast<std::ptrdiff_t>(segments[s].second));
    CurX = 0;
    CurY = y;
    OutputBand(Band, Height);
    if (s + 1 < segments.size()) {
      // A header spread over several page widths is not repeated on the pages that follow.
      if (auto* h = dynamic_cast<TrptHeader*>(Band)) h->ReprintOnNewPage = false;
      NewPage();
    } else if (segments.size() > 1) {
      FinishPage();
    }
  }
  Band->Objects = all;
  PreviewPages->FillPage = startPage;
  CurY = y;
  CurX = x;
  FKeeping = keeping;
  PreviewPages->AppendMode = 1;
}

void TrptEngine::ShowBand(TrptComponent* B) {
  auto* band = dynamic_cast<TrptBand*>(B);
  for (int guard = 0; band && guard < 1000; ++guard) {
    DoShowBand(band);
    TrptBand* child = band->Child();
    if (!child || (!band->Visible() && !band->PrintChildIfInvisible)) break;
    if (child->Vertical != band->Vertical) break;
    band = child;
  }
}

void rptInstallEngine() {
  rptServices().CreateEngine = [](TrptReport* R, TrptCustomEngine*& E, TrptCustomPreviewPages*& P) {
    E = new TrptEngine(R);
    P = new TrptPreviewPages(R);
  };
}
