// Control skinners of the form skin engine: one object per control of a skinned form, in front
// of the control's WindowProc, painting the control again in the skin's look. The registry maps
// control classes to skinner classes (the last matching row wins).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/controls.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/graphics.h"

class TswSkinEngine;
class TswSkinWindow;
class TScrollBar;
class TCustomTabControl;
class TswSkinScrollBar;
class TComboBox;

class TswSkinControl {
public:
  // Any control: windowed ones are painted again; graphic ones (labels) only take the skin's
  // values in Update.
  TswSkinControl(TControl* Control, TswSkinWindow* Window, TswSkinEngine* Engine);
  virtual ~TswSkinControl();
  // The window handle of the control (nullptr while it has none).
  virtual HWND GetHandle() const;
  TswSkinControl(const TswSkinControl&) = delete;
  TswSkinControl& operator=(const TswSkinControl&) = delete;

  TControl* Control() const { return FAnyControl; }
  bool Hot() const { return FHot; }
  bool Pressed() const { return FPressed; }
  // Gives the control its own WindowProc back; the skinner sees no more messages.
  void Release();
  // The control is being destroyed: forget it without touching it.
  void ControlGone() {
    FControl = nullptr;
    FAnyControl = nullptr;
    FReleased = true;
  }
  // Runs the skinner's initialization and first update after it was attached.
  void Start() {
    Init();
    Update();
    SyncParentColor();
  }
  // A skinner that wants its parent's colour gets it while the skin is on; the control's own
  // colour comes back when the skin is off or the skinner is released.
  void SyncParentColor();
  virtual void Update() {}
  virtual bool WantsParentColor() const { return false; }
  // Paints when the engine's skin is active.
  void Repaint();

protected:
  virtual bool BeforeMessage(TMessage& M);
  virtual void AfterMessage(TMessage& M);
  virtual void Paint() {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void MouseDown() {}
  virtual void MouseUp() {}
  virtual void KeyDown(WPARAM) {}
  virtual void KeyUp(WPARAM) {}
  virtual void Init() {}
  virtual void Detach() {}
  bool SkinActive() const;
  // For skinners that draw the whole control themselves: erasing is skipped and WM_PAINT runs
  // Paint. False when the message was answered here (the BeforeMessage convention).
  bool PaintWholeControl(TMessage& M);
  // Copies Bitmap onto the control and draws Text centred in R in Font (grey when disabled,
  // moved by 1, 1 when pressed).
  void DrawBitmapAndText(TBitmap* Bitmap, const std::string& Text, const RECT& R, TFont* Font);
  void DrawBitmapAt(TBitmap* Bitmap, int X, int Y);

  // For skinners of plain windows (TswSkinControlWnd): no control of the class library.
  TswSkinControl(TswSkinWindow* Window, TswSkinEngine* Engine);
  TWinControl* FControl;  // nullptr for a graphic control or a plain window
  TControl* FAnyControl;
  TswSkinWindow* FWindow;
  TswSkinEngine* FEngine;
  bool FHot = false, FPressed = false, FReleased = false;

  // False once the skinner is freed: a control's handler may free it (with its control) while
  // a message is on its way through the skinner.
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);

private:
  void RepaintWnd();
  bool FParentColorSet = false, FSavedParentColor = false;
  TColor FSavedColor = 0;
  void Proc(TMessage& M);
  TWndMethod FOldProc;
  friend class TswSkinControlFactory;
};

// A one-pixel frame in the control border colour with one in the control's colour inside.
class TswSkinBorderWinControl : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;

protected:
  void Paint() override;
};

// A skinner of a plain child window (no control of the class library): it replaces the
// window's procedure and gives it back when it goes, if the window still exists and the
// procedure in front is still its own (one installed later stays in front). The skinners of
// dialog child windows (swskinwnd.h) derive from it.
class TswSkinControlWnd : public TswSkinControl {
public:
  TswSkinControlWnd(HWND Wnd, TswSkinWindow* Window, TswSkinEngine* Engine);
  ~TswSkinControlWnd() override;
  HWND GetHandle() const override { return FWnd; }
  bool Released() const { return FReleased; }
  // (0, 0, width, height) of the window rectangle.
  RECT GetBoundsRect() const;
  bool IsEnabled() const;
  // The window's text, at most 259 characters.
  std::string GetText() const;

protected:
  // Copies Bitmap onto the window and draws Text centred in R in the menu font (grey when the
  // window is disabled, moved by 1, 1 when pressed).
  void DrawBitmapAndText(TBitmap* Bitmap, const std::string& Text, const RECT& R, TColor Color);
  void DrawBitmapAt(TBitmap* Bitmap, int X, int Y);

