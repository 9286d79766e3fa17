// ShellLink: TNavShellLink, TNavSelectionList and TNavFolderSizeThread.
//
// Paths are compared as they are written (this platform's file names differ by case), and "below
// a folder" means "starts with the folder's path and a slash", so /a/bc is not below /a/b.
#include "controls/shelllink.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "controls/shellnavigator.h"
#include "platform/rtl/fileutils.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TShellList, TList)
ORV_CLASS_IMPL(TNavStack, TList)
ORV_CLASS_IMPL(TNavFolderSizeThread, TThread)
ORV_CLASS_IMPL(TNavSelectionList, TComponent)
ORV_CLASS_IMPL(TNavShellLink, TComponent)

namespace {

bool IsWildcard(const std::string& P) {
  return P.size() >= 2 && P.compare(P.size() - 2, 2, "/*") == 0;
}

// The path an entry stands for: a wildcard's folder, or the file.
std::string Base(const std::string& P) {
  if (!IsWildcard(P)) return P;
  std::string b = P.substr(0, P.size() - 2);
  return b.empty() ? "/" : b;
}

std::string Join(const std::string& Dir, const std::string& Name) {
  return Dir == "/" ? "/" + Name : Dir + "/" + Name;
}

bool IsDir(const std::string& P) {
  struct stat st;
  return stat(P.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool StartsWith(const std::string& S, const std::string& Prefix) {
  return S.compare(0, Prefix.size(), Prefix) == 0;
}

// The entries of a folder in name order ("." and ".." left out), as full paths.
std::vector<std::string> Entries(const std::string& Dir) {
  std::vector<std::string> v;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Dir, ec))
    v.push_back(Join(Dir, e.path().filename().string()));
  std::sort(v.begin(), v.end());
  return v;
}

}  // namespace

// ---- TNavFolderSizeThread ----
TNavFolderSizeThread::TNavFolderSizeThread(const std::string& APath, TNavSelectionList*)
    : TThread(false), Path(APath) {
  SetPriority(tpHigher);
  SetFreeOnTerminate(true);
}

void TNavFolderSizeThread::Scan(const std::string& Dir) {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(Dir, ec)) {
    std::error_code ec2;
    auto st = e.symlink_status(ec2);
    if (ec2) continue;
    if (std::filesystem::is_directory(st)) {
      Scan(e.path().string());  // a folder that cannot be read counts with what could be read
    } else {
      struct stat s;
      if (stat(e.path().c_str(), &s) == 0 && !S_ISDIR(s.st_mode)) {
        TotalSize += static_cast<uint64_t>(s.st_size);
        ++FileCount;
      }
    }
  }
}

void TNavFolderSizeThread::Execute() {
  struct stat st;
  if (stat(Path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    Scan(Path);
  } else {
    TotalSize = static_cast<uint64_t>(st.st_size);
    FileCount = 1;
  }
}

// ---- TNavSelectionList ----
// The totals live apart from the list so that a worker that ends after the list is gone finds
// nothing to add to (the workers are not tracked, as they were not in the original; the list
// only stops listening to them).
struct TNavSelectionList::TTotals {
  uint64_t Size = 0;
  uint32_t Count = 0;
  int Workers = 0;
};

TNavSelectionList::TNavSelectionList(TComponent* AOwner)
    : TComponent(AOwner),
      FPaths(std::make_unique<TStringList>()),
      FTotals(std::make_shared<TTotals>()),
      FStack(std::make_unique<TNavStack>()) {
  FPaths->SetCaseSensitive(true);
}

TNavSelectionList::~TNavSelectionList() = default;

void TNavSelectionList::Publish(TPublisher<TNavSelectionList>& P) {
  P.Prop("Paths", &TNavSelectionList::Paths, &TNavSelectionList::SetPaths);
}

void TNavSelectionList::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TNavSelectionList*>(Source)) {
    FPaths->Assign(s->FPaths.get());
    FTotals->Size = s->FTotals->Size;
    FTotals->Count = s->FTotals->Count;
    return;
  }
  TComponent::Assign(Source);
}

void TNavSelectionList::SetPaths(TStrings* Value) {
  if (!Value) return;
  for (int i = 0; i < Value->Count(); ++i) Add(Value->Strings(i));
}

uint64_t TNavSelectionList::TotalSize() const { return FTotals->Size; }
uint32_t TNavSelectionList::FileCount() const { return FTotals->Count; }
bool TNavSelectionList::Busy() const { return FTotals->Workers > 0; }

bool TNavSelectionList::Normalise(std::string& Path) {
  if (Path.empty() || Path == "." || Path == "..") return false;
  std::string p = Path;
  if (p.back() == '*') p.pop_back();
  if (p.empty()) return false;
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return false;
  Path = S_ISDIR(st.st_mode) ? IncludeTrailingPathDelimiter(p) + "*" : p;
  return true;
}

