// Skin descriptions of the skin-forms library: the value syntaxes of the skin description file
// (an INI file; rectangles "l,t,r,b", points "x,y", flags 1/0, font styles, alignments, morph
// kinds, effects and commands) with their readers and writers, and the description classes that
// hold the named control descriptions (SKINCONTROLS) and window-object descriptions
// (SKINOBJECTS). A skinned control finds its description by name and cuts its look out of the
// skin pictures with the rectangles and points given here.
//
// Every class reads its parent's keys and then its own from the section named after the
// description (LoadFromFile) and writes them all back (SaveToFile), so files round-trip.
#pragma once

#include <memory>
#include <string>

#include "platform/rtl/object.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"

class TCustomIniFile;
class TStrings;
class TksDescriptionIO;

// ---- Value kinds ----
ORV_ENUM(TksMorphKind, mkDefault, mkGradient, mkLeftGradient, mkRightGradient, mkLeftSlide,
         mkRightSlide, mkPush)
ORV_ENUM(TksEffect, ieBrightness, ieDarkness, ieGrayScale, ieNoise, ieSplitBlur, ieInvert)
// Caption button commands; 6 stands for "cmminimizetotray" and every unknown word.
ORV_ENUM(TksStdCommand, cmClose, cmMaximize, cmMinimize, cmSysMenu, cmDefault, cmRollUp,
         cmMinimizeToTray)