  HWND FWnd;

private:
  static LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
  void Unhook();
  LONG_PTR FOldWndProc = 0;
};

// A plain window's skinned border: the control border colour with the window colour inside.
class TswSkinBorderWndControl : public TswSkinControlWnd {
public:
  using TswSkinControlWnd::TswSkinControlWnd;

protected:
  void Paint() override;
};

class TswSkinScrollWinControl;

// A painted scroll bar laid over one of a control's own scroll bars; its clicks go to the
// control's scroll bar as non-client clicks, so the control scrolls as usual.
class TswSkinInternalScrollBar : public TCustomPanel {
  ORV_CLASS(TswSkinInternalScrollBar, TCustomPanel)
public:
  explicit TswSkinInternalScrollBar(TComponent* AOwner);
  ~TswSkinInternalScrollBar() override;
  TWinControl* Scrolled = nullptr;
  TswSkinScrollWinControl* Skinner = nullptr;
  int Kind = 0;  // 0 vertical, 1 horizontal
  TBitmap* Bitmap() { return &FBitmap; }
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;

private:
  TBitmap FBitmap;
};

// Scrolling controls: the skinned border and skinned scroll bars over the control's own.
class TswSkinScrollWinControl : public TswSkinBorderWinControl {
public:
  using TswSkinBorderWinControl::TswSkinBorderWinControl;
  ~TswSkinScrollWinControl() override;
  void Update() override;
  // The skinned bar of a kind (0 vertical, 1 horizontal), or nullptr.
  TswSkinInternalScrollBar* Bar(int Kind) const { return Kind == 0 || Kind == 1 ? FBars[Kind] : nullptr; }

protected:
  void Init() override;
  void Detach() override;
  void Paint() override;
  void AfterMessage(TMessage& M) override;

private:
  friend class TswSkinInternalScrollBar;
  void PlaceBars();
  TswSkinInternalScrollBar* FBars[2] = {nullptr, nullptr};
};

class TswSkinButton : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;

protected:
  bool BeforeMessage(TMessage& M) override;
  void AfterMessage(TMessage& M) override;
  void Paint() override;
  void MouseDown() override;
  void MouseUp() override;
  void KeyDown(WPARAM Key) override;
  void KeyUp(WPARAM Key) override;
  void Init() override;

private:
  bool FMousePressed = false, FKeyPressed = false;
  TColor FSavedFontColor = 0;
};

// Speed buttons (graphic controls): the tool bar looks of the skin, glyph and caption; a button
// whose Tag is 999999 keeps its own picture inside a flat frame.
class TswSkinSpeedButton : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;

protected:
  bool BeforeMessage(TMessage& M) override;
  void AfterMessage(TMessage& M) override;

private:
  void PaintOn(HDC DC);
};

class TswSkinCheckBox : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
  void Init() override;
  // Frame number within the skin strip for the control's state.
  virtual int Frame() const;
  virtual int StripNumber() const { return 16; }
  virtual int StripFrames() const { return 6; }
  virtual bool Transparent() const;

private:
  TColor FSavedFontColor = 0;
};

class TswSkinRadioButton : public TswSkinCheckBox {
public:
  using TswSkinCheckBox::TswSkinCheckBox;

protected:
  bool BeforeMessage(TMessage& M) override;
  int Frame() const override;
  int StripNumber() const override { return 18; }
  int StripFrames() const override { return 4; }
  bool Transparent() const override { return true; }
};

// Containers that take their parent's (the skinned form's) colour while skinned.
class TswSkinPanel : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  bool WantsParentColor() const override { return true; }
};

// Group boxes: a frame in the control border colour with the caption over it.
class TswSkinGroupBox : public TswSkinPanel {
public:
  using TswSkinPanel::TswSkinPanel;

protected:
  void Paint() override;
};

