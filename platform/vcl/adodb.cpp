// Connections, parameters, queries, tables and commands over the database engine.
#include "platform/vcl/adodb.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/dbengine.h"
#include "platform/vcl/dbjet.h"

ORV_CLASS_IMPL(TADOConnection, TComponent)
ORV_CLASS_IMPL(TParameter, TObject)
ORV_CLASS_IMPL(TParameters, TObject)
ORV_CLASS_IMPL(TCustomADODataSet, TDataSet)
ORV_CLASS_IMPL(TADOQuery, TCustomADODataSet)
ORV_CLASS_IMPL(TADOTable, TCustomADODataSet)
ORV_CLASS_IMPL(TADOCommand, TComponent)

void TADOConnection::Publish(TPublisher<TADOConnection>& P) {
  P.Prop("ConnectionString", &TADOConnection::ConnectionString,
         &TADOConnection::SetConnectionString);
  P.Prop("KeepConnection", &TADOConnection::KeepConnection, &TADOConnection::SetKeepConnection)
      .Default(true);
  P.Prop("LoginPrompt", &TADOConnection::LoginPrompt, &TADOConnection::SetLoginPrompt)
      .Default(true);
  // Opening is left to the program: a stored connection is not reopened while it is read.
  P.Prop("Connected", &TADOConnection::Connected, &TADOConnection::SetConnected).Stored(false);
}

void TCustomADODataSet::Publish(TPublisher<TCustomADODataSet>& P) {
  P.Prop("Connection", &TCustomADODataSet::Connection, &TCustomADODataSet::SetConnection);
}

void TADOQuery::Publish(TPublisher<TADOQuery>& P) {
  P.Prop("ParamCheck", &TADOQuery::ParamCheck, &TADOQuery::SetParamCheck).Default(true);
  P.Prop("SQL", &TADOQuery::SQL, &TADOQuery::SetSQL);
}

void TADOTable::Publish(TPublisher<TADOTable>& P) {
  P.Prop("TableName", &TADOTable::TableName, &TADOTable::SetTableName);
}

void TADOCommand::Publish(TPublisher<TADOCommand>& P) {
  P.Prop("CommandText", &TADOCommand::CommandText, &TADOCommand::SetCommandText);
  P.Prop("Connection", &TADOCommand::Connection, &TADOCommand::SetConnection);
  P.Prop("ParamCheck", &TADOCommand::ParamCheck, &TADOCommand::SetParamCheck).Default(true);
}

namespace {

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Quote(const std::string& name) {
  std::string q = "\"";
  for (char c : name) {
    if (c == '"') q += '"';
    q += c;
  }
  return q + "\"";
}

// The field type and size a column's declared type stands for (see data/imagetag.sql).
void MapColumnType(const TDbColumn& c, const std::vector<TDataRecord>& rows, int index,
                   TFieldType& type, int& size) {
  const std::string d = Upper(c.DeclType);
  size = 0;
  size_t paren = d.find('(');
  if (paren != std::string::npos) size = std::atoi(d.c_str() + paren + 1);
  const std::string base = d.substr(0, paren == std::string::npos ? d.size() : paren);
  if (c.AutoIncrement) {
    type = ftAutoInc;
    return;
  }
  if (base.empty()) {
    // An expression: the type of its first value.
    type = ftWideString;
    size = 255;
    for (const auto& r : rows) {
      const TDbValue& v = r.Values[index];
      if (v.Kind == TDbValue::Null) continue;
      if (v.Kind == TDbValue::Integer) {
        type = (v.Int < INT32_MIN || v.Int > INT32_MAX) ? ftLargeint : ftInteger;
        size = 0;
      } else if (v.Kind == TDbValue::Float) {
        type = ftFloat;
        size = 0;
      } else if (v.Kind == TDbValue::Blob) {
        type = ftBlob;
        size = 0;
      }
      break;
    }
    return;
  }
  struct TTypeWord {
    const char* Word;
    TFieldType Type;
  };
  // The first word found in the declared type decides; the order matters ("LONGTEXT" before
  // "TEXT", "LONGBINARY" before "LONG", "DATETIME" before "DATE", "TINYINT" before "INT").
  static const TTypeWord kWords[] = {
      {"BOOL", ftBoolean},       {"YESNO", ftBoolean},   {"LOGICAL", ftBoolean},
      {"MEMO", ftMemo},          {"LONGTEXT", ftMemo},   {"CLOB", ftMemo},
      {"CHAR", ftWideString},    {"TEXT", ftWideString}, {"STRING", ftWideString},
      {"GRAPHIC", ftGraphic},    {"PICTURE", ftGraphic}, {"BLOB", ftBlob},
      {"BINARY", ftBlob},        {"OLE", ftBlob},        {"IMAGE", ftBlob},
      {"BIGINT", ftLargeint},    {"INT64", ftLargeint},  {"SMALLINT", ftSmallint},
      {"TINYINT", ftSmallint},   {"SHORT", ftSmallint},  {"BYTE", ftSmallint},
      {"INT", ftInteger},        {"LONG", ftInteger},    {"COUNTER", ftInteger},
      {"CURRENCY", ftCurrency},  {"MONEY", ftCurrency},  {"DATETIME", ftDateTime},
      {"TIMESTAMP", ftDateTime}, {"DATE", ftDate},       {"TIME", ftTime},
      {"REAL", ftFloat},         {"FLOA", ftFloat},      {"DOUB", ftFloat},
      {"NUMERIC", ftFloat},      {"DECIMAL", ftFloat},   {"SINGLE", ftFloat},
  };
  type = ftWideString;
  if (base == "BIT")
    type = ftBoolean;
  else if (base == "TEXT" && size == 0)
    type = ftMemo;  // text without a width is a memo
  else
    for (const auto& w : kWords)
      if (base.find(w.Word) != std::string::npos) {
        type = w.Type;
        break;
      }
  // Only text keeps a width; text declared without one holds up to 255 characters.
  if (type != ftWideString)
    size = 0;
  else if (size == 0)
    size = 255;
}

}  // namespace

