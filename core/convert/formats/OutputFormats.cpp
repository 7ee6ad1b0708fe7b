// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/OutputFormats.h"

#include <array>
#include <string>

namespace vantrel {

namespace {

constexpr std::array kFormats = {
    &kScaledTextFormat, &kScaledBinaryFormat, &kCodesTextFormat,
#ifdef VANTREL_HAVE_HDF5
    &kHdf5Format,
#endif
#ifdef VANTREL_HAVE_MATIO
    &kMatFormat,        &kMat5Format,
#endif
    &kNpyFormat,        &kCsvFormat,
#ifdef VANTREL_HAVE_EDFLIB
    &kEdfFormat,        &kBdfFormat,
#endif
};

}  // namespace

std::span<const OutputFormatInfo* const> OutputFormats() {
    return kFormats;
}

const OutputFormatInfo& FormatInfo(OutputFormat format) {
    for (const OutputFormatInfo* info : kFormats) {
        if (info->format == format) {
            return *info;
        }
    }
    return kCodesTextFormat;
}

OutputFormat FormatOfIndex(std::int32_t formatIndex) {
    for (const OutputFormatInfo* info : kFormats) {
        if (static_cast<std::int32_t>(info->format) == formatIndex) {
            return info->format;
        }
    }
    return OutputFormat::kCodesText;
}

const OutputFormatInfo* FindFormat(std::string_view name) {
    for (const OutputFormatInfo* info : kFormats) {
        if (info->name == name) {
            return info;
        }
    }
    return nullptr;
}

std::string AppliesTo(FormatOption option, std::span<const OutputFormatInfo* const> formats) {
    std::string names;
    for (const OutputFormatInfo* info : formats) {
        if (info->options.Has(option)) {
            names += (names.empty() ? "" : ", ") + std::string(info->name);
        }
    }
    return "applies to " + (names.empty() ? std::string("no format of this build") : names);
}

}  // namespace vantrel
