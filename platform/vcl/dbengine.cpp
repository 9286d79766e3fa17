// The database engine under the data-access components, over SQLite.
#include "platform/vcl/dbengine.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <cctype>
#include <map>

#include "platform/rtl/sysutils.h"
#include "platform/vcl/dbjet.h"

namespace {

sqlite3* Db(void* h) { return static_cast<sqlite3*>(h); }

[[noreturn]] void Fail(sqlite3* db, const std::string& context) {
  std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
  if (!context.empty()) msg += " (" + context + ")";
  throw EOleException(msg);
}

// Finalises a prepared statement however the scope is left.
struct TStmt {
  sqlite3_stmt* S = nullptr;
  ~TStmt() { sqlite3_finalize(S); }
};

// The tokens of a statement at the level that matters for finding its table: words (lower
// case), bracketed or quoted names (unquoted) and single punctuation characters. Quoted text
// becomes the token "'" so that it is never mistaken for a keyword.
std::vector<std::string> Tokens(const std::string& s) {
  std::vector<std::string> out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (std::isalnum(c) || c == '_' || c >= 0x80) {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_' ||
                              static_cast<unsigned char>(s[j]) >= 0x80))
        ++j;
      std::string w = s.substr(i, j - i);
      for (auto& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      out.push_back(w);
      i = j;
    } else if (c == '[' || c == '"' || c == '`') {
      char close = c == '[' ? ']' : static_cast<char>(c);
      size_t j = s.find(close, i + 1);
      if (j == std::string::npos) j = s.size();
      std::string w = s.substr(i + 1, j - i - 1);
      for (auto& ch : w) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      out.push_back(w);
      i = j + 1;
    } else if (c == '\'') {
      // Quoted text runs to the first quote that is not doubled.
      size_t j = i + 1;
      while (j < s.size()) {
        if (s[j] != '\'') {
          ++j;
        } else if (j + 1 < s.size() && s[j + 1] == '\'') {
          j += 2;
        } else {
          break;
        }
      }
      out.push_back("'");
      i = j + 1;
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      size_t j = s.find('\n', i);
      i = j == std::string::npos ? s.size() : j;
    } else {
      out.push_back(std::string(1, static_cast<char>(c)));
      ++i;
    }
  }
  return out;
}

// The table of a plain select over one table ("select ... from T [where ...] [order by ...]"),
// or "" when the statement joins, groups, combines results or selects distinct rows: only the
// rows of a plain select can be changed through the data sets.
std::string PlainSelectTable(const std::string& sql) {
  std::vector<std::string> t = Tokens(sql);
  if (t.empty() || t[0] != "select") return "";
  if (t.size() > 1 && (t[1] == "distinct" || t[1] == "all")) return "";
  int depth = 0;
  size_t from = 0;
  for (size_t i = 1; i < t.size(); ++i) {
    if (t[i] == "(")
      ++depth;
    else if (t[i] == ")")
      --depth;
    else if (depth == 0 && t[i] == "from") {
      from = i;
      break;
    }
  }
  if (from == 0 || from + 1 >= t.size()) return "";
  std::string table = t[from + 1];
  if (table == "(" || table == "'") return "";
  for (size_t i = from + 2; i < t.size(); ++i) {
    if (t[i] == "(")
      ++depth;
    else if (t[i] == ")")
      --depth;
    if (depth != 0) continue;
    const std::string& w = t[i];
    if (w == "," || w == "join" || w == "group" || w == "union" || w == "except" ||
        w == "intersect" || w == "having" || w == "window")
      return "";
    if (i == from + 2 && w != "where" && w != "order" && w != "limit") return "";  // an alias
  }
  return table;
}

void Bind(sqlite3* db, sqlite3_stmt* s, const TDbParams& params) {
  int n = sqlite3_bind_parameter_count(s);
  size_t positional = 0;
  for (int i = 1; i <= n; ++i) {
    const char* pname = sqlite3_bind_parameter_name(s, i);
    const TDbValue* v = nullptr;
    if (pname && (pname[0] == ':' || pname[0] == '@' || pname[0] == '$')) {
      std::string name(pname + 1);
      for (const auto& p : params)
        if (SameTextNoCase(p.first, name)) {
          v = &p.second;
          break;
        }
    } else if (positional < params.size()) {
      v = &params[positional++].second;
    }
    int rc = SQLITE_OK;
    if (!v || v->Kind == TDbValue::Null)
      rc = sqlite3_bind_null(s, i);
    else if (v->Kind == TDbValue::Integer)
      rc = sqlite3_bind_int64(s, i, v->Int);
    else if (v->Kind == TDbValue::Float)
      rc = sqlite3_bind_double(s, i, v->Real);
    else if (v->Kind == TDbValue::Text)
      rc = sqlite3_bind_text64(s, i, v->Bytes.data(), v->Bytes.size(), SQLITE_TRANSIENT,
                               SQLITE_UTF8);
    else
      rc = sqlite3_bind_blob64(s, i, v->Bytes.data(), v->Bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) Fail(db, "");
  }
}

