#pragma once
// The running program: its parameters as the kernel recorded them at start
// (/proc/self/cmdline) and the executable's full path (/proc/self/exe).

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The number of parameters after the program's own name.
int ParamCount();
// Parameter Index: 0 is the program (the executable's full path, or the name
// it was started by when that path can't be read), 1 to ParamCount() the
// parameters; any other index gives "".
std::string ParamStr(int Index);

// The executable's full path, whatever its length; "" when it can't be read.
std::string ExecutablePath();

// The arguments in a command-line record: strings each ended by a NUL. A last
// argument without its NUL (a program may rewrite its own record) counts too.
std::vector<std::string> SplitCommandLine(std::string_view Record);

}  // namespace rv