// ---- TADOConnection ----

TADOConnection::TADOConnection(TComponent* AOwner) : TComponent(AOwner) {}

TADOConnection::~TADOConnection() {
  Close();
  for (TCustomADODataSet* d : std::vector<TCustomADODataSet*>(FDataSets)) d->SetConnection(nullptr);
}

void TADOConnection::SetConnectionString(const std::string& V) {
  if (V == FConnectionString) return;
  Close();
  FConnectionString = V;
}

std::string TADOConnection::DataSource() const {
  std::string file = ConnectionStringValue(FConnectionString, "Data Source");
  // Paths joined with "\" by older code name the same file with "/".
  struct stat st {};
  if (file.find('\\') != std::string::npos && ::stat(file.c_str(), &st) != 0) {
    std::string alt = file;
    std::replace(alt.begin(), alt.end(), '\\', '/');
    if (::stat(alt.c_str(), &st) == 0) return alt;
  }
  return file;
}

void TADOConnection::Open() {
  if (FDatabase) return;
  if (BeforeConnect) BeforeConnect(this);
  FDatabase = TDbDatabase::Open(DataSource());
  if (AfterConnect) AfterConnect(this);
}

void TADOConnection::Close() {
  if (!FDatabase) return;
  for (TCustomADODataSet* d : std::vector<TCustomADODataSet*>(FDataSets)) d->Close();
  if (BeforeDisconnect) BeforeDisconnect(this);
  FDatabase.reset();
  if (AfterDisconnect) AfterDisconnect(this);
}

void TADOConnection::SetConnected(bool V) {
  if (V)
    Open();
  else
    Close();
}

TDbDatabase* TADOConnection::Database() {
  if (!FDatabase) Open();
  return FDatabase.get();
}

int TADOConnection::Execute(const std::string& CommandText) {
  return static_cast<int>(Database()->Execute(CommandText, {}));
}

void TADOConnection::GetTableNames(std::vector<std::string>& List) {
  List = Database()->TableNames();
}

void TADOConnection::GetFieldNames(const std::string& TableName, std::vector<std::string>& List) {
  List = Database()->TableColumns(TableName);
}

void TADOConnection::GetTableNames(TStrings* List) {
  List->Clear();
  for (const auto& n : Database()->TableNames()) List->Add(n);
}

void TADOConnection::GetFieldNames(const std::string& TableName, TStrings* List) {
  List->Clear();
  for (const auto& n : Database()->TableColumns(TableName)) List->Add(n);
}

void TADOConnection::AttachDataSet(TCustomADODataSet* D) {
  if (std::find(FDataSets.begin(), FDataSets.end(), D) == FDataSets.end()) FDataSets.push_back(D);
}

void TADOConnection::DetachDataSet(TCustomADODataSet* D) {
  FDataSets.erase(std::remove(FDataSets.begin(), FDataSets.end(), D), FDataSets.end());
}

// ---- TParameter / TParameters ----

