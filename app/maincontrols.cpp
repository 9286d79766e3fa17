// The main window's calls into its grid (TImageryMView), folder tree (TNavShellTree), menu button
// (TBnMenuButton) and left panel (see maincontrols.h).
#include "app/maincontrols.h"

#include "controls/bnbutton.h"
#include "controls/shellcontrols.h"
#include "app/settings.h"
#include "skins/ksskinctrls.h"
#include "skins/ksskindata.h"
#include "skins/swskinengine.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemio.h"
#include "imaging/io/ieparams.h"
#include "imaging/views/iemview.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"

namespace {

TImageryMView* Grid(TCustomControl* Control) { return static_cast<TImageryMView*>(Control); }

// The main window's tree: its change event goes to the window's handler, held back while the
// window itself selects a folder (see TreeSetSelectedFolder).
class TMainShellTree : public TNavShellTree {
public:
  explicit TMainShellTree(TComponent* Owner) : TNavShellTree(Owner) {
    OnChange = [this](TObject* Sender, TTreeNode*) {
      if (!Quiet && Handler) Handler(Sender);
    };
  }
  std::function<void(TObject*)> Handler;
  bool Quiet = false;
};

TMainShellTree* Tree(TWinControl* Control) { return static_cast<TMainShellTree*>(Control); }

}  // namespace

// ---- thumbnail grid ----

TCustomControl* NewThumbGrid(TComponent* Owner) {
  auto* g = new TImageryMView(Owner);
  g->SetStoreType(ietThumb);
  g->SetMouseInteract(TIEMMouseInteract{mmiScroll, mmiSelect});
  g->SetEnableMultiSelect(true);
  g->SetGridWidth(-1);  // as many columns as fit
  g->SetStyle(iemsFlat);
  g->SetSelectionWidth(3);
  g->SetSelectionColor(clRed);
  g->SetThumbnailsBorderColor(clBlack);
  g->SetWallPaperStyle(iewoTile);
  g->SetThreadPoolSize(0);
  g->SetShowHint(true);
  return g;
}

void GridSetEvents(TCustomControl* G, const TThumbGridEvents& Events) {
  TImageryMView* g = Grid(G);
  g->OnBeforeImageDraw = Events.OnBeforeImageDraw;
  if (Events.OnBeforeImageDrawEx) {
    auto handler = Events.OnBeforeImageDrawEx;
    g->OnBeforeImageDrawEx = [handler](TObject* Sender, int Index, int Left, int Top, TBitmap* Dest,
                                       RECT& ThumbRect) {
      TIERect r{ThumbRect.left, ThumbRect.top, ThumbRect.right, ThumbRect.bottom};
      handler(Sender, Index, Left, Top, Dest, r);
      ThumbRect = RECT{r.Left, r.Top, r.Right, r.Bottom};
    };
  } else {
    g->OnBeforeImageDrawEx = nullptr;
  }
  g->OnImageSelect = Events.OnImageSelect;
}

void GridApplyActivationLook(TCustomControl* G) {
  TImageryMView* g = Grid(G);
  g->SetEnableAlphaChannel(true);
  g->SetFillThumbnail(false);
  g->SetSelectionWidth(0);
  g->SetShowText(true);
  g->SetStyle(iemsFlat);
}

void GridSetThumbSize(TCustomControl* G, int Width, int Height) {
  Grid(G)->SetThumbWidth(Width);
  Grid(G)->SetThumbHeight(Height);
}

int GridThumbWidth(TCustomControl* G) { return Grid(G)->ThumbWidth(); }
int GridThumbHeight(TCustomControl* G) { return Grid(G)->ThumbHeight(); }

void GridSetEnableImageCaching(TCustomControl* G, bool Value) {
  Grid(G)->SetEnableImageCaching(Value);
}

void GridClear(TCustomControl* G) { Grid(G)->Clear(); }

void GridBeginUpdate(TCustomControl* G) { Grid(G)->LockPaint(); }
void GridEndUpdate(TCustomControl* G) { Grid(G)->UnlockPaint(); }

void GridAddFile(TCustomControl* G, const std::string& Path) {
  Grid(G)->GetMIO()->LoadFromFiles(Path, false, true);
}

int GridImageCount(TCustomControl* G) { return Grid(G)->GetImageCount(); }

std::string GridImageFileName(TCustomControl* G, int Index) {
  if (Index < 0 || Index >= Grid(G)->GetImageCount()) return std::string();
  return Grid(G)->GetImageFileName(Index);
}

int GridSelectedImage(TCustomControl* G) { return Grid(G)->SelectedImage(); }

void GridSetSelectedImage(TCustomControl* G, int Index) {
  if (Index < 0 || Index >= Grid(G)->GetImageCount()) return;
  Grid(G)->SetSelectedImage(Index);
}

