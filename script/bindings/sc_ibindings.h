// The script bindings of the class library: graphics, controls and forms, dialogs (with the
// base classes of the engine). Each unit registers its classes, members, constants and
// enumerations in the global script once and removes them when stopped.
#pragma once

void scStartGraphicsRTTI();
void scStopGraphicsRTTI();
void scStartFormsRTTI();
void scStopFormsRTTI();
void scStartDialogsRTTI();
void scStopDialogsRTTI();

// Starts every binding unit in order: base classes, graphics, controls and forms, dialogs; and
// makes ShowMessage show the class library's message box.
void scStartScriptBindings();
// Stops them in reverse order.
void scStopScriptBindings();
