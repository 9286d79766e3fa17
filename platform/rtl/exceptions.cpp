// Raising helpers of the runtime's exceptions.
#include "platform/rtl/sysutils.h"

void Abort() { throw EAbort("Operation aborted"); }
