// SPDX-License-Identifier: BSD-3-Clause
#include "PyNames.h"

#include <fstream>
#include <sstream>
#include <string>

#include <pybind11/stl.h>

#include "PyFiles.h"
#include "platform/Utf8Path.h"

namespace py = pybind11;

namespace vantrel::python {

ChannelNames NamesArgument(const py::handle& names) {
    if (names.is_none()) {
        return {};
    }
    ChannelNames read;
    if (py::isinstance<py::dict>(names)) {
        for (const auto& [channel, name] : names.cast<py::dict>()) {
            if (!py::isinstance<py::int_>(channel) || !py::isinstance<py::str>(name)) {
                throw py::type_error("names maps channel numbers (int) to names (str)");
            }
            const std::string argument =
                std::to_string(channel.cast<long long>()) + "=" + name.cast<std::string>();
            if (const auto error = AddChannelName(read, argument)) {
                throw py::value_error(*error);
            }
        }
        return read;
    }
    const std::string path = PathText(names);  // TypeError for what is not a path
    std::ifstream file(PathFromUtf8(path), std::ios::binary);
    std::ostringstream text;
    if (!file.is_open() || !(text << file.rdbuf() || file.peek() == EOF) || file.bad()) {
        throw py::value_error(path + ": the file cannot be read");
    }
    auto parsed = ReadChannelNames(text.str(), path);
    if (auto* error = std::get_if<std::string>(&parsed)) {
        throw py::value_error(*error);
    }
    return std::get<ChannelNames>(std::move(parsed));
}

py::tuple NamesState(const ChannelNames& names) {
    py::list channels;
    for (const auto& [channel, naming] : names.channels) {
        channels.append(py::make_tuple(channel, naming.name, naming.type, naming.unit, naming.gain,
                                       naming.offset, naming.line));
    }
    return py::make_tuple(names.source, channels);
}

ChannelNames NamesFromState(const py::tuple& state) {
    ChannelNames names;
    names.source = state[0].cast<std::string>();
    for (const auto& entry : state[1].cast<py::list>()) {
        const auto [channel, name, type, unit, gain, offset, line] =
            entry.cast<std::tuple<std::int32_t, std::optional<std::string>,
                                  std::optional<std::string>, std::optional<std::string>,
                                  std::optional<double>, std::optional<double>, int>>();
        names.channels[channel] = {name, type, unit, gain, offset, line};
    }
    return names;
}

}  // namespace vantrel::python
