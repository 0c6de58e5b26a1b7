#pragma once
// The initialisation and finalisation of unit LogBase, run by the package's
// entry points (package/REVuziva.cpp) when the library loads and unloads.
// Private to the library.

namespace rv {

// Creates LogLock.
void InitializeLogBase();
// Destroys LogLock. The capture extension table is constant data of the
// library image and goes with it.
void FinalizeLogBase();

}  // namespace rv
