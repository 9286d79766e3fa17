// OLE drag and drop inside the program: DoDragDrop follows the mouse to the drop target
// registered for the window under it, enters, drags over and drops; the source's answers decide
// when the drag ends; file data objects carry their list.
#include <gtest/gtest.h>

#include <functional>

#include "platform/win/ole2.h"
#include "platform/win/shlobj.h"
#include "tests/platform/win/wnd_test_util.h"

namespace {

struct TTarget : IDropTarget {
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  uint32_t AddRef() override { return ++Refs; }
  uint32_t Release() override { return --Refs; }
  HRESULT DragEnter(IDataObject* d, DWORD keys, POINT, DWORD* e) override {
    Log += "enter ";
    Files = DataObjectFiles(d);
    Keys = keys;
    *e &= Accept;
    return S_OK;
  }
  HRESULT DragOver(DWORD keys, POINT p, DWORD* e) override {
    Log += "over ";
    Keys = keys;
    Last = p;
    *e &= Accept;
    return S_OK;
  }
  HRESULT DragLeave() override {
    Log += "leave ";
    return S_OK;
  }
  HRESULT Drop(IDataObject*, DWORD, POINT p, DWORD* e) override {
    Log += "drop";
    Last = p;
    *e &= Accept;
    return S_OK;
  }
  uint32_t Refs = 0;
  DWORD Accept = DROPEFFECT_COPY;
  DWORD Keys = 0;
  POINT Last{};
  std::string Log;
  std::vector<std::string> Files;
};

// The usual source: Escape or another button cancels, releasing the drag button drops.
struct TSource : IDropSource {
  HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  uint32_t AddRef() override { return 1; }
  uint32_t Release() override { return 1; }
  HRESULT QueryContinueDrag(BOOL escape, DWORD keys) override {
    if (escape || (keys & (MK_RBUTTON | MK_MBUTTON))) return DRAGDROP_S_CANCEL;
    return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
  }
  HRESULT GiveFeedback(DWORD e) override {
    Feedback.push_back(e);
    return DRAGDROP_S_USEDEFAULTCURSORS;
  }
  std::vector<DWORD> Feedback;
};

class OleDragDrop : public ::testing::Test {
protected:
  void SetUp() override {
    ResetInputState();
    RegisterTestClass();
    OleInitialize(nullptr);
    A = CreateWindowEx(0, "OrvTest", "A", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr,
                       nullptr, nullptr);
    B = CreateWindowEx(0, "OrvTest", "B", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, nullptr,
                       nullptr, nullptr);
    Pump();
  }
  void TearDown() override {
    RevokeDragDrop(B);
    Handlers().clear();
    DestroyWindow(A);
    DestroyWindow(B);
    OleUninitialize();
    Pump();
  }
  // Runs Steps from a timer of A while DoDragDrop's loop runs.
  HRESULT Drag(std::function<void()> Steps, DWORD ok, DWORD* effect) {
    InjectMouseButton(50, 50, 0, true);
    Pump();
    Handlers()[A] = [Steps](HWND w, UINT m, WPARAM wp, LPARAM, LRESULT*) {
      if (m != WM_TIMER || wp != 7) return false;
      KillTimer(w, 7);
      Steps();
      return true;
    };
    SetTimer(A, 7, 1, nullptr);
    IDataObject* data = CreateFileDataObject({"/tmp/one.jpg", "/tmp/two.jpg"});
    HRESULT hr = DoDragDrop(data, &Source, ok, effect);
    data->Release();
    return hr;
  }
  HWND A = nullptr, B = nullptr;
  TTarget Target;
  TSource Source;
};

TEST_F(OleDragDrop, DropOnARegisteredWindow) {
  ASSERT_EQ(RegisterDragDrop(B, &Target), S_OK);
  EXPECT_EQ(RegisterDragDrop(B, &Target), DRAGDROP_E_ALREADYREGISTERED);
  EXPECT_EQ(RegisteredDropTarget(B), &Target);
  DWORD effect = 99;
  HRESULT hr = Drag(
      [] {
        InjectMouseMove(60, 50);
        InjectMouseMove(250, 40);
        InjectMouseMove(251, 41);
        InjectMouseButton(251, 41, 0, false);
      },
      DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
  EXPECT_EQ(hr, DRAGDROP_S_DROP);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
  EXPECT_EQ(Target.Log, "enter over drop");
  EXPECT_EQ(Target.Files, (std::vector<std::string>{"/tmp/one.jpg", "/tmp/two.jpg"}));
  EXPECT_EQ(Target.Last.x, 251);  // screen coordinates
  EXPECT_TRUE(Target.Keys & MK_LBUTTON);
  EXPECT_FALSE(Source.Feedback.empty());
}

TEST_F(OleDragDrop, EscapeAndTheOtherButtonCancel) {
  ASSERT_EQ(RegisterDragDrop(B, &Target), S_OK);
  DWORD effect = 99;
  EXPECT_EQ(Drag(
                [] {
                  InjectMouseMove(250, 40);
                  InjectKey(VK_ESCAPE, true);
                },
                DROPEFFECT_COPY, &effect),
            DRAGDROP_S_CANCEL);
  EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(Target.Log, "enter leave ");
  InjectKey(VK_ESCAPE, false);
  InjectMouseButton(250, 40, 0, false);
  Pump();
  Target.Log.clear();
  EXPECT_EQ(Drag(
                [] {
                  InjectMouseMove(250, 40);
                  InjectMouseButton(250, 40, 1, true);
                },
                DROPEFFECT_COPY, &effect),
            DRAGDROP_S_CANCEL);
  EXPECT_EQ(Target.Log, "enter leave ");
}

TEST_F(OleDragDrop, NothingIsDroppedWhereTheTargetRefusesOrNoneIsRegistered) {
  Target.Accept = DROPEFFECT_NONE;
  ASSERT_EQ(RegisterDragDrop(B, &Target), S_OK);
  DWORD effect = 99;
  EXPECT_EQ(Drag(
                [] {
                  InjectMouseMove(250, 40);
                  InjectMouseButton(250, 40, 0, false);
                },
                DROPEFFECT_COPY, &effect),
            DRAGDROP_S_CANCEL);
  EXPECT_EQ(Target.Log, "enter leave ");
  EXPECT_EQ(Source.Feedback.back(), static_cast<DWORD>(DROPEFFECT_NONE));
  ASSERT_EQ(RevokeDragDrop(B), S_OK);
  EXPECT_EQ(RevokeDragDrop(B), DRAGDROP_E_NOTREGISTERED);
  EXPECT_EQ(Target.Refs, 0u);
}

TEST(OleDragDropSetup, WithoutOleTheLoopDoesNotRun) {
  TSource source;
  IDataObject* data = CreateFileDataObject({"/x"});
  DWORD effect = 0;
  EXPECT_EQ(DoDragDrop(data, &source, DROPEFFECT_COPY, &effect), E_UNEXPECTED);
  EXPECT_EQ(DoDragDrop(nullptr, &source, DROPEFFECT_COPY, &effect), E_INVALIDARG);
  data->Release();
}

TEST(OleGlobalMemory, BlocksAreCheckedHandles) {
  HGLOBAL h = GlobalAlloc(GHND, 8);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 8u);
  auto* p = static_cast<uint8_t*>(GlobalLock(h));
  EXPECT_EQ(p[7], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalFree(h), nullptr);
  int local = 0;
  EXPECT_EQ(GlobalSize(&local), 0u);  // not a block: refused
  EXPECT_EQ(GlobalLock(&local), nullptr);
}

}  // namespace
