#include <algorithm>
#include <map>
#include <string>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/FormText.h"
#include "platform/classes/Resources.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

using formtext::Value;

[[noreturn]] void readError(const std::string& context, const std::string& what) {
  throw EReadError("Error reading " + context + ": " + what);
}

// One assignment still to apply: the rest of its property path.
struct Assignment {
  std::vector<std::string> Path;
  const Value* Val;
};

std::vector<std::string> splitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    std::size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot - start));
    if (dot == std::string::npos) return parts;
    start = dot + 1;
  }
}

class Reader {
 public:
  explicit Reader(TComponent* root) : FRoot(root) {}

  // Reads the tree into the root; on failure destroys what it created, clears
  // the loading state and lets the error go on.
  void Run(const formtext::Object& tree) {
    try {
      BeginLoading(FRoot);
      if (!tree.Name.empty() && tree.Name != FRoot->Name()) Guard(tree.Name, [&] { FRoot->SetName(tree.Name); });
      ApplyAll(FRoot, tree.Properties, ContextOf(FRoot, tree.Name));
      for (const formtext::Object& child : tree.Children) ReadChild(child, FRoot);
      ResolveFixups();
    } catch (...) {
      Undo();
      throw;
    }
    for (TComponent* c : FLoaded) c->SetStateFlag(csReading, false);
    for (TComponent* c : FLoaded) c->Loaded();
  }

 private:
  struct Fixup {
    TObject* Target;
    const TPropInfo* Prop;
    std::string Name;
    std::string Context;
  };

  static std::string ContextOf(const TComponent* c, const std::string& storedName) {
    if (!storedName.empty()) return storedName;
    return c->Name().empty() ? c->ClassName() : c->Name();
  }

  template <class F>
  void Guard(const std::string& context, F&& step) {
    try {
      step();
    } catch (const EReadError&) {
      throw;
    } catch (const Exception& e) {
      readError(context, e.Message());
    }
  }

  void BeginLoading(TComponent* c) {
    c->SetStateFlag(csLoading, true);
    c->SetStateFlag(csReading, true);
    FLoaded.push_back(c);
  }

