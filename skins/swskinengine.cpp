// The form skin engine (swskinengine.h).
#include "skins/swskinengine.h"

#include <algorithm>
#include <cctype>

#include "platform/rtl/automation.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/win/wingdi.h"
#include "skins/swskinwindow.h"
#include "skins/swskinwnd.h"

ORV_CLASS_IMPL(TswSkinEngine, TComponent)

namespace {

int WidthOf(const TBitmap* B) { return B ? B->Width() : 0; }
int HeightOf(const TBitmap* B) { return B ? B->Height() : 0; }

// How often a stored skin is saved under a fresh temporary name before giving up.
constexpr int TempFileTries = 8;

// Process-wide state of the hook.
HHOOK gHook = nullptr;
TswSkinEngine* gHookEngine = nullptr;
HWND gLastDestroyedDialog = nullptr;

std::vector<std::string>& AutoSkinNames() {
  static std::vector<std::string> names{"TSelectDirDlg", "TForm", "TfrmRegBrowser"};
  return names;
}

std::string Upper(std::string S) {
  for (char& c : S) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return S;
}

}  // namespace

void AddAutoSkinClassName(const std::string& Name) {
  if (!IsAutoSkinClassName(Name)) AutoSkinNames().push_back(Name);
}

bool IsAutoSkinClassName(const std::string& Name) {
  const std::string u = Upper(Name);
  for (const std::string& n : AutoSkinNames())
    if (Upper(n) == u) return true;
  return false;
}

TswSkinEngine* TswSkinEngine::HookEngine() { return gHookEngine; }
HWND TswSkinEngine::LastDestroyedDialog() { return gLastDestroyedDialog; }
void TswSkinEngine::SetLastDestroyedDialog(HWND Wnd) { gLastDestroyedDialog = Wnd; }

LRESULT TswSkinEngine::SkinCbtHookProc(int Code, WPARAM W, LPARAM L) {
  TswSkinEngine* e = gHookEngine;
  if (Code == HCBT_CREATEWND && e && e->IsSkinActive()) {
    // Size grips are not created while skinned, except the ones a status bar asks for
    // (extended style exactly WS_EX_NOPARENTNOTIFY).
    HWND wnd = reinterpret_cast<HWND>(W);
    const auto* cw = reinterpret_cast<const CBT_CREATEWND*>(L);
    char cls[101] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (cw && cw->lpcs && Upper(cls) == "SCROLLBAR" && (cw->lpcs->style & 0x10) != 0 &&
        cw->lpcs->dwExStyle != WS_EX_NOPARENTNOTIFY)
      return 1;
  } else if (Code == HCBT_ACTIVATE && e && e->IsSkinActive()) {
    HWND wnd = reinterpret_cast<HWND>(W);
    char cls[101] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    const std::string name = cls;
    auto skinned = [wnd] { return SendMessage(wnd, SWM_ISSKINNED, 0, 0) == 1; };
    if (name == "TTabDockHost" || name == "TConjoinDockHost") {
      if (!skinned()) e->SkinHandle(wnd, true);
    } else if (name == "TMessageForm" || name == "#32770") {
      if (wnd != gLastDestroyedDialog && e->FSkinDialogs && !skinned()) e->SkinHandle(wnd, true);
      gLastDestroyedDialog = nullptr;
    } else if (IsAutoSkinClassName(name) && !skinned()) {
      e->SkinHandle(wnd, false);
    }
  }
  return CallNextHookEx(gHook, Code, W, L);
}

TswSkinEngine::TswSkinEngine(TComponent* AOwner) : TComponent(AOwner) {
  auto* form = dynamic_cast<TCustomForm*>(AOwner);
  if (!form) throw Exception("Must be placed on a Form");
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (form->Components(i) != this && dynamic_cast<TswSkinEngine*>(form->Components(i)))
      throw Exception("One form can only catch one TswSkinEngine!");
  FReader.OnLoad = [this](TswSkinReader*) { SkinChanged(); };
  FAutoSkinWndClassNames = std::make_unique<TStringList>();
  FAdditionalBuiltInSkins = std::make_unique<TswSkinCollection>(this);
  FAdditionalBuiltInSkins->SetPropName("AdditionalBuiltInSkins");
  FSystemMenu = new TPopupMenu(this);
  const int commands[4] = {swHotMin, swHotMax, -1, swHotClose};
  const std::string captions[4] = {FResSysMenu[0], FResSysMenu[1], "-", FResSysMenu[2]};
  for (int i = 0; i < 4; ++i) {
    auto* item = new TMenuItem(this);
    item->SetCaption(captions[i]);
    const int command = commands[i];
    if (command >= 0)
      item->OnClick = [this, command](TObject*) {
        if (FSystemMenuWindow) FSystemMenuWindow->Command(command);
      };
    FSystemMenu->Items()->Add(item);
  }
  SkinMenu(FSystemMenu);
  if (!gHook && !ComponentState().Contains(csDesigning)) {
    gHook = SetWindowsHookExA(WH_CBT, &TswSkinEngine::SkinCbtHookProc, nullptr, GetCurrentThreadId());
    if (gHook) gHookEngine = this;
  }
}

