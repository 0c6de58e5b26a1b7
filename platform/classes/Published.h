#pragma once
// TClassBuilder<T>: declares a class's metaclass and its published
// properties, methods and fields, in the .cpp that implements the class:
//
//   const TClass& TQVLSendTo::StaticClass() {
//     static const TClass cls = TClassBuilder<TQVLSendTo>("TQVLSendTo")
//         .Property("EMail", &TQVLSendTo::EMail, &TQVLSendTo::SetEMail)
//         .Property("AttachScreenShot", &TQVLSendTo::AttachScreenShot,
//                   &TQVLSendTo::SetAttachScreenShot, true)
//         .Build();
//     return cls;
//   }
//
// The kind of a property follows from its reader's type: bool, integers,
// RV_ENUM enumerations, Set<E>, floating point, std::string, a list of
// strings, bytes, Closure<Sig> (a callback), a pointer to a TComponent (a
// reference, stored by name) or to another TPersistent (an owned object,
// stored as nested properties; give it no writer). A fourth argument is the
// declared default; an ordinal property without one is always stored.

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Object.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

namespace detail {

template <class G>
struct GetterTraits;
template <class C, class R>
struct GetterTraits<R (C::*)() const> {
  using Value = std::remove_cvref_t<R>;
};

template <class S>
struct SetterTraits;
template <class C, class V>
struct SetterTraits<void (C::*)(V)> {
  using Value = std::remove_cvref_t<V>;
};

template <class V>
struct IsSet : std::false_type {};
template <class E, class B>
struct IsSet<Set<E, B>> : std::true_type {};

template <class V>
struct IsClosure : std::false_type {};
template <class Sig>
struct IsClosure<Closure<Sig>> : std::true_type {};

template <class M>
struct MethodTraits;
template <class C, class R, class... A>
struct MethodTraits<R (C::*)(A...)> {
  using ClosureType = Closure<R(A...)>;
};

template <class V>
constexpr bool IsOrdinal = std::is_integral_v<V> || std::is_enum_v<V> || IsSet<V>::value;

template <class V>
std::int64_t ToOrd(const V& v) {
  if constexpr (IsSet<V>::value)
    return static_cast<std::int64_t>(v.ToBits());
  else
    return static_cast<std::int64_t>(v);
}

template <class V>
V FromOrd(std::int64_t v) {
  if constexpr (IsSet<V>::value) {
    using B = typename V::Storage;
    if (v < 0 || static_cast<std::uint64_t>(v) > static_cast<std::uint64_t>(static_cast<B>(~B{0})))
      throw ERangeError("Set value out of range");
    return V::FromBits(static_cast<B>(v));
  } else if constexpr (std::is_same_v<V, bool>) {
    return v != 0;
  } else if constexpr (std::is_enum_v<V>) {
    return static_cast<V>(v);
  } else {
    if (!std::in_range<V>(v)) throw ERangeError("Integer value out of range");
    return static_cast<V>(v);
  }
}

}  // namespace detail

template <class T>
class TClassBuilder {
 public:
  explicit TClassBuilder(std::string name) : FClass(std::move(name), ParentClass()) {
    if constexpr (std::is_base_of_v<TComponent, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TComponent*>) {
      FClass.FFactory = [](TComponent* owner) -> TComponent* { return new T(owner); };
    }
    if constexpr (std::is_base_of_v<TCollectionItem, T> && !std::is_abstract_v<T> &&
                  std::is_constructible_v<T, TCollection*>) {
      // The item is owned by its collection from construction on.
      FClass.FItemFactory = [](TCollection* c) -> TCollectionItem* { return new T(c); };
    }
  }

  // An owned object: stored as nested properties of the object it returns.
  template <class G>
  TClassBuilder& Property(std::string name, G getter) {
    using V = typename detail::GetterTraits<G>::Value;
    static_assert(std::is_pointer_v<V>, "a property without a writer must be an owned object");
    TPropInfo p;
    p.Name = std::move(name);
    p.Kind = tkOwned;
    p.GetObj = [getter](const TObject* o) -> TObject* { return (static_cast<const T*>(o)->*getter)(); };
    FClass.FOwnProperties.push_back(std::move(p));
    return *this;
  }

  template <class G, class S>
  TClassBuilder& Property(std::string name, G getter, S setter) {
    FClass.FOwnProperties.push_back(Make(std::move(name), getter, setter));
    return *this;
  }

  template <class G, class S, class D>
  TClassBuilder& Property(std::string name, G getter, S setter, const D& declaredDefault) {
    using V = typename detail::GetterTraits<G>::Value;
    static_assert(detail::IsOrdinal<V>, "only ordinal properties declare a default");
    TPropInfo p = Make(std::move(name), getter, setter);
    p.HasDefault = true;
    p.OrdDefault = detail::ToOrd(static_cast<V>(declaredDefault));
    FClass.FOwnProperties.push_back(std::move(p));
    return *this;
  }

  // A stored-test for the property declared last.
  template <class F>
  TClassBuilder& Stored(F test) {
    FClass.FOwnProperties.back().Stored = [test](const TObject* o) { return test(*static_cast<const T*>(o)); };
    return *this;
  }

