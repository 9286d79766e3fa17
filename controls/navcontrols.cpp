// NavControls: TNavShellChangeNotifier and TNavNotifyThread.
#include "controls/navcontrols.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "controls/shellnavigator.h"
#include "platform/vcl/msgwnd.h"

ORV_CLASS_IMPL(TNavNotifyThread, TThread)
ORV_CLASS_IMPL(TNavShellChangeNotifier, TComponent)

namespace {

const LONG kShellEvents[] = {
    SHCNE_ASSOCCHANGED, SHCNE_ATTRIBUTES, SHCNE_UPDATEITEM,       SHCNE_CREATE,
    SHCNE_DELETE,       SHCNE_RENAMEITEM, SHCNE_DRIVEADD,         SHCNE_DRIVEREMOVED,
    SHCNE_DRIVEADDGUI,  SHCNE_FREESPACE,  SHCNE_MEDIAINSERTED,    SHCNE_MEDIAREMOVED,
    SHCNE_MKDIR,        SHCNE_RMDIR,      SHCNE_RENAMEFOLDER,     SHCNE_UPDATEDIR,
    SHCNE_NETSHARE,     SHCNE_NETUNSHARE, SHCNE_SERVERDISCONNECT, SHCNE_UPDATEIMAGE,
    SHCNE_ALLEVENTS};
static_assert(sizeof kShellEvents / sizeof kShellEvents[0] == neUnknown + 1);

// The debugger's trace: written to standard error when ORVANTA_TRACE is set.
void Trace(const std::string& Text) {
  if (std::getenv("ORVANTA_TRACE")) std::fprintf(stderr, "%s\n", Text.c_str());
}

// The number an image-list report carries in its item: the 32-bit value after the item's count.
std::string ItemValue(LPCITEMIDLIST Pidl) {
  if (!Pidl || PidlItemSize(Pidl) < 6) return "0";
  int32_t v;
  std::memcpy(&v, reinterpret_cast<const BYTE*>(Pidl) + 2, sizeof v);
  return std::to_string(v);
}

}  // namespace

LONG ShellEventOf(TNotificationEvent Event) { return kShellEvents[Event]; }

TNotificationEvent NotificationEventOf(LONG ShellEvent) {
  for (int i = 0; i < neUnknown; ++i)
    if (kShellEvents[i] == ShellEvent) return static_cast<TNotificationEvent>(i);
  return neUnknown;
}

// ---- TNavNotifyThread ----
TNavNotifyThread::TNavNotifyThread(TObject* ASender, TNotificationEvent AEvent,
                                   const std::string& APath1, const std::string& APath2,
                                   TNavShellNotifierEvent AOnChange)
    : TThread(false),
      Sender(ASender),
      Event(AEvent),
      Path1(APath1),
      Path2(APath2),
      OnChange(std::move(AOnChange)) {
  SetFreeOnTerminate(true);
}

void TNavNotifyThread::Execute() {
  Synchronize([this] {
    if (OnChange) OnChange(Sender, Event, Path1, Path2);
  });
}

// ---- TNavShellChangeNotifier ----
TNavShellChangeNotifier::TNavShellChangeNotifier(TComponent* AOwner)
    : TComponent(AOwner), FDirectories(std::make_unique<TStringList>()) {
  ShellNavigatorStartup();
  for (int e = neAssociationChange; e <= neImageListChange; ++e)
    FEventFilter += static_cast<TNotificationEvent>(e);
  FDirectories->SetCaseSensitive(true);  // this platform's paths differ by case
  FDirectories->OnChange = [this](TObject* S) { DirectoriesChanged(S); };
  FEnabled = SHChangeNotifyRegisterEntry != nullptr;
  if (!ComponentState().Contains(csDesigning))
    FWindow = AllocateHWnd([this](TMessage& M) { WndProc(M); });
}

TNavShellChangeNotifier::~TNavShellChangeNotifier() {
  if (!ComponentState().Contains(csDesigning)) SetEnabled(false);
  ReleaseRoot();
  FreePidl(FRootPidl);
  FreePidl(FPrevPidl);
  if (FWindow) DeallocateHWnd(FWindow);
  FDirectories->OnChange = nullptr;
  ShellNavigatorShutdown();
}

