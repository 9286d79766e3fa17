// Change notification (SHChangeNotifyRegister) over inotify.
//
// One reader thread watches an inotify descriptor and /proc/self/mounts for every registration
// of the process. It turns what it reads into shell events with absolute item lists made from
// the list the registration named the folder by (so a folder registered as Home/Photos reports
// Home/Photos/new.jpg), and queues them for the thread that registered. That thread has a hidden
// "pump" window; the reader posts it a wake-up and the pump sends each event to the registered
// window as its message, from the thread's own message loop (modal loops included), then frees
// the lists. So the lists are valid exactly while the message is handled.
//
// Folders are watched one inotify watch each; a recursive registration watches the folders
// below too (new ones as they appear), up to kMaxWatches per registration. Renames within the
// watched folders pair up by inotify's cookie into SHCNE_RENAMEITEM/RENAMEFOLDER; a move out of
// them is a delete, a move in a create.
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

#include "platform/win/shell_internal.h"
#include "platform/win/winuser.h"

namespace {

using namespace shellns;

constexpr UINT kWake = WM_APP + 0x2011;
constexpr size_t kMaxWatches = 4096;
constexpr uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB |
                           IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

struct TBase {
  ULONG Reg;
  LPITEMIDLIST Pidl;  // the watched folder as the registration names it
  bool Recursive;
  bool Trash;  // a trash registration: every change is SHCNE_UPDATEDIR of the trash
};
struct TWatch {
  std::string Path;
  std::vector<TBase> Bases;
};
struct TEntry {
  LPITEMIDLIST Pidl;
  bool Recursive;
  bool Virtual;  // desktop or Computer: reports volumes
};
struct TReg {
  HWND Wnd;
  UINT Msg;
  LONG Events;
  std::thread::id Thread;
  std::vector<TEntry> Entries;
  size_t Watches = 0;
};
struct TEvent {
  ULONG Reg;
  LONG Event;
  LPITEMIDLIST P1, P2;
};

struct TState {
  std::recursive_mutex Lock;
  std::map<ULONG, TReg> Regs;
  std::map<int, TWatch> Watches;
  std::map<std::thread::id, HWND> Pumps;
  std::vector<std::pair<std::thread::id, TEvent>> Pending;
  std::vector<TVolume> VolumesSeen;
  ULONG NextId = 1;
  int Fd = -1;
  int StopPipe[2] = {-1, -1};
  std::thread Reader;
};
TState& S() {
  static TState* s = new TState();  // outlives every static object that might deregister
  return *s;
}

void FreeEvent(TEvent& e) {
  ILFree(e.P1);
  ILFree(e.P2);
  e.P1 = e.P2 = nullptr;
}

LRESULT PumpProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != kWake) return DefWindowProc(wnd, msg, wp, lp);
  std::vector<TEvent> mine;
  {
    std::lock_guard<std::recursive_mutex> g(S().Lock);
    auto& p = S().Pending;
    for (auto it = p.begin(); it != p.end();) {
      if (it->first == std::this_thread::get_id()) {
        mine.push_back(it->second);
        it = p.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (TEvent& e : mine) {
    HWND target = nullptr;
    UINT m = 0;
    {
      std::lock_guard<std::recursive_mutex> g(S().Lock);
      auto it = S().Regs.find(e.Reg);
      if (it != S().Regs.end()) {
        target = it->second.Wnd;
        m = it->second.Msg;
      }
    }
    if (target && IsWindow(target)) {
      LPCITEMIDLIST pair[2] = {e.P1, e.P2};
      SendMessage(target, m, reinterpret_cast<WPARAM>(pair), e.Event);
    }
    FreeEvent(e);
  }
  return 0;
}

// The pump of the calling thread, made when it has none (or its window was destroyed).
HWND PumpOfThisThread() {
  static const char* kClass = "OrvShellNotifyPump";
  static bool registered = false;
  std::lock_guard<std::recursive_mutex> g(S().Lock);
  HWND& pump = S().Pumps[std::this_thread::get_id()];
  if (pump && IsWindow(pump)) return pump;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PumpProc;
    wc.lpszClassName = kClass;
    RegisterClass(&wc);
    registered = true;
  }
  pump = CreateWindowEx(0, kClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  return pump;
}

void Queue(ULONG reg, LONG event, LPITEMIDLIST p1, LPITEMIDLIST p2) {
  TState& s = S();
  auto it = s.Regs.find(reg);
  if (it == s.Regs.end() || !(it->second.Events & event)) {
    ILFree(p1);
    ILFree(p2);
    return;
  }
  s.Pending.push_back({it->second.Thread, TEvent{reg, event, p1, p2}});
  auto pump = s.Pumps.find(it->second.Thread);
  if (pump != s.Pumps.end()) PostMessage(pump->second, kWake, 0, 0);
}

std::string Join(const std::string& dir, const std::string& name) {
  return dir == "/" ? "/" + name : dir + "/" + name;
}

void AddWatchTree(ULONG reg, const std::string& path, LPCITEMIDLIST base, bool recursive,
                  bool trash) {
  TState& s = S();
  TReg& r = s.Regs[reg];
  if (r.Watches >= kMaxWatches) return;
  int wd = inotify_add_watch(s.Fd, path.c_str(), kMask);
  if (wd < 0) return;
  TWatch& w = s.Watches[wd];
  w.Path = path;
  for (const TBase& b : w.Bases)
    if (b.Reg == reg) return;  // already watched for this registration
  w.Bases.push_back(TBase{reg, ILClone(base), recursive, trash});
  ++r.Watches;
  if (!recursive) return;
  DIR* d = opendir(path.c_str());
  if (!d) return;
  std::vector<std::string> subs;
  while (dirent* e = readdir(d)) {
    if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
    if (e->d_type == DT_DIR) subs.push_back(e->d_name);
  }
  closedir(d);
  for (const auto& n : subs) {
    TItem it;
    if (!FileItemFor(path, n, it)) continue;
    LPITEMIDLIST child = MakeList({EncodeItem(it)});
    LPITEMIDLIST full = ILCombine(base, child);
    AddWatchTree(reg, Join(path, n), full, true, trash);
    ILFree(child);
    ILFree(full);
  }
}

// The list of name inside a watched folder: from the disk when it is there, else made up from
// what inotify said (a deleted or renamed-away entry).
LPITEMIDLIST ItemList(LPCITEMIDLIST base, const std::string& dir, const std::string& name,
                      bool isDir) {
  TItem it;
  if (!FileItemFor(dir, name, it)) {
    it = TItem{};
    it.Tag = kTagFile;
    it.Name = name;
    if (isDir) it.Flags |= kFlagDir;
    if (name[0] == '.') it.Flags |= kFlagHidden;
  }
  LPITEMIDLIST child = MakeList({EncodeItem(it)});
  LPITEMIDLIST full = ILCombine(base, child);
  ILFree(child);
  return full;
}

LPITEMIDLIST TrashPidl() { return MakeList({EncodeItem(RootItem(kRootTrash))}); }

void Deliver(const TWatch& w, LONG event, const std::string& name, bool isDir,
             const std::string& newName = "") {
  for (const TBase& b : w.Bases) {
    if (b.Trash) {
      Queue(b.Reg, SHCNE_UPDATEDIR, TrashPidl(), nullptr);
      continue;
    }
    LPITEMIDLIST p1 = name.empty() ? ILClone(b.Pidl) : ItemList(b.Pidl, w.Path, name, isDir);
    LPITEMIDLIST p2 = newName.empty() ? nullptr : ItemList(b.Pidl, w.Path, newName, isDir);
    Queue(b.Reg, event, p1, p2);
  }
}

void ForgetWatch(int wd) {
  TState& s = S();
  auto it = s.Watches.find(wd);
  if (it == s.Watches.end()) return;
  for (TBase& b : it->second.Bases) {
    auto r = s.Regs.find(b.Reg);
    if (r != s.Regs.end() && r->second.Watches) --r->second.Watches;
    ILFree(b.Pidl);
  }
  s.Watches.erase(it);
}

void NewFolder(const TWatch& w, const std::string& name) {
  std::vector<TBase> recursive;
  for (const TBase& b : w.Bases)
    if (b.Recursive) recursive.push_back(b);
  const std::string dir = w.Path;
  for (const TBase& b : recursive) {
    LPITEMIDLIST full = ItemList(b.Pidl, dir, name, true);
    AddWatchTree(b.Reg, Join(dir, name), full, true, b.Trash);
    ILFree(full);
  }
}

void ReadInotify() {
  alignas(inotify_event) char buf[64 * 1024];
  ssize_t n = read(S().Fd, buf, sizeof buf);
  if (n <= 0) return;
  std::lock_guard<std::recursive_mutex> g(S().Lock);
  TState& s = S();
  struct TFrom {
    int Wd;
    uint32_t Cookie;
    std::string Name;
    bool Dir;
  };
  std::vector<TFrom> froms;
  for (ssize_t at = 0; at < n;) {
    auto* e = reinterpret_cast<inotify_event*>(buf + at);
    at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    std::string name = e->len ? e->name : "";
    bool dir = e->mask & IN_ISDIR;
    if (e->mask & IN_IGNORED) {
      ForgetWatch(e->wd);
      continue;
    }
    auto wit = s.Watches.find(e->wd);
    if (wit == s.Watches.end()) continue;
    TWatch& w = wit->second;
    if (e->mask & IN_CREATE) {
      Deliver(w, dir ? SHCNE_MKDIR : SHCNE_CREATE, name, dir);
      if (dir) NewFolder(w, name);
    } else if (e->mask & IN_DELETE) {
      Deliver(w, dir ? SHCNE_RMDIR : SHCNE_DELETE, name, dir);
    } else if (e->mask & IN_MOVED_FROM) {
      froms.push_back({e->wd, e->cookie, name, dir});
    } else if (e->mask & IN_MOVED_TO) {
      auto f = std::find_if(froms.begin(), froms.end(),
                            [&](const TFrom& x) { return x.Cookie == e->cookie; });
      if (f != froms.end() && f->Wd == e->wd) {
        Deliver(w, dir ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, f->Name, dir, name);
        froms.erase(f);
      } else {
        if (f != froms.end()) {
          // Moved between two watched folders: gone from one, new in the other.
          if (auto fw = s.Watches.find(f->Wd); fw != s.Watches.end())
            Deliver(fw->second, f->Dir ? SHCNE_RMDIR : SHCNE_DELETE, f->Name, f->Dir);
          froms.erase(f);
        }
        Deliver(w, dir ? SHCNE_MKDIR : SHCNE_CREATE, name, dir);
      }
      if (dir) NewFolder(s.Watches[e->wd], name);
    } else if (e->mask & IN_ATTRIB) {
      Deliver(w, SHCNE_ATTRIBUTES, name, dir);
    } else if (e->mask & IN_CLOSE_WRITE) {
      Deliver(w, SHCNE_UPDATEITEM, name, dir);
    } else if (e->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
      Deliver(w, SHCNE_RMDIR, "", true);
    }
  }
  for (const TFrom& f : froms)
    if (auto fw = s.Watches.find(f.Wd); fw != s.Watches.end())
      Deliver(fw->second, f.Dir ? SHCNE_RMDIR : SHCNE_DELETE, f.Name, f.Dir);
}

// Volumes that came and went since the last look: SHCNE_DRIVEADD and SHCNE_DRIVEREMOVED to the
// registrations that watch the desktop or Computer.
void MountsChanged() {
  std::lock_guard<std::recursive_mutex> g(S().Lock);
  TState& s = S();
  std::vector<TVolume> now = Volumes();
  auto has = [](const std::vector<TVolume>& v, const TVolume& x) {
    return std::any_of(v.begin(), v.end(), [&](const TVolume& y) { return y.Path == x.Path; });
  };
  auto report = [&](const TVolume& v, LONG event) {
    TItem vol;
    vol.Tag = kTagVolume;
    vol.Name = v.Path;
    vol.Label = v.Label;
    if (v.Removable) vol.Flags |= kFlagRemovable;
    for (auto& [id, r] : s.Regs)
      if (std::any_of(r.Entries.begin(), r.Entries.end(),
                      [](const TEntry& e) { return e.Virtual; }))
        Queue(id, event, MakeList({EncodeItem(RootItem(kRootComputer)), EncodeItem(vol)}), nullptr);
  };
  for (const auto& v : now)
    if (!has(s.VolumesSeen, v)) report(v, SHCNE_DRIVEADD);
  for (const auto& v : s.VolumesSeen)
    if (!has(now, v)) report(v, SHCNE_DRIVEREMOVED);
  s.VolumesSeen = now;
}

void ReaderLoop(int fd, int stop) {
  int mounts = open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
  for (;;) {
    pollfd p[3] = {{fd, POLLIN, 0}, {stop, POLLIN, 0}, {mounts, POLLPRI, 0}};
    int n = poll(p, mounts >= 0 ? 3 : 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (p[1].revents) break;
    if (p[0].revents & POLLIN) ReadInotify();
    if (mounts >= 0 && (p[2].revents & (POLLPRI | POLLERR))) MountsChanged();
  }
  if (mounts >= 0) close(mounts);
}

void StartReader() {
  TState& s = S();
  if (s.Fd >= 0) return;
  s.Fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (s.Fd < 0) return;
  if (pipe2(s.StopPipe, O_CLOEXEC) != 0) {
    close(s.Fd);
    s.Fd = -1;
    return;
  }
  s.VolumesSeen = Volumes();
  s.Reader = std::thread(ReaderLoop, s.Fd, s.StopPipe[0]);
}

// Stops the reader when nothing is registered any more (called without the lock held).
void StopReaderIfIdle() {
  std::thread reader;
  int fd = -1, p0 = -1, p1 = -1;
  {
    std::lock_guard<std::recursive_mutex> g(S().Lock);
    TState& s = S();
    if (!s.Regs.empty() || s.Fd < 0) return;
    reader = std::move(s.Reader);
    fd = s.Fd;
    p0 = s.StopPipe[0];
    p1 = s.StopPipe[1];
    s.Fd = s.StopPipe[0] = s.StopPipe[1] = -1;
    for (auto& [wd, w] : s.Watches)
      for (TBase& b : w.Bases) ILFree(b.Pidl);
    s.Watches.clear();
  }
  char c = 1;
  if (write(p1, &c, 1) < 0) {
  }
  if (reader.joinable()) reader.join();
  close(fd);
  close(p0);
  close(p1);
}

}  // namespace

ULONG SHChangeNotifyRegister(HWND wnd, int, LONG events, UINT msg, int entries,
                             const SHChangeNotifyEntry* items) {
  if (!wnd || !IsWindow(wnd) || entries <= 0 || !items) return 0;
  HWND pump = PumpOfThisThread();
  if (!pump) return 0;
  std::lock_guard<std::recursive_mutex> g(S().Lock);
  TState& s = S();
  StartReader();
  if (s.Fd < 0) return 0;
  ULONG id = s.NextId++;
  TReg& r = s.Regs[id];
  r.Wnd = wnd;
  r.Msg = msg;
  r.Events = events & ~SHCNE_INTERRUPT;
  r.Thread = std::this_thread::get_id();
  for (int i = 0; i < entries; ++i) {
    TLocation loc;
    if (!items[i].pidl || !Resolve(items[i].pidl, loc)) continue;
    bool isVirtual = loc.Kind == TKind::Desktop || loc.Kind == TKind::Computer;
    r.Entries.push_back(TEntry{ILClone(items[i].pidl), items[i].fRecursive != 0, isVirtual});
    if (loc.Kind == TKind::Trash)
      AddWatchTree(id, loc.Path, items[i].pidl, false, true);
    else if (!loc.Path.empty() && loc.IsFolder())
      AddWatchTree(id, loc.Path, items[i].pidl, items[i].fRecursive != 0, false);
  }
  return id;
}

BOOL SHChangeNotifyDeregister(ULONG id) {
  {
    std::lock_guard<std::recursive_mutex> g(S().Lock);
    TState& s = S();
    auto it = s.Regs.find(id);
    if (it == s.Regs.end()) return FALSE;
    for (TEntry& e : it->second.Entries) ILFree(e.Pidl);
    s.Regs.erase(it);
    for (auto w = s.Watches.begin(); w != s.Watches.end();) {
      auto& bases = w->second.Bases;
      for (auto b = bases.begin(); b != bases.end();) {
        if (b->Reg == id) {
          ILFree(b->Pidl);
          b = bases.erase(b);
        } else {
          ++b;
        }
      }
      if (bases.empty()) {
        inotify_rm_watch(s.Fd, w->first);
        w = s.Watches.erase(w);
      } else {
        ++w;
      }
    }
    for (auto p = s.Pending.begin(); p != s.Pending.end();) {
      if (p->second.Reg == id) {
        FreeEvent(p->second);
        p = s.Pending.erase(p);
      } else {
        ++p;
      }
    }
  }
  StopReaderIfIdle();
  return TRUE;
}

int SHChangeNotifyRegistrationCount() {
  std::lock_guard<std::recursive_mutex> g(S().Lock);
  return static_cast<int>(S().Regs.size());
}
