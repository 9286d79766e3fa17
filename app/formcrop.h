// The crop window TFormcutimage: cuts a photo down to a rectangle drawn on the picture, freely or
// at a fixed width-to-height ratio, with one step of undo, a start over from the file and a save
// over the photo file. Opened from the grid menu and from the full-screen viewer; modal, created
// at each opening and freed when it closes.
#pragma once

#include <string>

#include "platform/vcl/forms.h"

class TButton;
class TComboBox;
class TEdit;
class TFormSeeMain;
class TImageryView;
class TLabel;
class TPanel;
class TRadioButton;

class TFormcutimage : public TForm {
  ORV_CLASS(TFormcutimage, TForm)
public:
  // Main is the main window whose reference to the crop window this window clears when it
  // closes, and whose viewer gets the saved photo.
  TFormcutimage(TComponent* Owner, TFormSeeMain* Main);

  void FormShow(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void cen1MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImageryView1DblClick(TObject* Sender);  // cut
  void RadioButton1Click(TObject* Sender);
  void RadioButton2Click(TObject* Sender);
  void Button4Click(TObject* Sender);  // Undo
  void Button5Click(TObject* Sender);  // Redo (start over from the file)
  void Button2Click(TObject* Sender);  // Save
  void Button3Click(TObject* Sender);  // Close

  // The ratio box's value when it is a whole number greater than 0, else 0.
  static int RatioOf(const std::string& Text);

  TPanel* Panel1 = nullptr;  // holds the view
  TPanel* Panel2 = nullptr;  // the bottom panel
  TImageryView* cen1 = nullptr;
  TRadioButton* RadioButton1 = nullptr;
  TRadioButton* RadioButton2 = nullptr;
  TLabel* Label1 = nullptr;
  TLabel* Label2 = nullptr;
  TComboBox* ComboBox1 = nullptr;
  TComboBox* ComboBox2 = nullptr;
  TButton* Button2 = nullptr;
  TButton* Button3 = nullptr;
  TButton* Button4 = nullptr;
  TButton* Button5 = nullptr;
  TEdit* Edit1 = nullptr;

private:
  TFormSeeMain* FMain;
};

// The message shown when "Scale Crop" meets a ratio box that is not a whole number above 0.
inline constexpr char kBadCropRatio[] =
    "The width and height of the ratio must be whole numbers greater than 0.";

// Opens the crop window on the photo at Path (owner: the main window or the viewer) and returns
// when it has closed. A photo that cannot be loaded leaves the window empty; the failure is
// reported once the window has closed.
void OpenCropWindow(TFormSeeMain* Main, TComponent* Owner, const std::string& Path);

// The grid menu's "Crop": the crop window on the first selected photo, then the grid reloads
// that thumbnail. Nothing happens when no photo is selected.
void CropSelectedPhoto(TFormSeeMain* Main);
