// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What an HDF5 file holds, read from memory, to compare two files by: the bytes before the
// superblock (a MATLAB 7.3 file's header), then every group, dataset and named type by
// path, with each one's attributes by name, each value's type and shape and the values
// themselves (an object reference by what the object it names holds), and how each
// dataset is stored: layout, chunk shape and filters. Where the library put each object,
// and when it was made, is left out: those bytes may differ between two files that hold
// the same.

#include <optional>
#include <string>
#include <vector>

#include "MemoryFileApi.h"

namespace vantrel::fuzz {

class Hdf5Contents {
  public:
    // Reads `file`; a file the library cannot read in full differs from every file.
    explicit Hdf5Contents(const MemoryFileApi::Bytes& file);

    // The first difference found, as "path: what differs", or nullopt when both hold the
    // same. `storage`: datasets stored otherwise differ too.
    std::optional<std::string> DifferenceFrom(const Hdf5Contents& other, bool storage) const;

    // One object: its path, what it is and holds, and how a dataset's values are stored.
    struct Entry {
        std::string where;
        std::string what;
        std::string storage;
    };

  private:
    bool readable_ = false;
    std::string userBlock_;
    std::vector<Entry> entries_;  // in path order
};

}  // namespace vantrel::fuzz
