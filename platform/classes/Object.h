#pragma once
// TObject and its metaclass TClass: class name, parent class, factory, and the
// ordered tables of published properties, methods and fields that the form
// reader and writer walk. Also TEnumInfo, the member names of an enumeration
// declared with RV_ENUM.

#include <any>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TClass;
class TCollection;
class TCollectionItem;
class TComponent;

class TObject {
 public:
  virtual ~TObject() = default;
  static const TClass& StaticClass();
  virtual const TClass& ClassType() const { return StaticClass(); }
  std::string ClassName() const;
  bool InheritsFrom(const TClass& cls) const;
};

// Inside a class body: declares the class's metaclass and names its base as
// Inherited. The metaclass itself is defined in the .cpp with TClassBuilder.
#define RV_CLASS(Name, Base)                                               \
 public:                                                                   \
  using Inherited = Base;                                                  \
  static const ::rv::TClass& StaticClass();                                \
  const ::rv::TClass& ClassType() const override { return StaticClass(); } \
                                                                           \
 public:

// ---- Enumerations ---------------------------------------------------------

// The names of an enumeration's members, by ordinal.
class TEnumInfo {
 public:
  // `members` is the enumerator list as written ("a, b = 1, c").
  TEnumInfo(std::string_view typeName, std::string_view members);
  const std::string& TypeName() const { return FTypeName; }
  int Count() const { return static_cast<int>(FNames.size()); }
  // The name of the member with this ordinal; empty when there is none.
  std::string Name(std::int64_t ordinal) const;
  // The ordinal of the member with this name (case-insensitive); -1 if none.
  std::int64_t Ordinal(std::string_view name) const;

 private:
  std::string FTypeName;
  std::vector<std::string> FNames;
  std::vector<std::int64_t> FValues;
};

