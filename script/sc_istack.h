// The stack scripts run on. Script calls, the grammar matcher and the statement runner nest on
// the machine stack; a thread's own stack (8 MB on the main thread) would end a deep but
// ordinary recursion in a crash. Compiling and running therefore happen on a script stack of the
// thread's own, on the same thread (windows, message queues and thread-local state stay the
// caller's), made of segments that are reserved address space, touched only as deep as a run
// goes: a script call that finds its segment running low continues on the next one.
#pragma once

#include <functional>

// Runs F on this thread's script stack; directly when already on it. An exception leaving F
// leaves scRunOnScriptStack unchanged.
void scRunOnScriptStack(const std::function<void()>& F);

// True when the stack the caller runs on (the script stack or the thread's own) has less room
// left below the current frame than a script call or a grammar element may need: the recursion
// is then ended with an error instead of overflowing the stack.
bool scStackLow();

// Runs F on a further stack segment when the current one runs low (or on the script stack when
// the thread runs on its own). False, having run nothing, when every segment a run may chain is
// in use: the recursion has gone as deep as scripts may go.
bool scRunOnFurtherStack(const std::function<void()>& F);
