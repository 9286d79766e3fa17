// The simulation movie window TFormFLASH1: a borderless window, maximised when shown, whose whole
// client area is the movie control Flash2 playing "OK.swf" from the program's folder. While it
// exists it takes every right-button press of the application (its own menu opens on the
// release) and a left double click anywhere stops the movie and closes it. It frees itself when
// it closes.
#pragma once

#include "platform/vcl/forms.h"

class TApplicationEvents;
class TMenuItem;
class TPopupMenu;
class TSwfMoviePlayer;

inline constexpr char kFlashMovieFileName[] = "OK.swf";

class TFormFLASH1 : public TForm {
  ORV_CLASS(TFormFLASH1, TForm)
public:
  explicit TFormFLASH1(TComponent* Owner);
  ~TFormFLASH1() override;

  TSwfMoviePlayer* Flash2 = nullptr;
  TPopupMenu* PopupMenu1 = nullptr;
  // The menu: " ", "-", "close", "-", " "; the blank items do nothing.
  TMenuItem* N2 = nullptr;
  TMenuItem* N3 = nullptr;
  TMenuItem* N1 = nullptr;
  TMenuItem* N4 = nullptr;
  TMenuItem* N5 = nullptr;
  TApplicationEvents* ApplicationEvents1 = nullptr;

  void FormCreate(TObject* Sender);
  void FormResize(TObject* Sender);
  void ApplicationEvents1Message(MSG& Msg, bool& Handled);
  void N1Click(TObject* Sender);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  void FormClose(TObject* Sender, TCloseAction& Action);
};

// The current movie window, or null; cleared when the window closes.
extern TFormFLASH1* FormFLASH1;

// Creates the movie window when none is current (owned by MainForm) and shows it modally; the
// window frees itself after it closes.
void ShowFlashMovie(TForm* MainForm);
