#include "platform/db/SQLiteDataSet.h"

#include <algorithm>

#include "platform/classes/Published.h"
#include "platform/db/DBError.h"

namespace RV_API rv {

const TClass& TSQLiteDataSet::StaticClass() {
  // Active (the base's) applies only in Loaded, after the connection is known.
  static const TClass cls = TClassBuilder<TSQLiteDataSet>("TSQLiteDataSet")
                                .Property("Connection", &TSQLiteDataSet::Connection, &TSQLiteDataSet::SetConnection)
                                .Build();
  return cls;
}

TSQLiteDataSet::TSQLiteDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TSQLiteDataSet::~TSQLiteDataSet() { SetConnection(nullptr); }

void TSQLiteDataSet::SetConnection(TSQLiteConnection* Value) {
  if (Value == FConnection) return;
  if (Active()) Close();
  if (FConnection) {
    auto& list = FConnection->FDataSets;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    RemoveFreeNotification(FConnection);
  }
  FConnection = Value;
  if (FConnection) {
    FConnection->FDataSets.push_back(this);
    FreeNotification(FConnection);
  }
}

void TSQLiteDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  Inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FConnection) SetConnection(nullptr);
}

sqlite3* TSQLiteDataSet::Database() {
  if (!FConnection) DatabaseError(Name() + ": Missing Connection");
  // Also while the connection is still being loaded: datasets may be
  // loaded first.
  if (!FConnection->Connected()) FConnection->Connect();
  return FConnection->Handle();
}

}  // namespace rv
