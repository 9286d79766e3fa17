// The form skin engine: TswSkinEngine, the component on a form that loads a skin archive (from
// a file or stored in the form as "SkinData") and gives the form, and the forms it is asked to,
// a skinned frame through a window object (TswSkinWindow, swskinwindow.h).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/component.h"
#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"
#include "skins/swskincollection.h"
#include "skins/swskinres.h"

class TCustomForm;
class TswSkinWindow;
class TStream;
class TMenu;
class TMenuItem;
class TPopupMenu;
class TStrings;
class TStringList;

// Private messages of skinned windows and controls.
enum : UINT {
  SWM_ISSKINNED = 10922,     // 1 from a skinned window or control
  SWM_CAPTIONSTATE = 10923,  // 1 active caption, 2 inactive
  SWM_REPAINTCONTROL = 10924,
  SWM_MDIFRAMEREPAINT = 10925,
  SWM_MENUBARHEIGHT = 33769,
};

// The metrics of the loaded skin, recomputed after every load.
struct TswSkinMetrics {
  int CaptionHeight = 0, LeftBorder = 0, RightBorder = 0, BottomBorder = 0;
  TColor TransColor = -1, FormColor = -1, CaptionFontColor = -1;
  int IconX = -1, IconY = -1, ButtonX = -1, ButtonY = -1, CaptionTop = -1;
  int TitleRegionMin = -1, TitleRegionMax = -1, BottomRegionMin = -1, BottomRegionMax = -1;
  int MinWidth = 0;
};

// Adds a window class name to the list of classes the hook skins when they are activated
// (it starts with "TSelectDirDlg", "TForm" and "TfrmRegBrowser"; names are never removed).
void AddAutoSkinClassName(const std::string& Name);
bool IsAutoSkinClassName(const std::string& Name);

// Skin bitmap numbers of the window frame.
enum {
  bmTitle1 = 0, bmTitle2, bmTitle3, bmTitle4, bmTitle5, bmLeft, bmRight, bmBottom1, bmBottom2,
  bmBottom3, bmMinimized, bmButtons
};

class TswSkinEngine : public TComponent {
  ORV_CLASS(TswSkinEngine, TComponent)
public:
  // Exception "Must be placed on a Form" when the owner is not a form.
  explicit TswSkinEngine(TComponent* AOwner);
  ~TswSkinEngine() override;
  static void Publish(TPublisher<TswSkinEngine>& P);

  bool Active() const { return FActive; }
  void SetActive(bool Value);
  bool Ready() const { return FReader.Loaded(); }
  void SetReady(bool) {}
  const std::string& Password() const { return FPassword; }
  void SetPassword(const std::string& Value) { FPassword = Value; }
  const std::string& SkinFile() const { return FSkinFile; }
  // Loads the archive (looked for also beside the executable); a missing file loads nothing
  // and keeps the old value; a damaged one clears SkinFile and raises the reader's error.
  void SetSkinFile(const std::string& Value);
  int DisabledTag() const { return FDisabledTag; }
  void SetDisabledTag(int Value) { FDisabledTag = Value; }
  bool DrawScrollBar() const { return FDrawScrollBar; }
  void SetDrawScrollBar(bool Value) { FDrawScrollBar = Value; }
  std::string Version() const { return "4.46"; }
  void SetVersion(const std::string&) {}
  bool BuiltIn() const { return FBuiltIn; }
  void SetBuiltIn(bool Value);
  bool SkinDialogs() const { return FSkinDialogs; }
  void SetSkinDialogs(bool Value) { FSkinDialogs = Value; }
  bool SkinAllForms() const { return FSkinAllForms; }
  void SetSkinAllForms(bool Value);
  bool NoChangeButtonsFontColor() const { return FNoChangeButtonsFontColor; }
  void SetNoChangeButtonsFontColor(bool Value) { FNoChangeButtonsFontColor = Value; }
  const std::string& ResSysMenuMin() const { return FResSysMenu[0]; }
  void SetResSysMenuMin(const std::string& Value);
  const std::string& ResSysMenuMax() const { return FResSysMenu[1]; }
  void SetResSysMenuMax(const std::string& Value);
  const std::string& ResSysMenuClose() const { return FResSysMenu[2]; }
  void SetResSysMenuClose(const std::string& Value);
  // Window class names the engine adds to the hook's auto-skin list when it is loaded (the
  // setter copies the given list's contents).
  TStrings* AutoSkinWndClassNames() const;
  void SetAutoSkinWndClassNames(TStrings* Value);
  // Further stored skins, each loaded into a reader of its own (the engine's skin stays); the
  // setter copies the given collection's items.
  TswSkinCollection* AdditionalBuiltInSkins() const { return FAdditionalBuiltInSkins.get(); }
  void SetAdditionalBuiltInSkins(TswSkinCollection* Value);
  TNotifyEvent OnSkinChanged, OnSkinChanging;

