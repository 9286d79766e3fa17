// The full-screen viewer TFormNewMax: one photo of the grid fitted to the screen, the photo at
// its actual size while a mouse button is held, a status line, the photographer's comment panel
// at the bottom edge, navigation by wheel, Space and Backspace, a slide show, and picking,
// requirements, rotation and cropping of the photo shown from its menu.
//
// The viewer walks the main window's display order list (ListBox1) and keeps its position in
// the main window, which selects the last photo shown in the grid when the viewer closes. It is
// modal, created by the grid's double click and freed when it closes.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TADOQuery;
class TApplicationEvents;
class TBitBtn;
class TButton;
class TDataSource;
class TDBMemo;
class TEdit;
class TFormSeeMain;
class TImageryView;
class TLabel;
class TMemo;
class TMenuItem;
class TPageControl;
class TPanel;
class TPopupMenu;
class TTabSheet;
class TTimer;
class TTrackBar;

class TFormNewMax : public TForm {
  ORV_CLASS(TFormNewMax, TForm)
public:
  TFormNewMax(TComponent* Owner, TFormSeeMain* Main);
  ~TFormNewMax() override;

  // The opening's own steps: loads photo Position of the display order list from Folder (no
  // trailing delimiter) and opens its comment. A photo that cannot be read leaves the views
  // empty and raises after the rest is set up.
  void OpenAt(int Position, const std::string& Folder);
  // Shows the photo at Path (just saved by the crop window) in the views.
  void ShowSavedPhoto(const std::string& Path);

  int Position() const { return FPosition; }

  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, POINT MousePos,
                      bool& Handled);
  void FormKeyPress(TObject* Sender, char& Key);
  void en2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void en2MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void en2DblClick(TObject* Sender);
  void en2MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ApplicationEvents1Message(MSG& Msg, bool& Handled);
  void pp1Popup(TObject* Sender);
  void N7Click(TObject* Sender);     // Selected
  void N8Click(TObject* Sender);     // UnSelected
  void N16Click(TObject* Sender);    // Append Production requirements
  void N901Click(TObject* Sender);   // Rotate Clockwise
  void N1801Click(TObject* Sender);  // Rotate Counter Clockwise
  void N3Click(TObject* Sender);     // mirror left-right (hidden item)
  void N4Click(TObject* Sender);     // mirror top-bottom (hidden item)
  void N9Click(TObject* Sender);     // Crop
  void N13Click(TObject* Sender);    // Slide Show
  void N15Click(TObject* Sender);    // Stop slide
  void N11Click(TObject* Sender);    // Photographer Comments
  void N5Click(TObject* Sender);     // close
  void Timer1Timer(TObject* Sender);
  void BitBtn1Click(TObject* Sender);  // comment save
  void Button3Click(TObject* Sender);  // comment close
  // Any slider of the colour adjustment page moved: the displayed picture takes the brightness
  // and channel sliders as channel offsets and the contrast slider as its contrast.
  void TrackBarChange(TObject* Sender);

  TImageryView* en1 = nullptr;
  TImageryView* en2 = nullptr;
  TLabel* Label300 = nullptr;
  TEdit* Edit1 = nullptr;
  TEdit* Edit2 = nullptr;
  TEdit* Edit3 = nullptr;
  TPanel* Panel1 = nullptr;
  TPageControl* PageControl1 = nullptr;
  TTabSheet* TabSheet1 = nullptr;
  TDBMemo* DBMemo1 = nullptr;
  TBitBtn* BitBtn1 = nullptr;
  TButton* Button4 = nullptr;
  // The two pages of the comment panel whose tabs are never shown: colour adjustment (sliders
  // from -255 to 255 for brightness, contrast, red, green and blue) and the customer's opinion,
  // whose save keeps nothing.
  TTabSheet* TabSheet2 = nullptr;
  TTrackBar *TrackBar1 = nullptr, *TrackBar2 = nullptr, *TrackBar3 = nullptr,
            *TrackBar4 = nullptr, *TrackBar5 = nullptr;
  TTabSheet* TabSheet3 = nullptr;
  TMemo* Memo1 = nullptr;
  TButton* Button1 = nullptr;
  TPopupMenu* pp1 = nullptr;
  TMenuItem *N7 = nullptr, *N8 = nullptr, *N16 = nullptr, *N901 = nullptr, *N1801 = nullptr,
            *N9 = nullptr, *N13 = nullptr, *N15 = nullptr, *N11 = nullptr, *N5 = nullptr;
  TMenuItem *N3 = nullptr, *N4 = nullptr;  // the hidden mirror items
  TTimer* Timer1 = nullptr;
  TADOQuery* ADOQuerydianping = nullptr;
  TDataSource* DataSource1 = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;

  void WndProc(TMessage& Message) override;

private:
  // The name at a position of the display order list, and the list's length.
  std::string NameAt(int Position) const;
  int Count() const;
  // Status line for Position with Marker when the photo has a comment row.
  void SetStatus(int Position, const char* Marker, bool HasComment);
  // Reopens the comment query for Edit3 and edits its row or appends one; true when it has one.
  bool OpenCommentRow();
  void DiscardCommentRow();
  // Loads Edit2 into the views (full size hidden, fitted shown); raises when it cannot be read.
  void LoadPhoto();
  // Moves to Position (already checked) showing its photo; the position moves also on failure.
  void MoveTo(int Position);
  void Next(bool Wheel);
  void Previous(bool Wheel);
  void Rotate(double Angle);
  // Mirrors the picture (0 left-right, 1 top-bottom) and saves it as a rotation does.
  void Mirror(int Direction);
  // Writes the turned or mirrored picture over the photo at the quality "ys".
  void SaveTurnedPhoto();
  // Puts the colour adjustment sliders back to 0 (and so the picture to its own colours).
  void ResetColourSliders();
  // Installs a cursor file of the program's folder as cursor 1 for the given control.
  void UseCursorFile(TControl* Control, const char* File);
  void SetPointer(TControl* Control, TCursor Cursor);

  TFormSeeMain* FMain;
  int FPosition = 0;
  bool FRightPressed = false;  // a right-button press was taken; its release opens the menu
};

// The grid's double click: the viewer on the selected photo; afterwards the last photo shown is
// selected and centred in the grid. Nothing happens when no photo is selected.
void ShowFullScreenViewer(TFormSeeMain* Main);

// The messages at the ends of the list.
inline constexpr char kViewerEndMessage[] =
    "The end\xEF\xBC\x81press \"Backspace\"  key or mouse wheel to previous image.";
inline constexpr char kViewerStartMessageWheel[] =
    "press \"Space bar\"  key or mouse wheel to next image.";
inline constexpr char kViewerStartMessageKey[] =
    "press \"Spacebar\"  key or mouse wheel to next image.";
inline constexpr char kViewerCommentMarkerOpen[] = " \xE6\x9C\x89\xE7\x82\xB9\xE8\xAF\x84";  // " 有点评"
inline constexpr char kViewerCommentMarkerMove[] = " There Comment";
