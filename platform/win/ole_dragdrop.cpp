// OLE drag and drop inside the program: global memory, file data objects, the registry of drop
// targets, and DoDragDrop's loop.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>

#include "platform/win/ole2.h"
#include "platform/win/shell_internal.h"
#include "platform/win/winuser.h"

namespace {

// ---- Global memory ----
struct TGlobal {
  std::vector<uint8_t> Bytes;
  int Locks = 0;
};
std::mutex gGlobalLock;
std::unordered_set<TGlobal*>& Globals() {
  static std::unordered_set<TGlobal*> s;
  return s;
}
TGlobal* AsGlobal(HGLOBAL h) {
  std::lock_guard<std::mutex> g(gGlobalLock);
  auto* p = static_cast<TGlobal*>(h);
  return Globals().count(p) ? p : nullptr;
}

// ---- File data objects ----
class TFileDataObject final : public shellns::TRefCounted<IDataObject, IID_IDataObject> {
public:
  explicit TFileDataObject(std::vector<uint8_t> block) : FBlock(std::move(block)) {}
  HRESULT QueryGetData(FORMATETC* f) override {
    if (!f) return E_INVALIDARG;
    if (f->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    if (!(f->tymed & TYMED_HGLOBAL)) return DV_E_TYMED;
    return S_OK;
  }
  HRESULT GetData(FORMATETC* f, STGMEDIUM* m) override {
    if (!m) return E_INVALIDARG;
    HRESULT hr = QueryGetData(f);
    if (Failed(hr)) return hr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, FBlock.size());
    if (!h) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(h), FBlock.data(), FBlock.size());
    GlobalUnlock(h);
    m->tymed = TYMED_HGLOBAL;
    m->hGlobal = h;
    m->pUnkForRelease = nullptr;
    return S_OK;
  }
  HRESULT SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }

private:
  std::vector<uint8_t> FBlock;
};

// ---- Drop targets ----
std::mutex gTargetLock;
std::map<HWND, IDropTarget*>& Targets() {
  static std::map<HWND, IDropTarget*> m;
  return m;
}
std::atomic<int> gOleUsers{0};

IDropTarget* TargetAt(POINT pt, HWND* wndOut) {
  for (HWND w = WindowFromPoint(pt); w; w = GetParent(w)) {
    if (IDropTarget* t = RegisteredDropTarget(w)) {
      *wndOut = w;
      return t;
    }
    if (!(GetWindowLong(w, GWL_STYLE) & WS_CHILD)) break;
  }
  *wndOut = nullptr;
  return nullptr;
}

DWORD KeyState() {
  DWORD k = 0;
  if (GetKeyState(VK_LBUTTON) < 0) k |= MK_LBUTTON;
  if (GetKeyState(VK_RBUTTON) < 0) k |= MK_RBUTTON;
  if (GetKeyState(VK_MBUTTON) < 0) k |= MK_MBUTTON;
  if (GetKeyState(VK_SHIFT) < 0) k |= MK_SHIFT;
  if (GetKeyState(VK_CONTROL) < 0) k |= MK_CONTROL;
  if (GetKeyState(VK_MENU) < 0) k |= MK_ALT;
  return k;
}

void Feedback(IDropSource* source, DWORD effect) {
  if (source->GiveFeedback(effect) != DRAGDROP_S_USEDEFAULTCURSORS) return;
  SetCursor(LoadCursor(nullptr, (effect & (DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK))
                                    ? IDC_ARROW
                                    : IDC_NO));
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  auto* g = new TGlobal();
  g->Bytes.assign(bytes, 0);
  (void)flags;  // every block starts zero-filled
  std::lock_guard<std::mutex> l(gGlobalLock);
  Globals().insert(g);
  return g;
}
void* GlobalLock(HGLOBAL mem) {
  TGlobal* g = AsGlobal(mem);
  if (!g) return nullptr;
  ++g->Locks;
  return g->Bytes.empty() ? static_cast<void*>(g) : g->Bytes.data();
}
BOOL GlobalUnlock(HGLOBAL mem) {
  TGlobal* g = AsGlobal(mem);
  if (!g || g->Locks == 0) return FALSE;
  return --g->Locks > 0;
}
size_t GlobalSize(HGLOBAL mem) {
  TGlobal* g = AsGlobal(mem);
  return g ? g->Bytes.size() : 0;
}
HGLOBAL GlobalFree(HGLOBAL mem) {
  if (!mem) return nullptr;
  {
    std::lock_guard<std::mutex> l(gGlobalLock);
    if (!Globals().erase(static_cast<TGlobal*>(mem))) return mem;
  }
  delete static_cast<TGlobal*>(mem);
  return nullptr;
}

void ReleaseStgMedium(STGMEDIUM* m) {
  if (!m) return;
  if (m->pUnkForRelease)
    m->pUnkForRelease->Release();
  else if (m->tymed == TYMED_HGLOBAL)
    GlobalFree(m->hGlobal);
  m->tymed = TYMED_NULL;
  m->hGlobal = nullptr;
  m->pUnkForRelease = nullptr;
}

IDataObject* CreateFileDataObject(const std::vector<std::string>& Files) {
  return new TFileDataObject(MakeDropFilesBlock(Files));
}