  void Undo() {
    for (TComponent* c : FLoaded) {
      c->SetStateFlag(csReading, false);
      c->SetStateFlag(csLoading, false);
    }
    // Children were created last-first into the root's list; destroying one
    // also destroys what it owns.
    for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it) {
      if (const TFieldInfo* f = FRoot->ClassType().FindField((*it)->Name())) f->Assign(FRoot, nullptr);
      delete *it;
    }
  }

  void ReadChild(const formtext::Object& node, TComponent* parent) {
    const std::string context = (parent->Name().empty() ? parent->ClassName() : parent->Name()) + "." +
                                (node.Name.empty() ? node.ClassName : node.Name);
    const TClass* cls = GetClass(node.ClassName);
    if (!cls) readError(context, "Class " + node.ClassName + " not found");
    if (!cls->CanCreate()) readError(context, "Class " + node.ClassName + " can't be created");

    TComponent* child = nullptr;
    Guard(context, [&] {
      child = cls->Create(FRoot);
      FCreated.push_back(child);
      BeginLoading(child);
      child->SetName(node.Name);
      child->SetParentComponent(parent);
    });
    if (!node.Name.empty())
      if (const TFieldInfo* f = FRoot->ClassType().FindField(node.Name); f && !f->Assign(FRoot, child))
        readError(context, "Field " + node.Name + " does not fit class " + node.ClassName);
    ApplyAll(child, node.Properties, ContextOf(child, node.Name));
    for (const formtext::Object& grandChild : node.Children) ReadChild(grandChild, child);
  }

  void ApplyAll(TObject* target, const std::vector<formtext::Property>& props, const std::string& context) {
    std::vector<Assignment> list;
    list.reserve(props.size());
    for (const formtext::Property& p : props) list.push_back({splitPath(p.Path), &p.Val});
    Apply(target, std::move(list), context);
  }

  // Applies assignments in the class's declaration order, whatever order the
  // file gives (so LogFile is set before Formatting changes its extension).
  void Apply(TObject* target, std::vector<Assignment> list, const std::string& context) {
    const TClass& cls = target->ClassType();
    std::vector<std::pair<int, Assignment>> keyed;
    keyed.reserve(list.size());
    for (Assignment& a : list) {
      int index = cls.PropertyIndex(a.Path.front());
      if (index < 0) readError(context + "." + a.Path.front(), "Property " + a.Path.front() + " does not exist");
      keyed.emplace_back(index, std::move(a));
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const auto& x, const auto& y) { return x.first < y.first; });

    for (std::size_t i = 0; i < keyed.size();) {
      const TPropInfo& prop = *cls.Properties()[static_cast<std::size_t>(keyed[i].first)];
      const std::string where = context + "." + prop.Name;
      std::size_t j = i;
      std::vector<Assignment> nested;
      for (; j < keyed.size() && keyed[j].first == keyed[i].first; ++j) {
        Assignment& a = keyed[j].second;
        if (a.Path.size() == 1) {
          SetValue(target, prop, *a.Val, where);
        } else {
          if (prop.Kind != tkOwned) readError(where, "Invalid property path");
          a.Path.erase(a.Path.begin());
          nested.push_back(std::move(a));
        }
      }
      if (!nested.empty()) {
        TObject* sub = prop.GetObj(target);
        if (!sub) readError(where, "Invalid property path");
        Apply(sub, std::move(nested), where);
      }
      i = j;
    }
  }

  void SetValue(TObject* target, const TPropInfo& prop, const Value& v, const std::string& where) {
    auto bad = [&]() { readError(where, "Invalid property value"); };
    Guard(where, [&] {
      switch (prop.Kind) {
        case tkInteger: {
          std::int64_t value = v.Int;
          if (v.Type == Value::Ident) {
            if (!prop.IdentToInt || !prop.IdentToInt(v.Text, value)) bad();
          } else if (v.Type != Value::Integer) {
            bad();
          }
          prop.SetOrd(target, value);
          break;
        }
        case tkBoolean:
          if (v.Type != Value::Ident) bad();
          if (std::int64_t ord = BooleanOrdinal(v.Text); ord >= 0)
            prop.SetOrd(target, ord);
          else
            bad();
          break;
        case tkEnumeration: {
          if (v.Type != Value::Ident) bad();
          std::int64_t ord = prop.Enum->Ordinal(v.Text);
          if (ord < 0) bad();
          prop.SetOrd(target, ord);
          break;
        }
        case tkSet: {
          if (v.Type != Value::SetOf) bad();
          std::uint64_t bits = 0;
          for (const std::string& name : v.Names) {
            std::int64_t ord = prop.Enum->Ordinal(name);
            if (ord < 0 || ord > 63) bad();
            bits |= std::uint64_t{1} << ord;
          }
          prop.SetOrd(target, static_cast<std::int64_t>(bits));
          break;
        }
        case tkFloat:
          if (v.Type == Value::Float)
            prop.SetFloat(target, v.Real);
          else if (v.Type == Value::Integer)
            prop.SetFloat(target, static_cast<double>(v.Int));
          else
            bad();
          break;
        case tkString:
          if (v.Type != Value::String) bad();
          prop.SetStr(target, v.Text);
          break;
        case tkStringList:
          if (v.Type != Value::List) bad();
          prop.SetList(target, v.Names);
          break;
        case tkBinary:
          if (v.Type != Value::Binary) bad();
          prop.SetStr(target, v.Text);
          break;
        case tkMethod:
          if (v.Type != Value::Ident) bad();
          if (!prop.BindMethod(target, FRoot, v.Text)) readError(where, "Method " + v.Text + " not found");
          break;
        case tkReference:
          if (v.Type != Value::Ident) bad();
          FFixups.push_back({target, &prop, v.Text, where});
          break;
        case tkOwned: {
          auto* collection = dynamic_cast<TCollection*>(prop.GetObj(target));
          if (!collection || v.Type != Value::Collection) bad();
          ReadCollection(*collection, v, where);
          break;
        }
      }
    });
  }

  static std::int64_t BooleanOrdinal(const std::string& word) {
    static const TEnumInfo booleans("Boolean", "False, True");
    return booleans.Ordinal(word);
  }

  void ReadCollection(TCollection& collection, const Value& v, const std::string& where) {
    collection.BeginUpdate();
    try {
      collection.Clear();
      for (std::size_t i = 0; i < v.Items.size(); ++i) {
        const std::string context = where + "[" + std::to_string(i) + "]";
        TCollectionItem* item = nullptr;
        Guard(context, [&] { item = CreateItem(collection, v.Items[i].ClassName, context); });
        ApplyAll(item, v.Items[i].Properties, context);
      }
    } catch (...) {
      collection.EndUpdate();
      throw;
    }
    collection.EndUpdate();
  }

  // An item of the collection's own class, or of the stored one when that
  // descends from it.
  static TCollectionItem* CreateItem(TCollection& collection, const std::string& className,
                                     const std::string& context) {
    if (className.empty()) return collection.Add();
    const TClass* cls = GetClass(className);
    if (!cls) readError(context, "Class " + className + " not found");
    if (!cls->InheritsFrom(collection.ItemClass()) || !cls->CanCreateItem())
      readError(context, "Class " + className + " is not an item class of " + collection.ClassName());
    return cls->CreateItem(&collection);
  }

  TComponent* Resolve(const std::string& name) const {
    std::size_t dot = name.find('.');
    if (dot == std::string::npos) {
      if (!FRoot->Name().empty() && name == FRoot->Name()) return FRoot;
      return FRoot->FindComponent(name);
    }
    // "Owner.Name": only the stored tree is known to the reader.
    if (name.substr(0, dot) != FRoot->Name()) return nullptr;
    return FRoot->FindComponent(name.substr(dot + 1));
  }

  void ResolveFixups() {
    for (const Fixup& f : FFixups) {
      TComponent* found = Resolve(f.Name);
      if (!found) readError(f.Context, "Component " + f.Name + " not found");
      if (!f.Prop->AcceptsObj(found)) readError(f.Context, "Invalid property value");
      Guard(f.Context, [&] { f.Prop->SetObj(f.Target, found); });
    }
  }

  TComponent* FRoot;
  std::vector<TComponent*> FLoaded;
  std::vector<TComponent*> FCreated;
  std::vector<Fixup> FFixups;
};

}  // namespace

