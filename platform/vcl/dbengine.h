// The database engine under the data-access components: one SQLite file, statements with named
// parameters, results read whole, and what the schema says about a column.
//
// SQLite's header stays in dbengine.cpp; the components above see only these types. Every file is
// opened read-write without creating it and shared with other connections and programs; each
// statement that changes data commits on return with full synchronisation, so a posted row
// survives a crash or a power cut. Engine failures raise EOleException with the engine's text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// One value as the engine stores it. Text and blob bytes are both kept in Bytes.
struct TDbValue {
  enum TKind { Null, Integer, Float, Text, Blob };
  TKind Kind = Null;
  int64_t Int = 0;
  double Real = 0;
  std::string Bytes;

  static TDbValue FromInt(int64_t v) {
    TDbValue r;
    r.Kind = Integer;
    r.Int = v;
    return r;
  }
  static TDbValue FromFloat(double v) {
    TDbValue r;
    r.Kind = Float;
    r.Real = v;
    return r;
  }
  static TDbValue FromText(std::string v) {
    TDbValue r;
    r.Kind = Text;
    r.Bytes = std::move(v);
    return r;
  }
  static TDbValue FromBlob(std::string v) {
    TDbValue r;
    r.Kind = Blob;
    r.Bytes = std::move(v);
    return r;
  }
  bool IsNull() const { return Kind == Null; }
  bool operator==(const TDbValue& o) const {
    return Kind == o.Kind && Int == o.Int && Real == o.Real && Bytes == o.Bytes;
  }
};

// A parameter of a statement: its name without the colon and its value.
using TDbParam = std::pair<std::string, TDbValue>;
using TDbParams = std::vector<TDbParam>;

// A column of a result, with what the schema declares for it when it comes straight from a table.
struct TDbColumn {
  std::string Name;       // as the result names it
  std::string Table;      // originating table ("" for an expression)
  std::string Origin;     // originating column
  std::string DeclType;   // declared type, e.g. "VARCHAR(50)", "BOOLEAN" ("" for an expression)
  std::string Collation;  // e.g. "NOCASE"
  bool PrimaryKey = false;
  bool AutoIncrement = false;
  bool NotNull = false;
};

// The rows of a result in the order returned, read whole (a static cursor). When the statement is
// a plain select over one table, RowIds holds each row's key in that table (BaseTable names it),
// which lets the data sets change and delete rows; otherwise BaseTable is empty.
struct TDbResult {
  std::vector<TDbColumn> Columns;
  std::vector<std::vector<TDbValue>> Rows;
  std::string BaseTable;
  std::vector<int64_t> RowIds;
};

class TDbDatabase {
public:
  // Opens an existing database file. Raises EOleException "Could not find file \"<path>\"." when
  // it does not exist and "\"<path>\" is not a database file." when it is not one; in either case
  // nothing is created or written.
  static std::unique_ptr<TDbDatabase> Open(const std::string& FileName);
  ~TDbDatabase();
  TDbDatabase(const TDbDatabase&) = delete;
  TDbDatabase& operator=(const TDbDatabase&) = delete;

  const std::string& FileName() const { return FFileName; }

  // Runs a statement in the application's dialect (see dbjet.h) and reads its rows. Parameters
  // are matched by name without regard to case; a parameter without a value binds null.
  TDbResult Query(const std::string& Sql, const TDbParams& Params);
  // Runs a statement that returns no rows; the number of rows it changed.
  int64_t Execute(const std::string& Sql, const TDbParams& Params);
  int64_t LastInsertRowId() const;

  // Column metadata of a table's column (for the row editors); false when there is none.
  bool ColumnInfo(const std::string& Table, const std::string& Column, TDbColumn& Info);
  // Column names of a table in table order; empty when the table does not exist.
  std::vector<std::string> TableColumns(const std::string& Table);
  std::vector<std::string> TableNames();

private:
  explicit TDbDatabase(void* Handle, std::string FileName);
  struct TCache;
  void* FHandle;  // sqlite3*
  std::string FFileName;
  // Prepared statements of recent queries with their column descriptions: the picking window
  // runs the same lookup before every thumbnail it draws.
  std::unique_ptr<TCache> FCache;
};
