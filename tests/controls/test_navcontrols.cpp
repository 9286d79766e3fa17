// The change notifier: registrations of its folders (only the ones that change), the root
// registration, reports of files and folders created, renamed and deleted, the two-second
// merging of repeated reports, and OnChange on the user-interface thread.
#include <filesystem>

#include "tests/controls/shelltree_fixture.h"

namespace {

using namespace shelltest;

// A notifier whose clock the test sets.
class TClockedNotifier : public TNavShellChangeNotifier {
public:
  using TNavShellChangeNotifier::TNavShellChangeNotifier;
  uint32_t Now = 100000;

protected:
  uint32_t TickCount() override { return Now; }
};

struct TReport {
  TNotificationEvent Event;
  std::string Path1, Path2;
};

class ChangeNotifier : public ShellTreeTest {
protected:
  void TearDown() override {
    ShellTreeTest::TearDown();
    EXPECT_EQ(SHChangeNotifyRegistrationCount(), 0);  // nothing left registered
  }
  TClockedNotifier* NewNotifier() {
    auto* n = new TClockedNotifier(Form);
    n->DirectHandler = [this](TObject*, TNotificationEvent E, LPCITEMIDLIST P1, LPCITEMIDLIST P2) {
      Direct.push_back({E, PidlToPath(P1), PidlToPath(P2)});
    };
    n->OnChange = [this](TObject*, TNotificationEvent E, const std::string& P1,
                         const std::string& P2) {
      Later.push_back({E, P1, P2});
    };
    return n;
  }
  // Sends the shell's message for an item as the shell would.
  static void Report(TNavShellChangeNotifier* N, LONG Event, LPCITEMIDLIST P1,
                     LPCITEMIDLIST P2 = nullptr) {
    LPCITEMIDLIST pair[2] = {P1, P2};
    SendMessage(N->WindowHandle(), WM_NAV_SHELLNOTIFY, reinterpret_cast<WPARAM>(pair), Event);
  }
  bool Has(const std::vector<TReport>& V, TNotificationEvent E, const std::string& P1) {
    for (const auto& r : V)
      if (r.Event == E && r.Path1 == P1) return true;
    return false;
  }
  std::vector<TReport> Direct, Later;
};

TEST_F(ChangeNotifier, EventsMapBothWays) {
  EXPECT_EQ(ShellEventOf(neFolderCreate), SHCNE_MKDIR);
  EXPECT_EQ(ShellEventOf(neFileRename), SHCNE_RENAMEITEM);
  EXPECT_EQ(ShellEventOf(neImageListChange), SHCNE_UPDATEIMAGE);
  EXPECT_EQ(NotificationEventOf(SHCNE_RMDIR), neFolderDelete);
  EXPECT_EQ(NotificationEventOf(SHCNE_DRIVEADD), neDriveAdd);
  EXPECT_EQ(NotificationEventOf(0x40000000), neUnknown);
}

TEST_F(ChangeNotifier, AnEmptyListRegistersTheDesktopAndDirectoryReadsTheFirstEntry) {
  auto* n = NewNotifier();
  EXPECT_TRUE(n->Enabled());
  EXPECT_TRUE(n->Recursive());
  EXPECT_FALSE(n->EventFilter().Contains(neUnknown));
  EXPECT_TRUE(n->EventFilter().Contains(neImageListChange));
  EXPECT_FALSE(n->Registered());  // nothing until asked
  n->SetRecursive(false);
  n->SetRecursive(true);  // registers everything: the desktop, not recursively
  EXPECT_TRUE(n->Registered());
  ASSERT_EQ(n->Directories()->Count(), 1);
  EXPECT_EQ(n->Directory(), "");
  EXPECT_NE(TNavShellChangeNotifier::HandleOf(n->Directories(), 0), 0u);
  n->SetDirectory(Box.Root);
  EXPECT_EQ(n->Directories()->Count(), 2);
  EXPECT_EQ(n->Directory(), "");
  n->SetDirectory(Box.Root);  // already there
  EXPECT_EQ(n->Directories()->Count(), 2);
}

TEST_F(ChangeNotifier, OnlyTheEntriesThatChangeAreRegisteredAgain) {
  auto* n = NewNotifier();
  n->Directories()->Add(Box.Root);
  n->SetRecursive(false);  // registers the list
  ULONG first = TNavShellChangeNotifier::HandleOf(n->Directories(), 0);
  ASSERT_NE(first, 0u);
  const int before = SHChangeNotifyRegistrationCount();
  n->Directories()->Add(Box.Root + "/Alpha");
  EXPECT_EQ(TNavShellChangeNotifier::HandleOf(n->Directories(), 0), first);
  EXPECT_NE(TNavShellChangeNotifier::HandleOf(n->Directories(), 1), 0u);
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), before + 1);
  n->Directories()->Delete(1);
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), before);
  EXPECT_EQ(TNavShellChangeNotifier::HandleOf(n->Directories(), 0), first);
  // The same filter again registers nothing anew.
  n->SetEventFilter(n->EventFilter());
  EXPECT_EQ(TNavShellChangeNotifier::HandleOf(n->Directories(), 0), first);
  // The root registration stands apart and goes when the notifier is disabled.
  TPidl root = ParseShellPath(Box.Home);
  n->SetRootPidl(root);
  EXPECT_NE(n->RootHandle(), 0u);
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), before + 1);
  n->SetEnabled(false);
  EXPECT_EQ(n->RootHandle(), 0u);
  EXPECT_EQ(SHChangeNotifyRegistrationCount(), 0);
  n->SetEnabled(true);
  EXPECT_NE(n->RootHandle(), 0u);
}

