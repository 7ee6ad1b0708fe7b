// SPDX-License-Identifier: BSD-3-Clause
#include "convert/formats/LibraryFormats.h"

#include <array>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/LoadableModule.h"
#include "platform/Utf8Path.h"

namespace vantrel {

namespace {

const LibraryFormatCodes* linkedCodes = nullptr;

struct Loaded {
    const LibraryFormatCodes* codes = nullptr;
    std::string error;
};

// The modules, by the library they hold; each path is relative to the program's folder,
// the same in the build tree as where they are installed.
enum Module { kHdf5Module, kMatioModule, kEdflibModule, kModules };

const char* PathOf(Module module) {
    switch (module) {
#ifdef VANTREL_HDF5_MODULE
        case kHdf5Module:
            return VANTREL_HDF5_MODULE;
#endif
#ifdef VANTREL_MATIO_MODULE
        case kMatioModule:
            return VANTREL_MATIO_MODULE;
#endif
#ifdef VANTREL_EDFLIB_MODULE
        case kEdflibModule:
            return VANTREL_EDFLIB_MODULE;
#endif
        default:
            return nullptr;
    }
}

Module ModuleOf(OutputFormat format) {
    switch (format) {
        case OutputFormat::kHdf5:
            return kHdf5Module;
        case OutputFormat::kMat:
        case OutputFormat::kMat5:
            return kMatioModule;
        case OutputFormat::kEdf:
        case OutputFormat::kBdf:
            return kEdflibModule;
        default:
            return kModules;
    }
}

Loaded LoadModule(Module which) {
    Loaded loaded;
    const char* relative = which < kModules ? PathOf(which) : nullptr;
    if (relative == nullptr) {
        loaded.error = "this build has no module of it";
        return loaded;
    }
    const std::string program = RunningProgramPath();
    if (program.empty()) {
        loaded.error = "the program cannot tell its own folder";
        return loaded;
    }
    const std::string path = Utf8FromPath(
        (PathFromUtf8(program).parent_path() / PathFromUtf8(relative)).lexically_normal());
    const LoadableModule module = LoadableModule::Open(path, loaded.error);
    if (!module) {
        return loaded;
    }
    using CodesFunction = const LibraryFormatCodes* (*)();
    const auto codesOf = reinterpret_cast<CodesFunction>(module.Symbol(kLibraryFormatsSymbol));
    const LibraryFormatCodes* codes = codesOf != nullptr ? codesOf() : nullptr;
    if (codes == nullptr) {
        loaded.error = path + " is not a module of Vantrel's writers";
    } else if (std::string(codes->build) != VANTREL_LIBRARY_FORMATS_BUILD) {
        loaded.error = path + " is of another build (" + codes->build + "; this program is " +
                       VANTREL_LIBRARY_FORMATS_BUILD + ")";
    } else {
        loaded.codes = codes;
    }
    return loaded;
}

const Loaded& TheLoaded(Module which) {
    // Each module once per process, whichever thread asks first; never unloaded. A module
    // that could not be had stays so until the program starts again.
    static std::array<Loaded, kModules + 1> loaded;
    static std::array<std::once_flag, kModules + 1> once;
    std::call_once(once[which], [which] {
        loaded[which] = linkedCodes != nullptr ? Loaded{linkedCodes, {}} : LoadModule(which);
    });
    return loaded[which];
}

const LibraryFormatCode* CodeOf(OutputFormat format, std::string& error) {
    const LibraryFormatCode* code = LibraryFormat(format, error);
    if (code == nullptr) {
        error = "The " + std::string(NameOf(format)) + " writer cannot be loaded: " + error + "!";
    }
    return code;
}

// The entries' writer and refusal: the library's own, once it is loaded. The refusal runs
// before the output is created, so a module that cannot be had is told there.
template <OutputFormat format>
WriteResult WriteWithLibrary(const WriteJob& job) {
    const LibraryFormatCode* code = CodeOf(format, *job.refusal);
    return code != nullptr ? code->write(job) : WriteResult::kRefused;
}

template <OutputFormat format>
std::optional<std::string> RefuseWithLibrary(const RecordingHeader& header,
                                             const SelectedPart& part) {
    std::string error;
    const LibraryFormatCode* code = CodeOf(format, error);
    if (code == nullptr) {
        return error;
    }
    return code->refuse != nullptr ? code->refuse(header, part) : std::nullopt;
}

}  // namespace

bool UseLinkedLibraryFormats(const LibraryFormatCodes& codes) {
    linkedCodes = &codes;
    return true;
}

const LibraryFormatCode* LibraryFormat(OutputFormat format, std::string& error) {
    const Loaded& loaded = TheLoaded(ModuleOf(format));
    if (loaded.codes == nullptr) {
        error = loaded.error;
        return nullptr;
    }
    for (std::size_t i = 0; i < loaded.codes->count; ++i) {
        if (loaded.codes->codes[i]->format == format) {
            return loaded.codes->codes[i];
        }
    }
    error = "its module has no " + std::string(NameOf(format)) + " writer";
    return nullptr;
}

const OutputFormatInfo kHdf5Format = {
    .format = OutputFormat::kHdf5,
    .name = NameOf(OutputFormat::kHdf5),
    .listText = "Scaled data and codes to HDF5 file (.h5)",
    .description = "HDF5 datasets /scaled and /codes with the recording's facts as attributes",
    .extension = ".h5",
    .options = {FormatOption::kCompress},
    .byName = true,
    .recordsSource = true,
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteWithLibrary<OutputFormat::kHdf5>,
    .refuse = &RefuseWithLibrary<OutputFormat::kHdf5>,
};

const OutputFormatInfo kMatFormat = {
    .format = OutputFormat::kMat,
    .name = NameOf(OutputFormat::kMat),
    .listText = "Scaled data and codes to MATLAB 7.3 file (.mat)",
    .description = "MATLAB 7.3 variables scaled, codes and the recording's facts (HDF5 inside)",
    .extension = ".mat",
    .options = {FormatOption::kCompress},
    .byName = true,
    .recordsSource = true,
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteWithLibrary<OutputFormat::kMat>,
    .refuse = &RefuseWithLibrary<OutputFormat::kMat>,
};

const OutputFormatInfo kMat5Format = {
    .format = OutputFormat::kMat5,
    .name = NameOf(OutputFormat::kMat5),
    .listText = "Scaled data and codes to MATLAB 5 file (.mat)",
    .description = "MATLAB 5 variables for SciPy, R and old MATLAB versions",
    .extension = ".mat",
    .options = {FormatOption::kCompress},
    .byName = true,
    .recordsSource = true,
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteWithLibrary<OutputFormat::kMat5>,
    .refuse = &RefuseWithLibrary<OutputFormat::kMat5>,
};

const OutputFormatInfo kEdfFormat = {
    .format = OutputFormat::kEdf,
    .name = NameOf(OutputFormat::kEdf),
    .listText = "Codes and scales to EDF file (.edf, 16-bit cards)",
    .description = "EDF+ signals of the raw codes with each column's scale, for biosignal viewers",
    .extension = ".edf",
    .byName = true,
    .allocationMessage = "Failed to allocate binary data-array",
    .write = &WriteWithLibrary<OutputFormat::kEdf>,
    .refuse = &RefuseWithLibrary<OutputFormat::kEdf>,
};

const OutputFormatInfo kBdfFormat = {
    .format = OutputFormat::kBdf,
    .name = NameOf(OutputFormat::kBdf),
    .listText = "Codes and scales to BDF file (.bdf)",
    .description =
        "BDF+ signals (24-bit) of the raw codes with each column's scale, for every card",
    .extension = ".bdf",
    .byName = true,
    .allocationMessage = "Failed to allocate binary data-array",
    .write = &WriteWithLibrary<OutputFormat::kBdf>,
    .refuse = &RefuseWithLibrary<OutputFormat::kBdf>,
};

}  // namespace vantrel