void TNavShellChangeNotifier::Publish(TPublisher<TNavShellChangeNotifier>& P) {
  P.Prop("Directory", &TNavShellChangeNotifier::Directory, &TNavShellChangeNotifier::SetDirectory)
      .Stored(false);
  P.Prop("Directories", &TNavShellChangeNotifier::Directories,
         &TNavShellChangeNotifier::SetDirectories);
  P.Prop("Enabled", &TNavShellChangeNotifier::Enabled, &TNavShellChangeNotifier::SetEnabled);
  P.Prop("Recursive", &TNavShellChangeNotifier::Recursive, &TNavShellChangeNotifier::SetRecursive);
  P.Prop("EventFilter", &TNavShellChangeNotifier::EventFilter,
         &TNavShellChangeNotifier::SetEventFilter)
      .Type(SetTypeInfo("TNotificationEvents", TypeInfo<TNotificationEvent>()));
  P.Event("OnChange", &TNavShellChangeNotifier::OnChange).Type("TNavShellNotifierEvent");
}

uint32_t TNavShellChangeNotifier::TickCount() { return GetTickCount(); }

ULONG TNavShellChangeNotifier::HandleOf(TStrings* List, int Index) {
  // The registration lives in the entry's object slot as a number, not as an object.
  return static_cast<ULONG>(reinterpret_cast<uintptr_t>(List->Objects(Index)));
}

std::string TNavShellChangeNotifier::Directory() const {
  return FDirectories->Count() > 0 ? FDirectories->Strings(0) : std::string();
}

void TNavShellChangeNotifier::SetDirectory(const std::string& Value) { FDirectories->Add(Value); }

void TNavShellChangeNotifier::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (Value) {
    RegisterAll();
    if (FRootPidl && !FRootHandle) FRootHandle = RegisterPidl(FRootPidl, FRecursive);
  } else {
    DeregisterAll();
    ReleaseRoot();
  }
}

void TNavShellChangeNotifier::SetRecursive(bool Value) {
  if (Value == FRecursive) return;
  FRecursive = Value;
  RegisterAll();
}

void TNavShellChangeNotifier::SetEventFilter(TNotificationEvents Value) {
  if (Value == FEventFilter) return;
  FEventFilter = Value;
  RegisterAll();
  if (FRootPidl && FEnabled) {
    ReleaseRoot();
    FRootHandle = RegisterPidl(FRootPidl, FRecursive);
  }
}

void TNavShellChangeNotifier::ReleaseRoot() {
  if (FRootHandle && SHChangeNotifyDeregisterEntry) SHChangeNotifyDeregisterEntry(FRootHandle);
  FRootHandle = 0;
}

void TNavShellChangeNotifier::SetRootPidl(LPCITEMIDLIST Pidl) {
  ReleaseRoot();
  LPITEMIDLIST copy = CopyPidl(Pidl);
  FreePidl(FRootPidl);
  FRootPidl = copy;
  if (FRootPidl && FEnabled) FRootHandle = RegisterPidl(FRootPidl, FRecursive);
}

ULONG TNavShellChangeNotifier::RegisterPidl(LPCITEMIDLIST Pidl, bool Recursive) {
  if (!SHChangeNotifyRegisterEntry) {
    FEnabled = false;
    return 0;
  }
  if (ComponentState().Contains(csDesigning) || !FWindow || !Pidl) return 0;
  LONG mask = 0;
  for (int e = neAssociationChange; e <= neUnknown; ++e)
    if (FEventFilter.Contains(static_cast<TNotificationEvent>(e))) mask |= kShellEvents[e];
  SHChangeNotifyEntry entry{Pidl, Recursive ? TRUE : FALSE};
  return SHChangeNotifyRegisterEntry(FWindow, SHCNRF_InterruptLevel | SHCNRF_ShellLevel, mask,
                                     WM_NAV_SHELLNOTIFY, 1, &entry);
}

void TNavShellChangeNotifier::RegisterAll() {
  if (FRegistered) DeregisterAll();
  if (!FEnabled) return;
  FChanging = true;
  if (FDirectories->Count() == 0) FDirectories->Add("");
  for (int i = 0; i < FDirectories->Count(); ++i) {
    const std::string& dir = FDirectories->Strings(i);
    LPITEMIDLIST pidl = ParsePath(nullptr, dir);
    ULONG h = pidl ? RegisterPidl(pidl, FRecursive && !dir.empty())
                   : 0;  // the desktop is never recursive
    FreePidl(pidl);
    FDirectories->SetObjects(i, reinterpret_cast<TObject*>(static_cast<uintptr_t>(h)));
    if (h) FKnown.push_back(h);
  }
  FChanging = false;
  FRegistered = true;
}

