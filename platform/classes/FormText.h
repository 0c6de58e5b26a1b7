#pragma once
// The syntax of text form files, shared by the form reader and writer: a
// parsed tree of objects, properties and values, and the encoding of values.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rv::formtext {

struct Property;

struct Item {             // one item of a collection value
  std::string ClassName;  // "item: TClass"; empty for the collection's own item class
  std::vector<Property> Properties;
};

struct Value {
  enum Kind : std::uint8_t { Integer, Float, String, Ident, SetOf, Binary, List, Collection };
  Kind Type = Integer;
  std::int64_t Int = 0;
  double Real = 0;
  std::string Text;                // String, Ident, Binary (bytes)
  std::vector<std::string> Names;  // SetOf (member names), List (strings)
  std::vector<Item> Items;         // Collection
};

struct Property {
  std::string Path;  // "Caption" or "SendTo.EMail"
  Value Val;
  int Line = 0;
};

struct Object {
  std::string Name;  // may be empty
  std::string ClassName;
  std::vector<Property> Properties;
  std::vector<Object> Children;
  int Line = 0;
};

// Parses a whole form file; raises EReadError "Line N: ..." on any syntax
// error, on nesting deeper than the reader allows, and on trailing text.
Object Parse(std::string_view Text);

// Value encodings used by the writer (and their inverses used by Parse).
std::string QuoteString(std::string_view Utf8);
std::string FormatFloat(double Value);

}  // namespace rv::formtext
