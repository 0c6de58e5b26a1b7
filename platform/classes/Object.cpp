#include "platform/classes/Object.h"

#include <algorithm>
#include <charconv>
#include <mutex>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

struct ClassRegistry {
  std::mutex Lock;
  std::vector<const TClass*> Classes;
};

ClassRegistry& registry() {
  static ClassRegistry instance;
  return instance;
}

}  // namespace

// ---- TObject ---------------------------------------------------------------

const TClass& TObject::StaticClass() {
  static const TClass cls("TObject", nullptr);
  return cls;
}

std::string TObject::ClassName() const { return ClassType().Name(); }

bool TObject::InheritsFrom(const TClass& cls) const { return ClassType().InheritsFrom(cls); }

// ---- TEnumInfo --------------------------------------------------------------

TEnumInfo::TEnumInfo(std::string_view typeName, std::string_view members) : FTypeName(typeName) {
  std::int64_t next = 0;
  while (!members.empty()) {
    std::size_t comma = members.find(',');
    std::string item = Trim(members.substr(0, comma));
    members = comma == std::string_view::npos ? std::string_view{} : members.substr(comma + 1);
    if (item.empty()) continue;
    std::size_t eq = item.find('=');
    std::string name = Trim(std::string_view(item).substr(0, eq));
    if (eq != std::string_view::npos) {
      std::string value = Trim(std::string_view(item).substr(eq + 1));
      std::from_chars(value.data(), value.data() + value.size(), next);
    }
    FNames.emplace_back(name);
    FValues.push_back(next++);
  }
}

std::string TEnumInfo::Name(std::int64_t ordinal) const {
  for (std::size_t i = 0; i < FValues.size(); ++i)
    if (FValues[i] == ordinal) return FNames[i];
  return {};
}

std::int64_t TEnumInfo::Ordinal(std::string_view name) const {
  for (std::size_t i = 0; i < FNames.size(); ++i)
    if (SameText(FNames[i], name)) return FValues[i];
  return -1;
}

// ---- TClass -----------------------------------------------------------------

bool TClass::InheritsFrom(const TClass& cls) const {
  for (const TClass* c = this; c; c = c->FParent)
    if (c == &cls) return true;
  return false;
}

const std::vector<const TPropInfo*>& TClass::Properties() const {
  // Metaclasses are function-local statics, built before first use; the
  // flattened list is derived once, under a lock, since any thread may ask.
  static std::recursive_mutex buildLock;  // the parent's list is built under it too
  std::lock_guard<std::recursive_mutex> guard(buildLock);
  if (!FAllBuilt) {
    if (FParent) FAllProperties = FParent->Properties();
    for (const TPropInfo& p : FOwnProperties) {
      auto same = std::find_if(FAllProperties.begin(), FAllProperties.end(),
                               [&](const TPropInfo* q) { return SameText(q->Name, p.Name); });
      // A class may publish an inherited property again (a new default): it
      // keeps its place in the order.
      if (same != FAllProperties.end())
        *same = &p;
      else
        FAllProperties.push_back(&p);
    }
    FAllBuilt = true;
  }
  return FAllProperties;
}

const TPropInfo* TClass::FindProperty(std::string_view name) const {
  int i = PropertyIndex(name);
  return i < 0 ? nullptr : Properties()[static_cast<std::size_t>(i)];
}

int TClass::PropertyIndex(std::string_view name) const {
  const auto& all = Properties();
  for (std::size_t i = 0; i < all.size(); ++i)
    if (SameText(all[i]->Name, name)) return static_cast<int>(i);
  return -1;
}

const TMethodInfo* TClass::FindMethod(std::string_view name) const {
  for (const TClass* c = this; c; c = c->FParent)
    for (const TMethodInfo& m : c->FMethods)
      if (SameText(m.Name, name)) return &m;
  return nullptr;
}

const TFieldInfo* TClass::FindField(std::string_view name) const {
  for (const TClass* c = this; c; c = c->FParent)
    for (const TFieldInfo& f : c->FFields)
      if (SameText(f.Name, name)) return &f;
  return nullptr;
}

TComponent* TClass::Create(TComponent* owner) const {
  if (!FFactory) throw EClassNotFound("Class " + FName + " can't be created by name");
  return FFactory(owner);
}

TCollectionItem* TClass::CreateItem(TCollection* collection) const {
  if (!FItemFactory) throw EClassNotFound("Class " + FName + " is not a collection item class");
  return FItemFactory(collection);
}

// ---- Class registry ---------------------------------------------------------

bool RegisterClass(const TClass& cls) {
  ClassRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  if (std::find(r.Classes.begin(), r.Classes.end(), &cls) == r.Classes.end()) r.Classes.push_back(&cls);
  return true;
}

void UnRegisterClass(const TClass& cls) {
  ClassRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  r.Classes.erase(std::remove(r.Classes.begin(), r.Classes.end(), &cls), r.Classes.end());
}

const TClass* GetClass(std::string_view name) {
  ClassRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  for (const TClass* c : r.Classes)
    if (SameText(c->Name(), name)) return c;
  return nullptr;
}

const TClass& FindClass(std::string_view name) {
  if (const TClass* c = GetClass(name)) return *c;
  throw EClassNotFound("Class " + std::string(name) + " not found");
}

std::vector<const TClass*> RegisteredClasses() {
  ClassRegistry& r = registry();
  std::lock_guard<std::mutex> guard(r.Lock);
  return r.Classes;
}

}  // namespace rv
