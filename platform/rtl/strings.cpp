// TStrings and TStringList.
#include "platform/rtl/strings.h"

#include <algorithm>
#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TStrings, TPersistent)
ORV_CLASS_IMPL(TStringList, TStrings)

namespace {
const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SDuplicateString = "String list does not allow duplicates";
const char* const SSortedListError = "Operation not allowed on sorted list";

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && c != '\0'; }
}  // namespace

// ---- TStrings ----

void TStrings::Error(const char* Msg, int64_t Data) {
  std::string m = Msg;
  size_t p = m.find("%d");
  if (p != std::string::npos) m.replace(p, 2, std::to_string(Data));
  throw EStringListError(m);
}

void TStrings::Put(int Index, const std::string& S) {
  TObject* obj = GetObject(Index);
  BeginUpdate();
  Delete(Index);
  InsertObject(Index, S, obj);
  EndUpdate();
}

int TStrings::Add(const std::string& S) {
  int i = Count();
  Insert(i, S);
  return i;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
  int i = Add(S);
  PutObject(i, AObject);
  return i;
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
  Insert(Index, S);
  PutObject(Index, AObject);
}

void TStrings::AddStrings(const TStrings* Strings) {
  if (!Strings) return;
  BeginUpdate();
  // Copy first: Strings may be this list.
  std::vector<std::pair<std::string, TObject*>> items;
  for (int i = 0; i < Strings->Count(); ++i) items.emplace_back(Strings->Get(i), Strings->GetObject(i));
  for (auto& [s, o] : items) AddObject(s, o);
  EndUpdate();
}

void TStrings::AddStrings(const std::vector<std::string>& Strings) {
  BeginUpdate();
  for (const auto& s : Strings) Add(s);
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TStrings*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    Clear();
    FDelimiter = src->FDelimiter;
    FQuoteChar = src->FQuoteChar;
    FNameValueSeparator = src->FNameValueSeparator;
    FStrictDelimiter = src->FStrictDelimiter;
    FLineBreak = src->FLineBreak;
    AddStrings(src);
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

bool TStrings::Equals(const TStrings* Strings) const {
  if (!Strings || Strings->Count() != Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  std::string s1 = Get(Index1), s2 = Get(Index2);
  TObject* o1 = GetObject(Index1);
  TObject* o2 = GetObject(Index2);
  Put(Index1, s2);
  Put(Index2, s1);
  PutObject(Index1, o2);
  PutObject(Index2, o1);
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  std::string s = Get(CurIndex);
  TObject* o = GetObject(CurIndex);
  Delete(CurIndex);
  InsertObject(NewIndex, s, o);
  EndUpdate();
}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
  return AnsiCompareText(S1, S2);
}

int TStrings::IndexOf(const std::string& S) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
  for (int i = 0; i < Count(); ++i) {
    std::string s = Get(i);
    size_t p = s.find(FNameValueSeparator);
    if (p != std::string::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == AObject) return i;
  return -1;
}

std::string TStrings::Names(int Index) const {
  std::string s = Get(Index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(0, p);
}

std::string TStrings::Values(const std::string& Name) const {
  int i = IndexOfName(Name);
  return i < 0 ? std::string() : ValueFromIndex(i);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
  int i = IndexOfName(Name);
  if (Value.empty()) {
    if (i >= 0) Delete(i);
    return;
  }
  if (i < 0) {
    Add(Name + FNameValueSeparator + Value);
    return;
  }
  Put(i, Name + FNameValueSeparator + Value);
}

std::string TStrings::ValueFromIndex(int Index) const {
  std::string s = Get(Index);
  size_t p = s.find(FNameValueSeparator);
  return p == std::string::npos ? std::string() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const std::string& Value) {
  if (Value.empty()) {
    if (Index >= 0) Delete(Index);
    return;
  }
  if (Index < 0) Index = Add("");
  Put(Index, Names(Index) + FNameValueSeparator + Value);
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    out += Get(i);
    out += FLineBreak;
  }
  return out;
}

void TStrings::SetText(const std::string& Value) {
  BeginUpdate();
  Clear();
  size_t i = 0, n = Value.size();
  while (i < n) {
    size_t start = i;
    while (i < n && Value[i] != '\r' && Value[i] != '\n') ++i;
    Add(Value.substr(start, i - start));
    if (i < n && Value[i] == '\r') ++i;
    if (i < n && Value[i] == '\n') ++i;
  }
  EndUpdate();
}

std::string TStrings::QuoteEntry(const std::string& S, char Delim, char Quote, bool Strict) {
  bool quote = false;
  for (char c : S) {
    if (c == Quote || c == Delim || (!Strict && static_cast<unsigned char>(c) <= ' ')) {
      quote = true;
      break;
    }
  }
  if (!quote) return S;
  std::string out(1, Quote);
  for (char c : S) {
    out += c;
    if (c == Quote) out += c;
  }
  out += Quote;
  return out;
}

std::string TStrings::JoinDelimited(char Delim, char Quote, bool Strict) const {
  if (Count() == 1 && Get(0).empty()) return std::string(2, Quote);
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    if (i) out += Delim;
    out += QuoteEntry(Get(i), Delim, Quote, Strict);
  }
  return out;
}