bool TNavSelectionList::IsEntry(const std::string& P) const { return FPaths->IndexOf(P) >= 0; }

bool TNavSelectionList::IsCovered(const std::string& P) const {
  if (IsEntry(P)) return true;
  std::string p = P;
  for (;;) {
    std::string base = Base(p);
    if (base == "/") return false;
    std::string parent = IncludeTrailingPathDelimiter(ExtractFileDir(base)) + "*";
    if (parent == p) return false;
    p = parent;
    if (IsEntry(p)) return true;
  }
}

TNavSelectionState TNavSelectionList::StateOf(const std::string& P, bool& Covered) const {
  Covered = false;
  if (IsEntry(P)) return nsTicked;
  if (IsCovered(P)) {
    Covered = true;
    return nsTicked;
  }
  // Something below it is ticked: an entry starts with its folder path and a slash.
  const std::string key = IsWildcard(P) ? P.substr(0, P.size() - 1) : P + "/";
  for (int i = 0; i < FPaths->Count(); ++i)
    if (StartsWith(FPaths->Strings(i), key)) return nsPartlyTicked;
  return nsNotTicked;
}

TNavSelectionState TNavSelectionList::GetState(const std::string& Path, bool& Covered) {
  Covered = false;
  std::error_code ec;
  auto space = std::filesystem::space(Path.empty() ? "." : Path, ec);  // the volume answers
  (void)space;
  std::string p = Path;
  if (ec || !Normalise(p)) return nsUnavailable;
  return StateOf(p, Covered);
}

TNavSelectionState TNavSelectionList::GetStatePidl(LPCITEMIDLIST Pidl, bool& Covered) {
  return GetState(PidlToPath(Pidl), Covered);
}

void TNavSelectionList::StartWorker(const std::string& Path, int Sign) {
  auto* t = new TNavFolderSizeThread(Path, this);
  t->Sign = Sign;
  std::weak_ptr<TTotals> totals = FTotals;
  ++FTotals->Workers;
  t->OnTerminate = [this, totals](TObject* Sender) {
    if (totals.lock()) SizeThreadDone(Sender);
  };
  t->AfterConstruction();
}

void TNavSelectionList::SizeThreadDone(TObject* Sender) {
  auto* t = dynamic_cast<TNavFolderSizeThread*>(Sender);
  if (!t) return;
  FTotals->Size +=
      static_cast<uint64_t>(static_cast<int64_t>(t->Sign) * static_cast<int64_t>(t->TotalSize));
  FTotals->Count += static_cast<uint32_t>(t->Sign * static_cast<int64_t>(t->FileCount));
  if (FTotals->Workers > 0) --FTotals->Workers;
}

void TNavSelectionList::CountIn(const std::string& Entry, int Sign) {
  if (IsWildcard(Entry)) {
    StartWorker(Base(Entry), Sign);
    return;
  }
  int64_t size = FileSize64(Entry);
  if (size < 0) return;  // gone meanwhile: it adds nothing and takes nothing
  FTotals->Size += static_cast<uint64_t>(Sign * size);
  FTotals->Count += static_cast<uint32_t>(Sign);
}

void TNavSelectionList::DeleteEntry(int Index) {
  CountIn(FPaths->Strings(Index), -1);
  FPaths->Delete(Index);
}

void TNavSelectionList::Add(const std::string& Path) {
  std::string p = Path;
  if (!Normalise(p)) return;
  bool covered;
  TNavSelectionState st = StateOf(p, covered);
  if (st == nsTicked) return;
  if (st == nsPartlyTicked) RemoveDescendants(p);
  CountIn(p, +1);
  FPaths->Add(p);
}

void TNavSelectionList::AddPidl(LPCITEMIDLIST Pidl) { Add(PidlToPath(Pidl)); }

void TNavSelectionList::RemoveDescendants(const std::string& Path) {
  std::string key = Path;
  if (!key.empty() && key.back() == '*') key.pop_back();
  key = IncludeTrailingPathDelimiter(key);
  for (int i = FPaths->Count() - 1; i >= 0; --i)
    if (StartsWith(FPaths->Strings(i), key) && FPaths->Strings(i) != Path) DeleteEntry(i);
}

