// Open, save and colour dialogs built from our own forms.
#include "platform/vcl/dialogs.h"

#include <algorithm>
#include <filesystem>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/filectrl.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TCommonDialog, TComponent)
ORV_CLASS_IMPL(TOpenDialog, TCommonDialog)
ORV_CLASS_IMPL(TSaveDialog, TOpenDialog)
ORV_CLASS_IMPL(TColorDialog, TCommonDialog)

namespace fs = std::filesystem;

namespace {

class TDlgForm : public TForm {
public:
  explicit TDlgForm(TComponent* Owner) : TForm(Owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.WinClassName = "#32770";
  }
};

struct TFilterItem {
  std::string Name, Mask;
};

std::vector<TFilterItem> ParseFilter(const std::string& f) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= f.size()) {
    size_t bar = f.find('|', start);
    parts.push_back(f.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
    if (bar == std::string::npos) break;
    start = bar + 1;
  }
  std::vector<TFilterItem> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back({parts[i], parts[i + 1]});
  if (out.empty()) out.push_back({"All files", "*.*"});
  return out;
}

TButton* AddButton(TForm* f, const char* caption, int x, int y, TModalResult r) {
  auto* b = new TButton(f);
  b->SetParent(f);
  b->SetCaption(caption);
  b->SetBounds(x, y, 75, 25);
  b->SetModalResult(r);
  return b;
}

}  // namespace

TOpenDialog::TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}
TOpenDialog::~TOpenDialog() = default;

TStrings* TOpenDialog::Files() const { return FFiles.get(); }

std::string TOpenDialog::ResolveName(const std::string& Folder, const std::string& Typed) const {
  if (Typed.empty()) return "";
  fs::path p(Typed);
  if (!p.is_absolute()) p = fs::path(Folder) / p;
  if (!FDefaultExt.empty() && p.extension().empty() && !fs::is_directory(p)) {
    std::string ext = FDefaultExt[0] == '.' ? FDefaultExt : "." + FDefaultExt;
    p += ext;
  }
  return p.lexically_normal().string();
}

bool TOpenDialog::Accept(const std::string& Path) {
  std::error_code ec;
  bool exists = fs::exists(Path, ec);
  if (!IsSave() && FOptions.Contains(ofFileMustExist) && !exists) {
    MessageBox(nullptr, Path + "\nFile not found.\nPlease verify the correct file name was given.", FTitle.empty() ? "Open" : FTitle, MB_OK | MB_ICONWARNING);
    return false;
  }
  if (FOptions.Contains(ofPathMustExist) && !fs::is_directory(fs::path(Path).parent_path(), ec)) {
    MessageBox(nullptr, Path + "\nPath does not exist.", FTitle.empty() ? "Open" : FTitle, MB_OK | MB_ICONWARNING);
    return false;
  }
  if (IsSave() && FOptions.Contains(ofOverwritePrompt) && exists)
    return MessageBox(nullptr, Path + " already exists.\nDo you want to replace it?", FTitle.empty() ? "Save As" : FTitle,
                      MB_YESNO | MB_ICONWARNING) == IDYES;
  return true;
}