TDbValue ColumnValue(sqlite3_stmt* s, int i) {
  switch (sqlite3_column_type(s, i)) {
    case SQLITE_INTEGER: return TDbValue::FromInt(sqlite3_column_int64(s, i));
    case SQLITE_FLOAT: return TDbValue::FromFloat(sqlite3_column_double(s, i));
    case SQLITE_TEXT: {
      const char* p = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
      return TDbValue::FromText(std::string(p, sqlite3_column_bytes(s, i)));
    }
    case SQLITE_BLOB: {
      const char* p = static_cast<const char*>(sqlite3_column_blob(s, i));
      int n = sqlite3_column_bytes(s, i);
      return TDbValue::FromBlob(p ? std::string(p, n) : std::string());
    }
    default: return TDbValue();
  }
}

void Prepare(sqlite3* db, const std::string& sql, TStmt& st) {
  const char* tail = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &st.S, &tail) != SQLITE_OK)
    Fail(db, "");
  if (!st.S) throw EOleException("The statement is empty.");
  for (; tail && *tail; ++tail)
    if (!std::isspace(static_cast<unsigned char>(*tail)) && *tail != ';')
      throw EOleException("Characters found after end of SQL statement.");
}

}  // namespace

// A prepared query kept for reuse, with what its first preparation learnt.
struct TDbDatabase::TCache {
  struct TEntry {
    sqlite3_stmt* S = nullptr;
    bool WithKey = false;
    std::string BaseTable;
    std::vector<TDbColumn> Columns;
    uint64_t LastUse = 0;
  };
  std::map<std::string, TEntry> Entries;
  uint64_t Clock = 0;
  static constexpr size_t kMax = 32;

  ~TCache() { Clear(); }
  void Clear() {
    for (auto& e : Entries) sqlite3_finalize(e.second.S);
    Entries.clear();
  }
  // Makes room for one more entry by finalising the least recently used one.
  void Trim() {
    if (Entries.size() < kMax) return;
    auto oldest = Entries.begin();
    for (auto it = Entries.begin(); it != Entries.end(); ++it)
      if (it->second.LastUse < oldest->second.LastUse) oldest = it;
    sqlite3_finalize(oldest->second.S);
    Entries.erase(oldest);
  }
};

TDbDatabase::TDbDatabase(void* Handle, std::string FileName)
    : FHandle(Handle), FFileName(std::move(FileName)), FCache(std::make_unique<TCache>()) {}

TDbDatabase::~TDbDatabase() {
  FCache->Clear();
  sqlite3_close_v2(Db(FHandle));
}

