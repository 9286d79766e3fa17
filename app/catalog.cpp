// The photo catalog, the settings database and the pick model over the data layer.
#include "app/catalog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <numeric>
#include <random>

#include "platform/rtl/fileutils.h"
#include "platform/rtl/strings.h"
#include "platform/vcl/adodb.h"

namespace {

const char kConnectionPrefix[] = "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=";

// Sets the statement as the windows do (clear the lines, add the text); this closes the query.
void SetStatement(TADOQuery* Query, const std::string& Sql) {
  Query->Close();
  Query->SQL()->Clear();
  Query->SQL()->Add(Sql);
}

void Reopen(TADOQuery* Query, const std::string& Sql) {
  SetStatement(Query, Sql);
  Query->Open();
}

// A text column of the current row; a column the result lacks reads as empty.
std::string Text(TDataSet* Rows, const char* Column) {
  TField* f = Rows->FindField(Column);
  return f ? f->AsString() : std::string();
}

}  // namespace

std::string CatalogConnectionString(const std::string& Folder) {
  return kConnectionPrefix + IncludeTrailingPathDelimiter(Folder) + kCatalogFileName;
}

std::string SettingsConnectionString(const std::string& ExeDir) {
  return kConnectionPrefix + ExeDir + kSettingsDbFileName + ";Jet OLEDB:Database Password=;";
}

void PrepareCatalog(const std::string& Folder, const std::string& ExeDir) {
  const std::string catalog = IncludeTrailingPathDelimiter(Folder) + kCatalogFileName;
  const std::string templ = ExeDir + kCatalogFileName;
  std::string cause;
  bool copied = false;
  if (!FileExists(catalog)) {
    if (!FileExists(templ)) {
      cause = "the catalog template " + templ + " is missing";
    } else if (CopyFile(templ, catalog, true)) {
      copied = true;
    } else {
      cause = std::strerror(errno);
    }
  }
  // Hidden and system, also after a failed copy (a catalog that was there already still gets
  // them); a file system without extended attributes simply keeps no attributes. A fresh copy
  // is writable whatever the template's permissions are.
  int attr = FileGetAttr(catalog);
  if (attr >= 0) {
    if (copied) attr &= ~faReadOnly;
    FileSetAttr(catalog, attr | faHidden | faSysFile);
  }
  if (!FileExists(catalog)) {
    if (cause.empty()) cause = "the catalog file could not be created";
    throw ECatalogError("The photo catalog could not be created in the folder " + Folder + ": " +
                        cause + ".");
  }
}

void OpenCatalog(TADOConnection* Connection, const std::string& Folder) {
  Connection->Close();
  Connection->SetLoginPrompt(false);
  Connection->SetMode(cmShareDenyNone);
  Connection->SetConnectionString(CatalogConnectionString(Folder));
  try {
    Connection->Open();
    // A file that opens but is not a catalog would fail every caption lookup later.
    TADOQuery probe;
    probe.SetConnection(Connection);
    OpenWithText(&probe, kSqlPicByNameF1, "f1", "");
    probe.Close();
  } catch (const Exception& E) {
    Connection->Close();
    throw ECatalogError("The photo catalog of the folder " + Folder +
                        " cannot be opened: " + E.Message());
  }
}

void OpenSettings(TADOConnection* Connection, const std::string& ExeDir) {
  Connection->Close();
  Connection->SetLoginPrompt(false);
  Connection->SetMode(cmShareDenyNone);
  Connection->SetConnectionString(SettingsConnectionString(ExeDir));
  Connection->Open();
}

std::string BareName(const std::string& EntryFileName) {
  std::string s = EntryFileName;
  size_t slash = s.find_last_of(PathDelim);
  if (slash != std::string::npos) s.erase(0, slash + 1);
  size_t frame = s.find("::");
  if (frame != std::string::npos) s.erase(frame);
  return s;
}

std::string RequirementText(const TRequirement& R) {
  return R.Type + "  [Quantity]" + R.Quantity + "  [Size]" + R.Size;
}

std::string RequirementQuantity(const std::string& Text) {
  int close = Pos("]", Text);
  int size = Pos("[Size]", Text);
  if (size == 0) return "";
  // From just after the first "]" through the second character before "[Size]".
  return Trim(Copy(Text, close + 1, size - 2 - close));
}

std::string RequirementSize(const std::string& Text) {
  int size = Pos("[Size]", Text);
  if (size == 0) return "";
  return Trim(Copy(Text, size + 6, 3000));
}

TPickState PickStateOfColor(TColor Color) {
  if (Color == clBlack) return TPickState::NotPicked;
  if (Color == clRed) return TPickState::Picked;
  return TPickState::PickedWithRequirements;
}

TPickCaption CaptionFromRows(TDataSet* Rows, const std::string& Name) {
  TPickCaption c{Name, clBlack, false};
  Rows->First();
  if (Rows->Eof()) return c;
  // Only the first row decides between red and blue.
  if (Text(Rows, "dalei").empty()) {
    c.Color = clRed;
    c.Bold = true;
    return c;
  }
  c.Color = clBlue;
  c.Text.clear();
  if (Rows->RecordCount() == 1) {
    c.Text = Text(Rows, "dalei");
    return c;
  }
  // A later row without a usage type leaves a trailing "+": the rows are joined as they come.
  for (; !Rows->Eof(); Rows->Next()) {
    std::string type = Text(Rows, "dalei");
    c.Text = c.Text.empty() ? type : c.Text + "+" + type;
  }
  return c;
}

TPickCaption ReadPickCaption(TADOQuery* Query, const std::string& Name) {
  OpenWithText(Query, kSqlPicByNameF1, "f1", Name);
  return CaptionFromRows(Query, Name);
}