// A rectangle: the digits of four comma-separated fields (blanks, signs and other characters
// are dropped). Fewer than four fields raise EConvertError (an empty field is not a number);
// fields after the fourth are ignored. Missing key: (0, 0, 0, 0).
RECT ReadRect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
// The same with two fields x, y.
POINT ReadPoint(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
// True exactly when the value reads as the integer 1.
bool ReadFlag(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
// "fsbold", "fsitalic", "fsunderline", "fsstrikeout" anywhere in the text (case matters).
TFontStyles ReadFontStyle(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
// "tacenter" (also when missing), "taleftjustify"; any other text is right alignment.
TAlignment ReadAlignment(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
TksMorphKind ReadMorphKind(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
TksEffect ReadEffect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
TksStdCommand ReadCommand(TCustomIniFile* Ini, const std::string& Section, const std::string& Key);
// The number of entries of a numbered list (keys "0", "1", ...) that claims Count entries: Count,
// but never past the highest numbered key the section really has, so a hostile count cannot make
// a reader walk or store billions of empty entries.
int NumberedListLength(TCustomIniFile* Ini, const std::string& Section, int Count);
// Appends the values of keys "0" .. Name + "count" − 1 of Section to List (missing ones empty).
void ReadNameList(TCustomIniFile* Ini, const std::string& Section, const std::string& Name,
                  TStrings* List);
void WriteRect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
               const RECT& Value);
void WritePoint(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                POINT Value);
void WriteFlag(TCustomIniFile* Ini, const std::string& Section, const std::string& Key, bool Value);
void WriteFontStyle(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TFontStyles Value);
void WriteAlignment(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TAlignment Value);
void WriteMorphKind(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                    TksMorphKind Value);
void WriteEffect(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                 TksEffect Value);
void WriteCommand(TCustomIniFile* Ini, const std::string& Section, const std::string& Key,
                  TksStdCommand Value);
void WriteNameList(TCustomIniFile* Ini, const std::string& Section, const std::string& Name,
                   TStrings* List);

// The four keys a "font" stands for: <prefix>name, <prefix>height, <prefix>style, <prefix>color.
struct TksSkinFontData {
  std::string Name = "Arial";
  int Height = 14;
  TFontStyles Style;
  TColor Color = 0;
};

// ---- Control descriptions ----
class TksDataSkinControl : public TObject {
  ORV_CLASS(TksDataSkinControl, TObject)
public:
  explicit TksDataSkinControl(const std::string& AIDName);
  // Reads the keys of this class and its parents from the section named IDName.
  virtual void LoadFromFile(TCustomIniFile* IniFile);
  // Erases that section and writes every key back.
  virtual void SaveToFile(TCustomIniFile* IniFile);
  std::string IDName;
  int PictureIndex = -1;
  int MaskPictureIndex = -1;
  RECT SkinRect{};

protected:
  // Reads or writes every key, the parent's first.
  virtual void Exchange(TksDescriptionIO& IO);
};

class TksDataSkinCustomControl : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinCustomControl, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  RECT ClRect{};
  bool StretchEffect = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinPanelControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinPanelControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  int BGPictureIndex = -1;
  RECT CaptionRect{};
  TAlignment Alignment = taCenter;
  TksSkinFontData Font;
  RECT CheckImageRect{}, UnCheckImageRect{}, MarkFrameRect{}, FrameRect{}, FrameTextRect{};
  int FrameLeftOffset = 0, FrameRightOffset = 0;
  RECT GripperRect{};
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinExPanelControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinExPanelControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT RollHSkinRect{}, RollVSkinRect{};
  int RollLeftOffset = 0, RollRightOffset = 0, RollTopOffset = 0, RollBottomOffset = 0;
  RECT RollVCaptionRect{}, RollHCaptionRect{};
  RECT CloseButtonRect{}, CloseButtonActiveRect{}, CloseButtonDownRect{};
  RECT HRollButtonRect{}, HRollButtonActiveRect{}, HRollButtonDownRect{};
  RECT HRestoreButtonRect{}, HRestoreButtonActiveRect{}, HRestoreButtonDownRect{};
  RECT VRollButtonRect{}, VRollButtonActiveRect{}, VRollButtonDownRect{};
  RECT VRestoreButtonRect{}, VRestoreButtonActiveRect{}, VRestoreButtonDownRect{};
  RECT CaptionRect{};
  TksSkinFontData Font;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinButtonControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinButtonControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, DownFontColor = 0, DisabledFontColor = 0;
  RECT ActiveSkinRect{}, DownSkinRect{}, DisabledSkinRect{};
  bool Morphing = false;
  TksMorphKind MorphKind = mkDefault;
  RECT AnimateSkinRect{};
  int FrameCount = 0, AnimateInterval = 25;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMenuButtonControl : public TksDataSkinButtonControl {
  ORV_CLASS(TksDataSkinMenuButtonControl, TksDataSkinButtonControl)
public:
  using TksDataSkinButtonControl::TksDataSkinButtonControl;
  RECT TrackButtonRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinCheckRadioControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinCheckRadioControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, UnEnabledFontColor = 0, FrameFontColor = 0;
  RECT ActiveSkinRect{}, CheckImageArea{}, TextArea{}, CheckImageRect{}, UnCheckImageRect{};
  RECT ActiveCheckImageRect{}, ActiveUnCheckImageRect{}, UnEnabledCheckImageRect{},
      UnEnabledUnCheckImageRect{};
  bool Morphing = false;
  TksMorphKind MorphKind = mkDefault;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinGaugeControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinGaugeControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ProgressArea{}, ProgressRect{};
  int BeginOffset = 0, EndOffset = 0;
  bool Vertical = false;
  TksSkinFontData Font;
  bool ProgressTransparent = false;
  TColor ProgressTransparentColor = 0;
  bool ProgressStretch = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinSplitterControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinSplitterControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT GripperRect{};
  bool GripperTransparent = false;
  TColor GripperTransparentColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinTrackBarControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinTrackBarControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT TrackArea{}, ButtonRect{}, ActiveButtonRect{};
  bool Vertical = false, ButtonTransparent = false;
  TColor ButtonTransparentColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinLabelControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinLabelControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  TksSkinFontData Font;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinStdLabelControl : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinStdLabelControl, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  TksSkinFontData Font;
  TColor ActiveFontColor = 0xff0000;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinUpDownControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinUpDownControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{};
  RECT DownButtonRect{}, ActiveDownButtonRect{}, DownDownButtonRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinGridControl : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinGridControl, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  RECT FixedCellRect{}, SelectCellRect{}, FocusCellRect{};
  int FixedCellLeftOffset = 0, FixedCellRightOffset = 0;
  RECT FixedCellTextRect{};
  int CellLeftOffset = 0, CellRightOffset = 0;
  RECT CellTextRect{};
  TColor LinesColor = 0, BGColor = 0;
  TksSkinFontData Font;
  TColor SelectFontColor = 0, FocusFontColor = 0;
  TksSkinFontData FixedFont;
  bool CellStretchEffect = false, FixedCellStretchEffect = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinTabControl : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinTabControl, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  RECT TabRect{}, ActiveTabRect{}, FocusTabRect{}, MouseInTabRect{}, ClRect{};
  int BGPictureIndex = -1;
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  int TabLeftOffset = 0, TabRightOffset = 0;
  RECT TabsBGRect{};
  bool TabStretchEffect = false;
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, FocusFontColor = 0, MouseInFontColor = 0;
  std::string UpDown;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMainMenuBar : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinMainMenuBar, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  RECT ItemsRect{};
  std::string MenuBarItem, CloseButton, MinButton, MaxButton, SysMenuButton;
  TColor TrackMarkColor = 0, TrackMarkActiveColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinControlBar : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinControlBar, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ItemRect{};
  int BGPictureIndex = -1;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinEditControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinEditControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ActiveSkinRect{};
  TksSkinFontData Font;
  TColor DisabledFontColor = 0, ActiveFontColor = 0;
  RECT ButtonRect{}, ActiveButtonRect{}, DownButtonRect{}, UnEnabledButtonRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMemoControl : public TksDataSkinEditControl {
  ORV_CLASS(TksDataSkinMemoControl, TksDataSkinEditControl)
public:
  using TksDataSkinEditControl::TksDataSkinEditControl;
  TColor BGColor = 0, ActiveBGColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinListBox : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinListBox, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ItemRect{}, ActiveItemRect{}, FocusItemRect{};
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  RECT ItemTextRect{};
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, FocusFontColor = 0;
  RECT CaptionRect{};
  TksSkinFontData CaptionFont;
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{};
  RECT DownButtonRect{}, ActiveDownButtonRect{}, DownDownButtonRect{};
  RECT CheckButtonRect{}, ActiveCheckButtonRect{}, DownCheckButtonRect{};
  std::string VScrollBarName = "vscrollbar", HScrollBarName = "hscrollbar",
              BothScrollBarName = "bothhscrollbar";

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinCheckListBox : public TksDataSkinListBox {
  ORV_CLASS(TksDataSkinCheckListBox, TksDataSkinListBox)
public:
  using TksDataSkinListBox::TksDataSkinListBox;
  RECT ItemCheckRect{}, CheckImageRect{}, UnCheckImageRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinComboBox : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinComboBox, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ActiveSkinRect{}, ItemRect{}, ActiveItemRect{}, FocusItemRect{};
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  RECT ItemTextRect{};
  TksSkinFontData Font;
  TColor FocusFontColor = 0, ActiveFontColor = 0;
  std::string ListBoxName;
  RECT ButtonRect{}, ActiveButtonRect{}, DownButtonRect{}, UnEnabledButtonRect{};
  bool ItemStretchEffect = false, FocusItemStretchEffect = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinScrollBarControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinScrollBarControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT TrackArea{};
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{};
  RECT DownButtonRect{}, ActiveDownButtonRect{}, DownDownButtonRect{};
  RECT ThumbRect{}, ActiveThumbRect{}, DownThumbRect{};
  int ThumbOffset1 = 0, ThumbOffset2 = 0;
  bool ThumbTransparent = false;
  TColor ThumbTransparentColor = 0;
  RECT GlyphRect{}, ActiveGlyphRect{}, DownGlyphRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinSpinEditControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinSpinEditControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  RECT ActiveSkinRect{};
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, DisabledFontColor = 0;
  RECT UpButtonRect{}, ActiveUpButtonRect{}, DownUpButtonRect{};
  RECT DownButtonRect{}, ActiveDownButtonRect{}, DownDownButtonRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinScrollBoxControl : public TksDataSkinCustomControl {
  ORV_CLASS(TksDataSkinScrollBoxControl, TksDataSkinCustomControl)
public:
  using TksDataSkinCustomControl::TksDataSkinCustomControl;
  int BGPictureIndex = -1;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

// Font and background colour only: tree view, list view, rich edit.
class TksDataSkinTreeView : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinTreeView, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  TksSkinFontData Font;
  TColor BGColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinListView : public TksDataSkinTreeView {
  ORV_CLASS(TksDataSkinListView, TksDataSkinTreeView)
public:
  using TksDataSkinTreeView::TksDataSkinTreeView;
};

class TksDataSkinRichEdit : public TksDataSkinTreeView {
  ORV_CLASS(TksDataSkinRichEdit, TksDataSkinTreeView)
public:
  using TksDataSkinTreeView::TksDataSkinTreeView;
};

class TksDataSkinBevel : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinBevel, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  TColor LightColor = 0, DarkColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinSlider : public TksDataSkinControl {
  ORV_CLASS(TksDataSkinSlider, TksDataSkinControl)
public:
  using TksDataSkinControl::TksDataSkinControl;
  TColor BGColor = 0;
  RECT HRulerRect{}, HThumbRect{}, VRulerRect{}, VThumbRect{};
  int EdgeSize = 0;
  TColor PointsColor = 0;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

// The control description of a type word ("panel", "expanel", ...), or null for an unknown word.
std::unique_ptr<TksDataSkinControl> CreateSkinControlDescription(const std::string& TypeWord,
                                                                 const std::string& Name);

// ---- Window-object descriptions ----
class TksDataSkinObject : public TObject {
  ORV_CLASS(TksDataSkinObject, TObject)
public:
  explicit TksDataSkinObject(const std::string& AIDName);
  virtual void LoadFromFile(TCustomIniFile* IniFile);
  virtual void SaveToFile(TCustomIniFile* IniFile);
  std::string IDName;
  std::string Hint;
  int ActivePictureIndex = -1;
  bool SkinRectInAPicture = false;
  RECT SkinRect{}, ActiveSkinRect{}, InActiveSkinRect{};
  bool Morphing = false;
  TksMorphKind MorphKind = mkDefault;

protected:
  virtual void Exchange(TksDescriptionIO& IO);
};

class TksDataSkinButton : public TksDataSkinObject {
  ORV_CLASS(TksDataSkinButton, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;
  RECT DownRect{}, DisableSkinRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinStdButton : public TksDataSkinButton {
  ORV_CLASS(TksDataSkinStdButton, TksDataSkinButton)
public:
  using TksDataSkinButton::TksDataSkinButton;
  TksStdCommand Command = cmDefault;
  RECT RestoreRect{}, RestoreActiveRect{}, RestoreDownRect{}, RestoreInActiveRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMainMenuBarButton : public TksDataSkinStdButton {
  ORV_CLASS(TksDataSkinMainMenuBarButton, TksDataSkinStdButton)
public:
  using TksDataSkinStdButton::TksDataSkinStdButton;
};

class TksDataSkinAnimate : public TksDataSkinObject {
  ORV_CLASS(TksDataSkinAnimate, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;
  int CountFrames = 1;
  bool Cycle = false, ButtonStyle = false;
  int TimerInterval = 50;
  TksStdCommand Command = cmDefault;
  RECT DownSkinRect{};

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMenuItem : public TksDataSkinObject {
  ORV_CLASS(TksDataSkinMenuItem, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  RECT DividerRect{};
  int DividerLeftOffset = 0, DividerRightOffset = 0;
  RECT TextRct{};
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, UnEnabledFontColor = 0;
  bool StretchEffect = false, InActiveStretchEffect = false, DividerStretchEffect = false;
  RECT AnimateSkinRect{};
  int FrameCount = 0, AnimateInterval = 25;
  bool InActiveAnimation = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMainMenuItem : public TksDataSkinObject {
  ORV_CLASS(TksDataSkinMainMenuItem, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;
  int ItemLeftOffset = 0, ItemRightOffset = 0;
  RECT DownRect{}, TextRct{};
  TksSkinFontData Font;
  TColor ActiveFontColor = 0, DownFontColor = 0, UnEnabledFontColor = 0;
  bool StretchEffect = false;
  RECT AnimateSkinRect{};
  int FrameCount = 0, AnimateInterval = 25;
  bool InActiveAnimation = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

class TksDataSkinMainMenuBarItem : public TksDataSkinMainMenuItem {
  ORV_CLASS(TksDataSkinMainMenuBarItem, TksDataSkinMainMenuItem)
public:
  using TksDataSkinMainMenuItem::TksDataSkinMainMenuItem;
};

class TksDataSkinCaption : public TksDataSkinObject {
  ORV_CLASS(TksDataSkinCaption, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;
  RECT TextRct{};
  TksSkinFontData Font;
  TColor ActiveFontColor = 0;
  TAlignment Alignment = taCenter;
  bool Light = false;
  TColor LightColor = 0, ActiveLightColor = 0;
  bool Shadow = false;
  TColor ShadowColor = 0, ActiveShadowColor = 0;
  RECT FrameRect{}, ActiveFrameRect{}, FrameTextRect{};
  int FrameLeftOffset = 0, FrameRightOffset = 0;
  bool StretchEffect = false;
  RECT AnimateSkinRect{};
  int FrameCount = 0, AnimateInterval = 25;
  bool InActiveAnimation = false;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

// Reads and writes skinrect only; the other object keys keep their constructor values.
class TksDataUserObject : public TksDataSkinObject {
  ORV_CLASS(TksDataUserObject, TksDataSkinObject)
public:
  using TksDataSkinObject::TksDataSkinObject;

protected:
  void Exchange(TksDescriptionIO& IO) override;
};

// The window-object description of a type word, or null for an unknown word.
std::unique_ptr<TksDataSkinObject> CreateSkinObjectDescription(const std::string& TypeWord,
                                                               const std::string& Name);

// ---- Skin-wide settings ----
class TksDataSkinPopupWindow : public TObject {
  ORV_CLASS(TksDataSkinPopupWindow, TObject)
public:
  void LoadFromFile(TCustomIniFile* IniFile);
  void SaveToFile(TCustomIniFile* IniFile);
  int WindowPictureIndex = -1, MaskPictureIndex = -1;
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  RECT ItemsRect{};
  TColor ScrollMarkerColor = 0, ScrollMarkerActiveColor = 0;
  bool LeftStretch = false, RightStretch = false, TopStretch = false, BottomStretch = false;
};

class TksDataSkinHintWindow : public TObject {
  ORV_CLASS(TksDataSkinHintWindow, TObject)
public:
  void LoadFromFile(TCustomIniFile* IniFile);
  void SaveToFile(TCustomIniFile* IniFile);
  int WindowPictureIndex = -1, MaskPictureIndex = -1;
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  RECT ClRect{};
  TksSkinFontData Font;
  bool LeftStretch = false, RightStretch = false, TopStretch = false, BottomStretch = false;
};

// The window frame settings (FORMINFO), with the adjustments made after reading.
class TksDataSkinFormInfo {
public:
  // HasMask: the PICTURES section names a mask.
  void LoadFromFile(TCustomIniFile* IniFile, bool HasMask);
  void SaveToFile(TCustomIniFile* IniFile);
  POINT LTPoint{}, RTPoint{}, LBPoint{}, RBPoint{};
  RECT ClRect{};
  int BGPictureIndex = -1, MDIBGPictureIndex = -1;
  bool LeftStretch = false, RightStretch = false, TopStretch = false, BottomStretch = false;
  RECT MaskRectArea{};
  POINT HitTestLTPoint{}, HitTestRTPoint{}, HitTestLBPoint{}, HitTestRBPoint{};
  RECT ButtonsRect{}, CaptionRect{};
  int ButtonsOffset = 0;
  bool ButtonsInLeft = false, MainMenuPopupUp = false;
  int BorderWidth = 0;
  bool AutoRenderingInActiveImage = false;
  TksEffect InActiveEffect = ieBrightness;
};