TswSkinEngine::~TswSkinEngine() {
  if (gHookEngine == this) {
    UnhookWindowsHookEx(gHook);
    gHook = nullptr;
    gHookEngine = nullptr;
  }
  // Every window object still in the list gives its window back.
  while (!FWindows.empty()) {
    TswSkinWindow* w = FWindows.back();
    FReleasing = true;
    delete w;  // removes itself from the list
    FReleasing = false;
  }
  if (FFormBrush) DeleteObject(FFormBrush);
}

void TswSkinEngine::Publish(TPublisher<TswSkinEngine>& P) {
  P.Prop("Active", &TswSkinEngine::Active, &TswSkinEngine::SetActive);
  P.Prop("Ready", &TswSkinEngine::Ready, &TswSkinEngine::SetReady);
  P.Prop("Password", &TswSkinEngine::Password, &TswSkinEngine::SetPassword);
  P.Prop("SkinFile", &TswSkinEngine::SkinFile, &TswSkinEngine::SetSkinFile);
  P.Prop("ResSysMenuMin", &TswSkinEngine::ResSysMenuMin, &TswSkinEngine::SetResSysMenuMin);
  P.Prop("ResSysMenuMax", &TswSkinEngine::ResSysMenuMax, &TswSkinEngine::SetResSysMenuMax);
  P.Prop("ResSysMenuClose", &TswSkinEngine::ResSysMenuClose, &TswSkinEngine::SetResSysMenuClose);
  P.Prop("DisabledTag", &TswSkinEngine::DisabledTag, &TswSkinEngine::SetDisabledTag);
  P.Prop("DrawScrollBar", &TswSkinEngine::DrawScrollBar, &TswSkinEngine::SetDrawScrollBar);
  P.Prop("Version", &TswSkinEngine::Version, &TswSkinEngine::SetVersion);
  P.Prop("BuiltIn", &TswSkinEngine::BuiltIn, &TswSkinEngine::SetBuiltIn);
  P.Prop("SkinDialogs", &TswSkinEngine::SkinDialogs, &TswSkinEngine::SetSkinDialogs);
  P.Prop("SkinAllForms", &TswSkinEngine::SkinAllForms, &TswSkinEngine::SetSkinAllForms);
  P.Prop("NoChangeButtonsFontColor", &TswSkinEngine::NoChangeButtonsFontColor,
         &TswSkinEngine::SetNoChangeButtonsFontColor);
  P.Prop("AutoSkinWndClassNames", &TswSkinEngine::AutoSkinWndClassNames,
         &TswSkinEngine::SetAutoSkinWndClassNames);
  P.Prop("AdditionalBuiltInSkins", &TswSkinEngine::AdditionalBuiltInSkins,
         &TswSkinEngine::SetAdditionalBuiltInSkins);
}

void TswSkinEngine::SetAdditionalBuiltInSkins(TswSkinCollection* Value) {
  if (Value)
    FAdditionalBuiltInSkins->Assign(Value);
  else
    FAdditionalBuiltInSkins->Clear();
}

void TswSkinEngine::DefineProperties(TFiler* Filer) {
  TComponent::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "SkinData", [this](TStream* S) { ReadSkinData(S); },
      [this](TStream* S) {
        TMemoryStream m;
        m.LoadFromFile(FSkinFile);
        S->WriteBuffer(m.Memory(), m.Size());
      },
      FBuiltIn && FileExists(FSkinFile));
}

TCustomForm* TswSkinEngine::OwnerForm() const { return dynamic_cast<TCustomForm*>(Owner()); }

bool TswSkinEngine::IsSkinActive() const {
  return FActive && Ready() && !ComponentState().Contains(csDesigning);
}