void OpenWithText(TADOQuery* Query, const std::string& Sql, const std::string& Param,
                  const std::string& Value) {
  SetStatement(Query, Sql);
  Query->Parameters()->ParamByName(Param)->SetValue(Value);
  Query->Open();
}

bool PickPhoto(TADOQuery* Query, const std::string& Name) {
  OpenWithText(Query, kSqlPicByNameF1, "f1", Name);
  if (Query->RecordCount() > 0) return false;
  Query->Append();
  Query->FieldByName("fname")->SetAsString(Name);
  Query->Post();
  return true;
}

int UnpickPhoto(TADOCommand* Command, const std::string& Name) {
  if (Command->CommandText() != kSqlUnpick) Command->SetCommandText(kSqlUnpick);
  Command->Parameters()->ParamByName("f1")->SetValue(Name);
  return Command->Execute();
}

void WriteRequirementFields(TDataSet* Rows, const std::string& FileName, const TRequirement& R) {
  Rows->FieldByName("fname")->SetAsString(FileName);
  Rows->FieldByName("yongtu")->SetAsString(RequirementText(R));
  if (!R.Design.empty()) Rows->FieldByName("xiugai")->SetAsString(R.Design);
  Rows->FieldByName("dalei")->SetAsString(R.Type);
}

TRequirement ReadRequirementFields(TDataSet* Rows) {
  TRequirement r;
  const std::string text = Text(Rows, "yongtu");
  r.Type = Text(Rows, "dalei");
  r.Design = Text(Rows, "xiugai");
  r.Quantity = RequirementQuantity(text);
  r.Size = RequirementSize(text);
  return r;
}

void AppendRequirement(TADOQuery* Query, const std::string& Name, const TRequirement& R) {
  OpenWithText(Query, kSqlBarePickByName, "a1", Name);
  if (Query->RecordCount() == 0) {
    OpenWithText(Query, kSqlPicForAppend, "a1", Name);
    Query->Append();
  } else {
    Query->First();
    Query->Edit();
  }
  WriteRequirementFields(Query, Name, R);
  Query->Post();
}

std::vector<std::string> PickedNames(TADOQuery* Query) {
  Reopen(Query, kSqlPickedNames);
  std::vector<std::string> names;
  for (Query->First(); !Query->Eof(); Query->Next()) names.push_back(Text(Query, "fname"));
  Query->Close();
  return names;
}

std::vector<std::string> UnpickedNames(TADOQuery* Query, const std::vector<std::string>& Files) {
  Reopen(Query, kSqlAllPic);
  std::vector<std::string> names;
  for (const std::string& f : Files)
    if (!Query->LocateText("fname", f, 0)) names.push_back(f);
  Query->Close();
  return names;
}

int RenameRows(TADOQuery* Query, const std::string& OldName, const std::string& NewName) {
  OpenWithText(Query, kSqlPicForRename, "a", OldName);
  int n = 0;
  for (Query->First(); !Query->Eof(); Query->Next()) {
    Query->Edit();
    Query->FieldByName("fname")->SetAsString(NewName);
    Query->Post();
    ++n;
  }
  return n;
}

void EditMemo(TADOQuery* Query) {
  Reopen(Query, kSqlMemo);
  Query->First();
  Query->Edit();  // an empty table gets a new row
}

void OpenComment(TADOQuery* Query, const std::string& Name) {
  OpenWithText(Query, kSqlComment, "a", Name);
}

bool ReadRandomOrderSwitch(TADOQuery* Query) {
  Reopen(Query, kSqlThs);
  Query->First();
  return !Query->Eof() && Query->FieldByName("luan")->AsBoolean();
}

void WriteRandomOrderSwitch(TADOQuery* Query, bool Value) {
  if (!Query->Active()) Reopen(Query, kSqlThs);
  Query->First();
  Query->Edit();
  Query->FieldByName("luan")->SetAsBoolean(Value);
  Query->Post();
}

bool ReadHotKeySwitch(TADOQuery* Query) {
  Reopen(Query, kSqlDir1Path);
  Query->First();
  return !Query->Eof() && Query->FieldByName("dir1")->AsBoolean();
}

std::vector<std::string> ReadLookupList(TADOQuery* Query, const std::string& Sql,
                                        const std::string& Column) {
  Reopen(Query, Sql);
  std::vector<std::string> items;
  for (Query->First(); !Query->Eof(); Query->Next())
    items.push_back(Query->FieldByName(Column)->AsString());
  return items;
}

TStudioRecord ReadStudio(TADOQuery* Query) {
  Reopen(Query, kSqlStudio);
  Query->First();
  if (Query->Eof()) return {};
  return {Text(Query, "GSname"), Text(Query, "GStel"), Text(Query, "addr")};
}

void DeleteLookupRow(TADOQuery* Query, const std::string& Sql, int Id) {
  SetStatement(Query, Sql);
  Query->Parameters()->ParamByName("a")->SetValue(Id);
  Query->ExecSQL();
}

std::vector<int> NameOrder(int Count) {
  std::vector<int> order(static_cast<size_t>(std::max(Count, 0)));
  std::iota(order.begin(), order.end(), 0);
  return order;
}

std::vector<int> RandomOrder(int Count, uint64_t Seed) {
  // A uniform shuffle: every photo exactly once, whatever the number of photos.
  std::vector<int> order = NameOrder(Count);
  std::mt19937_64 rng(Seed);
  for (size_t i = order.size(); i > 1; --i) {
    std::uniform_int_distribution<size_t> pick(0, i - 1);
    std::swap(order[i - 1], order[pick(rng)]);
  }
  return order;
}

uint64_t ClockSeed() {
  static uint64_t counter = 0;
  auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
  return static_cast<uint64_t>(now) ^ (++counter * 0x9E3779B97F4A7C15ull);
}
