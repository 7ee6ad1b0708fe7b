// SPDX-License-Identifier: BSD-3-Clause
// Linked into the programs that carry the library formats inside: hands their writers to the
// core before main, so that no module is looked for.

#include "convert/formats/LibraryWriters.h"

namespace vantrel {
namespace {

[[maybe_unused]] const bool kLinked = UseLinkedLibraryFormats(LibraryWriters());

}  // namespace
}  // namespace vantrel
