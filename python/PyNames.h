// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The names= argument of open() and convert(): the path of a channels.tsv sidecar, or a
// mapping of channel numbers to names (as --name gives them), or None.

#include <pybind11/pybind11.h>

#include "convert/names/ChannelNames.h"

namespace vantrel::python {

// The names `names` gives; ValueError with the command line's message for a sidecar that
// cannot be read or is not one, or a name given twice; TypeError for another kind of value.
ChannelNames NamesArgument(const pybind11::handle& names);

// `names` as plain values a pickle holds, and back: a recording sent to another process
// names its columns as the one opened did, without the sidecar.
pybind11::tuple NamesState(const ChannelNames& names);
ChannelNames NamesFromState(const pybind11::tuple& state);

}  // namespace vantrel::python
