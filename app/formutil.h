// Small helpers the program's windows share: placing a named control on a form, the program's
// message boxes, and the lists the requirement dialogs offer.
#pragma once

#include <string>

#include "platform/vcl/controls.h"
#include "platform/vcl/stdctrls.h"

class TADOConnection;
class TADOQuery;
class TComboBox;
class TCustomForm;

// A control of type T owned by Owner, named Name (the field name the windows use), placed on
// Parent at the given bounds.
template <class T>
T* PlaceControl(TComponent* Owner, TWinControl* Parent, const char* Name, int Left, int Top,
                int Width, int Height) {
  T* c = new T(Owner);
  c->SetName(Name);
  c->SetParent(Parent);
  c->SetBounds(Left, Top, Width, Height);
  return c;
}

// A query owned by Owner, named Name, on Connection, with the statement Sql when given.
TADOQuery* NewQuery(TComponent* Owner, const char* Name, TADOConnection* Connection,
                    const char* Sql = nullptr);

// A label with its caption, sized to it.
TLabel* PlaceLabel(TComponent* Owner, TWinControl* Parent, const char* Name,
                   const std::string& Caption, int Left, int Top, TColor Color = clWindowText);
// A button with its caption.
TButton* PlaceButton(TComponent* Owner, TWinControl* Parent, const char* Name,
                     const std::string& Caption, int Left, int Top, int Width = 75,
                     int Height = 25);

// The font every window of the program uses: Tahoma 9 points.
void SetProgramFont(TControl* Control);

// An information message box with an OK button.
void ShowInfo(const std::string& Text);
// A confirmation message box with Yes and No; true for Yes.
bool AskYesNo(const std::string& Text);

// The requirement dialogs' lists from the settings database, each in the order returned: the
// usage types (Types), the design requirements (Designs) and the sizes (Sizes, whose items are
// replaced). Each query is reopened on its statement.
void FillRequirementLists(TADOQuery* TypeQuery, TComboBox* Types, TADOQuery* DesignQuery,
                          TComboBox* Designs, TADOQuery* SizeQuery, TComboBox* Sizes);

// The message shown when a requirement is saved without a usage type.
inline constexpr char kTypeIsNotNull[] = "\"Type\" is not null\xEF\xBC\x81";  // full-width "!"