// Declares an unscoped enumeration with a fixed underlying type together with
// its member names, so published properties and sets of it can be stored by
// name. Use at namespace scope.
#define RV_ENUM(Name, Type, ...)                            \
  enum Name : Type { __VA_ARGS__ };                         \
  inline const ::rv::TEnumInfo& RvEnumInfo(Name*) {         \
    static const ::rv::TEnumInfo info(#Name, #__VA_ARGS__); \
    return info;                                            \
  }

template <class E>
const TEnumInfo& EnumInfo() {
  return RvEnumInfo(static_cast<E*>(nullptr));
}

// ---- Published properties -------------------------------------------------

enum TTypeKind : std::uint8_t {
  tkInteger,      // integral numbers
  tkBoolean,      // stored as False/True
  tkEnumeration,  // stored by member name
  tkSet,          // stored as [a, b]
  tkFloat,
  tkString,
  tkStringList,  // a list of strings, stored as ('a' 'b')
  tkBinary,      // bytes, stored as {hex}
  tkMethod,      // a callback, stored as the name of a published method of the root
  tkOwned,       // an owned object, stored as nested properties (or a collection)
  tkReference,   // another component, stored by name and resolved after reading
};

// One published property: its name, kind, declared default and type-erased
// accessors. Only the accessors of its kind are set.
struct TPropInfo {
  std::string Name;
  TTypeKind Kind = tkInteger;
  const TEnumInfo* Enum = nullptr;  // tkEnumeration, tkSet
  bool HasDefault = false;          // ordinals: a declared default
  std::int64_t OrdDefault = 0;
  std::function<bool(const TObject*)> Stored;  // optional stored-test
  // tkInteger: names for some values (colours, cursors), written instead of
  // the number and accepted besides it when read.
  std::function<bool(std::int64_t, std::string&)> IntToIdent;
  std::function<bool(std::string_view, std::int64_t&)> IdentToInt;

  std::function<std::int64_t(const TObject*)> GetOrd;
  std::function<void(TObject*, std::int64_t)> SetOrd;
  std::function<double(const TObject*)> GetFloat;
  std::function<void(TObject*, double)> SetFloat;
  std::function<std::string(const TObject*)> GetStr;  // tkString, tkBinary
  std::function<void(TObject*, const std::string&)> SetStr;
  std::function<std::vector<std::string>(const TObject*)> GetList;
  std::function<void(TObject*, const std::vector<std::string>&)> SetList;
  std::function<TObject*(const TObject*)> GetObj;  // tkOwned, tkReference
  std::function<void(TObject*, TObject*)> SetObj;  // tkReference; false when the type doesn't fit
  std::function<bool(TObject*)> AcceptsObj;        // tkReference: would SetObj take it?
  // tkMethod: whether assigned, the stored method name, binding by name on the
  // root's published methods (false when the root has no such method of this
  // property's signature), and clearing.
  std::function<bool(const TObject*)> MethodAssigned;
  std::function<std::string(const TObject*)> GetMethodName;
  std::function<bool(TObject*, TObject* root, const std::string&)> BindMethod;
};

// A published method of a form class, bindable by name to a callback property.
struct TMethodInfo {
  std::string Name;
  std::function<std::any(TObject* root)> Bind;  // holds a Closure of the method's signature
};

// A published field of a form class: the reader stores a created child whose
// name matches there.
struct TFieldInfo {
  std::string Name;
  std::function<bool(TObject* root, TComponent* child)> Assign;  // false: wrong type
};

// ---- The metaclass -------------------------------------------------------

class TClass {
 public:
  using Factory = std::function<TComponent*(TComponent* owner)>;
  using ItemFactory = std::function<TCollectionItem*(TCollection* collection)>;

  TClass(std::string name, const TClass* parent) : FName(std::move(name)), FParent(parent) {}

  const std::string& Name() const { return FName; }
  const TClass* Parent() const { return FParent; }
  bool InheritsFrom(const TClass& cls) const;

  // Published properties, base class first, in declaration order.
  const std::vector<const TPropInfo*>& Properties() const;
  // Case-insensitive lookup over the whole chain.
  const TPropInfo* FindProperty(std::string_view name) const;
  // Index in Properties() (the order in which properties are read back); -1 if none.
  int PropertyIndex(std::string_view name) const;
  const TMethodInfo* FindMethod(std::string_view name) const;
  const TFieldInfo* FindField(std::string_view name) const;

  // Components whose class can be created by name (not abstract, constructible
  // from an owner).
  bool CanCreate() const { return static_cast<bool>(FFactory); }
  TComponent* Create(TComponent* owner) const;
  // Collection items whose class can be created for a collection.
  bool CanCreateItem() const { return static_cast<bool>(FItemFactory); }
  TCollectionItem* CreateItem(TCollection* collection) const;

 private:
  template <class T>
  friend class TClassBuilder;

  std::string FName;
  const TClass* FParent;
  Factory FFactory;
  ItemFactory FItemFactory;
  std::vector<TPropInfo> FOwnProperties;
  std::vector<TMethodInfo> FMethods;
  std::vector<TFieldInfo> FFields;
  mutable std::vector<const TPropInfo*> FAllProperties;  // built once, on first use
  mutable bool FAllBuilt = false;
};

// ---- Class registry --------------------------------------------------------

// Makes a class findable by name for the form reader. Returns true so it can
// initialise a namespace-scope constant (see RV_REGISTER_CLASS).
bool RegisterClass(const TClass& cls);
void UnRegisterClass(const TClass& cls);
// The registered class of this name (case-insensitive), or null.
const TClass* GetClass(std::string_view name);
// As GetClass, but raises EClassNotFound when there is none.
const TClass& FindClass(std::string_view name);
// Every registered class, in registration order.
std::vector<const TClass*> RegisteredClasses();

#define RV_REGISTER_CLASS_CAT2(a, b) a##b
#define RV_REGISTER_CLASS_CAT(a, b) RV_REGISTER_CLASS_CAT2(a, b)
#define RV_REGISTER_CLASS(Name)                                                                                      \
  namespace {                                                                                                        \
  [[maybe_unused]] const bool RV_REGISTER_CLASS_CAT(rvRegistered_, Name) = ::rv::RegisterClass(Name::StaticClass()); \
  }

}  // namespace rv
