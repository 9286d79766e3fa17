// Hidden message windows (AllocateHWnd / DeallocateHWnd): message-only windows of one private
// class whose procedure hands every message to the method kept in the window's user data.
#include "platform/vcl/msgwnd.h"

#include <cstring>

#include "platform/rtl/sysutils.h"

namespace {

constexpr const char* MessageWindowClass = "OrvantaMessageWindow";

LRESULT MessageWindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* Method = reinterpret_cast<TWndMethod*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
  if (!Method || !*Method) return DefWindowProc(Wnd, Msg, WParam, LParam);
  // A copy, so that a method which deallocates its own window is not destroyed while it runs.
  TWndMethod Call = *Method;
  TMessage Message{Msg, WParam, LParam, 0};
  Call(Message);
  return Message.Result;
}

void RegisterMessageWindowClass() {
  WNDCLASSA Existing;
  if (GetClassInfo(nullptr, MessageWindowClass, &Existing)) return;
  WNDCLASSA Class{};
  Class.lpfnWndProc = MessageWindowProc;
  Class.lpszClassName = MessageWindowClass;
  RegisterClass(&Class);
}

bool IsMessageWindow(HWND Wnd) {
  char Name[64];
  return IsWindow(Wnd) && GetClassName(Wnd, Name, sizeof Name) > 0 &&
         std::strcmp(Name, MessageWindowClass) == 0;
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  RegisterMessageWindowClass();
  HWND Wnd = CreateWindowEx(0, MessageWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            nullptr, nullptr);
  if (!Wnd) throw EOutOfResources("Error creating window");
  if (Method)
    SetWindowLongPtr(Wnd, GWLP_USERDATA,
                     reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(Method))));
  return Wnd;
}

void DeallocateHWnd(HWND Wnd) {
  if (!IsMessageWindow(Wnd)) return;
  auto* Method = reinterpret_cast<TWndMethod*>(GetWindowLongPtr(Wnd, GWLP_USERDATA));
  // The method is taken off first: WM_DESTROY and anything after it get the default handling.
  SetWindowLongPtr(Wnd, GWLP_USERDATA, 0);
  DestroyWindow(Wnd);
  delete Method;
}
