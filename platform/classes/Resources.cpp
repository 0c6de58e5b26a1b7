#include "platform/classes/Resources.h"

#include <string>

#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

const detail::ResourceEntry* findEntry(std::string_view Name) {
  for (const detail::ResourceEntry* e = detail::kResources; e->Name; ++e)
    if (Name == e->Name) return e;
  return nullptr;
}

}  // namespace

std::string_view FindResource(std::string_view Name) {
  if (const detail::ResourceEntry* e = findEntry(Name)) return e->Data;
  throw EResNotFound("Resource " + std::string(Name) + " not found");
}

bool HasResource(std::string_view Name) { return findEntry(Name) != nullptr; }

}  // namespace rv