void TStrings::SplitDelimited(const std::string& Value, char Delim, char Quote, bool Strict) {
  BeginUpdate();
  Clear();
  const size_t n = Value.size();
  size_t p = 0;
  auto skipBlanks = [&] {
    if (!Strict)
      while (p < n && IsBlank(Value[p])) ++p;
  };
  skipBlanks();
  while (p < n) {
    std::string s;
    if (Value[p] == Quote) {
      // Quoted entry: doubled quotes stand for one; an unclosed quote runs to the end.
      ++p;
      while (p < n) {
        if (Value[p] == Quote) {
          if (p + 1 < n && Value[p + 1] == Quote) {
            s += Quote;
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        s += Value[p++];
      }
    } else {
      size_t start = p;
      while (p < n && Value[p] != Delim && (Strict || static_cast<unsigned char>(Value[p]) > ' ')) ++p;
      s = Value.substr(start, p - start);
    }
    Add(s);
    skipBlanks();
    if (p < n && Value[p] == Delim) {
      if (p + 1 == n) Add("");
      ++p;
      skipBlanks();
    }
  }
  EndUpdate();
}

std::string TStrings::DelimitedText() const {
  return JoinDelimited(FDelimiter, FQuoteChar, FStrictDelimiter);
}

void TStrings::SetDelimitedText(const std::string& Value) {
  SplitDelimited(Value, FDelimiter, FQuoteChar, FStrictDelimiter);
}

// CommaText always uses "," and '"' with blanks separating, whatever the list's settings.
std::string TStrings::CommaText() const { return JoinDelimited(',', '"', false); }

void TStrings::SetCommaText(const std::string& Value) { SplitDelimited(Value, ',', '"', false); }

void TStrings::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
  std::string data;
  char buf[65536];
  for (;;) {
    int64_t got = Stream->Read(buf, sizeof buf);
    if (got <= 0) break;
    data.append(buf, static_cast<size_t>(got));
  }
  if (data.size() >= 3 && data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
  SetText(data);
}

void TStrings::SaveToStream(TStream* Stream) const {
  std::string t = Text();
  if (!t.empty()) Stream->WriteBuffer(t.data(), static_cast<int64_t>(t.size()));
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  if (FUpdateCount == 0) SetUpdateState(false);
}

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> out;
  out.reserve(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) out.push_back(Get(i));
  return out;
}

// ---- TStringList ----

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (FOwnsObjects)
    for (auto& item : FList) delete item.FObject;
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(SListIndexError, Index);
}

void TStringList::FreeObject(TObject* AObject) {
  if (FOwnsObjects) delete AObject;
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else if (OnChange) {
    OnChange(this);
  }
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FString;
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(Index);
  Changing();
  FList[static_cast<size_t>(Index)].FString = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)].FObject;
}

void TStringList::PutObject(int Index, TObject* AObject) {
  CheckIndex(Index);
  Changing();
  TObject*& slot = FList[static_cast<size_t>(Index)].FObject;
  if (slot != AObject) FreeObject(slot);
  slot = AObject;
  Changed();
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
  Changing();
  FList.insert(FList.begin() + Index, TStringItem{S, AObject});
  Changed();
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) Error(SSortedListError, 0);
  if (Index < 0 || Index > Count()) Error(SListIndexError, Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* obj = FList[static_cast<size_t>(Index)].FObject;
  FList.erase(FList.begin() + Index);
  FreeObject(obj);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  Changing();
  std::vector<TStringItem> old;
  old.swap(FList);
  for (auto& item : old) FreeObject(item.FObject);
  Changed();
}

int TStringList::Add(const std::string& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const std::string& S, TObject* AObject) {
  int index;
  if (!FSorted) {
    index = Count();
  } else if (Find(S, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) Error(SDuplicateString, 0);
  }
  InsertItem(index, S, AObject);
  return index;
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
  Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  if (FSorted) Error(SSortedListError, 0);
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  Changing();
  TStringItem item = std::move(FList[static_cast<size_t>(CurIndex)]);
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, std::move(item));
  Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
  return FCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

int TStringList::IndexOf(const std::string& S) const {
  if (!FSorted) return TStrings::IndexOf(S);
  int i;
  return Find(S, i) ? i : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = (lo + hi) / 2;
    int c = CompareStrings(FList[static_cast<size_t>(mid)].FString, S);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) found = true;
    }
  }
  Index = lo;
  return found;
}

void TStringList::QuickSort(const std::function<int(int, int)>& Compare) {
  // Sort a permutation, then apply it: the comparison sees the entries by index, as it expects.
  std::vector<int> order(FList.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(a, b) < 0; });
  std::vector<TStringItem> sorted;
  sorted.reserve(FList.size());
  for (int i : order) sorted.push_back(std::move(FList[static_cast<size_t>(i)]));
  FList.swap(sorted);
}

void TStringList::Sort() {
  if (FSorted || Count() < 2) return;
  Changing();
  QuickSort([this](int a, int b) {
    return CompareStrings(FList[static_cast<size_t>(a)].FString, FList[static_cast<size_t>(b)].FString);
  });
  Changed();
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (FSorted || Count() < 2 || !Compare) return;
  Changing();
  QuickSort([this, &Compare](int a, int b) { return Compare(this, a, b); });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (FSorted == Value) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (FCaseSensitive == Value) return;
  FCaseSensitive = Value;
  if (FSorted) {
    FSorted = false;
    Sort();
    FSorted = true;
  }
}
