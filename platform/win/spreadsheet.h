// The spreadsheet program reached through automation: "Excel.Application".
//
// There is no spreadsheet server on this platform. RegisterSpreadsheetAutomation registers an
// in-process automation object under that programmatic id which keeps the workbooks a program
// builds through the usual object model and writes each one as a real .xlsx file when the
// program lets go of it (the last reference to the application, its workbooks, sheets and
// cells released); a visible application then opens the file with the desktop's default
// program (ShellExecute, which only records it without a display).
//
// Object model (members matched without regard to case):
//   Application: Visible (read/write), Workbooks, Quit
//   Workbooks:   Add([template]) -> Workbook, Item(index from 1), Count
//   Workbook:    Worksheets -> Sheets (Item(index from 1), Count), Name, FullName
//   Worksheet:   Cells -> Cells collection (Item(row, column) read -> Range, write -> value),
//                Range(cell1 [, cell2]) -> Range, Name
//   Range:       Value (read/write), ColumnWidth (write), Font, Borders
//   Font:        Size, Name, Bold, Color (colour value with red in the low byte)
//   Borders:     LineStyle (1 continuous)
// Values are written as the variant holds them: text stays text (a telephone number keeps its
// leading zeros), numbers become numbers.
//
// The workbooks go to the folder SpreadsheetFolder() as "Book1.xlsx", "Book2.xlsx", ... (the
// first free name). When that folder cannot be made, creating the application fails
// (CreateOleObject raises EOleSysError), as on a machine without the program.
#pragma once

#include <string>

// Registers the factory of "Excel.Application" (once; later calls do nothing).
void RegisterSpreadsheetAutomation();

// Where workbooks are written: $TMPDIR (or /tmp) + "/orvanta-sheets-" + user id, unless
// SetSpreadsheetFolder chose another ("" restores the default).
std::string SpreadsheetFolder();
void SetSpreadsheetFolder(const std::string& Folder);

// The file the last finished workbook was written to ("" when none yet), and the text of the
// last failure to write one.
std::string LastSpreadsheetFile();
std::string LastSpreadsheetError();
