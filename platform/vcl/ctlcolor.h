// The colour exchange between a windowed control and its parent before the control paints: the
// control sends WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN or WM_CTLCOLORSTATIC with its
// device context; the parent answers a brush and may set the context's text and background
// colours. A parent of the class library answers with the control's own Color and Font colour,
// so code that subclasses the parent (the skinners) changes how its controls look.
#pragma once

#include "platform/win/winuser.h"

// Sends msg to the parent of wnd; when the answer is a brush, fills *fill (if given) with it.
// The text colour the parent chose stays selected in dc. Returns the brush, or null.
HBRUSH ParentCtlColor(HWND wnd, UINT msg, HDC dc, const RECT* fill);
