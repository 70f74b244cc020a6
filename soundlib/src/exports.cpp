// Takes the address of every function of the interface, so that the library
// does not link (-Wl,--no-undefined) unless all 225 are defined with their
// declared signatures.
#include "qrnsound.h"

namespace {

#define QRNSOUND_ADDRESS(ret, name, params) reinterpret_cast<const void*>(&name),
[[maybe_unused]] const void* const kExports[] = {QRNSOUND_FUNCTIONS(QRNSOUND_ADDRESS)};
#undef QRNSOUND_ADDRESS
static_assert(sizeof(kExports) / sizeof(kExports[0]) == QRNSOUND_FUNCTION_COUNT);

}  // namespace

// Keeps the table from being dropped as unused.
extern "C" __attribute__((visibility("hidden"), used)) const void* const* QrnSoundExports() { return kExports; }
