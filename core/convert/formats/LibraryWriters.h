// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The library formats' writers, each defined beside its code (Hdf5Format.cpp, MatFormat.cpp,
// EdfFormat.cpp), and their table, which the module exports or a program links in.

#include "convert/formats/LibraryFormats.h"

namespace vantrel {

extern const LibraryFormatCode kHdf5Writer;
extern const LibraryFormatCode kMatWriter;
extern const LibraryFormatCode kMat5Writer;
extern const LibraryFormatCode kEdfWriter;
extern const LibraryFormatCode kBdfWriter;

// Every library format this build has, with the build's mark.
const LibraryFormatCodes& LibraryWriters();

}  // namespace vantrel