int GridMultiSelectedCount(TCustomControl* G) { return Grid(G)->GetMultiSelectedImagesCount(); }

int GridMultiSelectedImage(TCustomControl* G, int I) {
  if (I < 0 || I >= Grid(G)->GetMultiSelectedImagesCount()) return -1;
  return Grid(G)->GetMultiSelectedImage(I);
}

bool GridIsSelected(TCustomControl* G, int Index) { return Grid(G)->IsSelected(Index); }

void GridSelectAll(TCustomControl* G) { Grid(G)->SelectAll(); }

int GridImageAtPos(TCustomControl* G, int X, int Y) { return Grid(G)->ImageAtPos(X, Y); }

TThumbCaption GridCaption(TCustomControl* G, int Index) {
  TIEMText* t = Index >= 0 && Index < Grid(G)->GetImageCount() ? Grid(G)->GetImageBottomText(Index)
                                                               : nullptr;
  if (!t) return TThumbCaption{};
  TThumbCaption c;
  c.Text = t->Caption();
  c.Color = t->Font()->Color();
  c.Bold = t->Font()->Style().Contains(fsBold);
  c.Transparent = t->BackgroundStyle() == bsClear;
  return c;
}

void GridSetCaption(TCustomControl* G, int Index, const TThumbCaption& Caption) {
  if (Index < 0 || Index >= Grid(G)->GetImageCount()) return;
  TIEMText* t = Grid(G)->GetImageBottomText(Index);
  if (!t) return;
  t->SetCaption(Caption.Text);
  t->Font()->SetColor(Caption.Color);
  t->Font()->SetStyle(Caption.Bold ? TFontStyles{fsBold} : TFontStyles{});
  t->SetBackgroundStyle(Caption.Transparent ? bsClear : bsSolid);
}

void GridUpdateImage(TCustomControl* G, int Index) {
  if (Index < 0 || Index >= Grid(G)->GetImageCount()) return;
  Grid(G)->UpdateImage(Index);
}

