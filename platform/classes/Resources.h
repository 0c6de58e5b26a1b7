#pragma once
// Resources carried inside the library (the files of resources/), found by
// name: the file name without extension, in capitals.

#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

namespace detail {
struct ResourceEntry {
  const char* Name;
  std::string_view Data;
};
extern const ResourceEntry kResources[];  // ends with a null Name
}  // namespace detail

// The resource's bytes; raises EResNotFound "Resource X not found".
std::string_view FindResource(std::string_view Name);
bool HasResource(std::string_view Name);

}  // namespace rv
