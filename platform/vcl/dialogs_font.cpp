// The font dialog: lists the installed families through the font enumeration of the graphics
// layer, filtered by the kinds of font the options ask for, and the usual point sizes within the
// dialog's limits.
#include <algorithm>
#include <cstring>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

ORV_CLASS_IMPL(TFontDialog, TCommonDialog)

namespace {

class TFontForm : public TForm {
public:
  explicit TFontForm(TComponent* Owner) : TForm(Owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.WinClassName = "#32770";
  }
};

// Reads what the enumeration says of a family. The TMPF_FIXED_PITCH bit set means a variable
// pitch, as on the original platform.
int CollectFamily(const ENUMLOGFONTEXA* e, const NEWTEXTMETRICEXA* tm, DWORD type, LPARAM data) {
  auto* out = reinterpret_cast<std::vector<TFontFamilyInfo>*>(data);
  TFontFamilyInfo f;
  f.Name.assign(e->elfLogFont.lfFaceName, strnlen(e->elfLogFont.lfFaceName, LF_FACESIZE));
  BYTE pf = tm ? tm->ntmTm.tmPitchAndFamily : 0;
  f.FixedPitch = !(pf & TMPF_FIXED_PITCH);
  f.TrueType = (type & TRUETYPE_FONTTYPE) != 0;
  f.Scalable = f.TrueType || (pf & TMPF_VECTOR);
  f.Device = (type & DEVICE_FONTTYPE) != 0;
  out->push_back(std::move(f));
  return 1;
}

// The sizes a font dialog offers when nothing limits them.
constexpr int kUsualSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

struct TNamedColor {
  const char* Name;
  TColor Color;
};
const TNamedColor kColors[] = {{"Black", clBlack}, {"Maroon", clMaroon}, {"Green", clGreen}, {"Olive", clOlive},
                               {"Navy", clNavy},   {"Purple", clPurple}, {"Teal", clTeal},   {"Gray", clGray},
                               {"Silver", clSilver}, {"Red", clRed},     {"Lime", clLime},   {"Yellow", clYellow},
                               {"Blue", clBlue},   {"Fuchsia", clFuchsia}, {"Aqua", clAqua}, {"White", clWhite}};

template <class T>
T* Place(TForm* f, const char* name, int x, int y, int w, int h) {
  auto* c = new T(f);
  c->SetName(name);
  c->SetParent(f);
  c->SetBounds(x, y, w, h);
  return c;
}

}  // namespace

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(std::make_unique<TFont>()) {}
TFontDialog::~TFontDialog() = default;

std::vector<TFontFamilyInfo> TFontDialog::FontFamilyInfos() {
  std::vector<TFontFamilyInfo> out;
  HDC dc = GetDC(nullptr);
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesEx(dc, &lf, CollectFamily, reinterpret_cast<LPARAM>(&out), 0);
  ReleaseDC(nullptr, dc);
  std::stable_sort(out.begin(), out.end(), [](const TFontFamilyInfo& a, const TFontFamilyInfo& b) {
    int c = CompareText(a.Name, b.Name);
    return c != 0 ? c < 0 : a.Name < b.Name;
  });
  out.erase(std::unique(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.Name == b.Name; }), out.end());
  return out;
}

std::vector<std::string> TFontDialog::FontFamilies() {
  std::vector<std::string> out;
  for (auto& f : FontFamilyInfos()) out.push_back(f.Name);
  return out;
}

// Screen fonts are all but the printer's own; the printer can use its own fonts and anything
// scalable (a bitmap screen font cannot be printed). fdWysiwyg keeps what both can show.
std::vector<std::string> TFontDialog::OfferedFamilies(const std::vector<TFontFamilyInfo>& All) const {
  std::vector<std::string> out;
  for (const TFontFamilyInfo& f : All) {
    bool onScreen = !f.Device, onPrinter = f.Scalable || f.Device;
    bool wanted = FDevice == fdScreen ? onScreen : FDevice == fdPrinter ? onPrinter : (onScreen || onPrinter);
    if (FOptions.Contains(fdWysiwyg)) wanted = onScreen && onPrinter;
    if (FOptions.Contains(fdTrueTypeOnly) && !f.TrueType) wanted = false;
    if (FOptions.Contains(fdFixedPitchOnly) && !f.FixedPitch) wanted = false;
    if (FOptions.Contains(fdScalableOnly) && !f.Scalable) wanted = false;
    if (wanted) out.push_back(f.Name);
  }
  return out;
}

std::vector<int> TFontDialog::OfferedSizes() const {
  std::vector<int> out(std::begin(kUsualSizes), std::end(kUsualSizes));
  if (!FOptions.Contains(fdLimitSize)) return out;
  int lo = FMinFontSize > 0 ? FMinFontSize : 1, hi = FMaxFontSize > 0 ? FMaxFontSize : 0x7FFF;
  out.erase(std::remove_if(out.begin(), out.end(), [&](int v) { return v < lo || v > hi; }), out.end());
  if (out.empty() && lo <= hi) {
    out.push_back(lo);
    if (hi != lo && hi != 0x7FFF) out.push_back(hi);
  }
  return out;
}

