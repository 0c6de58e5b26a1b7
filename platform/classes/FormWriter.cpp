#include <string>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/FormText.h"
#include "platform/rtl/Hex.h"

namespace RV_API rv {

namespace {

constexpr const char* kEol = "\r\n";

class Writer {
 public:
  explicit Writer(const TComponent& root) : FRoot(root) {}

  std::string Run() {
    WriteObject(FRoot, 0);
    return std::move(FOut);
  }

 private:
  void Line(int indent, const std::string& text) {
    FOut.append(static_cast<std::size_t>(indent) * 2, ' ');
    FOut += text;
    FOut += kEol;
  }

  void WriteObject(const TComponent& c, int indent) {
    std::string header = "object ";
    if (!c.Name().empty()) header += c.Name() + ": ";
    Line(indent, header + c.ClassName());
    WriteProperties(c, "", indent + 1);
    std::vector<TComponent*> children;
    c.GetChildren(children, const_cast<TComponent*>(&FRoot));
    for (const TComponent* child : children) WriteObject(*child, indent + 1);
    Line(indent, "end");
  }

  void WriteProperties(const TObject& obj, const std::string& prefix, int indent) {
    for (const TPropInfo* p : obj.ClassType().Properties()) {
      if (p->Stored && !p->Stored(&obj)) continue;
      const std::string name = prefix + p->Name;
      switch (p->Kind) {
        case tkInteger:
        case tkBoolean:
        case tkEnumeration:
        case tkSet: {
          std::int64_t v = p->GetOrd(&obj);
          if (p->HasDefault && v == p->OrdDefault) break;
          Line(indent, name + " = " + OrdinalText(*p, v));
          break;
        }
        case tkFloat:
          if (double v = p->GetFloat(&obj); v != 0) Line(indent, name + " = " + formtext::FormatFloat(v));
          break;
        case tkString:
          if (std::string v = p->GetStr(&obj); !v.empty()) Line(indent, name + " = " + formtext::QuoteString(v));
          break;
        case tkStringList: WriteList(name, p->GetList(&obj), indent); break;
        case tkBinary: WriteBinary(name, p->GetStr(&obj), indent); break;
        case tkMethod:
          // A callback bound in code has no name to store.
          if (p->MethodAssigned(&obj))
            if (std::string m = p->GetMethodName(&obj); !m.empty()) Line(indent, name + " = " + m);
          break;
        case tkReference:
          if (TObject* target = p->GetObj(&obj)) {
            std::string ref = ReferenceName(static_cast<const TComponent&>(*target));
            if (!ref.empty()) Line(indent, name + " = " + ref);
          }
          break;
        case tkOwned:
          if (TObject* sub = p->GetObj(&obj)) {
            if (auto* collection = dynamic_cast<const TCollection*>(sub))
              WriteCollection(name, *collection, indent);
            else
              WriteProperties(*sub, name + ".", indent);
          }
          break;
      }
    }
  }

  static std::string OrdinalText(const TPropInfo& p, std::int64_t v) {
    switch (p.Kind) {
      case tkBoolean: return v ? "True" : "False";
      case tkEnumeration: {
        std::string n = p.Enum->Name(v);
        return n.empty() ? std::to_string(v) : n;
      }
      case tkSet: {
        std::string text = "[";
        for (int bit = 0; bit < 64; ++bit) {
          if (!((static_cast<std::uint64_t>(v) >> bit) & 1)) continue;
          if (text.size() > 1) text += ", ";
          text += p.Enum->Name(bit);
        }
        return text + "]";
      }
      default: {
        std::string ident;
        if (p.IntToIdent && p.IntToIdent(v, ident)) return ident;
        return std::to_string(v);
      }
    }
  }

  void WriteList(const std::string& name, const std::vector<std::string>& items, int indent) {
    if (items.empty()) return;
    Line(indent, name + " = (");
    for (std::size_t i = 0; i < items.size(); ++i)
      Line(indent + 1, formtext::QuoteString(items[i]) + (i + 1 == items.size() ? ")" : ""));
  }

  void WriteBinary(const std::string& name, const std::string& bytes, int indent) {
    if (bytes.empty()) return;
    Line(indent, name + " = {");
    for (std::size_t i = 0; i < bytes.size(); i += 32) {
      std::string row;
      for (std::size_t j = i; j < bytes.size() && j < i + 32; ++j)
        AppendHexByte(row, static_cast<unsigned char>(bytes[j]));
      Line(indent + 1, row + (i + 32 >= bytes.size() ? "}" : ""));
    }
  }

  void WriteCollection(const std::string& name, const TCollection& c, int indent) {
    if (c.Count() == 0) return;
    Line(indent, name + " = <");
    for (int i = 0; i < c.Count(); ++i) {
      // Items of a descendant class name it, so they read back as that class.
      const TClass& cls = c.Items(i)->ClassType();
      Line(indent + 1, &cls == &c.ItemClass() ? std::string("item") : "item: " + cls.Name());
      WriteProperties(*c.Items(i), "", indent + 2);
      Line(indent + 1, i + 1 == c.Count() ? "end>" : "end");
    }
  }

  // Components of the stored tree by name; others by their owner's name too.
  std::string ReferenceName(const TComponent& target) const {
    if (&target == &FRoot || target.Owner() == &FRoot || !target.Owner()) return target.Name();
    if (target.Name().empty() || target.Owner()->Name().empty()) return {};
    return target.Owner()->Name() + "." + target.Name();
  }

  const TComponent& FRoot;
  std::string FOut;
};

}  // namespace

std::string WriteComponentText(const TComponent& Root) { return Writer(Root).Run(); }

}  // namespace rv
