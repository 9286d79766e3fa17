// "Print Selected": the staging database "dayin.dll" that the picking sheet reads (one row per
// catalog row of a picked photo, with a small JPEG thumbnail), the statements run on it and on
// the catalog for the print window, and the texts of the print window.
#pragma once

#include <string>

#include "platform/rtl/sysutils.h"

ORV_EXCEPTION(EStagingError, Exception)

inline constexpr char kStagingDbFileName[] = "dayin.dll";
inline constexpr char kReportTemplateFileName[] = "rose.rp3";

// Statements (the double blanks are as the stored statements have them).
inline constexpr char kSqlStagingClear[] = "delete  from pic";
inline constexpr char kSqlCatalogForPrint[] = "select * from  pic";
inline constexpr char kSqlStagingRows[] = "select * from pic";
inline constexpr char kSqlStagedByRequirement[] = "select  * from pic order by yongtu";
inline constexpr char kSqlDesignRequirements[] = "select  * from pic where xiugai IS NOT NULL";

// Thumbnails: the hidden grid's thumbnail size and the JPEG quality they are stored with.
inline constexpr int kPrintThumbSize = 150;
inline constexpr int kPrintJpegQuality = 60;

inline constexpr char kNoPickedPhotoMessage[] =
    "Is not currently selected photos, select the thumbnail, then press the right mouse button, "
    "click \"selected\".";

// Where "Print Selected" writes: the shipped "dayin.dll" beside the executable (ExeDir, with a
// trailing delimiter) when that folder and the file can be written; otherwise a copy of it in
// the program's data folder (XDG data folder + "orvanta/"), made from the shipped file when it
// is not there yet. Raises EStagingError naming the file and the cause when neither works.
std::string StagingDatabaseFile(const std::string& ExeDir);
// The program's data folder with a trailing delimiter.
std::string ProgramDataFolder();
std::string StagingConnectionString(const std::string& File);

// The print window's page status: "2page  Total5pages".
std::string PageStatusText(int Page, int PageCount);
