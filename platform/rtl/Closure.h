#pragma once
// Closure<Sig>: a callback. It holds a callable and, when it was bound to a
// method of an object, that object and method, so that a slot can be asked
// whether it still holds a given handler. A closure read from a form file also
// carries the published method name it was bound by, which the form writer
// stores back.

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <utility>

#include "platform/rtl/Export.h"

namespace RV_API rv {

template <class Sig>
class Closure;

template <class R, class... A>
class Closure<R(A...)> {
 public:
  using Signature = R(A...);
  using Function = std::function<R(A...)>;

  Closure() = default;
  Closure(std::nullptr_t) {}  // NOLINT: lets "= nullptr" clear a slot

  // Any callable. Copies of the resulting closure compare equal to each other.
  template <class F,
            class = std::enable_if_t<!std::is_same_v<std::decay_t<F>, Closure> && std::is_invocable_r_v<R, F&, A...>>>
  Closure(F fn)  // NOLINT: implicit, so lambdas assign to slots directly
      : FFn(std::move(fn)), FToken(std::make_shared<char>()) {}

  // A method of an object: equal to every other closure of the same method on
  // the same object.
  template <class T, class M, class = std::enable_if_t<std::is_member_function_pointer_v<M>>>
  Closure(T* object, M method, std::string methodName = {})
      : FFn([object, method](A... args) -> R { return (object->*method)(std::forward<A>(args)...); }),
        FObject(object),
        FClass(&typeid(T)),
        FMethodName(std::move(methodName)) {
    static_assert(sizeof(M) <= sizeof(FMethod), "unexpected member pointer size");
    std::memcpy(FMethod.data(), &method, sizeof(M));
  }

  explicit operator bool() const { return static_cast<bool>(FFn); }

  R operator()(A... args) const { return FFn(std::forward<A>(args)...); }

  // The published method name this closure was bound by (empty when bound in code).
  const std::string& MethodName() const { return FMethodName; }
  void SetMethodName(std::string name) { FMethodName = std::move(name); }

  // The object a method closure is bound to; null for other callables.
  const void* Object() const { return FObject; }
  // The object a method closure is bound to when it was bound as a T; null
  // otherwise.
  template <class T>
  T* Target() const {
    return FClass && *FClass == typeid(T) ? static_cast<T*>(const_cast<void*>(FObject)) : nullptr;
  }

  bool operator==(const Closure& o) const {
    if (!FFn || !o.FFn) return !FFn && !o.FFn;
    if (FObject || o.FObject) return FObject == o.FObject && FClass == o.FClass && FMethod == o.FMethod;
    return FToken == o.FToken;
  }

 private:
  Function FFn;
  std::shared_ptr<char> FToken;  // identity of a plain callable and its copies
  const void* FObject = nullptr;
  const std::type_info* FClass = nullptr;
  std::array<unsigned char, 2 * sizeof(void*)> FMethod{};
  std::string FMethodName;
};

}  // namespace rv
