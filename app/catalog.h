// The photo catalog of a shoot folder and the studio's settings database: the statements the
// program runs on them and the rules of the pick model.
//
// A shoot folder's catalog "ImageTag.dll" holds one row per bare pick or per production
// requirement of a picked photo (table pic), the folder memo (table beizhu) and the
// photographers' comments (table miaoshu). A photo is picked exactly when the catalog holds a
// row with its bare file name. The settings database "sysset.dll" beside the executable holds
// the lookup lists of the requirement dialogs, the studio record and two switches.
//
// Every window runs these statements through data sets bound to the main window's two
// connections; the functions here take the data set or command to use, so that each window
// keeps its own components while the rules live in one place. Statement texts are kept word for
// word (blanks included): other stored files and the report template use the same forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/graphics.h"

class TADOCommand;
class TADOConnection;
class TADOQuery;
class TDataSet;

// A shoot folder's catalog could not be created, opened or read.
ORV_EXCEPTION(ECatalogError, Exception)

inline constexpr char kCatalogFileName[] = "ImageTag.dll";
inline constexpr char kSettingsDbFileName[] = "sysset.dll";

// ---- catalog statements ----
inline constexpr char kSqlPicByNameF1[] = "select * from pic where fname=:f1";
inline constexpr char kSqlPicByNameA1[] = "select * from pic where fname=:a1";
inline constexpr char kSqlBarePickByName[] =
    "select * from pic where (fname=:a1) and (dalei is null)";
inline constexpr char kSqlPicForAppend[] = "select * from pic where (fname=:a1)";
inline constexpr char kSqlPicById[] = "select * from pic where id=:a1";
inline constexpr char kSqlUnpick[] = "delete   from pic where fname=:f1";  // three blanks
inline constexpr char kSqlAllPic[] = "select * from pic";
inline constexpr char kSqlPickedNames[] = "select fname from pic  group by fname";
inline constexpr char kSqlPicForRename[] = "select * from  pic where fname=:a";
inline constexpr char kSqlMemo[] = "select * from beizhu";
inline constexpr char kSqlComment[] = "select * from miaoshu where pic=:a";

// ---- settings statements ----
inline constexpr char kSqlThs[] = "select * from ths";
inline constexpr char kSqlDir1Path[] = "select * from dir1path";
inline constexpr char kSqlUsageTypes[] = "select * from yongtu";
inline constexpr char kSqlSizes[] = "select * from asize";
inline constexpr char kSqlDesigns[] = "select * from xiupian";
inline constexpr char kSqlStudio[] = "select * from gs";
inline constexpr char kSqlDeleteUsageType[] = "delete *  from  yongtu where id=:a;";
inline constexpr char kSqlDeleteDesign[] = "delete *  from xiupian where id=:a;";

// ---- connections ----
// The connection string of the catalog in Folder (with or without a trailing delimiter).
std::string CatalogConnectionString(const std::string& Folder);
// The connection string of the settings database; ExeDir ends with a delimiter.
std::string SettingsConnectionString(const std::string& ExeDir);

// Makes sure Folder has its catalog: when "ImageTag.dll" is missing there, the template of the
// same name in ExeDir is copied in (an existing catalog is never replaced). Then, also when the
// copy failed, the folder's catalog is given the hidden and system attributes. Raises
// ECatalogError naming the folder and the cause when the folder still has no catalog.
void PrepareCatalog(const std::string& Folder, const std::string& ExeDir);

// Closes Connection, points it at Folder's catalog and opens it. The catalog must hold the
// table pic; ECatalogError (the connection left closed) when the file cannot be opened as a
// database or lacks that table.
void OpenCatalog(TADOConnection* Connection, const std::string& Folder);

// Opens the settings database of ExeDir on Connection (closed first).
void OpenSettings(TADOConnection* Connection, const std::string& ExeDir);

// ---- names ----
// The bare name of a grid entry: everything up to and including the last path delimiter is
// removed, then the text from the first "::" on ("/shoot/IMG_0001.jpg::0" -> "IMG_0001.jpg").
std::string BareName(const std::string& EntryFileName);

// ---- requirement text ----
struct TRequirement {
  std::string Type;      // usage type (column dalei)
  std::string Quantity;  // as typed
  std::string Size;
  std::string Design;  // design requirement (column xiugai); empty when none was chosen
};

