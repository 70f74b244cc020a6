// Declarations of the sound library's 225 exported functions. Only the library
// includes this: the engine binds them at run time by name (qrnsound_types.h).
#pragma once

#include "qrnsound_types.h"

#if defined(_WIN32)
#define QRNSOUND_API __declspec(dllexport)
#else
#define QRNSOUND_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define QRNSOUND_DECLARE(ret, name, params) QRNSOUND_API ret name params;
QRNSOUND_FUNCTIONS(QRNSOUND_DECLARE)
#undef QRNSOUND_DECLARE

#ifdef __cplusplus
}
#endif