void TswSkinEngine::SetActive(bool Value) {
  FActive = Value;
  if (ComponentState().Contains(csDesigning)) return;
  for (TswSkinWindow* w : std::vector<TswSkinWindow*>(FWindows)) w->SetSkinActive(Value);
}

void TswSkinEngine::SetBuiltIn(bool Value) {
  const TComponentState st = ComponentState();
  if (st.Contains(csLoading) || st.Contains(csDesigning)) {
    if (Value && st.Contains(csDesigning) && !st.Contains(csLoading) && !FileExists(FSkinFile))
      throw Exception("Please specify the SkinFile property first!");
    FBuiltIn = Value;
    return;
  }
  throw Exception("BuiltIn property only can be specified at design time!");
}

void TswSkinEngine::SetSkinAllForms(bool Value) {
  FSkinAllForms = Value;
  const TComponentState st = ComponentState();
  if (st.Contains(csDesigning) || st.Contains(csLoading)) return;
  if (Value)
    SkinAllScreenForms();
  else
    UnskinOtherForms();
}

void TswSkinEngine::SetSkinFile(const std::string& Value) {
  std::string path = Value;
  if (!path.empty() && !FileExists(path)) {
    const std::string beside = ExtractFilePath(ParamStr(0)) + ExtractFileName(path);
    if (!FileExists(beside)) return;
    path = beside;
  }
  if (path.empty() || !FileExists(path)) return;
  FSkinFile = path;
  try {
    FReader.Load(path, FPassword);
  } catch (const Exception&) {
    FSkinFile.clear();
    SkinChanged();  // the reader has no skin any more: windows give their frames back
    if (!ComponentState().Contains(csDesigning)) throw;
  }
}

void TswSkinEngine::ReadSkinData(TStream* Stream) {
  TMemoryStream data;
  data.CopyFrom(Stream, 0);
  std::string temp;
  bool saved = false;
  for (int attempt = 0; attempt < TempFileTries && !saved; ++attempt) {
    TGUID guid{};
    CoCreateGuid(&guid);
    const std::string base = GetTempPath() + GUIDToString(guid);
    temp = base + ".ssk";
    for (int n = 1; FileExists(temp); ++n) temp = base + std::to_string(n) + ".ssk";
    try {
      data.SaveToFile(temp);
      saved = true;
    } catch (const Exception&) {
      DeleteFile(temp);
    }
  }
  if (!saved) throw EInOutError("Cannot write the stored skin to a temporary file");
  const std::string kept = FSkinFile;
  try {
    SetSkinFile(temp);
  } catch (...) {
    DeleteFile(temp);
    FSkinFile = kept;
    throw;
  }
  FSkinFile = kept;
  DeleteFile(temp);
}

void TswSkinEngine::Loaded() {
  TComponent::Loaded();
  if (!ComponentState().Contains(csDesigning))
    if (TCustomForm* f = OwnerForm()) SkinForm(f);
  for (int i = 0; i < FAutoSkinWndClassNames->Count(); ++i)
    AddAutoSkinClassName(FAutoSkinWndClassNames->Strings(i));
}

TStrings* TswSkinEngine::AutoSkinWndClassNames() const { return FAutoSkinWndClassNames.get(); }

void TswSkinEngine::SetAutoSkinWndClassNames(TStrings* Value) {
  if (Value) FAutoSkinWndClassNames->Assign(Value);
  else FAutoSkinWndClassNames->Clear();
}

