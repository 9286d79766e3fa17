// Starting and stopping the binding units in their order.
#include "script/bindings/sc_ibindings.h"

#include "platform/vcl/forms.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_isysrtti.h"

void scStartScriptBindings() {
  scStartClassesRTTI();
  scStartGraphicsRTTI();
  scStartFormsRTTI();
  scStartDialogsRTTI();
  // A script's ShowMessage shows the class library's modal message box.
  scShowMessageHandler = [](const std::string& S) { ShowMessage(S); };
}

void scStopScriptBindings() {
  scStopDialogsRTTI();
  scStopFormsRTTI();
  scStopGraphicsRTTI();
  scStopClassesRTTI();
}