// Scrolls the grid so photo Index stands in the middle of the window.
std::string GridImageAsJpeg(TCustomControl* G, int Index, int Quality) {
  TImageryMView* grid = Grid(G);
  if (Index < 0 || Index >= grid->GetImageCount()) return std::string();
  if (TIOParamsVals* p = grid->GetMIO()->GetParams(Index)) p->JPEG_Quality = Quality;
  // A photo that cannot be read would be drawn as its file's icon: that is no thumbnail.
  bool wrong = false;
  TIEWrongImageEvent saved = grid->OnWrongImage;
  grid->OnWrongImage = [&wrong](TObject*, TIEBitmap*, int, bool& Handled) {
    wrong = true;
    Handled = true;
  };
  TMemoryStream stream;
  try {
    grid->SaveImageToStream(Index, &stream, ioJPEG);
  } catch (...) {
    grid->OnWrongImage = saved;
    throw;
  }
  grid->OnWrongImage = saved;
  if (wrong) return std::string();
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

void GridCentreImage(TCustomControl* G, int Index) {
  TImageryMView* grid = Grid(G);
  if (Index < 0 || Index >= grid->GetImageCount()) return;
  grid->SetViewXY(grid->GetImageX(Index) - (grid->ClientWidth() - grid->ThumbWidth()) / 2,
                  grid->GetImageY(Index) - (grid->ClientHeight() - grid->ThumbHeight()) / 2);
}

TCustomControl* NewTemplateStrip(TComponent* Owner) {
  auto* g = new TImageryMView(Owner);
  g->SetThumbWidth(150);
  g->SetThumbHeight(150);
  g->SetHorizBorder(8);
  g->SetVertBorder(8);
  g->SetUpperGap(8);
  g->SetSelectionColor(clBlue);
  g->SetSelectionWidth(4);
  g->SetThumbnailsBorderWidth(4);
  g->SetThumbnailsBorderColor(static_cast<TColor>(0xE7E7E7));
  g->SetThumbnailsInternalBorder(true);
  g->SetThumbnailsInternalBorderColor(clSilver);
  g->SetWallPaperStyle(iewoStretch);
  g->SetImageCacheSize(999);
  g->SetRemoveCorrupted(true);
  g->SetMultiSelectionOptions(TIEMultiSelectionOptions{iemoRegion, iemoSelectOnMouseUp});
  g->SetThreadPoolSize(9999);
  return g;
}

void GridAppendStream(TCustomControl* G, TStream* Stream, const std::string& BottomText) {
  TImageryMView* g = Grid(G);
  // The multi-image input inserts at the selected image: with none selected it appends.
  g->DeselectNone();
  const int before = g->GetImageCount();
  g->GetMIO()->LoadFromStream(Stream);
  if (g->GetImageCount() > before) g->SetImageBottomText(before, BottomText);
}

void GridSetShowText(TCustomControl* G, bool Value) { Grid(G)->SetShowText(Value); }

void GridSetMouseInteract(TCustomControl* G, bool Scroll, bool Select) {
  TIEMMouseInteract m;
  if (Scroll) m.Include(mmiScroll);
  if (Select) m.Include(mmiSelect);
  Grid(G)->SetMouseInteract(m);
}

void GridBeginDrag(TCustomControl* G) { Grid(G)->BeginDrag(true, -1); }
void GridEndDrag(TCustomControl* G) { Grid(G)->EndDrag(); }

// ---- shell folder tree ----

TWinControl* NewShellTree(TComponent* Owner) {
  auto* t = new TMainShellTree(Owner);
  t->SetRootedAt(SF_DESKTOP);
  t->SetShowOptions(TNavShellShowOptions{soShowNethood, soShowRecycleBin, soShowErrorMessages});
  t->SetShellContextMenu(true);
  t->SetOleDragDrop(true);
  t->SetExpandOnSelected(true);
  return t;
}

std::string TreeSelectedFolder(TWinControl* T) { return Tree(T)->GetSelectedFolder(); }

void TreeSetSelectedFolder(TWinControl* T, const std::string& Path) {
  if (Path.empty()) return;
  std::string p = ExpandFileName(Path);
  if (p.size() > 1) p = ExcludeTrailingPathDelimiter(p);
  TMainShellTree* tree = Tree(T);
  const std::string before = tree->GetSelectedFolder();
  // The tree stops at the deepest node it knows; a folder made since that node was read is
  // found once the node has been read again. Only the final selection is reported.
  tree->Quiet = true;
  try {
    tree->SetSelectedFolder(p);
    if (tree->GetSelectedFolder() != p && DirectoryExists(p) && tree->Selected()) {
      tree->RefreshNode(tree->Selected(), false);
      tree->SetSelectedFolder(p);
    }
    // A folder the tree cannot show leaves the selection where it was.
    if (tree->GetSelectedFolder() != p && tree->GetSelectedFolder() != before && !before.empty())
      tree->SetSelectedFolder(before);
  } catch (...) {
    tree->Quiet = false;
    throw;
  }
  tree->Quiet = false;
  // Choosing the selected folder again reads it again.
  if (tree->GetSelectedFolder() == p && tree->Handler) tree->Handler(tree);
}

void TreeSetOnChange(TWinControl* T, const std::function<void(TObject* Sender)>& Handler) {
  Tree(T)->Handler = Handler;
}

void TreeRefreshNodes(TWinControl* T) { Tree(T)->RefreshNodes(); }

// ---- left panel ----

TWinControl* NewSkinExPanel(TComponent* Owner) {
  // The skinned panel with a caption bar and a roll button, in the program's skin "Slate"
  // (slate.skn beside the executable). Without the file, or with a damaged one, the panel keeps
  // its default look: the program runs either way.
  auto* panel = new TksSkinExPanel(Owner);
  panel->SetShowCloseButton(false);
  panel->SetShowRollButton(true);
  panel->SetRollKind(ks::rkRollHorizontal);
  panel->SetDefaultCaptionHeight(21);
  const std::string file = IncludeTrailingPathDelimiter(ProgramFolder()) + "slate.skn";
  if (FileExists(file)) {
    try {
      auto* stored = new TksCompressedStoredSkin(Owner);
      stored->LoadFromCompressedFile(file);
      auto* skin = new TksSkinData(Owner);
      skin->SetCompressedStoredSkin(stored);
      if (!skin->Empty) panel->SetSkinData(skin);
    } catch (const Exception&) {
    }
  }
  return panel;
}

// ---- menu button ----

TCustomControl* NewMenuButton(TComponent* Owner) { return new TBnMenuButton(Owner); }

void MenuButtonSetDropDownMenu(TCustomControl* Button, TPopupMenu* Menu) {
  static_cast<TBnMenuButton*>(Button)->SetDropDownMenu(Menu);
}

// ---- form skin ----

TComponent* SkinProgramWindows(TCustomForm* Main, const std::string& SkinFile) {
  // The viewer ("TFormNewMax") is made anew at each opening and is not skinned: the skin would
  // turn its status line to the skin's text colour, black on the black margin.
  for (const char* form : {"TFormSeeMain", "TFormcutimage", "TFormsysset", "TFormAbout", "TFormbeizhu",
                           "TFormRename", "TFormDaoChushezhi", "TFormdaochuPATH"})
    AddAutoSkinClassName(form);
  auto* skin = new TswSkinEngine(Main);
  skin->SetSkinFile(SkinFile);
  skin->SetActive(true);
  skin->SkinForm(Main);
  return skin;
}