  // Skins the owner form (not at design time) and adds AutoSkinWndClassNames to the
  // auto-skin list.
  void Loaded() override;
  // Skins the form once (a second call does nothing).
  void SkinForm(TCustomForm* Form);
  void SkinHandle(HWND Wnd, bool Dialog);
  // Frees the window object of the handle; the window gets its own frame back.
  void UnskinHandle(HWND Wnd);
  bool IsSkinActive() const;
  void SkinAllScreenForms();
  void UnskinOtherForms();
  // The window object of a handle, or nullptr.
  TswSkinWindow* FindWindow(HWND Wnd) const;
  int WindowCount() const { return static_cast<int>(FWindows.size()); }
  bool Releasing() const { return FReleasing; }
  // The engine whose hook skins activated windows (the first one created at run time).
  static TswSkinEngine* HookEngine();
  // The popup that stands for the system menu of skinned windows: minimize, maximize/restore, a
  // separator and close, enabled from the window's caption buttons when it opens.
  TPopupMenu* SystemMenu() const { return FSystemMenu; }
  // Opens it for a window object at a screen point.
  void PopupSystemMenu(TswSkinWindow* Window, int X, int Y);
  // Owner-draws the menu's items in the skin's menu colours (SkinMenu), or gives them back.
  void SkinMenu(TMenu* Menu);
  void UnskinMenu(TMenu* Menu);
  void SkinMenuItem(TMenuItem* Item);
  void MeasureMenuItem(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height);
  void DrawMenuItem(TMenuItem* Item, TCanvas* Canvas, const RECT& R, bool Selected);
  // Loads a stored skin archive (the "SkinData" property) through a temporary file; gives up
  // with EInOutError when no temporary file can be written after a bounded number of tries.
  void ReadSkinData(TStream* Stream);

  // Skin accessors of the window objects and control skinners.
  TswSkinReader* Reader() { return &FReader; }
  const TswSkinMetrics& Metrics() const { return FMetrics; }
  TBitmap* SkinBitmap(int Number) const { return FReader.GetBitmap(Number); }
  // Cell K (from 1) of N equal cells of a skin bitmap into Target; false without the bitmap.
  bool SkinBitmapCell(int Number, int K, int N, TBitmap* Target) const;
  TColor SkinColor(int Number) const { return static_cast<TColor>(FReader.GetColor(Number)); }
  bool SkinFlag(int Number) const { return FReader.GetBool(Number) != 0; }
  TColor FormColor() const { return FMetrics.FormColor; }
  // A solid brush of the form colour, made again at every skin change (owned by the engine).
  HBRUSH FormBrush() const { return FFormBrush; }
  // The dialog whose window object was last released because the dialog was being destroyed
  // (the hook does not skin it again meanwhile).
  static HWND LastDestroyedDialog();
  static void SetLastDestroyedDialog(HWND Wnd);
  TswSkinScrollBtnRes& ScrollRes() { return FScrollRes; }
  TswSkinProgressBarRes& ProgressRes() { return FProgressRes; }
  TswSkinTabRes& TabRes() { return FTabRes; }

protected:
  void DefineProperties(TFiler* Filer) override;

private:
  friend class TswSkinWindow;
  friend class TswSkinWindowVCL;
  friend class TswSkinWindowWnd;
  void SkinChanged();
  static LRESULT SkinCbtHookProc(int Code, WPARAM W, LPARAM L);
  void RemoveWindow(TswSkinWindow* W);
  TCustomForm* OwnerForm() const;

  bool FActive = false, FDrawScrollBar = true, FBuiltIn = false, FSkinDialogs = true;
  bool FSkinAllForms = true, FNoChangeButtonsFontColor = false;
  int FDisabledTag = 9999;
  std::string FPassword, FSkinFile;
  std::string FResSysMenu[3] = {"Mi&nimize", "Ma&ximize/Restore", "&Close"};
  TswSkinReader FReader;
  TswSkinScrollBtnRes FScrollRes;
  TswSkinProgressBarRes FProgressRes;
  TswSkinTabRes FTabRes;
  TswSkinMetrics FMetrics;
  std::vector<TswSkinWindow*> FWindows;
  TPopupMenu* FSystemMenu = nullptr;
  TswSkinWindow* FSystemMenuWindow = nullptr;
  bool FSweeping = false, FReleasing = false;
  HBRUSH FFormBrush = nullptr;
  std::unique_ptr<TStringList> FAutoSkinWndClassNames;
  std::unique_ptr<TswSkinCollection> FAdditionalBuiltInSkins;
};
