// The font dialog: lists the installed families through the font enumeration of the graphics layer.
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

int CollectFamily(const ENUMLOGFONTEXA* e, const NEWTEXTMETRICEXA*, DWORD, LPARAM data) {
  auto* out = reinterpret_cast<std::vector<std::string>*>(data);
  out->emplace_back(e->elfLogFont.lfFaceName, strnlen(e->elfLogFont.lfFaceName, LF_FACESIZE));
  return 1;
}

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

std::vector<std::string> TFontDialog::FontFamilies() {
  std::vector<std::string> out;
  HDC dc = GetDC(nullptr);
  LOGFONTA lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumFontFamiliesEx(dc, &lf, CollectFamily, reinterpret_cast<LPARAM>(&out), 0);
  ReleaseDC(nullptr, dc);
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
    int c = CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return out;
}

bool TFontDialog::Execute() {
  TFont before;
  before.Assign(FFont.get());
  std::vector<std::string> families = FontFamilies();
  bool effects = FOptions.Contains(fdEffects);

  TFontForm f(nullptr);
  f.SetCaption("Font");
  f.SetClientWidth(400);
  f.SetClientHeight(300);
  auto* family = Place<TListBox>(&f, "FamilyList", 8, 8, 200, 200);
  for (auto& n : families) family->Items()->Add(n);
  auto it = std::find_if(families.begin(), families.end(), [&](const std::string& n) { return SameText(n, FFont->Name()); });
  if (it != families.end()) family->SetItemIndex(static_cast<int>(it - families.begin()));
  family->SetEnabled(!FOptions.Contains(fdNoFaceSel));
  auto* size = Place<TEdit>(&f, "SizeEdit", 216, 8, 60, 21);
  size->SetText(IntToStr(FFont->Size()));
  size->SetEnabled(!FOptions.Contains(fdNoSizeSel));
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
