// OLE data transfer within the program: data objects, drop sources and drop targets, and the
// drag loop (DoDragDrop) that carries a data object from a source window to the drop target
// registered for the window under the mouse.
//
// There is no system-wide OLE here: drags run inside the program. Files dropped from the desktop
// arrive as WM_DROPFILES (DragAcceptFiles, winuser.h); a window that wants both turns the drop
// into a data object with CreateFileDataObject and hands it to its own drop target.
// Global memory (HGLOBAL) exists for the data formats that travel in it.
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/automation.h"
#include "platform/win/windef.h"

// ---- Results and effects ----
constexpr HRESULT DRAGDROP_S_DROP = 0x00040100;
constexpr HRESULT DRAGDROP_S_CANCEL = 0x00040101;
constexpr HRESULT DRAGDROP_S_USEDEFAULTCURSORS = 0x00040102;
constexpr HRESULT DRAGDROP_E_NOTREGISTERED = static_cast<HRESULT>(0x80040100u);
constexpr HRESULT DRAGDROP_E_ALREADYREGISTERED = static_cast<HRESULT>(0x80040101u);
constexpr HRESULT DRAGDROP_E_INVALIDHWND = static_cast<HRESULT>(0x80040102u);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064u);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069u);
constexpr HRESULT OLE_E_NOTRUNNING = static_cast<HRESULT>(0x80040005u);

enum : DWORD {
  DROPEFFECT_NONE = 0,
  DROPEFFECT_COPY = 1,
  DROPEFFECT_MOVE = 2,
  DROPEFFECT_LINK = 4,
  DROPEFFECT_SCROLL = 0x80000000u,
};
// Key state bits of the drag operations (MK_LBUTTON ... are in winuser.h).
enum : DWORD { MK_ALT = 0x0020 };

// ---- Global memory ----
using HGLOBAL = void*;
enum : UINT { GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040, GHND = 0x0042 };
HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
void* GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
size_t GlobalSize(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);  // null on success

// ---- Data objects ----
using CLIPFORMAT = WORD;
enum : DWORD { DVASPECT_CONTENT = 1 };
enum : DWORD { TYMED_NULL = 0, TYMED_HGLOBAL = 1 };
struct FORMATETC {
  CLIPFORMAT cfFormat;
  void* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
};
struct STGMEDIUM {
  DWORD tymed;
  HGLOBAL hGlobal;
  IUnknown* pUnkForRelease;  // released instead of freeing hGlobal when set
};
void ReleaseStgMedium(STGMEDIUM* medium);

struct IDataObject : IUnknown {
  virtual HRESULT GetData(FORMATETC* format, STGMEDIUM* medium) = 0;
  virtual HRESULT QueryGetData(FORMATETC* format) = 0;
  virtual HRESULT SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) = 0;
};
struct IDropSource : IUnknown {
  virtual HRESULT QueryContinueDrag(BOOL escapePressed, DWORD keyState) = 0;
  virtual HRESULT GiveFeedback(DWORD effect) = 0;
};
struct IDropTarget : IUnknown {
  // pt is in screen coordinates; effect holds the allowed effects and receives the chosen one.
  virtual HRESULT DragEnter(IDataObject* data, DWORD keyState, POINT pt, DWORD* effect) = 0;
  virtual HRESULT DragOver(DWORD keyState, POINT pt, DWORD* effect) = 0;
  virtual HRESULT DragLeave() = 0;
  virtual HRESULT Drop(IDataObject* data, DWORD keyState, POINT pt, DWORD* effect) = 0;
};

// A data object holding a list of files as CF_HDROP (global memory in the platform's CF_HDROP
// layout, see MakeDropFilesBlock in shlobj.h); the caller holds the one reference.
IDataObject* CreateFileDataObject(const std::vector<std::string>& Files);
// The files a data object carries as CF_HDROP (empty when it has none).
std::vector<std::string> DataObjectFiles(IDataObject* Data);

// ---- OLE start-up and drag and drop ----
// Counted: every OleInitialize needs its OleUninitialize. Drag and drop needs it on the thread.
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
// Makes target the drop target of wnd (holding a reference until revoked or the window goes).
HRESULT RegisterDragDrop(HWND wnd, IDropTarget* target);
HRESULT RevokeDragDrop(HWND wnd);
// Runs the drag loop until the source says drop or cancel: follows the mouse, finds the drop
// target of the window under it (or of its nearest ancestor that has one), calls its
// DragEnter/DragOver/DragLeave/Drop and the source's QueryContinueDrag (each mouse or key
// message) and GiveFeedback (after each DragOver). The key state has MK_ALT while Alt is down.
// Returns DRAGDROP_S_DROP (effect: what the target did), DRAGDROP_S_CANCEL (effect none), or a
// failure (E_UNEXPECTED without OleInitialize, E_INVALIDARG for a missing object).
HRESULT DoDragDrop(IDataObject* data, IDropSource* source, DWORD okEffects, DWORD* effect);
// Not Windows API: the drop target registered for wnd, or null.
IDropTarget* RegisteredDropTarget(HWND wnd);
