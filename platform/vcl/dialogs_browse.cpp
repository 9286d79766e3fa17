// The folder browse dialog: a tree over the file system, filled as folders are expanded.
#include <algorithm>
#include <deque>
#include <filesystem>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/dialogs.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

namespace fs = std::filesystem;

namespace {

class TBrowseForm : public TForm {
public:
  explicit TBrowseForm(TComponent* Owner) : TForm(Owner) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
  }

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.WinClassName = "#32770";
  }
};

// Visible sub-folders of a folder, sorted without regard to case; unreadable folders have none.
std::vector<std::string> SubFolders(const fs::path& Dir) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = fs::directory_iterator(Dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string n = it->path().filename().string();
    std::error_code e2;
    if (!n.empty() && n[0] != '.' && it->is_directory(e2)) out.push_back(n);
  }
  std::sort(out.begin(), out.end(), [](const std::string& a, const std::string& b) {
    int c = CompareText(a, b);
    return c != 0 ? c < 0 : a < b;
  });
  return out;
}

}  // namespace

bool SelectDirectory(const std::string& Caption, const std::string& Root, std::string& Directory) {
  std::error_code ec;
  fs::path root = fs::path(Root.empty() ? "/" : Root).lexically_normal();
  if (!fs::is_directory(root, ec)) return false;
  if (root.has_filename() == false && root != root.root_path()) root = root.parent_path();

  TBrowseForm f(nullptr);
  f.SetCaption(Caption.empty() ? "Browse for Folder" : Caption);
  f.SetClientWidth(320);
  f.SetClientHeight(330);
  auto* tree = new TTreeView(&f);
  tree->SetParent(&f);
  tree->SetBounds(8, 8, 304, 280);
  auto* ok = new TButton(&f);
  ok->SetParent(&f);
  ok->SetCaption("OK");
  ok->SetBounds(156, 296, 75, 25);
  ok->SetModalResult(mrOk);
  ok->SetDefault(true);
  auto* cancel = new TButton(&f);
  cancel->SetParent(&f);
  cancel->SetCaption("Cancel");
  cancel->SetBounds(237, 296, 75, 25);
  cancel->SetModalResult(mrCancel);
  cancel->SetCancel(true);

  // Each node's Data points at its full path; children are read when a node first expands.
  std::deque<fs::path> paths;
  std::vector<TTreeNode*> filled;
  auto addNode = [&](TTreeNode* parent, const fs::path& p, const std::string& text) {
    paths.push_back(p);
    TTreeNode* n = parent ? tree->Items()->AddChildObject(parent, text, &paths.back())
                          : tree->Items()->AddObject(nullptr, text, &paths.back());
    n->SetHasChildren(!SubFolders(p).empty());
    return n;
  };
  auto fill = [&](TTreeNode* n) {
    if (std::find(filled.begin(), filled.end(), n) != filled.end()) return;
    filled.push_back(n);
    const fs::path& p = *static_cast<fs::path*>(n->Data());
    for (auto& s : SubFolders(p)) addNode(n, p / s, s);
  };
  tree->OnExpanding = [&](TObject*, TTreeNode* n, bool&) { fill(n); };

  TTreeNode* top = addNode(nullptr, root, root.string());
  // Open the tree down to the starting folder when it lies under the root.
  fill(top);
  top->SetExpanded(true);
  TTreeNode* sel = top;
  if (!Directory.empty()) {
    fs::path start = fs::weakly_canonical(fs::path(Directory), ec);
    fs::path rel = ec ? fs::path() : start.lexically_relative(fs::weakly_canonical(root, ec));
    if (!ec && !rel.empty() && *rel.begin() != "..") {
      for (auto& part : rel) {
        if (part == ".") continue;
        fill(sel);
        TTreeNode* next = nullptr;
        for (int i = 0; i < sel->Count(); ++i)
          if (sel->Item(i)->Text() == part.string()) next = sel->Item(i);
        if (!next) break;
        sel->SetExpanded(true);
        sel = next;
      }
    }
  }
  tree->SetSelected(sel);
  f.SetActiveControl(tree);
  if (f.ShowModal() != mrOk || !tree->Selected()) return false;
  Directory = static_cast<fs::path*>(tree->Selected()->Data())->string();
  return true;
}