void TParameter::SetValue(const std::string& V) {
  FValue = TDbValue::FromText(V);
  if (DataType == ftUnknown) DataType = ftWideString;
}
void TParameter::SetValue(int V) { SetValue(static_cast<int64_t>(V)); }
void TParameter::SetValue(int64_t V) {
  FValue = TDbValue::FromInt(V);
  if (DataType == ftUnknown) DataType = ftInteger;
}
void TParameter::SetValue(double V) {
  FValue = TDbValue::FromFloat(V);
  if (DataType == ftUnknown) DataType = ftFloat;
}
void TParameter::SetValue(bool V) {
  FValue = TDbValue::FromInt(V ? 1 : 0);
  if (DataType == ftUnknown) DataType = ftBoolean;
}
void TParameter::Clear() { FValue = TDbValue(); }

TParameter* TParameters::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(Index) + ")");
  return FItems[Index].get();
}

TParameter* TParameters::FindParam(const std::string& Name) const {
  for (const auto& p : FItems)
    if (SameTextNoCase(p->Name, Name)) return p.get();
  return nullptr;
}

TParameter* TParameters::ParamByName(const std::string& Name) const {
  TParameter* p = FindParam(Name);
  if (!p) throw EDatabaseError("Parameter '" + Name + "' not found");
  return p;
}

TParameter* TParameters::AddParameter() {
  FItems.push_back(std::make_unique<TParameter>());
  return FItems.back().get();
}

void TParameters::ParseSQL(const std::string& Sql, bool DoCreate) {
  if (!DoCreate) return;
  std::vector<std::unique_ptr<TParameter>> old = std::move(FItems);
  FItems.clear();
  for (const auto& name : ParseSqlParamNames(Sql)) {
    std::unique_ptr<TParameter> p;
    for (auto& o : old)
      if (o && SameTextNoCase(o->Name, name)) p = std::move(o);
    if (!p) {
      p = std::make_unique<TParameter>();
      p->Name = name;
    }
    FItems.push_back(std::move(p));
  }
}

TDbParams TParameters::Bound() const {
  TDbParams out;
  for (const auto& p : FItems) out.emplace_back(p->Name, p->Raw());
  return out;
}

// ---- TCustomADODataSet ----

TCustomADODataSet::TCustomADODataSet(TComponent* AOwner)
    : TDataSet(AOwner), FParameters(std::make_unique<TParameters>()) {}

TCustomADODataSet::~TCustomADODataSet() {
  Close();
  SetConnection(nullptr);
}

void TCustomADODataSet::SetConnection(TADOConnection* V) {
  if (V == FConnection) return;
  Close();
  if (FConnection) FConnection->DetachDataSet(this);
  FConnection = V;
  if (FConnection) FConnection->AttachDataSet(this);
}

TDbDatabase* TCustomADODataSet::Db() {
  if (!FConnection) throw EDatabaseError("Missing Connection or ConnectionString");
  return FConnection->Database();
}

bool TCustomADODataSet::CanModify() const {
  return TDataSet::CanModify() && !FBaseTable.empty() && FLockType != ltReadOnly;
}

bool TCustomADODataSet::ColumnNoCase(int Index) const {
  return Index >= 0 && Index < static_cast<int>(FColumns.size()) &&
         SameTextNoCase(FColumns[Index].Collation, "NOCASE");
}

void TCustomADODataSet::InternalOpen(std::vector<TDataRecord>& Rows) {
  TDbResult r = Db()->Query(StatementText(), FParameters->Bound());
  FColumns = std::move(r.Columns);
  FBaseTable = r.BaseTable;
  Rows.clear();
  Rows.reserve(r.Rows.size());
  for (size_t i = 0; i < r.Rows.size(); ++i) {
    TDataRecord rec;
    rec.Values = std::move(r.Rows[i]);
    if (!FBaseTable.empty()) {
      rec.RowId = r.RowIds[i];
      rec.HasRowId = true;
    }
    Rows.push_back(std::move(rec));
  }
  for (int i = 0; i < static_cast<int>(FColumns.size()); ++i) {
    TFieldType type;
    int size;
    MapColumnType(FColumns[i], Rows, i, type, size);
    FieldDefs()->Add(FColumns[i].Name, type, size, false);
  }
}

void TCustomADODataSet::InternalInitFieldDefs() {
  std::vector<TDataRecord> rows;
  FieldDefs()->Clear();
  InternalOpen(rows);
  InternalClose();
}

void TCustomADODataSet::InternalClose() {
  FColumns.clear();
  FBaseTable.clear();
}

