#include "fuzz/fuzz_form_classes.h"

#include "platform/rtl/object.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

namespace orvfuzz {

void RegisterFormClasses() {
  static const bool done = [] {
    RegisterClasses({TForm::StaticClass(), TLabel::StaticClass(), TStaticText::StaticClass(),
                     TButton::StaticClass(), TCheckBox::StaticClass(), TRadioButton::StaticClass(),
                     TGroupBox::StaticClass(), TEdit::StaticClass(), TListBox::StaticClass(),
                     TComboBox::StaticClass(), TMemo::StaticClass(), TCheckListBox::StaticClass(),
                     TPanel::StaticClass(), TPaintBox::StaticClass(), TTimer::StaticClass(),
                     TSplitter::StaticClass(), TBevel::StaticClass(), TImage::StaticClass(),
                     TShape::StaticClass(), TStatusBar::StaticClass(), TProgressBar::StaticClass(),
                     TTabSheet::StaticClass(), TPageControl::StaticClass(), TTreeView::StaticClass(),
                     TTrackBar::StaticClass(), TUpDown::StaticClass(), TToolButton::StaticClass(),
                     TToolBar::StaticClass(), TMenuItem::StaticClass(), TPopupMenu::StaticClass(),
                     TMainMenu::StaticClass()});
    return true;
  }();
  (void)done;
}

}  // namespace orvfuzz
