// The texts of the preview, printing, search, page-settings and progress windows, handed once to
// the report library's text store.
#pragma once

#include <string>

// The table as key=text lines (CR LF separated, with section heading lines).
const std::string& rptPreviewTextTable();
// Adds the table to the global text store; later calls do nothing.
void rptInstallPreviewTexts();
