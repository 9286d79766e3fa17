// The connection, query, command and table components the application's windows use.
//
// TADOConnection opens the database file named by the "Data Source" of its connection string
// (the rest of the string, provider, user and password, is accepted and not needed). Queries and
// tables read their whole result when they open (a static cursor) and write each posted row back
// at once; commands run statements without a result. Statements are written in the application's
// dialect (dbjet.h) with named parameters such as ":f1".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/strings.h"
#include "platform/vcl/db.h"

class TDbDatabase;
class TCustomADODataSet;

enum TConnectMode {
  cmUnknown,
  cmRead,
  cmWrite,
  cmReadWrite,
  cmShareDenyRead,
  cmShareDenyWrite,
  cmShareExclusive,
  cmShareDenyNone
};
enum TCursorLocation { clUseServer, clUseClient };
enum TCursorType { ctUnspecified, ctOpenForwardOnly, ctKeyset, ctDynamic, ctStatic };
enum TADOLockType { ltUnspecified, ltReadOnly, ltPessimistic, ltOptimistic, ltBatchOptimistic };
enum TParameterDirection { pdUnknown, pdInput, pdOutput, pdInputOutput, pdReturnValue };

class TADOConnection : public TComponent {
  ORV_CLASS(TADOConnection, TComponent)
public:
  explicit TADOConnection(TComponent* AOwner = nullptr);
  ~TADOConnection() override;
  static void Publish(TPublisher<TADOConnection>& P);

  const std::string& ConnectionString() const { return FConnectionString; }
  // Changing the string of an open connection closes it first.
  void SetConnectionString(const std::string& V);
  bool LoginPrompt() const { return FLoginPrompt; }
  void SetLoginPrompt(bool V) { FLoginPrompt = V; }  // no prompt is ever shown
  TConnectMode Mode() const { return FMode; }
  void SetMode(TConnectMode V) { FMode = V; }
  bool KeepConnection() const { return FKeepConnection; }
  void SetKeepConnection(bool V) { FKeepConnection = V; }

  // Opens the file of the "Data Source" part. Raises EOleException when it is missing or is no
  // database; the connection then stays closed and the file untouched.
  void Open();
  void Close();  // closes the data sets that use the connection first
  bool Connected() const { return FDatabase != nullptr; }
  void SetConnected(bool V);
  // The file the connection string names.
  std::string DataSource() const;

  // Runs a statement without a result; the number of rows it changed.
  int Execute(const std::string& CommandText);
  void GetTableNames(std::vector<std::string>& List);
  void GetFieldNames(const std::string& TableName, std::vector<std::string>& List);
  void GetTableNames(TStrings* List);
  void GetFieldNames(const std::string& TableName, TStrings* List);

  TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

  // For the data sets and commands of this connection.
  TDbDatabase* Database();  // opens on first use (as the components do when they need it)
  void AttachDataSet(TCustomADODataSet* D);
  void DetachDataSet(TCustomADODataSet* D);

private:
  std::string FConnectionString;
  bool FLoginPrompt = true;
  bool FKeepConnection = true;
  TConnectMode FMode = cmUnknown;
  std::unique_ptr<TDbDatabase> FDatabase;
  std::vector<TCustomADODataSet*> FDataSets;
};

// A named parameter of a statement. Its value is held with the type it was given (text,
// integer, float, Boolean, date, null) and bound to the statement that way.
class TParameter : public TObject {
  ORV_CLASS(TParameter, TObject)
public:
  std::string Name;
  TFieldType DataType = ftUnknown;
  TParameterDirection Direction = pdInput;
  int Size = 0;

  Variant Value() const;
  void SetValue(const Variant& V);
  void SetValue(const std::string& V);
  void SetValue(const char* V) { SetValue(std::string(V)); }
  void SetValue(int V);
  void SetValue(int64_t V);
  void SetValue(double V);
  void SetValue(bool V);
  void Clear();  // null
  void SetRaw(TDbValue V) { FValue = std::move(V); }
  const TDbValue& Raw() const { return FValue; }

private:
  TDbValue FValue;
};

class TParameters : public TObject {
  ORV_CLASS(TParameters, TObject)
public:
  int Count() const { return static_cast<int>(FItems.size()); }
  TParameter* Items(int Index) const;  // EListError outside 0..Count-1
  TParameter* operator[](int Index) const { return Items(Index); }
  TParameter* FindParam(const std::string& Name) const;  // case ignored; null when absent
  // EADOError-like: EDatabaseError "Parameter 'x' not found".
  TParameter* ParamByName(const std::string& Name) const;
  TParameter* AddParameter();
  TParameter* CreateParameter(const std::string& Name, TFieldType DataType,
                              TParameterDirection Direction, int Size, const Variant& Value);
  void Clear() { FItems.clear(); }
  // Makes the list the parameters of Sql, keeping the values of names that stay.
  void ParseSQL(const std::string& Sql, bool DoCreate);
  TDbParams Bound() const;

private:
  std::vector<std::unique_ptr<TParameter>> FItems;
};

