// SPDX-License-Identifier: BSD-3-Clause
// The module the command line and the window load for the library formats: it exports one
// function, and keeps everything else, the copy of the core it links included, to itself.

#include "convert/formats/LibraryWriters.h"

#if defined(_WIN32)
#define VANTREL_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define VANTREL_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

VANTREL_MODULE_EXPORT const vantrel::LibraryFormatCodes* VANTREL_LIBRARY_FORMATS_ENTRY() {
    return &vantrel::LibraryWriters();
}
