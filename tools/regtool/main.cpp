// regtool: the registry store from the command line.
//
//   regtool [--root DIR] query  KEY [NAME]
//   regtool [--root DIR] add    KEY [NAME TYPE DATA]
//   regtool [--root DIR] delete KEY [NAME]
//
// KEY begins with its root ("HKEY_CURRENT_USER\Software\Example" or
// "HKCU\Software\Example"). TYPE is REG_SZ, REG_EXPAND_SZ, REG_DWORD (decimal
// or 0x-hex) or REG_BINARY (hex digits). An empty NAME ("") is the key's
// unnamed value. Exit codes: 0 done, 1 failed, 2 wrong arguments.

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Strings.h"
#include "platform/os/Registry.h"

using namespace rv;

namespace {

int usage() {
  std::fputs(
      "usage: regtool [--root DIR] query KEY [NAME]\n"
      "       regtool [--root DIR] add KEY [NAME REG_SZ|REG_EXPAND_SZ|REG_DWORD|REG_BINARY DATA]\n"
      "       regtool [--root DIR] delete KEY [NAME]\n",
      stderr);
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "regtool: %s\n", message.c_str());
  return 1;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

bool unhex(const std::string& text, std::string& bytes) {
  if (text.size() % 2) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    char* end = nullptr;
    const std::string pair = text.substr(i, 2);
    const long v = std::strtol(pair.c_str(), &end, 16);
    if (*end) return false;
    bytes += static_cast<char>(v);
  }
  return true;
}

void printValue(const TRegistry& reg, const std::string& name) {
  const char* label = "REG_UNKNOWN";
  std::string text;
  switch (reg.GetDataType(name)) {
    case rdString:
      label = "REG_SZ";
      text = reg.ReadString(name);
      break;
    case rdExpandString:
      label = "REG_EXPAND_SZ";
      text = reg.ReadExpandString(name);
      break;
    case rdInteger:
      label = "REG_DWORD";
      text = std::to_string(reg.ReadInteger(name));
      break;
    case rdBinary: {
      label = "REG_BINARY";
      std::string data(static_cast<std::size_t>(reg.GetDataSize(name)), '\0');
      data.resize(static_cast<std::size_t>(reg.ReadBinaryData(name, data.data(), static_cast<int>(data.size()))));
      text = hex(data);
      break;
    }
    case rdUnknown: break;
  }
  std::printf("    %s    %s    %s\n", name.empty() ? "(Default)" : name.c_str(), label, text.c_str());
}

int query(TRegistry& reg, const std::string& path, const std::string& full, const std::vector<std::string>& rest) {
  if (!reg.OpenKeyReadOnly(path)) return fail("cannot open key " + full);
  std::printf("%s\n", full.c_str());
  if (!rest.empty()) {
    if (!reg.ValueExists(rest[0])) return fail("no value '" + rest[0] + "' in " + full);
    printValue(reg, rest[0]);
    return 0;
  }
  TStringList names;
  reg.GetValueNames(&names);
  for (int i = 0; i < names.Count(); ++i) printValue(reg, names.Strings(i));
  reg.GetKeyNames(&names);
  for (int i = 0; i < names.Count(); ++i) std::printf("%s\\%s\n", full.c_str(), names.Strings(i).c_str());
  return 0;
}

int add(TRegistry& reg, const std::string& full, const std::vector<std::string>& rest) {
  if (!rest.empty() && rest.size() != 3) return usage();
  if (!reg.OpenKey(full, true)) return fail("cannot create key " + full);
  if (rest.empty()) return 0;
  const std::string& name = rest[0];
  const std::string& type = rest[1];
  const std::string& data = rest[2];
  if (type == "REG_SZ") {
    reg.WriteString(name, data);
  } else if (type == "REG_EXPAND_SZ") {
    reg.WriteExpandString(name, data);
  } else if (type == "REG_DWORD") {
    char* end = nullptr;
    const long long v = std::strtoll(data.c_str(), &end, 0);
    if (data.empty() || *end || v < INT32_MIN || v > UINT32_MAX) return fail("not a 32-bit number: " + data);
    reg.WriteInteger(name, static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
  } else if (type == "REG_BINARY") {
    std::string bytes;
    if (!unhex(data, bytes)) return fail("not hex digits: " + data);
    reg.WriteBinaryData(name, bytes.data(), static_cast<int>(bytes.size()));
  } else {
    return usage();
  }
  return 0;
}

int remove(TRegistry& reg, const std::string& full, const std::vector<std::string>& rest) {
  if (rest.empty()) return reg.DeleteKey(full) ? 0 : fail("cannot delete key " + full);
  if (!reg.OpenKey(full, false)) return fail("cannot open key " + full);
  return reg.DeleteValue(rest[0]) ? 0 : fail("cannot delete value '" + rest[0] + "'");
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::unique_ptr<TRegistryRoot> root;
  if (args.size() >= 2 && args[0] == "--root") {
    root = std::make_unique<TRegistryRoot>(args[1]);
    SetRegistryRoot(root.get());
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() < 2 || args.size() > 5) return usage();
  const std::string command = args[0];
  const std::string key = args[1];
  const std::vector<std::string> rest(args.begin() + 2, args.end());
  const std::size_t slash = key.find('\\');
  const HKEY rootKey = TRegistryRoot::RootKeyOf(key.substr(0, slash));
  if (rootKey == 0) return fail("unknown root key in " + key);
  const std::string path = slash == std::string::npos ? "" : key.substr(slash + 1);
  TRegistry reg;
  reg.SetRootKey(rootKey);
  try {
    if (command == "query" && rest.size() <= 1) return query(reg, path, key, rest);
    if (command == "add") return add(reg, path, rest);
    if (command == "delete" && rest.size() <= 1) return remove(reg, path, rest);
  } catch (const Exception& e) {
    return fail(e.Message());
  }
  return usage();
}