// A data set whose rows come from a statement on a connection.
class TCustomADODataSet : public TDataSet {
  ORV_CLASS(TCustomADODataSet, TDataSet)
public:
  explicit TCustomADODataSet(TComponent* AOwner = nullptr);
  ~TCustomADODataSet() override;
  static void Publish(TPublisher<TCustomADODataSet>& P);

  TADOConnection* Connection() const { return FConnection; }
  void SetConnection(TADOConnection* V);
  TParameters* Parameters() const { return FParameters.get(); }
  TCursorLocation CursorLocation() const { return FCursorLocation; }
  void SetCursorLocation(TCursorLocation V) { FCursorLocation = V; }
  TCursorType CursorType() const { return FCursorType; }
  void SetCursorType(TCursorType V) { FCursorType = V; }
  TADOLockType LockType() const { return FLockType; }
  void SetLockType(TADOLockType V) { FLockType = V; }
  bool CanModify() const override;
  // Runs the statement again, staying on the same row number where possible.
  void Requery();
  // The table posted rows go to ("" when the result cannot be changed).
  const std::string& BaseTable() const { return FBaseTable; }

protected:
  virtual std::string StatementText() const = 0;
  void InternalOpen(std::vector<TDataRecord>& Rows) override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  TDataRecord InternalPost(const TDataRecord& Row, const std::vector<bool>& Changed,
                           bool Inserting) override;
  void InternalDelete(const TDataRecord& Row) override;
  bool ColumnNoCase(int Index) const override;
  TDbDatabase* Db();

  std::unique_ptr<TParameters> FParameters;

private:
  TADOConnection* FConnection = nullptr;
  TCursorLocation FCursorLocation = clUseClient;
  TCursorType FCursorType = ctStatic;
  TADOLockType FLockType = ltOptimistic;
  std::string FBaseTable;
  std::vector<TDbColumn> FColumns;
};

// A data set over a statement of one's own (SQL text).
class TADOQuery : public TCustomADODataSet {
  ORV_CLASS(TADOQuery, TCustomADODataSet)
public:
  explicit TADOQuery(TComponent* AOwner = nullptr);
  ~TADOQuery() override;
  static void Publish(TPublisher<TADOQuery>& P);
  // The statement as lines (SQL()->Clear(), SQL()->Add(...)); every change closes the query and
  // rebuilds the parameter list, keeping the values of names that stay.
  TStrings* SQL() const;
  void SetSQL(TStrings* V);  // copies the lines
  std::string SQLText() const;
  void SetSQLText(const std::string& V);
  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool V) { FParamCheck = V; }
  // Runs a statement without a result (delete, update, insert); the rows it changed.
  int ExecSQL();
  int RowsAffected() const { return FRowsAffected; }

protected:
  std::string StatementText() const override { return SQLText(); }

private:
  void SQLChanged();
  std::unique_ptr<TStringList> FSQL;
  bool FParamCheck = true;
  int FRowsAffected = -1;
};

// A data set over a whole table.
class TADOTable : public TCustomADODataSet {
  ORV_CLASS(TADOTable, TCustomADODataSet)
public:
  explicit TADOTable(TComponent* AOwner = nullptr) : TCustomADODataSet(AOwner) {}
  static void Publish(TPublisher<TADOTable>& P);
  const std::string& TableName() const { return FTableName; }
  void SetTableName(const std::string& V);

protected:
  std::string StatementText() const override;

private:
  std::string FTableName;
};

// A statement run without a result.
class TADOCommand : public TComponent {
  ORV_CLASS(TADOCommand, TComponent)
public:
  explicit TADOCommand(TComponent* AOwner = nullptr);
  ~TADOCommand() override;
  static void Publish(TPublisher<TADOCommand>& P);
  TADOConnection* Connection() const { return FConnection; }
  void SetConnection(TADOConnection* V) { FConnection = V; }
  const std::string& CommandText() const { return FCommandText; }
  // Setting the text rebuilds the parameter list (values of names that stay are kept).
  void SetCommandText(const std::string& V);
  TParameters* Parameters() const { return FParameters.get(); }
  bool ParamCheck() const { return FParamCheck; }
  void SetParamCheck(bool V) { FParamCheck = V; }
  // Runs the statement with the parameters' values; returns the rows it changed.
  int Execute();
  int Execute(const std::vector<Variant>& Values);  // values by parameter position
  int RowsAffected() const { return FRowsAffected; }

private:
  TADOConnection* FConnection = nullptr;
  std::string FCommandText;
  std::unique_ptr<TParameters> FParameters;
  bool FParamCheck = true;
  int FRowsAffected = -1;
};
