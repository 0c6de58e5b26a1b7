#pragma once
// RV_API marks what librevuziva.so exports. The library is built with hidden
// visibility, and each public header opens `namespace RV_API rv`, so all it
// declares is the API; what a .cpp declares for itself stays inside.

#define RV_API [[gnu::visibility("default")]]