  // Names for values of the integer property declared last (colour and
  // cursor names): the writer stores the name where there is one, the reader
  // takes either.
  template <class V>
  TClassBuilder& Idents(bool (*toIdent)(V, std::string&), bool (*toValue)(std::string_view, V&)) {
    TPropInfo& p = FClass.FOwnProperties.back();
    p.IntToIdent = [toIdent](std::int64_t value, std::string& ident) {
      return std::in_range<V>(value) && toIdent(static_cast<V>(value), ident);
    };
    p.IdentToInt = [toValue](std::string_view ident, std::int64_t& value) {
      V v{};
      if (!toValue(ident, v)) return false;
      value = static_cast<std::int64_t>(v);
      return true;
    };
    return *this;
  }

  // A published method, bindable by name to callback properties of the same
  // signature.
  template <class M>
  TClassBuilder& Method(std::string name, M method) {
    using C = typename detail::MethodTraits<M>::ClosureType;
    TMethodInfo m;
    m.Name = name;
    m.Bind = [method, name](TObject* root) -> std::any { return C(static_cast<T*>(root), method, name); };
    FClass.FMethods.push_back(std::move(m));
    return *this;
  }

  // A published field that receives the created child of that name (null
  // clears it).
  template <class F>
  TClassBuilder& Field(std::string name, F* T::*field) {
    TFieldInfo f;
    f.Name = std::move(name);
    f.Assign = [field](TObject* root, TComponent* child) {
      auto* typed = dynamic_cast<F*>(child);
      if (child && !typed) return false;
      static_cast<T*>(root)->*field = typed;
      return true;
    };
    FClass.FFields.push_back(std::move(f));
    return *this;
  }

  TClass Build() { return std::move(FClass); }

 private:
  static const TClass* ParentClass() {
    if constexpr (std::is_same_v<T, TObject>)
      return nullptr;
    else
      return &T::Inherited::StaticClass();
  }

  template <class G, class S>
  static TPropInfo Make(std::string name, G getter, S setter) {
    using V = typename detail::GetterTraits<G>::Value;
    static_assert(std::is_same_v<V, typename detail::SetterTraits<S>::Value>,
                  "reader and writer of a property must have the same type");
    TPropInfo p;
    p.Name = std::move(name);
    auto get = [getter](const TObject* o) -> decltype(auto) { return (static_cast<const T*>(o)->*getter)(); };
    auto set = [setter](TObject* o, V v) { (static_cast<T*>(o)->*setter)(std::move(v)); };

    if constexpr (detail::IsOrdinal<V>) {
      if constexpr (std::is_same_v<V, bool>) {
        p.Kind = tkBoolean;
      } else if constexpr (std::is_enum_v<V>) {
        p.Kind = tkEnumeration;
        p.Enum = &EnumInfo<V>();
      } else if constexpr (detail::IsSet<V>::value) {
        p.Kind = tkSet;
        p.Enum = &EnumInfo<typename V::Element>();
      } else {
        p.Kind = tkInteger;
      }
      p.GetOrd = [get](const TObject* o) { return detail::ToOrd<V>(get(o)); };
      p.SetOrd = [set](TObject* o, std::int64_t v) { set(o, detail::FromOrd<V>(v)); };
    } else if constexpr (std::is_floating_point_v<V>) {
      p.Kind = tkFloat;
      p.GetFloat = [get](const TObject* o) { return static_cast<double>(get(o)); };
      p.SetFloat = [set](TObject* o, double v) { set(o, static_cast<V>(v)); };
    } else if constexpr (std::is_same_v<V, std::string>) {
      p.Kind = tkString;
      p.GetStr = [get](const TObject* o) { return std::string(get(o)); };
      p.SetStr = [set](TObject* o, const std::string& v) { set(o, v); };
    } else if constexpr (std::is_same_v<V, std::vector<std::string>>) {
      p.Kind = tkStringList;
      p.GetList = [get](const TObject* o) { return V(get(o)); };
      p.SetList = [set](TObject* o, const V& v) { set(o, v); };
    } else if constexpr (std::is_same_v<V, std::vector<std::uint8_t>>) {
      p.Kind = tkBinary;
      p.GetStr = [get](const TObject* o) {
        const V& bytes = get(o);
        return std::string(bytes.begin(), bytes.end());
      };
      p.SetStr = [set](TObject* o, const std::string& v) { set(o, V(v.begin(), v.end())); };
    } else if constexpr (detail::IsClosure<V>::value) {
      p.Kind = tkMethod;
      p.MethodAssigned = [get](const TObject* o) { return static_cast<bool>(get(o)); };
      p.GetMethodName = [get](const TObject* o) { return get(o).MethodName(); };
      p.BindMethod = [set](TObject* o, TObject* root, const std::string& methodName) {
        const TMethodInfo* m = root ? root->ClassType().FindMethod(methodName) : nullptr;
        if (!m) return false;
        std::any bound = m->Bind(root);
        auto* closure = std::any_cast<V>(&bound);
        if (!closure) return false;
        set(o, *closure);
        return true;
      };
    } else if constexpr (std::is_pointer_v<V> &&
                         std::is_base_of_v<TComponent, std::remove_cv_t<std::remove_pointer_t<V>>>) {
      using C = std::remove_cv_t<std::remove_pointer_t<V>>;
      p.Kind = tkReference;
      p.GetObj = [get](const TObject* o) -> TObject* { return const_cast<C*>(get(o)); };
      p.AcceptsObj = [](TObject* v) { return v == nullptr || dynamic_cast<C*>(v) != nullptr; };
      p.SetObj = [set](TObject* o, TObject* v) { set(o, dynamic_cast<C*>(v)); };
    } else {
      static_assert(sizeof(V) == 0, "unsupported published property type");
    }
    return p;
  }

  TClass FClass;
};

}  // namespace rv
