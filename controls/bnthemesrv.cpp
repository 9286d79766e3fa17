// Theme services (see bnthemesrv.h).
#include "controls/bnthemesrv.h"

#include <memory>

#include "controls/bnuxtheme.h"

namespace {

const char* const kPropName = "BnThemeServices";

// The version of the common controls this platform's controls stand for: visual styles would
// need version 6, which is what they answer.
constexpr int kCommonControlsMajor = 6;

}  // namespace

const char16_t* ThemedElementClassName(TThemedElement Element) {
  static const char16_t* const names[ThemedElementCount] = {
      u"button",   u"clock",      u"combobox", u"edit",       u"explorerbar", u"header",
      u"listview", u"menu",       u"page",     u"progress",   u"rebar",       u"scrollbar",
      u"spin",     u"startpanel", u"status",   u"tab",        u"taskband",    u"taskbar",
      u"toolbar",  u"tooltip",    u"trackbar", u"traynotify", u"treeview",    u"window",
  };
  return names[Element];
}

ORV_CLASS_IMPL(TThemeServices, TObject)

TThemeServices::TThemeServices(HWND Window) : FWindow(Window) {
  if (FWindow) {
    SetProp(FWindow, kPropName, this);
    FOldProc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(FWindow, GWLP_WNDPROC));
    SetWindowLongPtr(FWindow, GWLP_WNDPROC,
                     reinterpret_cast<LONG_PTR>(&TThemeServices::WindowProc));
  }
  FThemesAvailable = LoadVisualStyles();
  Refresh();
}

TThemeServices::~TThemeServices() {
  Unhook();
  CloseHandles();
  ReleaseVisualStyles();
}

void TThemeServices::Unhook() {
  if (!FOldProc) return;
  if (IsWindow(FWindow)) {
    SetWindowLongPtr(FWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FOldProc));
    RemoveProp(FWindow, kPropName);
  }
  FOldProc = nullptr;
}

LRESULT TThemeServices::WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* self = static_cast<TThemeServices*>(GetProp(Wnd, kPropName));
  if (!self || !self->FOldProc) return DefWindowProc(Wnd, Msg, WParam, LParam);
  const WNDPROC old = self->FOldProc;
  if (Msg == WM_DESTROY) {
    self->Unhook();
  } else if (Msg == WM_THEMECHANGED) {
    self->Refresh();
    self->ThemeChanged();
  }
  return CallWindowProc(old, Wnd, Msg, WParam, LParam);
}

void TThemeServices::ThemeChanged() {
  if (OnThemeChange) OnThemeChange(this);
}

void TThemeServices::Refresh() {
  if (FUseThemes) CloseHandles();
  FUseThemes = VisualStylesActive() && kCommonControlsMajor >= 6;
  FControlsThemed = FUseThemes && bnux::GetThemeAppProperties &&
                    (bnux::GetThemeAppProperties() & STAP_ALLOW_CONTROLS) != 0;
}

void TThemeServices::CloseHandles() {
  if (FWindow && !IsWindow(FWindow)) return;
  for (HTHEME& h : FHandles) {
    if (h && bnux::CloseThemeData) bnux::CloseThemeData(h);
    h = nullptr;
  }
}

HTHEME TThemeServices::ThemeHandle(TThemedElement Element) {
  HTHEME& h = FHandles[Element];
  if (FUseThemes && !h && bnux::OpenThemeData)
    h = bnux::OpenThemeData(FWindow, ThemedElementClassName(Element));
  return h;
}

TThemedElementDetails TThemeServices::ButtonDetails(int Value) const {
  TThemedElementDetails d;
  d.Element = teButton;
  int first = 0;
  if (Value >= tbPushButtonNormal && Value <= tbPushButtonDefaulted) {
    d.Part = 1;
    first = tbPushButtonNormal;
  } else if (Value >= tbRadioButtonUncheckedNormal && Value <= tbRadioButtonCheckedDisabled) {
    d.Part = 2;
    first = tbRadioButtonUncheckedNormal;
  } else if (Value >= tbCheckBoxUncheckedNormal && Value <= tbCheckBoxMixedDisabled) {
    d.Part = 3;
    first = tbCheckBoxUncheckedNormal;
  } else if (Value == tbGroupBoxNormal || Value == tbGroupBoxDisabled) {
    d.Part = 4;
    first = tbGroupBoxNormal;
  } else if (Value == tbUserButton) {
    d.Part = 5;
    first = tbUserButton;
  }
  d.State = Value - first + 1;
  return d;
}

void TThemeServices::PaintPart(HDC DC, const TThemedElementDetails& Details, const RECT& R) {
  if (bnux::DrawThemeBackground)
    bnux::DrawThemeBackground(ThemeHandle(Details.Element), DC, Details.Part, Details.State, &R,
                              nullptr);
}

void TThemeServices::PaintParentPart(HWND Window, HDC DC, const TThemedElementDetails* Details,
                                     bool OnlyIfTransparent, const RECT* R) {
  if (OnlyIfTransparent && Details) {
    if (!bnux::IsThemeBackgroundPartiallyTransparent ||
        !bnux::IsThemeBackgroundPartiallyTransparent(ThemeHandle(Details->Element), Details->Part,
                                                     Details->State))
      return;
  }
  if (bnux::DrawThemeParentBackground) bnux::DrawThemeParentBackground(Window, DC, R);
}

TThemeServices* ThemeServicesInstance() {
  static const std::unique_ptr<TThemeServices> instance = std::make_unique<TThemeServices>(nullptr);
  return instance.get();
}
