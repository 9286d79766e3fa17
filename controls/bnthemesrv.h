// Theme services: one object that knows whether visual styles are in use, keeps a theme handle
// per element class (opened on first use, closed after every theme change) and draws themed
// parts. It watches a window for the theme-changed message.
//
// The program's instance (ThemeServicesInstance) watches no window here: this platform has no
// application window, and its visual styles never change (bnuxtheme.h).
#pragma once

#include "platform/rtl/object.h"
#include "platform/rtl/persistent.h"
#include "platform/win/uxtheme.h"
#include "platform/win/winuser.h"

// The element classes, in the order of their handles.
enum TThemedElement {
  teButton,
  teClock,
  teComboBox,
  teEdit,
  teExplorerBar,
  teHeader,
  teListView,
  teMenu,
  tePage,
  teProgress,
  teRebar,
  teScrollBar,
  teSpin,
  teStartPanel,
  teStatus,
  teTab,
  teTaskBand,
  teTaskBar,
  teToolBar,
  teToolTip,
  teTrackBar,
  teTrayNotify,
  teTreeview,
  teWindow,
};
inline constexpr int ThemedElementCount = 24;
// The class name OpenThemeData receives for an element ("button", "clock", ...).
const char16_t* ThemedElementClassName(TThemedElement Element);

// The themed-button values ButtonDetails understands.
enum TThemedButton {
  tbButtonDontCare,
  tbButtonRoot,
  tbPushButtonNormal,
  tbPushButtonHot,
  tbPushButtonPressed,
  tbPushButtonDisabled,
  tbPushButtonDefaulted,
  tbRadioButtonUncheckedNormal,
  tbRadioButtonUncheckedHot,
  tbRadioButtonUncheckedPressed,
  tbRadioButtonUncheckedDisabled,
  tbRadioButtonCheckedNormal,
  tbRadioButtonCheckedHot,
  tbRadioButtonCheckedPressed,
  tbRadioButtonCheckedDisabled,
  tbCheckBoxUncheckedNormal,
  tbCheckBoxUncheckedHot,
  tbCheckBoxUncheckedPressed,
  tbCheckBoxUncheckedDisabled,
  tbCheckBoxCheckedNormal,
  tbCheckBoxCheckedHot,
  tbCheckBoxCheckedPressed,
  tbCheckBoxCheckedDisabled,
  tbCheckBoxMixedNormal,
  tbCheckBoxMixedHot,
  tbCheckBoxMixedPressed,
  tbCheckBoxMixedDisabled,
  tbGroupBoxNormal,
  tbGroupBoxDisabled,
  tbUserButton,
};

struct TThemedElementDetails {
  TThemedElement Element = teButton;
  int Part = 0;
  int State = 0;
};

class TThemeServices : public TObject {
  ORV_CLASS(TThemeServices, TObject)
public:
  // Watches Window (when not null) for theme changes; loads the visual-style library.
  explicit TThemeServices(HWND Window);
  ~TThemeServices() override;

  // Visual styles are loaded and in use, and controls may be themed.
  bool ThemedControls() const { return FThemesAvailable && FUseThemes && FControlsThemed; }
  bool ThemesAvailable() const { return FThemesAvailable; }
  bool UseThemes() const { return FUseThemes; }
  // The element's theme handle, opened on first use while themes are in use (null otherwise).
  HTHEME ThemeHandle(TThemedElement Element);
  TThemedElementDetails ButtonDetails(int Value) const;
  // Draws the part over R (nothing when the library lacks the function).
  void PaintPart(HDC DC, const TThemedElementDetails& Details, const RECT& R);
  // Draws Window's parent background under R; with OnlyIfTransparent and Details, only when the
  // part is partly transparent.
  void PaintParentPart(HWND Window, HDC DC, const TThemedElementDetails* Details,
                       bool OnlyIfTransparent, const RECT* R);
  // Reads the state of the visual styles again (closing the handles when themes were in use).
  void Refresh();
  void CloseHandles();
  HWND Window() const { return FWindow; }

  TNotifyEvent OnThemeChange;

protected:
  virtual void ThemeChanged();

private:
  static LRESULT WindowProc(HWND Wnd, UINT Msg, WPARAM WParam, LPARAM LParam);
  void Unhook();
  HWND FWindow = nullptr;
  WNDPROC FOldProc = nullptr;
  HTHEME FHandles[ThemedElementCount] = {};
  bool FThemesAvailable = false, FUseThemes = false, FControlsThemed = false;
};

// The program's theme services, made on first use.
TThemeServices* ThemeServicesInstance();