TEST_F(ChangeNotifier, ChangesOnDiskArriveDirectlyAndThenOnTheUserInterfaceThread) {
  auto* n = NewNotifier();
  n->SetRecursive(false);
  n->Directories()->Clear();
  n->Directories()->Add(Box.Root);
  const std::string made = Box.Root + "/Made";
  std::filesystem::create_directory(made);
  EXPECT_TRUE(PumpUntil([&] { return Has(Later, neFolderCreate, made); }));
  EXPECT_TRUE(Has(Direct, neFolderCreate, made));
  TShellSandbox::Write(Box.Root + "/new.txt", "x");
  EXPECT_TRUE(PumpUntil([&] { return Has(Later, neFileCreate, Box.Root + "/new.txt"); }));
  std::filesystem::rename(Box.Root + "/new.txt", Box.Root + "/renamed.txt");
  EXPECT_TRUE(PumpUntil([&] {
    for (const auto& r : Later)
      if (r.Event == neFileRename && r.Path2 == Box.Root + "/renamed.txt") return true;
    return false;
  }));
  std::filesystem::remove(made);
  EXPECT_TRUE(PumpUntil([&] { return Has(Later, neFolderDelete, made); }));
}

TEST_F(ChangeNotifier, RepeatsWithinTwoSecondsAreMerged) {
  auto* n = NewNotifier();
  TPidl p = ParseShellPath(Box.Root + "/Alpha");
  Report(n, SHCNE_UPDATEDIR, p);
  n->Now += 500;
  Report(n, SHCNE_UPDATEDIR, p);
  EXPECT_EQ(Direct.size(), 1u);
  n->Now += 2500;
  Report(n, SHCNE_UPDATEDIR, p);
  EXPECT_EQ(Direct.size(), 2u);
  // Another event or another item is not a repeat; the interrupt bit does not count.
  Report(n, SHCNE_UPDATEDIR | SHCNE_INTERRUPT, ParseShellPath(Box.Root));
  Report(n, SHCNE_ATTRIBUTES, ParseShellPath(Box.Root));
  EXPECT_EQ(Direct.size(), 4u);
  EXPECT_EQ(Direct[2].Event, neFolderUpdate);
  EXPECT_EQ(Direct[2].Path1, Box.Root);
  // Image-list reports are never merged and carry their number.
  LPITEMIDLIST num = AllocPidl(8);
  reinterpret_cast<BYTE*>(num)[0] = 6;
  reinterpret_cast<BYTE*>(num)[2] = 42;
  Report(n, SHCNE_UPDATEIMAGE, num, num);
  Report(n, SHCNE_UPDATEIMAGE, num, num);
  FreePidl(num);
  EXPECT_EQ(Direct.size(), 6u);
  EXPECT_TRUE(PumpUntil([&] { return Later.size() == 6; }));
  EXPECT_EQ(Later[5].Event, neImageListChange);
  EXPECT_EQ(Later[5].Path1, "42");
  EXPECT_EQ(Later[5].Path2, "");
  // Disabled, the notifier hears nothing.
  n->SetEnabled(false);
  n->Now += 5000;
  Report(n, SHCNE_UPDATEDIR, p);
  EXPECT_EQ(Direct.size(), 6u);
}

TEST_F(ChangeNotifier, WithoutTheShellsEntryItStaysDisabled) {
  TSHChangeNotifyRegister saved = SHChangeNotifyRegisterEntry;
  SHChangeNotifyRegisterEntry = nullptr;
  auto* n = NewNotifier();
  EXPECT_FALSE(n->Enabled());
  n->SetEnabled(true);
  EXPECT_FALSE(n->Enabled());
  EXPECT_EQ(TNavShellChangeNotifier::HandleOf(n->Directories(), 0), 0u);
  SHChangeNotifyRegisterEntry = saved;
}

}  // namespace