std::vector<std::string> DataObjectFiles(IDataObject* Data) {
  if (!Data) return {};
  FORMATETC f{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM m{};
  if (Failed(Data->GetData(&f, &m))) return {};
  std::vector<std::string> files;
  if (m.tymed == TYMED_HGLOBAL) {
    auto* p = static_cast<const uint8_t*>(GlobalLock(m.hGlobal));
    files = ParseDropFilesBlock(p, GlobalSize(m.hGlobal));
    GlobalUnlock(m.hGlobal);
  }
  ReleaseStgMedium(&m);
  return files;
}

HRESULT OleInitialize(void*) { return ++gOleUsers == 1 ? S_OK : S_FALSE; }
void OleUninitialize() {
  if (gOleUsers > 0) --gOleUsers;
}

HRESULT RegisterDragDrop(HWND wnd, IDropTarget* target) {
  if (!wnd || !IsWindow(wnd)) return DRAGDROP_E_INVALIDHWND;
  if (!target) return E_INVALIDARG;
  std::lock_guard<std::mutex> g(gTargetLock);
  // Windows destroyed since they registered no longer count. Their targets are not released:
  // whoever forgot to revoke may have freed them already.
  for (auto it = Targets().begin(); it != Targets().end();) {
    if (!IsWindow(it->first)) {
      it = Targets().erase(it);
    } else {
      ++it;
    }
  }
  if (Targets().count(wnd)) return DRAGDROP_E_ALREADYREGISTERED;
  target->AddRef();
  Targets()[wnd] = target;
  return S_OK;
}

HRESULT RevokeDragDrop(HWND wnd) {
  IDropTarget* t = nullptr;
  {
    std::lock_guard<std::mutex> g(gTargetLock);
    auto it = Targets().find(wnd);
    if (it == Targets().end()) return DRAGDROP_E_NOTREGISTERED;
    t = it->second;
    Targets().erase(it);
  }
  t->Release();
  return S_OK;
}

IDropTarget* RegisteredDropTarget(HWND wnd) {
  std::lock_guard<std::mutex> g(gTargetLock);
  auto it = Targets().find(wnd);
  return it != Targets().end() && IsWindow(wnd) ? it->second : nullptr;
}

HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect) {
  if (!data || !source || !effect) return E_INVALIDARG;
  *effect = DROPEFFECT_NONE;
  if (gOleUsers <= 0) return E_UNEXPECTED;
  data->AddRef();
  source->AddRef();
  IDropTarget* target = nullptr;
  HWND targetWnd = nullptr;
  DWORD keys = KeyState(), shown = DROPEFFECT_NONE;
  POINT pt{0, 0};
  GetCursorPos(&pt);
  bool escape = false;
  HWND captured = GetCapture();
  HRESULT result = DRAGDROP_S_CANCEL;

  // Asks the target under pt, entering and leaving targets as the mouse moves between windows.
  auto track = [&] {
    HWND w = nullptr;
    IDropTarget* t = TargetAt(pt, &w);
    DWORD e = okEffects;
    if (t != target || w != targetWnd) {
      if (target) {
        target->DragLeave();
        target->Release();
      }
      target = t;
      targetWnd = w;
      if (target) {
        target->AddRef();
        if (Failed(target->DragEnter(data, keys, pt, &e))) e = DROPEFFECT_NONE;
      } else {
        e = DROPEFFECT_NONE;
      }
    } else if (target) {
      if (Failed(target->DragOver(keys, pt, &e))) e = DROPEFFECT_NONE;
    } else {
      e = DROPEFFECT_NONE;
    }
    shown = e & (okEffects | DROPEFFECT_SCROLL);
    Feedback(source, shown);
  };

  track();
  for (;;) {
    HRESULT q = source->QueryContinueDrag(escape, keys);
    if (q == DRAGDROP_S_DROP) {
      if (target && (shown & ~DROPEFFECT_SCROLL)) {
        DWORD e = okEffects;
        if (Succeeded(target->Drop(data, keys, pt, &e))) {
          *effect = e & okEffects;
          result = DRAGDROP_S_DROP;
        } else {
          result = DRAGDROP_S_CANCEL;
        }
      } else {
        if (target) target->DragLeave();
        result = DRAGDROP_S_CANCEL;
      }
      break;
    }
    if (q != S_OK) {
      if (target) target->DragLeave();
      result = q == DRAGDROP_S_CANCEL ? DRAGDROP_S_CANCEL : q;
      break;
    }
    MSG msg;
    if (GetMessage(&msg, nullptr, 0, 0) <= 0) {
      if (target) target->DragLeave();
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) {
      POINT p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
      if (msg.message != WM_MOUSEWHEEL) ClientToScreen(msg.hwnd, &p);
      pt = p;
      keys = (LOWORD(msg.wParam) & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL)) |
             (GetKeyState(VK_MENU) < 0 ? DWORD(MK_ALT) : 0u);
      if (msg.message == WM_MOUSEWHEEL) keys = KeyState();
      // Moves are shown to the target; a button that changes only goes to the source, which
      // decides at the top of the loop whether the drag drops or ends.
      if (msg.message == WM_MOUSEMOVE) track();
    } else if (msg.message == WM_KEYDOWN || msg.message == WM_KEYUP ||
               msg.message == WM_SYSKEYDOWN || msg.message == WM_SYSKEYUP) {
      if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        escape = true;
        continue;
      }
      DWORD buttons = keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON);
      DWORD now = buttons | (KeyState() & (MK_SHIFT | MK_CONTROL | MK_ALT));
      if (now != keys) {
        keys = now;
        track();  // Ctrl, Shift and Alt change the effect
      }
    } else {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  if (target) target->Release();
  if (captured && GetCapture() == captured) ReleaseCapture();
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  source->Release();
  data->Release();
  return result;
}
