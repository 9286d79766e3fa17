// Connects the report core to the windows of this library: the preview window, its status
// text, the password prompt, the progress window and the printer choice.
#pragma once

// Installs every hook; calling it again changes nothing.
void rptInstallReportOutput();
