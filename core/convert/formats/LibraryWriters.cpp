// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/LibraryWriters.h"

#include <array>

namespace vantrel {

namespace {

// Built only where the build has one of the libraries, so never empty.
const std::array kWriters = {
#ifdef VANTREL_HAVE_HDF5
    &kHdf5Writer,
#endif
#ifdef VANTREL_HAVE_MATIO
    &kMatWriter,  &kMat5Writer,
#endif
#ifdef VANTREL_HAVE_EDFLIB
    &kEdfWriter,  &kBdfWriter,
#endif
};

}  // namespace

const LibraryFormatCodes& LibraryWriters() {
    static const LibraryFormatCodes writers{VANTREL_LIBRARY_FORMATS_BUILD, kWriters.data(),
                                            kWriters.size()};
    return writers;
}

}  // namespace vantrel
