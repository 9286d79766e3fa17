// The export filters' user-interface texts (dialog captions and labels, menu captions, progress
// messages, navigator buttons, file filters), added once to the report library's keyed texts.
#pragma once

// Adds the table to the global resources once per process (later calls do nothing).
void rptAddExportTexts();