// Type + "  [Quantity]" + Quantity + "  [Size]" + Size (column yongtu).
std::string RequirementText(const TRequirement& R);
// The quantity and size read back from a requirement text by position: the quantity is the
// text after the first "]" up to two characters before "[Size]", the size everything after
// "[Size]" (at most 3000 characters), both trimmed. A text without "[Size]" gives empty values.
std::string RequirementQuantity(const std::string& Text);
std::string RequirementSize(const std::string& Text);

// ---- pick state and captions ----
enum class TPickState { NotPicked, Picked, PickedWithRequirements };

// The caption under a thumbnail: text, font colour and boldness. Black means not picked, red
// picked without requirements (bold, the file name), blue picked with requirements (the usage
// types joined by "+").
struct TPickCaption {
  std::string Text;
  TColor Color = clBlack;
  bool Bold = false;
};

TPickState PickStateOfColor(TColor Color);

// The caption of photo Name from the rows of Rows (the result of kSqlPicByNameF1, walked from
// its first row; the data set is left at its end).
TPickCaption CaptionFromRows(TDataSet* Rows, const std::string& Name);
// Runs kSqlPicByNameF1 for Name on Query and returns the caption of its rows.
TPickCaption ReadPickCaption(TADOQuery* Query, const std::string& Name);

// ---- commands on the catalog ----
// Sets Query's statement (closing it) and the text parameter, and opens it.
void OpenWithText(TADOQuery* Query, const std::string& Sql, const std::string& Param,
                  const std::string& Value);
// Picks Name when it has no row yet (one row with only fname set). True when a row was added.
bool PickPhoto(TADOQuery* Query, const std::string& Name);
// Removes every row of Name through Command (whose text kSqlUnpick is set here); the rows gone.
int UnpickPhoto(TADOCommand* Command, const std::string& Name);
// Writes fname, yongtu, xiugai (only when R.Design is not empty) and dalei into the current row
// of Rows, which must be in edit or insert mode.
void WriteRequirementFields(TDataSet* Rows, const std::string& FileName, const TRequirement& R);
// The requirement held by the current row of Rows (type from dalei, design from xiugai,
// quantity and size read back from yongtu).
TRequirement ReadRequirementFields(TDataSet* Rows);
// One new requirement for Name: fills the first bare pick row when there is one, else appends a
// row; posts it.
void AppendRequirement(TADOQuery* Query, const std::string& Name, const TRequirement& R);
// Every distinct picked name, in the order the catalog returns them.
std::vector<std::string> PickedNames(TADOQuery* Query);
// The names of Files (in their order) that have no catalog row.
std::vector<std::string> UnpickedNames(TADOQuery* Query, const std::vector<std::string>& Files);
// Moves every row of OldName to NewName; the number of rows changed.
int RenameRows(TADOQuery* Query, const std::string& OldName, const std::string& NewName);
// Opens the folder memo (kSqlMemo) with its first row in edit mode; an empty table gets a new
// row, posted only when the caller posts it.
void EditMemo(TADOQuery* Query);
// Opens the comment rows of one photo (kSqlComment).
void OpenComment(TADOQuery* Query, const std::string& Name);

// ---- settings database ----
// Reopens Query with kSqlThs and reads luan (random order) of the first row.
bool ReadRandomOrderSwitch(TADOQuery* Query);
// Edits the first row of ths (Query open on kSqlThs) and posts luan := Value.
void WriteRandomOrderSwitch(TADOQuery* Query, bool Value);
// Reopens Query with kSqlDir1Path and reads dir1 (the hot key switch) of the first row.
bool ReadHotKeySwitch(TADOQuery* Query);
// Reopens Query with Sql and returns Column of every row in the order returned (the lookup
// lists kSqlUsageTypes/yongtu, kSqlSizes/asize, kSqlDesigns/xiangmu).
std::vector<std::string> ReadLookupList(TADOQuery* Query, const std::string& Sql,
                                        const std::string& Column);

struct TStudioRecord {
  std::string Name, Telephone, Address;
};
TStudioRecord ReadStudio(TADOQuery* Query);
// Removes one row of a lookup list (kSqlDeleteUsageType or kSqlDeleteDesign) by its id.
void DeleteLookupRow(TADOQuery* Query, const std::string& Sql, int Id);

// ---- display order ----
// 0, 1, ..., Count - 1.
std::vector<int> NameOrder(int Count);
// A random permutation of 0 .. Count - 1 (every index exactly once, any Count).
std::vector<int> RandomOrder(int Count, uint64_t Seed);
// A seed that differs between calls, taken from the clock.
uint64_t ClockSeed();
