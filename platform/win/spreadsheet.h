// The spreadsheet program reached through automation: "Excel.Application".
//
// There is no spreadsheet server on this platform. RegisterSpreadsheetAutomation registers an
// in-process automation object under that programmatic id which keeps the workbooks a program
// builds through the usual object model and writes each one as a real .xlsx file when it is
// saved with SaveAs, or else when the program lets go of it (the last reference to the
// application, its workbooks, sheets and cells released); a visible application then opens the file with the desktop's default
// program (ShellExecute, which only records it without a display).
//
// Object model (members matched without regard to case):
//   Application: Visible, ScreenUpdating, DisplayAlerts (read/write), Application, Workbooks,
//                ActiveWorkbook (the last added), ActiveSheet (its first sheet), Quit
//   Workbooks:   Add([template]) -> Workbook, Item(index from 1), Count
//   Workbook:    Worksheets -> Sheets (Item(index from 1), Count), Styles, Name, FullName,
//                SaveAs(file name, ...): written at once as .xlsx; a failure raises
//   Styles:      Add(name) -> Style, Item(name), Count
//   Style:       Font, Interior, HorizontalAlignment, VerticalAlignment, Orientation (-90..90)
//   Worksheet:   Cells -> Cells collection (Item(row, column) read -> Range, write -> value;
//                WrapText for the whole sheet), Range(cell1 [, cell2]) -> Range (a text of
//                several areas joined by ";" or "," gives a range whose writes go to each),
//                Rows(n), Columns(n), Pictures(n) (Width, Height, Left, Top), PageSetup
//                (Left/Right/Top/BottomMargin in points, Orientation 1 or 2), Name
//   Range:       Value (read/write; a two-dimensional variant array fills the range from its
//                corner), ColumnWidth, RowHeight (at most 409), PageBreak (-4135 manual),
//                MergeCells, WrapText, Style (a name of Styles), Horizontal/VerticalAlignment,
//                Font, Interior, Borders (LineStyle for every edge; Item(7..10) the left, top,
//                bottom, right edge of the range), Cells, Rows, Select, PasteSpecial (the
//                clipboard's bitmap placed at the range's corner)
//   Font:        Size, Name, Bold, Italic, Underline, Color (colour value with red in the low byte)
//   Interior:    Color (a value beyond 24 bits, such as the "no colour" value, means no fill)
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