TDataRecord TCustomADODataSet::InternalPost(const TDataRecord& Row,
                                            const std::vector<bool>& Changed, bool Inserting) {
  if (FBaseTable.empty()) throw EDatabaseError("Cannot modify a read-only dataset");
  TDbDatabase* db = Db();
  TDbParams params;
  int64_t rowid = Row.RowId;
  std::string list;
  for (size_t i = 0; i < FColumns.size() && i < Changed.size(); ++i) {
    if (!Changed[i]) continue;
    if (Inserting)
      list += (list.empty() ? "" : ", ") + Quote(FColumns[i].Origin);
    else
      list += (list.empty() ? "" : ", ") + Quote(FColumns[i].Origin) + " = ?";
    params.emplace_back(std::string(), Row.Values[i]);
  }
  if (Inserting) {
    std::string sql = "insert into " + Quote(FBaseTable);
    if (params.empty()) {
      sql += " default values";
    } else {
      sql += " (" + list + ") values (?";
      for (size_t i = 1; i < params.size(); ++i) sql += ", ?";
      sql += ")";
    }
    db->Execute(sql, params);
    rowid = db->LastInsertRowId();
  } else if (!params.empty()) {
    params.emplace_back(std::string(), TDbValue::FromInt(rowid));
    if (db->Execute("update " + Quote(FBaseTable) + " set " + list + " where rowid = ?", params) ==
        0)
      throw EDatabaseError(
          "Row cannot be located for updating. It may have been deleted by another user.");
  }
  // Read the row back: the key and defaults the engine filled in, the values as stored.
  std::string cols;
  for (const auto& c : FColumns) cols += (cols.empty() ? "" : ", ") + Quote(c.Origin);
  TDbResult back = db->Query("select " + cols + " from " + Quote(FBaseTable) + " where rowid = ?",
                             {{std::string(), TDbValue::FromInt(rowid)}});
  TDataRecord stored;
  stored.RowId = rowid;
  stored.HasRowId = true;
  if (back.Rows.empty()) {
    stored.Values = Row.Values;
  } else {
    stored.Values = std::move(back.Rows[0]);
  }
  return stored;
}

void TCustomADODataSet::InternalDelete(const TDataRecord& Row) {
  if (FBaseTable.empty() || !Row.HasRowId)
    throw EDatabaseError("Cannot modify a read-only dataset");
  Db()->Execute("delete from " + Quote(FBaseTable) + " where rowid = ?",
                {{std::string(), TDbValue::FromInt(Row.RowId)}});
}

void TCustomADODataSet::Requery() { Refresh(); }

// ---- TADOQuery ----

TADOQuery::TADOQuery(TComponent* AOwner)
    : TCustomADODataSet(AOwner), FSQL(std::make_unique<TStringList>()) {
  FSQL->OnChange = [this](TObject*) { SQLChanged(); };
}

TADOQuery::~TADOQuery() { FSQL->OnChange = nullptr; }

TStrings* TADOQuery::SQL() const { return FSQL.get(); }

void TADOQuery::SetSQL(TStrings* V) { FSQL->Assign(V); }

std::string TADOQuery::SQLText() const { return FSQL->Text(); }

void TADOQuery::SetSQLText(const std::string& V) { FSQL->SetText(V); }

void TADOQuery::SQLChanged() {
  Close();
  if (FParamCheck) FParameters->ParseSQL(SQLText(), true);
}

int TADOQuery::ExecSQL() {
  FRowsAffected = static_cast<int>(Db()->Execute(SQLText(), FParameters->Bound()));
  return FRowsAffected;
}

// ---- TADOTable ----

void TADOTable::SetTableName(const std::string& V) {
  Close();
  FTableName = V;
}

std::string TADOTable::StatementText() const { return "select * from " + Quote(FTableName); }

// ---- TADOCommand ----

TADOCommand::TADOCommand(TComponent* AOwner)
    : TComponent(AOwner), FParameters(std::make_unique<TParameters>()) {}
TADOCommand::~TADOCommand() = default;

void TADOCommand::SetCommandText(const std::string& V) {
  FCommandText = V;
  if (FParamCheck) FParameters->ParseSQL(V, true);
}

int TADOCommand::Execute() {
  if (!FConnection) throw EDatabaseError("Missing Connection or ConnectionString");
  FRowsAffected =
      static_cast<int>(FConnection->Database()->Execute(FCommandText, FParameters->Bound()));
  return FRowsAffected;
}
