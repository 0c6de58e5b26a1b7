#pragma once
// What the throw-site record offers the fault handlers: they throw on behalf
// of a faulting instruction, so the record must name that instruction, not
// the handler.

#include <cstddef>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The calling thread's next throw records Site as its address, and its call
// stack from Site on.
void SetNextThrowSite(void* Site) noexcept;

// Fills Frames with the code addresses of the calling thread's stack (each
// return address moved back into its call) from the frame at From on: a
// throwing call, or a faulting instruction reached through the signal
// frame. When the walk can't reach From, Frames holds From alone. Returns
// the count. Allocates nothing.
std::size_t CaptureCallStack(void** Frames, std::size_t Max, void* From) noexcept;

}  // namespace rv