void TswSkinEngine::SkinChanged() {
  if (OnSkinChanging) OnSkinChanging(this);
  TswSkinMetrics m;
  const TswSkinReader& r = FReader;
  m.CaptionHeight = HeightOf(r.GetBitmap(bmTitle1));
  m.LeftBorder = WidthOf(r.GetBitmap(bmLeft));
  m.RightBorder = WidthOf(r.GetBitmap(bmRight));
  m.BottomBorder = HeightOf(r.GetBitmap(bmBottom1));
  m.TransColor = r.GetColor(0);
  m.FormColor = r.GetColor(2);
  m.CaptionFontColor = r.GetColor(1);
  m.IconX = r.GetInteger(0);
  m.IconY = r.GetInteger(1);
  m.CaptionTop = r.GetInteger(2);
  m.ButtonX = r.GetInteger(3);
  m.ButtonY = r.GetInteger(4);
  m.TitleRegionMin = r.GetInteger(5);
  m.TitleRegionMax = r.GetInteger(6);
  m.BottomRegionMin = r.GetInteger(7);
  m.BottomRegionMax = r.GetInteger(8);
  const int w1 = WidthOf(r.GetBitmap(bmTitle1)), w3 = WidthOf(r.GetBitmap(bmTitle3));
  const int wb = WidthOf(r.GetBitmap(bmButtons));
  m.MinWidth = r.GetBool(0) ? w1 + w3 + wb / 6 + 35 : w1 + std::max(w3, wb / 6 + 35);
  FMetrics = m;
  if (FFormBrush) DeleteObject(FFormBrush);
  FFormBrush = CreateSolidBrush(ColorToRGB(m.FormColor));
  FScrollRes.SetReader(&FReader);
  FProgressRes.SetReader(&FReader);
  FTabRes.SetReader(&FReader);
  for (TswSkinWindow* w : std::vector<TswSkinWindow*>(FWindows)) {
    if (FActive) {
      // A window without a parent window (not even the desktop) is hidden while its skin goes
      // off and on; a visible window is shown again and the first skinned window is made the
      // active one.
      const HWND h = w->GetHandle();
      const bool visible = h && IsWindowVisible(h);
      if (h && !GetAncestor(h, GA_PARENT)) ShowWindow(h, SW_HIDE);
      w->SetSkinActive(false);
      w->SetSkinActive(true);
      if (visible && IsWindow(h)) {
        ShowWindow(h, SW_SHOW);
        if (!FWindows.empty() && IsWindow(FWindows.front()->GetHandle()))
          SetActiveWindow(FWindows.front()->GetHandle());
      }
    }
    w->UpdateSkin();
  }
  if (OnSkinChanged) OnSkinChanged(this);
}

TswSkinWindow* TswSkinEngine::FindWindow(HWND Wnd) const {
  for (TswSkinWindow* w : FWindows)
    if (w->GetHandle() == Wnd) return w;
  return nullptr;
}

void TswSkinEngine::SkinForm(TCustomForm* Form) {
  if (!Form) return;
  if (Form->HandleAllocated() && FindWindow(Form->Handle())) return;
  for (TswSkinWindow* w : FWindows)
    if (auto* v = dynamic_cast<TswSkinWindowVCL*>(w); v && v->Form() == Form) return;
  auto* w = new TswSkinWindowVCL(Form, this, false);
  FWindows.push_back(w);
  w->UpdateSkin();
}

void TswSkinEngine::SkinHandle(HWND Wnd, bool Dialog) {
  if (!Wnd || FindWindow(Wnd)) return;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f->HandleAllocated() && f->Handle() == Wnd) {
      auto* w = new TswSkinWindowVCL(f, this, Dialog);
      FWindows.push_back(w);
      w->UpdateSkin();
      return;
    }
  }
  // Any other window (a dialog of the window layer) gets the window object of plain windows.
  auto* w = new TswSkinWindowWnd(Wnd, this, Dialog);
  FWindows.push_back(w);
  w->UpdateSkin();
}

void TswSkinEngine::UnskinHandle(HWND Wnd) {
  TswSkinWindow* w = FindWindow(Wnd);
  if (!w) return;
  FReleasing = true;
  delete w;
  FReleasing = false;
}

void TswSkinEngine::RemoveWindow(TswSkinWindow* W) {
  FWindows.erase(std::remove(FWindows.begin(), FWindows.end(), W), FWindows.end());
  if (FSystemMenuWindow == W) FSystemMenuWindow = nullptr;
}

void TswSkinEngine::SkinAllScreenForms() {
  FSweeping = true;
  for (int i = 0; i < Screen()->FormCount(); ++i) {
    TCustomForm* f = Screen()->Forms(i);
    if (f->Tag() == FDisabledTag || f->ClassName() == std::string("TfrmMSNPopForm")) continue;
    if (SendMessage(f->Handle(), SWM_ISSKINNED, 0, 0) == 1) continue;
    SkinHandle(f->Handle(), false);
  }
  FSweeping = false;
}

void TswSkinEngine::UnskinOtherForms() {
  TCustomForm* own = OwnerForm();
  for (TswSkinWindow* w : std::vector<TswSkinWindow*>(FWindows)) {
    auto* v = dynamic_cast<TswSkinWindowVCL*>(w);
    if (v && v->Form() == own) continue;
    UnskinHandle(w->GetHandle());
  }
}

bool TswSkinEngine::SkinBitmapCell(int Number, int K, int N, TBitmap* Target) const {
  TBitmap* b = FReader.GetBitmap(Number);
  if (!b || b->Empty() || !Target) return false;
  CutFrame(b, Target, N, K);
  return true;
}