bool TOpenDialog::Execute() {
  std::error_code ec;
  std::string folder = FInitialDir;
  if (folder.empty() && !FFileName.empty()) folder = fs::path(FFileName).parent_path().string();
  if (folder.empty() || !fs::is_directory(folder, ec)) folder = fs::current_path(ec).string();
  fs::path saveCwd = fs::current_path(ec);
  auto filters = ParseFilter(FFilter);
  int fi = std::clamp(FFilterIndex, 1, static_cast<int>(filters.size())) - 1;

  TDlgForm f(nullptr);
  f.SetCaption(FTitle.empty() ? (IsSave() ? "Save As" : "Open") : FTitle);
  f.SetClientWidth(440);
  f.SetClientHeight(300);
  auto* path = new TLabel(&f);
  path->SetParent(&f);
  path->SetBounds(8, 8, 424, 15);
  auto* dirs = new TListBox(&f);
  dirs->SetParent(&f);
  dirs->SetBounds(8, 28, 150, 200);
  auto* files = new TFileListBox(&f);
  files->SetParent(&f);
  files->SetBounds(166, 28, 266, 200);
  auto* name = new TEdit(&f);
  name->SetParent(&f);
  name->SetBounds(8, 238, 260, 21);
  name->SetText(fs::path(FFileName).filename().string());
  auto* types = new TComboBox(&f);
  types->SetParent(&f);
  types->SetStyle(csDropDownList);
  types->SetBounds(8, 268, 260, 21);
  for (auto& it : filters) types->Items()->Add(it.Name);
  auto* ok = AddButton(&f, IsSave() ? "&Save" : "&Open", 276, 236, mrNone);
  ok->SetDefault(true);
  auto* cancel = AddButton(&f, "Cancel", 357, 236, mrCancel);
  cancel->SetCancel(true);

  auto show = [&](const std::string& dir) {
    folder = dir;
    path->SetCaption(folder);
    dirs->Items()->BeginUpdate();
    dirs->Items()->Clear();
    if (fs::path(folder).has_parent_path() && fs::path(folder) != fs::path(folder).root_path()) dirs->Items()->Add("..");
    std::vector<std::string> subs;
    std::error_code e2;
    for (auto it = fs::directory_iterator(folder, e2); !e2 && it != fs::directory_iterator(); it.increment(e2)) {
      std::string n = it->path().filename().string();
      std::error_code e3;
      if (!n.empty() && n[0] != '.' && it->is_directory(e3)) subs.push_back(n);
    }
    std::sort(subs.begin(), subs.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    for (auto& s : subs) dirs->Items()->Add(s);
    dirs->Items()->EndUpdate();
    files->SetMask(filters[static_cast<size_t>(fi)].Mask);
    files->SetDirectory(folder);
  };
  auto enterDir = [&](int index) {
    if (index < 0) return;
    std::string n = dirs->Items()->Strings(index);
    show(n == ".." ? fs::path(folder).parent_path().string() : (fs::path(folder) / n).string());
  };
  dirs->OnDblClick = [&](TObject*) { enterDir(dirs->ItemIndex()); };
  dirs->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) {
    if (Key == VK_RETURN) {
      enterDir(dirs->ItemIndex());
      Key = 0;
    }
  };
  files->OnChange = [&](TObject*) {
    if (files->ItemIndex() >= 0) name->SetText(files->Items()->Strings(files->ItemIndex()));
  };
  files->OnDblClick = [&](TObject*) { ok->Click(); };
  types->SetItemIndex(fi);
  types->OnChange = [&](TObject*) {
    fi = std::max(0, types->ItemIndex());
    files->SetMask(filters[static_cast<size_t>(fi)].Mask);
  };
  ok->OnClick = [&](TObject*) {
    std::string p = ResolveName(folder, name->Text());
    if (p.empty()) return;
    std::error_code e2;
    if (fs::is_directory(p, e2)) {
      show(p);
      name->SetText("");
      return;
    }
    if (Accept(p)) {
      FFileName = p;
      f.SetModalResult(mrOk);
    }
  };
  show(folder);
  f.SetActiveControl(name);
  if (OnShow) OnShow(this);
  bool accepted = f.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  // The dialog does not leave the process in another folder with ofNoChangeDir.
  if (FOptions.Contains(ofNoChangeDir) || !accepted) fs::current_path(saveCwd, ec);
  if (accepted) {
    FFilterIndex = fi + 1;
    FFiles->Clear();
    FFiles->Add(FFileName);
  }
  return accepted;
}

bool TColorDialog::Execute() {
  TDlgForm f(nullptr);
  f.SetCaption("Color");
  f.SetClientWidth(8 * 24 + 16);
  f.SetClientHeight(6 * 24 + 52);
  std::vector<TColor> colors;
  for (int i = 0; i < 48; ++i) {
    int r = (i % 4) * 85, g = ((i / 4) % 4) * 85, b = (i / 16) * 127;
    colors.push_back(static_cast<TColor>(RGB(r, g, std::min(255, b))));
  }
  TColor chosen = FColor;
  auto* box = new TPaintBox(&f);
  box->SetParent(&f);
  box->SetBounds(8, 8, 8 * 24, 6 * 24);
  box->OnPaint = [&](TObject*) {
    for (int i = 0; i < 48; ++i) {
      RECT r{(i % 8) * 24 + 2, (i / 8) * 24 + 2, (i % 8) * 24 + 22, (i / 8) * 24 + 22};
      box->Canvas()->Brush()->SetColor(colors[static_cast<size_t>(i)]);
      box->Canvas()->Pen()->SetColor(colors[static_cast<size_t>(i)] == chosen ? clHighlight : clBtnShadow);
      box->Canvas()->Rectangle(r);
    }
  };
  box->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int X, int Y) {
    int i = (Y / 24) * 8 + X / 24;
    if (i >= 0 && i < 48) {
      chosen = colors[static_cast<size_t>(i)];
      box->Invalidate();
    }
  };
  auto* ok = AddButton(&f, "OK", f.ClientWidth() - 164, 6 * 24 + 18, mrOk);
  ok->SetDefault(true);
  AddButton(&f, "Cancel", f.ClientWidth() - 83, 6 * 24 + 18, mrCancel)->SetCancel(true);
  if (OnShow) OnShow(this);
  bool accepted = f.ShowModal() == mrOk;
  if (OnClose) OnClose(this);
  if (!accepted) return false;
  FColor = chosen;
  return true;
}
