// The main window's calls into the four controls it stands on that live in other libraries:
// the thumbnail grid ImageryMView1 (TImageryMView), the shell folder tree dir1 (TNavShellTree),
// the left panel skinp1 and the hidden menu button SpeedButton1yx (TBnMenuButton).
//
// The main window keeps each of them in a field typed as the class library's nearest base
// (TCustomControl, TWinControl) and reaches them only through the functions below, one per
// operation it uses, so that its headers stay free of the control libraries. The left panel is a
// TksSkinExPanel in the program's skin "Slate" (slate.skn beside the executable).
#pragma once

#include <functional>
#include <string>

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"

class TBitmap;
class TPopupMenu;
class TStream;
struct TIERect;

// ---- thumbnail grid ----

// The caption under a thumbnail (the grid's bottom text): text, font colour and style, and a
// clear background.
struct TThumbCaption {
  std::string Text;
  TColor Color = clBlack;
  bool Bold = false;
  bool Transparent = true;
};

// The grid's own events the main window handles (the mouse events are the class library's).
struct TThumbGridEvents {
  // Before thumbnail Index is drawn: the handler may change its caption.
  std::function<void(TObject* Sender, int Index, int Left, int Top, TCanvas* Canvas)>
      OnBeforeImageDraw;
  // Before thumbnail Index is drawn into Dest (the grid's 24-bit back buffer) at (Left, Top);
  // ImageRect comes in as (0, 0, w, h) and says where, relative to (Left, Top), and how large
  // the photo is drawn.
  std::function<void(TObject* Sender, int Index, int Left, int Top, TBitmap* Dest,
                     TIERect& ImageRect)>
      OnBeforeImageDrawEx;
  std::function<void(TObject* Sender, int Index)> OnImageSelect;
};

// The main window's grid with the settings of the form: thumbnails stored, mouse scrolls and
// selects, multi-selection, flat style, red selection frame of 3, black thumbnail borders,
// tiled wall paper, no loader threads, hints on.
TCustomControl* NewThumbGrid(TComponent* Owner);
void GridSetEvents(TCustomControl* Grid, const TThumbGridEvents& Events);
// What every activation of the main window sets: alpha channel on, cell background off,
// selection frame 0, captions on, flat style.
void GridApplyActivationLook(TCustomControl* Grid);
void GridSetThumbSize(TCustomControl* Grid, int Width, int Height);
int GridThumbWidth(TCustomControl* Grid);
int GridThumbHeight(TCustomControl* Grid);
void GridSetEnableImageCaching(TCustomControl* Grid, bool Value);
// Removes every image (pending loads stopped).
void GridClear(TCustomControl* Grid);
// Adds the photo at Path as a lazily loaded entry (file name Path + "::0") at the end, through
// the grid's multi-image input with content detection off; the new entry becomes selected.
void GridAddFile(TCustomControl* Grid, const std::string& Path);
// Paint lock around a run of GridAddFile calls; the end repaints once.
void GridBeginUpdate(TCustomControl* Grid);
void GridEndUpdate(TCustomControl* Grid);
int GridImageCount(TCustomControl* Grid);
std::string GridImageFileName(TCustomControl* Grid, int Index);  // "" out of range
int GridSelectedImage(TCustomControl* Grid);                     // -1 when none
void GridSetSelectedImage(TCustomControl* Grid, int Index);      // ignored out of range
int GridMultiSelectedCount(TCustomControl* Grid);
int GridMultiSelectedImage(TCustomControl* Grid, int I);  // in selection order; -1 out of range
bool GridIsSelected(TCustomControl* Grid, int Index);
void GridSelectAll(TCustomControl* Grid);
int GridImageAtPos(TCustomControl* Grid, int X, int Y);  // -1 over empty space
TThumbCaption GridCaption(TCustomControl* Grid, int Index);
void GridSetCaption(TCustomControl* Grid, int Index, const TThumbCaption& Caption);
// Drops the stored picture of Index so that it is read from its file again.
void GridUpdateImage(TCustomControl* Grid, int Index);
// Scrolls the grid so that Index is in its centre (ignored out of range).
void GridCentreImage(TCustomControl* Grid, int Index);
// Image Index as a complete JPEG file of the given quality (the grid's stored picture, read
// from its file first when needed); "" when the image cannot be read (a picture that failed to
// load earlier stays failed until GridUpdateImage).
std::string GridImageAsJpeg(TCustomControl* Grid, int Index, int Quality);

// The simulation's template strip: 150 x 150 thumbnails, borders and upper gap of 8, a blue
// selection frame of 4, a light grey thumbnail border of 4 with a silver inner border, a
// stretched wall paper, an image cache of 999, corrupt images removed, region multi-selection on
// mouse-up, a loader thread pool of 9999.
TCustomControl* NewTemplateStrip(TComponent* Owner);
// Appends the picture in Stream (format detected from the content) at the end of the grid with
// BottomText as its caption.
void GridAppendStream(TCustomControl* Grid, TStream* Stream, const std::string& BottomText);
void GridSetShowText(TCustomControl* Grid, bool Value);
// The grid's mouse interaction: scrolling and/or selection.
void GridSetMouseInteract(TCustomControl* Grid, bool Scroll, bool Select);
// A drag of the grid that starts at once, and its end.
void GridBeginDrag(TCustomControl* Grid);
void GridEndDrag(TCustomControl* Grid);

// ---- shell folder tree ----

// The folder tree rooted at the desktop (network places and recycle bin shown, shell context
// menu and drag and drop on, the selected node expanded).
TWinControl* NewShellTree(TComponent* Owner);
// The path of the selected folder node ("" when none), without a trailing delimiter.
std::string TreeSelectedFolder(TWinControl* Tree);
// Selects the node of Path (opening the nodes on the way, reading a node again when the folder
// was made after it was read) and then raises the change event once, also when Path was
// selected already. A path the tree cannot show leaves the selection and raises nothing (a
// path that does not exist shows the tree's error text).
void TreeSetSelectedFolder(TWinControl* Tree, const std::string& Path);
void TreeSetOnChange(TWinControl* Tree, const std::function<void(TObject* Sender)>& Handler);
// Re-reads the folders under the tree's root.
void TreeRefreshNodes(TWinControl* Tree);

// ---- left skin panel ----

// The captioned left panel (caption bar with a roll button); the windows use its Width and
// Enabled through the base class.
TWinControl* NewSkinExPanel(TComponent* Owner);

// ---- form skin ----

// The program's look: a skin engine on Main wears SkinFile, skins Main at once and skins the
// program's other windows when they are activated. The full-screen viewer is left out: it keeps
// its black look and its green status line over the photo. Returns the engine, owned by Main.
TComponent* SkinProgramWindows(TCustomForm* Main, const std::string& SkinFile);

// ---- menu button ----

// The glyph button that drops down a popup menu under itself.
TCustomControl* NewMenuButton(TComponent* Owner);
void MenuButtonSetDropDownMenu(TCustomControl* Button, TPopupMenu* Menu);
