// Helpers shared by the program's windows.
#include "app/formutil.h"

#include "app/catalog.h"
#include "platform/vcl/adodb.h"
#include "platform/vcl/forms.h"

TADOQuery* NewQuery(TComponent* Owner, const char* Name, TADOConnection* Connection,
                    const char* Sql) {
  auto* q = new TADOQuery(Owner);
  q->SetName(Name);
  q->SetConnection(Connection);
  if (Sql) q->SQL()->Add(Sql);
  return q;
}

TLabel* PlaceLabel(TComponent* Owner, TWinControl* Parent, const char* Name,
                   const std::string& Caption, int Left, int Top, TColor Color) {
  auto* l = new TLabel(Owner);
  l->SetName(Name);
  l->SetParent(Parent);
  l->SetLeft(Left);
  l->SetTop(Top);
  l->SetCaption(Caption);
  if (Color != clWindowText) l->Font()->SetColor(Color);
  return l;
}

TButton* PlaceButton(TComponent* Owner, TWinControl* Parent, const char* Name,
                     const std::string& Caption, int Left, int Top, int Width, int Height) {
  auto* b = PlaceControl<TButton>(Owner, Parent, Name, Left, Top, Width, Height);
  b->SetCaption(Caption);
  return b;
}

void SetProgramFont(TControl* Control) {
  Control->Font()->SetName("Tahoma");
  Control->Font()->SetSize(9);
}

void ShowInfo(const std::string& Text) {
  Application()->MessageBox(Text, Application()->Title(), MB_OK | MB_ICONINFORMATION);
}

bool AskYesNo(const std::string& Text) {
  return Application()->MessageBox(Text, Application()->Title(), MB_YESNO | MB_ICONQUESTION) ==
         IDYES;
}

void FillRequirementLists(TADOQuery* TypeQuery, TComboBox* Types, TADOQuery* DesignQuery,
                          TComboBox* Designs, TADOQuery* SizeQuery, TComboBox* Sizes) {
  for (const std::string& s : ReadLookupList(TypeQuery, kSqlUsageTypes, "yongtu"))
    Types->Items()->Add(s);
  for (const std::string& s : ReadLookupList(DesignQuery, kSqlDesigns, "xiangmu"))
    Designs->Items()->Add(s);
  Sizes->Items()->Clear();
  for (const std::string& s : ReadLookupList(SizeQuery, kSqlSizes, "asize")) Sizes->Items()->Add(s);
}
