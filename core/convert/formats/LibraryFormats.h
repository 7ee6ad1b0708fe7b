// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The formats a library writes (HDF5; MATLAB 7.3 and 5 with matio; EDF and BDF with EDFlib)
// are built apart from the rest of the core, one writers' library per library. Programs
// that carry them inside (the Python module, the tests) link them all; the command line and
// the window load a library's module the first time one of its formats is asked for, so
// that a text conversion or `--info` never loads HDF5, matio or EDFlib, nor the libraries
// they pull in, and an EDF conversion loads EDFlib alone. Their entries in the format table
// are kept in the core either way.

#include <cstddef>
#include <optional>
#include <string>

#include "convert/formats/OutputFormats.h"

namespace vantrel {

// The code of one library format: its writer and its refusal (null when it holds every
// convertible recording).
struct LibraryFormatCode {
    OutputFormat format;
    WriteResult (*write)(const WriteJob&);
    std::optional<std::string> (*refuse)(const RecordingHeader&, const SelectedPart&);
};

// What a module (or the linked writers) hands over: its build's mark, and the codes of its
// formats.
struct LibraryFormatCodes {
    const char* build;
    const LibraryFormatCode* const* codes;
    std::size_t count;
};

// A module of another build (another version, compiler or text of the core's headers,
// whose layouts of the types handed over may differ) is not used.
#define VANTREL_LIBRARY_FORMATS_BUILD VANTREL_VERSION " " __VERSION__ " " VANTREL_CORE_HEADERS_MARK

// The function the module exports, returning its LibraryFormatCodes, and its name.
#define VANTREL_LIBRARY_FORMATS_ENTRY vantrel_library_format_codes
#define VANTREL_LIBRARY_FORMATS_NAME(entry) #entry
#define VANTREL_LIBRARY_FORMATS_SYMBOL(entry) VANTREL_LIBRARY_FORMATS_NAME(entry)
inline constexpr char kLibraryFormatsSymbol[] =
    VANTREL_LIBRARY_FORMATS_SYMBOL(VANTREL_LIBRARY_FORMATS_ENTRY);

// A program that links the writers hands their codes over here, before main (see
// LibraryFormatsLinked.cpp); no module is then looked for.
bool UseLinkedLibraryFormats(const LibraryFormatCodes& codes);

// The code of a library format, loading its library's module the first time; null with
// `error` saying why it could not be had.
const LibraryFormatCode* LibraryFormat(OutputFormat format, std::string& error);

}  // namespace vantrel