TComponent* ReadComponentText(std::string_view Text, TComponent* Owner) {
  formtext::Object tree = formtext::Parse(Text);
  const TClass* cls = GetClass(tree.ClassName);
  if (!cls) readError(tree.Name.empty() ? tree.ClassName : tree.Name, "Class " + tree.ClassName + " not found");
  if (!cls->CanCreate()) readError(tree.ClassName, "Class " + tree.ClassName + " can't be created");
  TComponent* root = nullptr;
  try {
    root = cls->Create(Owner);
  } catch (const EReadError&) {
    throw;
  } catch (const Exception& e) {
    readError(tree.Name.empty() ? tree.ClassName : tree.Name, e.Message());
  }
  try {
    Reader(root).Run(tree);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}

void ReadComponentTextInto(std::string_view Text, TComponent* Root) {
  formtext::Object tree = formtext::Parse(Text);
  const TClass* stored = GetClass(tree.ClassName);
  bool fits = false;
  for (const TClass* c = &Root->ClassType(); c && !fits; c = c->Parent()) fits = c->Name() == tree.ClassName;
  if (!fits && !(stored && Root->ClassType().InheritsFrom(*stored)))
    readError(tree.Name.empty() ? tree.ClassName : tree.Name,
              "Stored class " + tree.ClassName + " doesn't fit " + Root->ClassName());
  Reader(Root).Run(tree);
}

void ReadComponentResource(std::string_view ResourceName, TComponent* Root) {
  ReadComponentTextInto(FindResource(ResourceName), Root);
}

}  // namespace rv