bool TFontDialog::Execute() {
  TFont before;
  before.Assign(FFont.get());
  std::vector<std::string> families = OfferedFamilies(FontFamilyInfos());
  std::vector<int> sizes = OfferedSizes();
  bool effects = FOptions.Contains(fdEffects);

  TFontForm f(nullptr);
  f.SetCaption("Font");
  f.SetClientWidth(480);
  f.SetClientHeight(300);
  auto* family = Place<TListBox>(&f, "FamilyList", 8, 8, 200, 200);
  for (auto& n : families) family->Items()->Add(n);
  auto it = std::find_if(families.begin(), families.end(), [&](const std::string& n) { return SameText(n, FFont->Name()); });
  if (it != families.end()) family->SetItemIndex(static_cast<int>(it - families.begin()));
  family->SetEnabled(!FOptions.Contains(fdNoFaceSel));
  auto* size = Place<TEdit>(&f, "SizeEdit", 216, 8, 60, 21);
  size->SetText(IntToStr(FFont->Size()));
  size->SetEnabled(!FOptions.Contains(fdNoSizeSel));
  auto* sizeList = Place<TListBox>(&f, "SizeList", 400, 8, 72, 200);
  for (int v : sizes) sizeList->Items()->Add(IntToStr(v));
  auto si = std::find(sizes.begin(), sizes.end(), FFont->Size());
  if (si != sizes.end()) sizeList->SetItemIndex(static_cast<int>(si - sizes.begin()));
  sizeList->SetEnabled(size->Enabled());
  sizeList->OnClick = [&](TObject*) {
    if (sizeList->ItemIndex() >= 0) size->SetText(IntToStr(sizes[static_cast<size_t>(sizeList->ItemIndex())]));
  };
  const char* styleNames[] = {"BoldCheck", "ItalicCheck", "UnderlineCheck", "StrikeOutCheck"};
  const char* styleCaptions[] = {"&Bold", "&Italic", "&Underline", "Stri&keout"};
  TCheckBox* styles[4];
  for (int i = 0; i < 4; ++i) {
    styles[i] = Place<TCheckBox>(&f, styleNames[i], 216, 40 + i * 24, 170, 20);
    styles[i]->SetCaption(styleCaptions[i]);
    styles[i]->SetChecked(FFont->Style().Contains(static_cast<TFontStyle>(i)));
    bool isEffect = i >= 2;
    styles[i]->SetVisible(isEffect ? effects : true);
    if (!isEffect) styles[i]->SetEnabled(!FOptions.Contains(fdNoStyleSel));
  }
  auto* color = Place<TComboBox>(&f, "ColorCombo", 216, 140, 170, 21);
  color->SetStyle(csDropDownList);
  std::vector<TColor> colors;
  for (auto& c : kColors) {
    color->Items()->Add(c.Name);
    colors.push_back(c.Color);
  }
  auto ci = std::find(colors.begin(), colors.end(), FFont->Color());
  if (ci == colors.end()) {  // a colour not in the list stays choosable
    color->Items()->Add("Custom");
    colors.push_back(FFont->Color());
    ci = colors.end() - 1;
  }
  color->SetItemIndex(static_cast<int>(ci - colors.begin()));
  color->SetVisible(effects);
  auto* sample = Place<TLabel>(&f, "SampleLabel", 8, 216, 384, 40);
  sample->SetCaption("AaBbYyZz");

  // Reads the controls into Font; false when the size is not a number or outside the limits.
  auto take = [&](TFont* into) {
    int sz = 0;
    if (!TryStrToInt(Trim(size->Text()), sz) || sz <= 0 || sz > 1638) {
      MessageBox(f.Handle(), "Size must be a number.", "Font", MB_OK | MB_ICONWARNING);
      return false;
    }
    if (FOptions.Contains(fdLimitSize) &&
        ((FMinFontSize > 0 && sz < FMinFontSize) || (FMaxFontSize > 0 && sz > FMaxFontSize))) {
      MessageBox(f.Handle(),
                 "Size must be between " + IntToStr(FMinFontSize) + " and " + IntToStr(FMaxFontSize) + " points.",
                 "Font", MB_OK | MB_ICONWARNING);
      return false;
    }
    if (family->ItemIndex() >= 0) into->SetName(families[static_cast<size_t>(family->ItemIndex())]);
    into->SetSize(sz);
    TFontStyles st;
    for (int i = 0; i < 4; ++i)
      if (styles[i]->Checked()) st += static_cast<TFontStyle>(i);
    into->SetStyle(st);
    if (effects && color->ItemIndex() >= 0) into->SetColor(colors[static_cast<size_t>(color->ItemIndex())]);
    return true;
  };
  auto showSample = [&](TObject*) {
    TFont s;
    s.Assign(FFont.get());
    if (family->ItemIndex() >= 0) s.SetName(families[static_cast<size_t>(family->ItemIndex())]);
    TFontStyles st;
    for (int i = 0; i < 4; ++i)
      if (styles[i]->Checked()) st += static_cast<TFontStyle>(i);
    s.SetStyle(st);
    sample->Font()->Assign(&s);
  };
  family->OnClick = showSample;
  for (auto* s : styles) s->OnClick = showSample;
  showSample(nullptr);

  auto* ok = Place<TButton>(&f, "OKButton", 154, 266, 75, 25);
  ok->SetCaption("OK");
  ok->SetDefault(true);
  ok->OnClick = [&](TObject*) {
    if (take(FFont.get())) f.SetModalResult(mrOk);
  };
  auto* cancel = Place<TButton>(&f, "CancelButton", 235, 266, 75, 25);
  cancel->SetCaption("Cancel");
  cancel->SetCancel(true);
  cancel->SetModalResult(mrCancel);
  if (FOptions.Contains(fdApplyButton)) {
    auto* apply = Place<TButton>(&f, "ApplyButton", 316, 266, 75, 25);
    apply->SetCaption("&Apply");
    apply->OnClick = [&](TObject*) {
      if (take(FFont.get()) && OnApply) OnApply(this, f.Handle());
    };
  }
  f.SetActiveControl(family->Enabled() ? static_cast<TWinControl*>(family) : size);
  if (OnShow) OnShow(this);
  bool accepted = f.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  if (!accepted) FFont->Assign(&before);
  return accepted;
}
