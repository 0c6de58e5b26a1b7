#pragma once
// What the throw-site record offers the fault handlers: they throw on behalf
// of a faulting instruction, so the record must name that instruction, not
// the handler.

#include <cstddef>

namespace rv {

// The calling thread's next throw records Site as its address, and its call
// stack from Site on.
void SetNextThrowSite(void* Site) noexcept;

// Fills Frames with the code addresses of the calling thread's stack (each
// return address moved back into its call), from From on when From is found
// among them (a faulting instruction, passed through the signal frame),
// otherwise from the caller's caller. Returns the count. Allocates nothing.
std::size_t CaptureCallStack(void** Frames, std::size_t Max, void* From) noexcept;

}  // namespace rv