// Status bars: the parent's colour and a size grip drawn again in the colour of inactive
// captions.
class TswSkinStatusBar : public TswSkinPanel {
public:
  using TswSkinPanel::TswSkinPanel;

protected:
  void Paint() override;
};

// Grids: the form colour as their fixed colour while skinned.
class TswSkinGrid : public TswSkinScrollWinControl {
public:
  using TswSkinScrollWinControl::TswSkinScrollWinControl;
  void Update() override;

protected:
  void Init() override;

private:
  TColor FSavedFixedColor = 0;
  bool FFixed = false;
};

// Drop-down combo boxes: the skin's border, button face and arrow over the control's painting.
class TswSkinComboBox : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
  // The border, button face and arrow over a combo box's own painting.
  void PaintCombo(TComboBox* Combo);
};

// Extended combo boxes: the combo box look on their inner combo box.
class TswSkinComboBoxEx : public TswSkinComboBox {
public:
  using TswSkinComboBox::TswSkinComboBox;

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
};

// Track bars: channel, selection, thumb, ticks and focus rectangle drawn from the skin.
class TswSkinTrackBar : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;

protected:
  bool BeforeMessage(TMessage& M) override;
  void Paint() override;
  void Detach() override { FChannel.reset(); }

private:
  std::unique_ptr<TBitmap> FChannel;
};

class TswSkinProgressBar : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;

protected:
  bool BeforeMessage(TMessage& M) override;
  void AfterMessage(TMessage& M) override;
  void Paint() override;
};

// Labels: the skin's control font colour while skinned (also with NoChangeButtonsFontColor).
class TswSkinLabel : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;
  bool WantsParentColor() const override { return true; }

protected:
  void Init() override;

private:
  TColor FSavedFontColor = 0;
};

// List views: the column header painted from the skin (through the header window's procedure).
class TswSkinListView : public TswSkinScrollWinControl {
public:
  using TswSkinScrollWinControl::TswSkinScrollWinControl;
  ~TswSkinListView() override;

protected:
  void Init() override;
  void Detach() override;

private:
  void DrawHeader();
  static LRESULT HeaderProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L);
  HWND FHeader = nullptr;
  LONG_PTR FHeaderProc = 0;
};

// Tab controls and page controls: page frame, tabs, captions and the tab line from the skin.
class TswSkinTabControl : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;

protected:
  bool BeforeMessage(TMessage& M) override;
  void Paint() override;
  // The caption of a tab as the skinner draws it.
  virtual std::string GetTabCaption(int Index);

private:
  void DrawTab(TCanvas* Target, const RECT& R, int Index, bool Selected);
};

// Tool bars: flat, in the tool bar start colour while skinned; Flat and Color come back when
// the skin is off. (It keeps the colour it is given rather than taking its parent's, which
// would undo that colour.)
class TswSkinToolBar : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;
  // The tool bar's OnCustomDraw while the skin is on: the skin's tool bar picture stretched, or
  // the tool bar gradient; equal colours draw nothing.
  void DrawBackground(TToolBar* Sender, const RECT& ARect, bool& DefaultDraw);
  // Its OnCustomDrawButton: hot, pressed, selected and checked buttons in the skin's tool bar
  // colours; the others as the tool bar draws them.
  void DrawButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State, bool& DefaultDraw);

protected:
  void Init() override;
  void Detach() override;

private:
  void SetEvents(TToolBar* Bar, bool On);
  bool FSavedFlat = false, FApplied = false;
  TColor FSavedColor = 0;
};

class TswSkinExtComboboxLikeControl;

// The skinned drop-down button laid into a control; its clicks go to the control.
class TswSkinInternalComboButton : public TCustomPanel {
  ORV_CLASS(TswSkinInternalComboButton, TCustomPanel)
public:
  explicit TswSkinInternalComboButton(TComponent* AOwner);
  ~TswSkinInternalComboButton() override;
  TWinControl* Target = nullptr;
  TswSkinExtComboboxLikeControl* Skinner = nullptr;
  TswSkinEngine* Engine = nullptr;
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;
};

