// Hidden message windows: a window that is never shown and exists only to receive messages
// (notifications posted by worker threads or by the shell, timers), handing each one to a
// method of an object.
#pragma once

#include "platform/vcl/controls.h"

// Makes a message-only window (parent HWND_MESSAGE) on the calling thread whose every message,
// sent or posted (from any thread), is passed to Method; the Result the method leaves in the
// message is the window procedure's result. Without a method every message gets the default
// handling (DefWindowProc). The method must call DefWindowProc itself for messages it does not
// handle. Raises EOutOfResources when the window cannot be made.
HWND AllocateHWnd(TWndMethod Method);
// Destroys a window made by AllocateHWnd and frees its method. Other and null windows are
// ignored; messages still queued for the window are dropped.
void DeallocateHWnd(HWND Wnd);