// ---- menus ----
namespace {

// Skin colour numbers of the menus.
enum {
  clLeftBarStart = 9, clLeftBarEnd = 10, clMenuItem = 11, clMenuItemFont = 12, clSelected = 13,
  clSelectedBorder = 14, clSelectedFont = 15
};
constexpr TColor kSeparatorColor = 132 | (130 << 8) | (132 << 16);

// Sets (or clears) the item's measure and draw events and those of all its sub-items.
void HookItems(TMenuItem* Item, TswSkinEngine* Engine) {
  if (Engine) {
    Item->OnMeasureItem = [Engine, Item](TObject*, TCanvas* C, int& W, int& H) {
      Engine->MeasureMenuItem(Item, C, W, H);
    };
    Item->OnDrawItem = [Engine, Item](TObject*, TCanvas* C, RECT R, bool Selected) {
      Engine->DrawMenuItem(Item, C, R, Selected);
    };
  } else {
    Item->OnMeasureItem = nullptr;
    Item->OnDrawItem = nullptr;
  }
  for (int i = 0; i < Item->Count(); ++i) HookItems(Item->Items(i), Engine);
}

void MenuFont(TCanvas* C) {
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    C->Font()->SetLogFont(ncm.lfMenuFont);
}

}  // namespace

void TswSkinEngine::SetResSysMenuMin(const std::string& Value) {
  FResSysMenu[0] = Value;
  FSystemMenu->Items()->Items(0)->SetCaption(Value);
}
void TswSkinEngine::SetResSysMenuMax(const std::string& Value) {
  FResSysMenu[1] = Value;
  FSystemMenu->Items()->Items(1)->SetCaption(Value);
}
void TswSkinEngine::SetResSysMenuClose(const std::string& Value) {
  FResSysMenu[2] = Value;
  FSystemMenu->Items()->Items(3)->SetCaption(Value);
}

void TswSkinEngine::PopupSystemMenu(TswSkinWindow* Window, int X, int Y) {
  if (!Window) return;
  FSystemMenuWindow = Window;
  FSystemMenu->Items()->Items(0)->SetEnabled(Window->ShowsMinimize());
  FSystemMenu->Items()->Items(1)->SetEnabled(Window->ShowsMaximize());
  FSystemMenu->Items()->Items(3)->SetEnabled(Window->ShowsClose());
  FSystemMenu->Popup(X, Y);
  FSystemMenuWindow = nullptr;
}

void TswSkinEngine::SkinMenu(TMenu* Menu) {
  if (!Menu) return;
  Menu->SetOwnerDraw(true);
  for (int i = 0; i < Menu->Items()->Count(); ++i) SkinMenuItem(Menu->Items()->Items(i));
  Menu->Rebuild();
}

void TswSkinEngine::SkinMenuItem(TMenuItem* Item) { HookItems(Item, this); }

void TswSkinEngine::UnskinMenu(TMenu* Menu) {
  if (!Menu) return;
  Menu->SetOwnerDraw(false);
  for (int i = 0; i < Menu->Items()->Count(); ++i) HookItems(Menu->Items()->Items(i), nullptr);
  Menu->Rebuild();
}

void TswSkinEngine::MeasureMenuItem(TMenuItem* Item, TCanvas* Canvas, int& Width, int& Height) {
  if (Item->Parent() && !Item->Parent()->Parent() && dynamic_cast<TMainMenu*>(Item->GetParentMenu()))
    return;  // the bar's own items keep the system's measure
  MenuFont(Canvas);
  if (Item->Caption() == "-") {
    Height = 5;
    return;
  }
  Height = std::max(Canvas->TextHeight(Item->Caption()), 21);
  Width = Canvas->TextWidth(Item->Caption()) + Canvas->TextWidth(ShortCutToText(Item->ShortCut())) + 66;
}

