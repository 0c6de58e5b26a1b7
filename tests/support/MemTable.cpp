#include "tests/support/MemTable.h"

#include "platform/classes/Published.h"

namespace rvtest {

const rv::TClass& TMemTable::StaticClass() {
  static const rv::TClass cls = rv::TClassBuilder<TMemTable>("TMemTable")
                                    .Property("TableName", &TMemTable::TableName, &TMemTable::SetTableName)
                                    .Build();
  return cls;
}

}  // namespace rvtest
