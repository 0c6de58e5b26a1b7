#include "platform/os/Mapi.h"

#include "platform/os/MapiLinux.h"
#include "platform/rtl/Service.h"

namespace RV_API rv {

struct TMapiService::TRecipBlock {
  TMapiRecipDesc Desc;
  std::string Name, Address, EntryID;
};

TMapiService::TMapiService() = default;
TMapiService::~TMapiService() = default;

ULONG TMapiService::MAPIFreeBuffer(void* Buffer) {
  if (!Buffer) return SUCCESS_SUCCESS;
  std::lock_guard guard(FLock);
  return FBuffers.erase(Buffer) ? SUCCESS_SUCCESS : MAPI_E_FAILURE;
}

std::size_t TMapiService::BuffersInUse() const {
  std::lock_guard guard(FLock);
  return FBuffers.size();
}

TMapiRecipDesc* TMapiService::NewRecipient(ULONG RecipClass, const std::string& Name, const std::string& Address,
                                           const std::string& EntryID) {
  auto block = std::make_unique<TRecipBlock>();
  block->Name = Name;
  block->Address = Address;
  block->EntryID = EntryID;
  TMapiRecipDesc& d = block->Desc;
  d.ulRecipClass = RecipClass;
  d.lpszName = block->Name.c_str();
  d.lpszAddress = block->Address.c_str();
  d.ulEIDSize = static_cast<ULONG>(block->EntryID.size());
  d.lpEntryID = block->EntryID.empty() ? nullptr : block->EntryID.data();
  std::lock_guard guard(FLock);
  return &FBuffers.emplace(&d, std::move(block)).first->second->Desc;
}

namespace {

TService<TMapiService> mapiService([]() -> TMapiService& { return LinuxMapiService(); });

}  // namespace

TMapiService& MapiService() { return mapiService.Get(); }

TMapiService* SetMapiService(TMapiService* Service) { return mapiService.Install(Service); }

}  // namespace rv
