// Marks the classes and functions that libQuarnel.so exports; everything else
// in the library is hidden.
#pragma once

#define QRN_API __attribute__((visibility("default")))