std::unique_ptr<TDbDatabase> TDbDatabase::Open(const std::string& FileName) {
  struct stat st {};
  if (FileName.empty() || ::stat(FileName.c_str(), &st) != 0)
    throw EOleException("Could not find file \"" + FileName + "\".");
  // An empty file would pass for an empty database; the application never creates tables, so
  // such a file can only be a damaged copy.
  if (!S_ISREG(st.st_mode) || st.st_size == 0)
    throw EOleException("\"" + FileName + "\" is not a database file.");
  sqlite3* db = nullptr;
  int rc =
      sqlite3_open_v2(FileName.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = db ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close_v2(db);
    throw EOleException("Cannot open \"" + FileName + "\": " + msg);
  }
  std::unique_ptr<TDbDatabase> result(new TDbDatabase(db, FileName));
  sqlite3_extended_result_codes(db, 1);
  // Another program (or another connection of this one) may hold the file while it writes.
  sqlite3_busy_timeout(db, 10000);
  // Reading the schema is what tells a database from any other file; it writes nothing.
  rc = sqlite3_exec(db, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    if ((rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
      throw EOleException("\"" + FileName + "\" is not a database file.");
    Fail(db, FileName);
  }
  // Every committed change reaches the disk before the call returns.
  sqlite3_exec(db, "pragma synchronous=FULL", nullptr, nullptr, nullptr);
  return result;
}

TDbResult TDbDatabase::Query(const std::string& Sql, const TDbParams& Params) {
  sqlite3* db = Db(FHandle);
  const std::string sql = JetSqlToSqlite(Sql);
  auto found = FCache->Entries.find(sql);
  if (found == FCache->Entries.end()) {
    TCache::TEntry e;
    TStmt st;
    // A plain select over one table also fetches each row's key so that the row can be changed.
    std::string table = PlainSelectTable(sql);
    if (!table.empty()) {
      size_t sel = sql.find_first_not_of(" \t\r\n");
      std::string keyed =
          sql.substr(0, sel + 6) + " \"" + table + "\".rowid," + sql.substr(sel + 6);
      const char* tail = nullptr;
      if (sqlite3_prepare_v2(db, keyed.c_str(), -1, &st.S, &tail) == SQLITE_OK && st.S) {
        e.WithKey = true;
        for (int i = 1; i < sqlite3_column_count(st.S); ++i) {
          const char* t = sqlite3_column_table_name(st.S, i);
          if (!t || !SameTextNoCase(t, table)) e.WithKey = false;
        }
      }
      if (!e.WithKey) {
        sqlite3_finalize(st.S);
        st.S = nullptr;
      }
    }
    if (!e.WithKey) Prepare(db, sql, st);
    const int n = sqlite3_column_count(st.S);
    for (int i = e.WithKey ? 1 : 0; i < n; ++i) {
      TDbColumn c;
      c.Name = sqlite3_column_name(st.S, i);
      if (const char* t = sqlite3_column_table_name(st.S, i)) c.Table = t;
      if (const char* o = sqlite3_column_origin_name(st.S, i)) c.Origin = o;
      if (const char* d = sqlite3_column_decltype(st.S, i)) c.DeclType = d;
      if (!c.Table.empty()) ColumnInfo(c.Table, c.Origin, c);
      e.Columns.push_back(std::move(c));
    }
    // The name as the schema spells it.
    if (e.WithKey) e.BaseTable = e.Columns.empty() ? table : e.Columns[0].Table;
    FCache->Trim();
    e.S = st.S;
    st.S = nullptr;
    found = FCache->Entries.emplace(sql, std::move(e)).first;
  }
  TCache::TEntry& e = found->second;
  e.LastUse = ++FCache->Clock;
  sqlite3_stmt* s = e.S;
  // However this ends, the statement is reset so that it holds no lock on the file.
  struct TReset {
    sqlite3_stmt* S;
    ~TReset() {
      if (!S) return;
      sqlite3_reset(S);
      sqlite3_clear_bindings(S);
    }
  } reset{s};
  Bind(db, s, Params);

  TDbResult r;
  r.Columns = e.Columns;
  r.BaseTable = e.BaseTable;
  const int first = e.WithKey ? 1 : 0;
  const int n = sqlite3_column_count(s);
  for (;;) {
    int rc = sqlite3_step(s);
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) Fail(db, "");
    std::vector<TDbValue> row;
    row.reserve(n - first);
    for (int i = first; i < n; ++i) row.push_back(ColumnValue(s, i));
    r.Rows.push_back(std::move(row));
    if (e.WithKey) r.RowIds.push_back(sqlite3_column_int64(s, 0));
  }
  if (sqlite3_column_count(s) != n) {
    // Another program changed the table since the statement was kept: describe it afresh.
    sqlite3_reset(s);
    sqlite3_finalize(s);
    reset.S = nullptr;
    FCache->Entries.erase(found);
    return Query(Sql, Params);
  }
  return r;
}

int64_t TDbDatabase::Execute(const std::string& Sql, const TDbParams& Params) {
  sqlite3* db = Db(FHandle);
  const std::string sql = JetSqlToSqlite(Sql);
  // A changed schema changes what the kept queries' columns are.
  std::vector<std::string> words = Tokens(sql.substr(0, 64));
  if (!words.empty() && (words[0] == "create" || words[0] == "alter" || words[0] == "drop"))
    FCache->Clear();
  TStmt st;
  Prepare(db, sql, st);
  Bind(db, st.S, Params);
  int rc;
  while ((rc = sqlite3_step(st.S)) == SQLITE_ROW) {
  }
  if (rc != SQLITE_DONE) Fail(db, "");
  return sqlite3_changes64(db);
}

int64_t TDbDatabase::LastInsertRowId() const { return sqlite3_last_insert_rowid(Db(FHandle)); }

bool TDbDatabase::ColumnInfo(const std::string& Table, const std::string& Column, TDbColumn& Info) {
  const char* decl = nullptr;
  const char* coll = nullptr;
  int notNull = 0, pk = 0, autoinc = 0;
  if (sqlite3_table_column_metadata(Db(FHandle), nullptr, Table.c_str(), Column.c_str(), &decl,
                                    &coll, &notNull, &pk, &autoinc) != SQLITE_OK)
    return false;
  Info.Table = Table;
  Info.Origin = Column;
  if (Info.Name.empty()) Info.Name = Column;
  Info.DeclType = decl ? decl : "";
  Info.Collation = coll ? coll : "";
  Info.NotNull = notNull != 0;
  Info.PrimaryKey = pk != 0;
  Info.AutoIncrement = autoinc != 0;
  return true;
}

std::vector<std::string> TDbDatabase::TableColumns(const std::string& Table) {
  std::vector<std::string> out;
  TStmt st;
  std::string sql = "select name from pragma_table_info(?1)";
  Prepare(Db(FHandle), sql, st);
  sqlite3_bind_text(st.S, 1, Table.c_str(), -1, SQLITE_TRANSIENT);
  while (sqlite3_step(st.S) == SQLITE_ROW)
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.S, 0)));
  return out;
}

std::vector<std::string> TDbDatabase::TableNames() {
  std::vector<std::string> out;
  TStmt st;
  Prepare(Db(FHandle),
          "select name from sqlite_master where type='table' and name not like 'sqlite_%' "
          "order by name",
          st);
  while (sqlite3_step(st.S) == SQLITE_ROW)
    out.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(st.S, 0)));
  return out;
}