void TNavSelectionList::Remove(const std::string& Path) {
  std::string p = Path;
  if (!Normalise(p)) return;
  bool covered;
  switch (StateOf(p, covered)) {
    case nsPartlyTicked:
      RemoveDescendants(p);
      return;
    case nsTicked:
      if (!covered) {
        DeleteEntry(FPaths->IndexOf(p));
        return;
      }
      break;
    default:
      return;
  }
  // An ancestor's wildcard holds p: every other entry between them is entered on its own, level
  // by level, then the wildcard goes. The totals keep the siblings (they were counted in the
  // wildcard) and lose only p.
  std::string x = Base(p);
  std::string d = ExtractFileDir(x);
  for (;;) {
    if (x == d) return;
    for (const std::string& e : Entries(d)) {
      if (e == x) continue;
      std::string entry = IsDir(e) ? IncludeTrailingPathDelimiter(e) + "*" : e;
      if (!IsEntry(entry)) FPaths->Add(entry);
    }
    const std::string w = IncludeTrailingPathDelimiter(d) + "*";
    if (int i = FPaths->IndexOf(w); i >= 0) {
      FPaths->Delete(i);
      CountIn(p, -1);
      return;
    }
    x = d;
    d = ExtractFileDir(d);
  }
}

void TNavSelectionList::RemovePidl(LPCITEMIDLIST Pidl) { Remove(PidlToPath(Pidl)); }

bool TNavSelectionList::FullyTicked(const std::string& P) const {
  const std::string p = P.size() > 1 ? ExcludeTrailingPathDelimiter(P) : P;
  if (IsEntry(p) || IsEntry(IncludeTrailingPathDelimiter(p) + "*")) return true;
  if (!IsDir(p)) return false;
  auto children = Entries(p);
  if (children.empty()) return false;
  for (const auto& c : children)
    if (!FullyTicked(c)) return false;
  return true;
}

std::string TNavSelectionList::CollapsedPath(const std::string& Path) {
  std::string x = Path.size() > 1 ? ExcludeTrailingPathDelimiter(Path) : Path;
  std::string d = ExtractFileDir(x);
  for (;;) {
    for (const std::string& e : Entries(d))
      if (e != x && !FullyTicked(e)) return x;
    if (d == x) return IncludeTrailingPathDelimiter(x);
    x = d;
    d = ExtractFileDir(d);
  }
}

LPITEMIDLIST TNavSelectionList::CollapsedPidl(LPCITEMIDLIST Pidl) {
  return ParsePath(nullptr, CollapsedPath(PidlToPath(Pidl)));
}

// ---- TNavShellLink ----
TNavShellLink::TNavShellLink(TComponent* AOwner)
    : TComponent(AOwner),
      FWindows(std::make_unique<TShellList>()),
      FSelection(new TNavSelectionList(this)) {}

TNavShellLink::~TNavShellLink() = default;

void TNavShellLink::Publish(TPublisher<TNavShellLink>& P) {
  P.Prop("Enabled", &TNavShellLink::Enabled, &TNavShellLink::SetEnabled).Default(true);
  P.Event("OnChange", &TNavShellLink::OnChange).Type("TNotifyEvent");
  P.Prop("Version", &TNavShellLink::Version).Stored(false);
}

void TNavShellLink::Join(HWND Wnd) {
  if (Wnd && FWindows->IndexOf(Wnd) < 0) FWindows->Add(Wnd);
}

void TNavShellLink::Leave(HWND Wnd) { FWindows->Remove(Wnd); }

bool TNavShellLink::Joined(HWND Wnd) const { return FWindows->IndexOf(Wnd) >= 0; }

void TNavShellLink::Send(HWND Sender, UINT Msg, WPARAM W, LPARAM L, bool Selection) {
  if (!FEnabled) return;
  if (Selection) FEnabled = false;  // a control that follows must not broadcast back
  std::vector<void*> windows = FWindows->List();
  for (void* w : windows) {
    auto wnd = static_cast<HWND>(w);
    if (wnd != Sender && IsWindow(wnd)) SendMessage(wnd, Msg, W, L);
  }
  if (Selection) {
    FEnabled = true;
    if (OnChange) OnChange(this);
  }
}

void TNavShellLink::FolderSelected(HWND Sender, LPCITEMIDLIST Folder) {
  Send(Sender, WM_NAV_FOLDERSELECTED, reinterpret_cast<WPARAM>(Folder), 0, true);
}
void TNavShellLink::SelectAll(HWND Sender) { Send(Sender, WM_NAV_SELECTALL, 0, 0, false); }
void TNavShellLink::Refresh(HWND Sender) { Send(Sender, WM_NAV_REFRESH, 0, 0, false); }
void TNavShellLink::CheckStatesChanged(HWND Sender) {
  Send(Sender, WM_NAV_CHECKSTATES, 0, 0, false);
}
void TNavShellLink::ItemSelected(HWND Sender, LPCITEMIDLIST Folder, LPCITEMIDLIST Item) {
  Send(Sender, WM_NAV_ITEMSELECTED, reinterpret_cast<WPARAM>(Folder),
       reinterpret_cast<LPARAM>(Item), true);
}