// A skinned border and a skinned drop-down button over the control.
class TswSkinExtComboboxLikeControl : public TswSkinBorderWinControl {
public:
  using TswSkinBorderWinControl::TswSkinBorderWinControl;
  ~TswSkinExtComboboxLikeControl() override;
  void Update() override;
  TswSkinInternalComboButton* Button() const { return FButton; }

protected:
  void Init() override;
  void Detach() override;
  void Paint() override;
  void AfterMessage(TMessage& M) override;

private:
  friend class TswSkinInternalComboButton;
  TswSkinInternalComboButton* FButton = nullptr;
};

class TswSkinDateTimePicker;

// The skinned spin buttons put into a date-time picker; its clicks go to the picker's own spin
// window, which does the stepping.
class TswSkinInternalUpDown : public TUpDown {
  ORV_CLASS(TswSkinInternalUpDown, TUpDown)
public:
  explicit TswSkinInternalUpDown(TComponent* AOwner) : TUpDown(AOwner) {}
  ~TswSkinInternalUpDown() override;
  TWinControl* Picker = nullptr;
  TswSkinDateTimePicker* Skinner = nullptr;
  void WndProc(TMessage& Message) override;
};

// Date-time pickers: the drop-down button of dates, the skinned spin buttons of times.
class TswSkinDateTimePicker : public TswSkinExtComboboxLikeControl {
public:
  using TswSkinExtComboboxLikeControl::TswSkinExtComboboxLikeControl;
  ~TswSkinDateTimePicker() override;
  void Update() override;
  TswSkinInternalUpDown* UpDown() const { return FUpDown; }

protected:
  void Init() override;
  void Detach() override;

private:
  friend class TswSkinInternalUpDown;
  bool ShowsDropDown() const;
  TswSkinInternalUpDown* FUpDown = nullptr;
};

// Draws a scroll bar from the skin's scroll-bar pieces: track, arrow buttons and (when enabled)
// the thumb.
void PaintSkinScrollBar(TCanvas* C, TswSkinEngine* Engine, const RECT& Bar, const RECT& Thumb,
                        bool Enabled, bool Vertical);

// The painted panel laid over a skinned scroll bar; its mouse input goes down to the scroll bar.
class TswSkinInternalScrollBar2 : public TCustomPanel {
  ORV_CLASS(TswSkinInternalScrollBar2, TCustomPanel)
public:
  explicit TswSkinInternalScrollBar2(TComponent* AOwner);
  ~TswSkinInternalScrollBar2() override;
  TScrollBar* ScrollBar = nullptr;
  // The skinner that made it; it forgets the panel when the panel goes first.
  TswSkinScrollBar* Skinner = nullptr;
  TBitmap* Bitmap() { return &FBitmap; }
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;

private:
  TBitmap FBitmap;
};

// Scroll bars: a painted panel exactly over the bar; scrolling stays the bar's own.
class TswSkinScrollBar : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  void Update() override;
  ~TswSkinScrollBar() override;
  TswSkinInternalScrollBar2* Panel() const { return FPanel; }

protected:
  void AfterMessage(TMessage& M) override;
  void Paint() override;
  void Init() override;
  void Detach() override;

private:
  friend class TswSkinInternalScrollBar2;
  TswSkinInternalScrollBar2* FPanel = nullptr;
};

// Up-downs: both halves painted from the skin, the pressed one in the tool bar down colour.
class TswSkinUpDown : public TswSkinControl {
public:
  using TswSkinControl::TswSkinControl;
  int PressedHalf() const { return FPressedHalf; }

protected:
  bool BeforeMessage(TMessage& M) override;
  void Paint() override;

private:
  int FPressedHalf = 0;  // -1 first (up), 1 second (down), 0 none
};

// ---- registry ----
using TswSkinControlMaker =
    std::function<std::unique_ptr<TswSkinControl>(TControl*, TswSkinWindow*, TswSkinEngine*)>;
struct TswSkinControlRow {
  TClass ControlClass;
  TswSkinControlMaker Make;
};
void RegisterControlSkinners(const std::vector<TswSkinControlRow>& Rows);
// The skinner of the last row whose class the control is or inherits from, attached; nullptr
// when no row matches.
std::unique_ptr<TswSkinControl> FindControlSkinner(TControl* Control, TswSkinWindow* Window,
                                                   TswSkinEngine* Engine);
