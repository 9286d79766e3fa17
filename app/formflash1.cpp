// The simulation movie window.
#include "app/formflash1.h"

#include "app/settings.h"
#include "platform/vcl/menus.h"
#include "platform/win/winuser.h"
#include "swf/swfcontrol.h"

ORV_CLASS_IMPL(TFormFLASH1, TForm)

TFormFLASH1* FormFLASH1 = nullptr;

TFormFLASH1::TFormFLASH1(TComponent* Owner) : TForm(Owner) {
  SetName("FormFLASH1");
  SetCaption("FormFLASH1");
  SetBorderStyle(bsNone);
  SetColor(clBlack);

  PopupMenu1 = new TPopupMenu(this);
  PopupMenu1->SetName("PopupMenu1");
  auto item = [this](const char* Name, const char* Caption) {
    auto* i = new TMenuItem(this);
    i->SetName(Name);
    i->SetCaption(Caption);
    PopupMenu1->Items()->Add(i);
    return i;
  };
  N2 = item("N2", " ");
  N3 = item("N3", "-");
  N1 = item("N1", "close");
  N4 = item("N4", "-");
  N5 = item("N5", " ");
  N1->OnClick = [this](TObject* S) { N1Click(S); };

  Flash2 = new TSwfMoviePlayer(this);
  Flash2->SetName("Flash2");
  Flash2->SetParent(this);
  Flash2->SetAlign(alClient);
  Flash2->SetPopupMenu(PopupMenu1);

  ApplicationEvents1 = new TApplicationEvents(this);
  ApplicationEvents1->SetName("ApplicationEvents1");
  ApplicationEvents1->OnMessage = [this](MSG& M, bool& H) { ApplicationEvents1Message(M, H); };

  OnCreate = [this](TObject* S) { FormCreate(S); };
  // Maximised as it shows (a size message while the controls are made would undo an earlier
  // setting).
  OnShow = [this](TObject*) { SetWindowState(wsMaximized); };
  OnResize = [this](TObject* S) { FormResize(S); };
  OnCloseQuery = [this](TObject* S, bool& C) { FormCloseQuery(S, C); };
  OnClose = [this](TObject* S, TCloseAction& A) { FormClose(S, A); };
  FinishCreate();
}

TFormFLASH1::~TFormFLASH1() {
  ApplicationEvents1->OnMessage = nullptr;
  Flash2->Stop();
  if (FormFLASH1 == this) FormFLASH1 = nullptr;
}

void TFormFLASH1::FormCreate(TObject*) {
  // A movie that is missing or fails to load leaves the control black.
  Flash2->SetMovie(ProgramFolder() + kFlashMovieFileName);
}

void TFormFLASH1::FormResize(TObject*) { Flash2->DoObjectVerb(-1); }

void TFormFLASH1::ApplicationEvents1Message(MSG& Msg, bool& Handled) {
  // The press goes to no window, so no control's own menu ever opens from it; the release still
  // opens this window's menu.
  if (Msg.message == WM_RBUTTONDOWN) {
    Handled = true;
  } else if (Msg.message == WM_LBUTTONDBLCLK) {
    Flash2->Stop();
    Close();
  }
}

void TFormFLASH1::N1Click(TObject*) {
  Flash2->Stop();
  if (FormFLASH1 == this) FormFLASH1 = nullptr;
  Close();
}

void TFormFLASH1::FormCloseQuery(TObject*, bool& CanClose) {
  if (FormFLASH1 == this) FormFLASH1 = nullptr;
  CanClose = true;
}

void TFormFLASH1::FormClose(TObject*, TCloseAction& Action) { Action = caFree; }

void ShowFlashMovie(TForm* MainForm) {
  if (!FormFLASH1) FormFLASH1 = new TFormFLASH1(MainForm);
  FormFLASH1->ShowModal();
}
