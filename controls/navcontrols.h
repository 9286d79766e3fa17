// NavControls: the shell change notifier.
//
// TNavShellChangeNotifier asks the shell to report changes under a list of folders (files and
// folders created, deleted, renamed, updated; volumes added or removed; ...), turns each report
// into a TNotificationEvent with up to two paths and delivers it twice: at once, with the shell's
// PIDLs, to a direct handler (the folder tree's), and later, with paths, to OnChange on the
// user-interface thread through a short-lived TNavNotifyThread. Reports repeating the previous
// one (same event, same item) within two seconds are dropped.
//
// The shell posts its reports as message 2011 to the notifier's hidden window (platform/win's
// change notification runs over inotify). Changing Directories registers or deregisters only the
// entries that came or went.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/rtl/component.h"
#include "platform/rtl/sets.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/threads.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/controls.h"
#include "platform/win/shlobj.h"

ORV_ENUM(TNotificationEvent, neAssociationChange, neAttributesChange, neFileChange, neFileCreate,
         neFileDelete, neFileRename, neDriveAdd, neDriveRemove, neShellDriveAdd, neDriveSpaceChange,
         neMediaInsert, neMediaRemove, neFolderCreate, neFolderDelete, neFolderRename,
         neFolderUpdate, neNetShare, neNetUnShare, neServerDisconnect, neImageListChange, neUnknown)
using TNotificationEvents = TSet<TNotificationEvent>;

// The shell event each TNotificationEvent stands for (SHCNE_ALLEVENTS for neUnknown), and back
// (unlisted events give neUnknown).
LONG ShellEventOf(TNotificationEvent Event);
TNotificationEvent NotificationEventOf(LONG ShellEvent);

using TNavShellNotifierEvent = std::function<void(
    TObject* Sender, TNotificationEvent Event, const std::string& path1, const std::string& path2)>;
// The direct handler: the shell's PIDLs, valid only during the call.
using TNavShellDirectEvent = std::function<void(TObject* Sender, TNotificationEvent Event,
                                                LPCITEMIDLIST Pidl1, LPCITEMIDLIST Pidl2)>;

// The message the shell sends its reports with.
constexpr UINT WM_NAV_SHELLNOTIFY = 2011;

// Hands one report to OnChange on the user-interface thread, then ends and frees itself.
class TNavNotifyThread : public TThread {
  ORV_CLASS(TNavNotifyThread, TThread)
public:
  TNavNotifyThread(TObject* ASender, TNotificationEvent AEvent, const std::string& APath1,
                   const std::string& APath2, TNavShellNotifierEvent AOnChange);
  TObject* Sender;
  TNotificationEvent Event;
  std::string Path1, Path2;
  TNavShellNotifierEvent OnChange;

protected:
  void Execute() override;
};

class TNavShellChangeNotifier : public TComponent {
  ORV_CLASS(TNavShellChangeNotifier, TComponent)
public:
  explicit TNavShellChangeNotifier(TComponent* AOwner);
  ~TNavShellChangeNotifier() override;
  static void Publish(TPublisher<TNavShellChangeNotifier>& P);

  TNotificationEvents EventFilter() const { return FEventFilter; }
  void SetEventFilter(TNotificationEvents Value);
  // The watched folders; each entry's object slot holds its registration (0: none). An empty
  // entry stands for the desktop. An entry already in the list is not added again.
  TStrings* Directories() const { return FDirectories.get(); }
  void SetDirectories(TStrings* Value) { FDirectories->Assign(Value); }
  // Reading: the first entry (or empty); writing adds an entry.
  std::string Directory() const;
  void SetDirectory(const std::string& Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Recursive() const { return FRecursive; }
  void SetRecursive(bool Value);
  TNavShellNotifierEvent OnChange;
  // Not published: set by the owner in code.
  TNavShellDirectEvent DirectHandler;

  // Registers Pidl (not taken over) as the root registration, apart from Directories.
  void SetRootPidl(LPCITEMIDLIST Pidl);
  virtual void DoChange(TObject* Sender, TNotificationEvent Event, const std::string& path1,
                        const std::string& path2);

  // The registration of an entry (0: none), and whether the entries are registered.
  static ULONG HandleOf(TStrings* List, int Index);
  bool Registered() const { return FRegistered; }
  ULONG RootHandle() const { return FRootHandle; }
  HWND WindowHandle() const { return FWindow; }

protected:
  // The clock of the two-second merging (milliseconds).
  virtual uint32_t TickCount();

private:
  void RegisterAll();
  void DeregisterAll();
  ULONG RegisterPidl(LPCITEMIDLIST Pidl, bool Recursive);
  void DirectoriesChanged(TObject* Sender);
  void WndProc(TMessage& Message);
  void ReleaseRoot();
  TNotificationEvents FEventFilter;
  std::unique_ptr<TStringList> FDirectories;
  bool FEnabled = false;
  bool FRecursive = true;
  LONG FPrevCode = 0;
  LPITEMIDLIST FPrevPidl = nullptr;
  uint32_t FPrevTime = 0;
  HWND FWindow = nullptr;
  bool FRegistered = false;
  ULONG FRootHandle = 0;
  LPITEMIDLIST FRootPidl = nullptr;  // kept to register it again after a disable
  std::vector<ULONG> FKnown;         // the handles in the object slots, to see entries go
  bool FChanging = false;
};
