// The report dataset over the class library's data layer (TDataSet / TDataSource): the adapter
// the application uses over its queries.
#pragma once

#include <string>

#include "platform/vcl/db.h"
#include "report/core/rptdataset.h"

class TrptDBDataset : public TrptCustomDBDataSet {
  ORV_CLASS(TrptDBDataset, TrptCustomDBDataSet)
public:
  explicit TrptDBDataset(TComponent* AOwner);
  ~TrptDBDataset() override;
  static void Publish(TPublisher<TrptDBDataset>& P);
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TDataSet* DataSet() const { return FDataSet; }
  void SetDataSet(TDataSet* Value);
  TDataSource* DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource* Value);
  // The source the dataset reads: DataSet, else the data source's dataset.
  TDataSet* Source() const { return FSource; }

  // "dbNotConn" with the component's name when there is no source.
  void Initialize() override;
  void Finalize() override;
  void Open() override;
  void Close() override;
  void First() override;
  void Next() override;
  void Prior() override;
  bool Eof() override;
  Variant GetValue(const std::string& Field) override;
  std::string GetDisplayText(const std::string& Field) override;
  int GetDisplayWidth(const std::string& Field) override;
  TrptFieldType GetFieldType(const std::string& Field) override;
  bool IsBlobField(const std::string& Field) override;
  // A persistent target (a picture) is assigned from the field; a stream receives the bytes and
  // is rewound.
  void AssignBlobTo(const std::string& Field, TObject* Target) override;
  void GetFieldList(TStrings* List) override;
  int RecordCount() override;

  bool IsSourceStored() const;

private:
  void UpdateSource();
  void ResolveFields(bool Strict);
  void EnsureOpen();
  TField* ResolvedField(const std::string& Field) const;
  void FieldNotFound(const std::string& Field, std::string* Text);

  TDataSet* FDataSet = nullptr;
  TDataSource* FDataSource = nullptr;
  TBookmark FBookmark = 0;
  bool FHasBookmark = false;
  TDataSet* FSource = nullptr;
  bool FEof = false;
  TDataSetNotifyEvent FSavedAfterOpen;
  bool FHooked = false;
};
