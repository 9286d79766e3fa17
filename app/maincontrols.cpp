// The main window's calls into its grid, folder tree, skin panel and menu button, over small
// stand-in controls until the controls of those libraries are linked in (see maincontrols.h).
#include "app/maincontrols.h"

#include <algorithm>
#include <vector>

#include "platform/rtl/fileutils.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/menus.h"

namespace {

// ---- grid stand-in: entries, captions, selection and cell size; no pictures ----
class TThumbGridStandIn : public TCustomControl {
public:
  explicit TThumbGridStandIn(TComponent* Owner) : TCustomControl(Owner) {
    SetColor(clWhite);
    SetShowHint(true);
  }
  struct TEntry {
    std::string FileName;
    TThumbCaption Caption;
  };
  std::vector<TEntry> Entries;
  int Selected = -1;
  std::vector<int> MultiSelected;
  int ThumbWidth = 100, ThumbHeight = 100;
  TThumbGridEvents Events;

  bool InRange(int Index) const { return Index >= 0 && Index < static_cast<int>(Entries.size()); }
};

TThumbGridStandIn* Grid(TCustomControl* Control) {
  return static_cast<TThumbGridStandIn*>(Control);
}

// ---- tree stand-in: the selected folder and the change event ----
class TShellTreeStandIn : public TCustomControl {
public:
  explicit TShellTreeStandIn(TComponent* Owner) : TCustomControl(Owner) { SetColor(clWindow); }
  std::string Selected;
  std::function<void(TObject*)> OnChange;
};

TShellTreeStandIn* Tree(TWinControl* Control) { return static_cast<TShellTreeStandIn*>(Control); }

class TMenuButtonStandIn : public TCustomControl {
public:
  explicit TMenuButtonStandIn(TComponent* Owner) : TCustomControl(Owner) {}
  TPopupMenu* DropDownMenu = nullptr;
};

}  // namespace

TCustomControl* NewThumbGrid(TComponent* Owner) { return new TThumbGridStandIn(Owner); }

void GridSetEvents(TCustomControl* G, const TThumbGridEvents& Events) { Grid(G)->Events = Events; }

void GridApplyActivationLook(TCustomControl* G) { G->Invalidate(); }

void GridSetThumbSize(TCustomControl* G, int Width, int Height) {
  Grid(G)->ThumbWidth = Width;
  Grid(G)->ThumbHeight = Height;
  G->Invalidate();
}

int GridThumbWidth(TCustomControl* G) { return Grid(G)->ThumbWidth; }
int GridThumbHeight(TCustomControl* G) { return Grid(G)->ThumbHeight; }

void GridSetEnableImageCaching(TCustomControl*, bool) {}

void GridClear(TCustomControl* G) {
  auto* g = Grid(G);
  g->Entries.clear();
  g->Selected = -1;
  g->MultiSelected.clear();
  G->Invalidate();
}

void GridAddFile(TCustomControl* G, const std::string& Path) {
  auto* g = Grid(G);
  TThumbGridStandIn::TEntry e{Path + "::0", {}};
  // The multi-image input inserts at the selected image, or appends when there is none.
  if (g->InRange(g->Selected)) {
    g->Entries.insert(g->Entries.begin() + g->Selected, e);
  } else {
    g->Entries.push_back(e);
  }
  G->Invalidate();
}

int GridImageCount(TCustomControl* G) { return static_cast<int>(Grid(G)->Entries.size()); }

std::string GridImageFileName(TCustomControl* G, int Index) {
  return Grid(G)->InRange(Index) ? Grid(G)->Entries[Index].FileName : std::string();
}

int GridSelectedImage(TCustomControl* G) { return Grid(G)->Selected; }

void GridSetSelectedImage(TCustomControl* G, int Index) {
  auto* g = Grid(G);
  if (!g->InRange(Index)) return;
  g->Selected = Index;
  g->MultiSelected.assign(1, Index);
  G->Invalidate();
}

int GridMultiSelectedCount(TCustomControl* G) {
  return static_cast<int>(Grid(G)->MultiSelected.size());
}

int GridMultiSelectedImage(TCustomControl* G, int I) {
  auto& m = Grid(G)->MultiSelected;
  return I >= 0 && I < static_cast<int>(m.size()) ? m[I] : -1;
}

bool GridIsSelected(TCustomControl* G, int Index) {
  auto* g = Grid(G);
  return Index == g->Selected || std::find(g->MultiSelected.begin(), g->MultiSelected.end(),
                                           Index) != g->MultiSelected.end();
}

void GridSelectAll(TCustomControl* G) {
  auto* g = Grid(G);
  g->MultiSelected.clear();
  for (int i = 0; i < static_cast<int>(g->Entries.size()); ++i) g->MultiSelected.push_back(i);
  g->Selected = g->MultiSelected.empty() ? -1 : g->MultiSelected.back();
  G->Invalidate();
}

int GridImageAtPos(TCustomControl* G, int X, int Y) {
  // Cells of the thumbnail size, as many columns as fit, row after row from the top left.
  auto* g = Grid(G);
  if (X < 0 || Y < 0 || g->ThumbWidth <= 0 || g->ThumbHeight <= 0) return -1;
  int columns = std::max(1, G->ClientWidth() / g->ThumbWidth);
  int column = X / g->ThumbWidth;
  if (column >= columns) return -1;
  int index = (Y / g->ThumbHeight) * columns + column;
  return g->InRange(index) ? index : -1;
}

TThumbCaption GridCaption(TCustomControl* G, int Index) {
  return Grid(G)->InRange(Index) ? Grid(G)->Entries[Index].Caption : TThumbCaption{};
}

void GridSetCaption(TCustomControl* G, int Index, const TThumbCaption& Caption) {
  if (Grid(G)->InRange(Index)) Grid(G)->Entries[Index].Caption = Caption;
}

void GridUpdateImage(TCustomControl* G, int) { G->Invalidate(); }

// The stand-in has no scrolling: only the selection shows the photo.
void GridCentreImage(TCustomControl* G, int) { G->Invalidate(); }

TWinControl* NewShellTree(TComponent* Owner) { return new TShellTreeStandIn(Owner); }

std::string TreeSelectedFolder(TWinControl* T) { return Tree(T)->Selected; }

void TreeSetSelectedFolder(TWinControl* T, const std::string& Path) {
  if (Path.empty() || !DirectoryExists(Path)) return;
  std::string p = ExpandFileName(Path);
  if (p.size() > 1) p = ExcludeTrailingPathDelimiter(p);
  Tree(T)->Selected = p;
  T->Invalidate();
  if (Tree(T)->OnChange) Tree(T)->OnChange(T);
}

void TreeSetOnChange(TWinControl* T, const std::function<void(TObject* Sender)>& Handler) {
  Tree(T)->OnChange = Handler;
}

void TreeRefreshNodes(TWinControl* T) { T->Invalidate(); }

TWinControl* NewSkinExPanel(TComponent* Owner) {
  auto* p = new TPanel(Owner);
  p->SetBevelOuter(bvNone);
  return p;
}

TCustomControl* NewMenuButton(TComponent* Owner) { return new TMenuButtonStandIn(Owner); }

void MenuButtonSetDropDownMenu(TCustomControl* Button, TPopupMenu* Menu) {
  static_cast<TMenuButtonStandIn*>(Button)->DropDownMenu = Menu;
}
