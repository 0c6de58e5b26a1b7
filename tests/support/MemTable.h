#pragma once
// An in-memory dataset that publishes "TableName", as a table component
// does, so code that names a dataset's table can be tested without a
// database.

#include <string>

#include "platform/db/MemDataSet.h"

namespace rvtest {

class TMemTable : public rv::TMemDataSet {
  RV_CLASS(TMemTable, rv::TMemDataSet)
 public:
  using TMemDataSet::TMemDataSet;
  const std::string& TableName() const { return FTableName; }
  void SetTableName(const std::string& Value) { FTableName = Value; }

 private:
  std::string FTableName;
};

}  // namespace rvtest