void TNavShellChangeNotifier::DeregisterAll() {
  FRegistered = false;
  FChanging = true;
  for (int i = 0; i < FDirectories->Count(); ++i) {
    ULONG h = HandleOf(FDirectories.get(), i);
    if (h && SHChangeNotifyDeregisterEntry) SHChangeNotifyDeregisterEntry(h);
    FDirectories->SetObjects(i, nullptr);
  }
  // Entries removed meanwhile leave no registration behind.
  for (ULONG h : FKnown)
    if (SHChangeNotifyDeregisterEntry) SHChangeNotifyDeregisterEntry(h);
  FKnown.clear();
  FChanging = false;
}

// A change of the list: a repeated entry goes again; while registered, new entries are
// registered and the registrations of entries that went are released, the others stay.
void TNavShellChangeNotifier::DirectoriesChanged(TObject*) {
  if (FChanging) return;
  FChanging = true;
  for (int i = FDirectories->Count() - 1; i > 0; --i)
    for (int k = 0; k < i; ++k)
      if (FDirectories->Strings(k) == FDirectories->Strings(i)) {
        if (ULONG h = HandleOf(FDirectories.get(), i); h && !HandleOf(FDirectories.get(), k))
          FDirectories->SetObjects(k, FDirectories->Objects(i));
        FDirectories->Delete(i);
        break;
      }
  if (FRegistered) {
    std::vector<ULONG> live;
    for (int i = 0; i < FDirectories->Count(); ++i) {
      ULONG h = HandleOf(FDirectories.get(), i);
      if (!h && FEnabled) {
        const std::string& dir = FDirectories->Strings(i);
        LPITEMIDLIST pidl = ParsePath(nullptr, dir);
        h = pidl ? RegisterPidl(pidl, FRecursive && !dir.empty()) : 0;
        FreePidl(pidl);
        FDirectories->SetObjects(i, reinterpret_cast<TObject*>(static_cast<uintptr_t>(h)));
      }
      if (h) live.push_back(h);
    }
    for (ULONG h : FKnown)
      if (std::find(live.begin(), live.end(), h) == live.end() && SHChangeNotifyDeregisterEntry)
        SHChangeNotifyDeregisterEntry(h);
    FKnown = live;
  }
  FChanging = false;
}

void TNavShellChangeNotifier::WndProc(TMessage& M) {
  if (M.Msg != WM_NAV_SHELLNOTIFY || !FEnabled) {
    M.Result = DefWindowProc(FWindow, M.Msg, M.WParam, M.LParam);
    return;
  }
  auto* pidls = reinterpret_cast<LPCITEMIDLIST*>(M.WParam);
  LPCITEMIDLIST p1 = pidls ? pidls[0] : nullptr, p2 = pidls ? pidls[1] : nullptr;
  const LONG code = static_cast<LONG>(M.LParam) & ~SHCNE_INTERRUPT;
  const TNotificationEvent event = NotificationEventOf(code);
  std::string path1, path2;
  const uint32_t now = TickCount();
  if (event != neAssociationChange && event != neImageListChange) {
    // The same report for the same item again within two seconds is a repeat.
    if (code == FPrevCode && FPrevPidl && p1 && PidlItemCount(p1) >= 1 &&
        ComparePidls(p1, FPrevPidl) == 0 && now - FPrevTime < 2000) {
      M.Result = 0;
      return;
    }
    path1 = PidlToPath(p1);
    path2 = PidlToPath(p2);
    Trace("ShellChange: " + path1 + "  (" + std::to_string(static_cast<int>(event)) + ")");
  } else if (event == neImageListChange) {
    path1 = ItemValue(ShellIsNT ? p2 : p1);
  }
  FPrevCode = code;
  LPITEMIDLIST copy = CopyPidl(p1);
  FreePidl(FPrevPidl);
  FPrevPidl = copy;
  FPrevTime = now;
  if (DirectHandler) DirectHandler(this, event, p1, p2);
  DoChange(this, event, path1, path2);
  M.Result = 0;
}

void TNavShellChangeNotifier::DoChange(TObject* Sender, TNotificationEvent Event,
                                       const std::string& path1, const std::string& path2) {
  if (!OnChange) return;
  auto* t = new TNavNotifyThread(Sender, Event, path1, path2, OnChange);
  t->AfterConstruction();
}