void TswSkinEngine::DrawMenuItem(TMenuItem* Item, TCanvas* Canvas, const RECT& R, bool Selected) {
  TCanvas* c = Canvas;
  TMenu* menu = Item->GetParentMenu();
  // A right-to-left menu is the mirror image: the bar, the check mark and the picture at the
  // right edge (the bar's gradient mirrored too), the caption right-aligned and the shortcut
  // at the left.
  const bool rtl = menu && menu->BiDiMode() != bdLeftToRight;
  // Left edge of something Width wide placed Offset pixels in from the leading edge.
  auto lead = [&](int Offset, int Width) { return rtl ? R.right - Offset - Width : R.left + Offset; };
  const TColor start = SkinColor(clLeftBarStart), end = SkinColor(clLeftBarEnd);
  auto leftBar = [&]() {
    const RECT bar{lead(0, 26), R.top, lead(0, 26) + 26, R.bottom};
    if (start == end)
      FillRectColor(c, bar, start);
    else if (rtl)
      GradientHorizontal(c, bar, end, start);
    else
      GradientHorizontal(c, bar, start, end);
    const RECT rest = rtl ? RECT{R.left, R.top, R.right - 26, R.bottom}
                          : RECT{R.left + 26, R.top, R.right, R.bottom};
    FillRectColor(c, rest, SkinColor(clMenuItem));
  };
  if (Item->Caption() == "-") {
    leftBar();
    DrawMenuSeparator(c, R, kSeparatorColor, !rtl, 26);
    return;
  }
  if (Selected && Item->Enabled()) {
    FillRectColor(c, R, SkinColor(clSelected));
    FrameRectColor(c, R, SkinColor(clSelectedBorder));
  } else {
    leftBar();
  }
  MenuFont(c);
  c->Brush()->SetStyle(bsClear);
  c->Font()->SetColor(!Item->Enabled() ? MakeRGB(128, 128, 128)
                      : Selected      ? SkinColor(clSelectedFont)
                                      : SkinColor(clMenuItemFont));
  if (Item->Default()) c->Font()->SetStyle(c->Font()->Style() + fsBold);
  std::string caption = Item->Caption();
  if (rtl) {
    // Right-aligned up to the bar's inner edge (right - 30), as the left-to-right caption starts
    // after it: ending at right - 4 would write it over the bar, the check mark and the picture.
    RECT text{R.left + 30, R.top, R.right - 30, R.bottom};
    c->TextRect(text, caption, TTextFormat{tfSingleLine, tfVerticalCenter, tfRight});
  } else {
    RECT text{R.left + 30, R.top, R.right, R.bottom};
    c->TextRect(text, caption, TTextFormat{tfSingleLine, tfVerticalCenter});
  }
  const std::string shortcut = ShortCutToText(Item->ShortCut());
  if (!shortcut.empty()) {
    std::string sc = shortcut;
    RECT sr = rtl ? RECT{R.left + 30, R.top, R.right, R.bottom}
                  : RECT{R.right - c->TextWidth(shortcut) - 16, R.top, R.right, R.bottom};
    c->TextRect(sr, sc, TTextFormat{tfSingleLine, tfVerticalCenter});
  }
  c->Brush()->SetStyle(bsSolid);
  TImageList* images = menu ? menu->Images() : nullptr;
  const bool hasImage = images && Item->ImageIndex() >= 0 && Item->ImageIndex() < images->Count();
  if (Item->Checked()) {
    if (!hasImage) {
      if (TBitmap* mark = SkinBitmap(12); mark && !mark->Empty()) {
        TransparentBlt(c->Handle(), lead(4, mark->Width()), R.top + 3, mark->Width(), mark->Height(),
                       mark->Canvas()->Handle(), 0, 0, mark->Width(), mark->Height(),
                       static_cast<UINT>(ColorToRGB(FMetrics.TransColor)));
      } else {
        // A skin without a check-mark picture: our own mark, two strokes in the text colour.
        c->Pen()->SetColor(c->Font()->Color());
        c->Pen()->SetWidth(2);
        const int x = lead(4, 16), y = R.top + 3;
        c->MoveTo(x + 3, y + 8);
        c->LineTo(x + 6, y + 11);
        c->LineTo(x + 12, y + 4);
        c->Pen()->SetWidth(1);
      }
    } else {
      FillRectColor(c, RECT{lead(2, 19), R.top + 1, lead(2, 19) + 19, R.top + 20}, clBlack);
      FillRectColor(c, RECT{lead(3, 17), R.top + 2, lead(3, 17) + 17, R.top + 19}, SkinColor(clMenuItem));
    }
  }
  if (hasImage)
    images->Draw(c, lead(4, images->Width()), R.top + 3, Item->ImageIndex(), Item->Enabled());
  else if (Item->HasBitmap())
    // The item's own picture, stretched into the image place.
    c->StretchDraw(RECT{lead(4, 16), R.top + 3, lead(4, 16) + 16, R.top + 19}, Item->Bitmap());
}
