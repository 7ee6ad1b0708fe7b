// SPDX-License-Identifier: BSD-3-Clause
// libFuzzer entry for the formats a library writes by name (HDF5, MATLAB 7.3 and 5, EDF,
// BDF): arbitrary bytes as a recording file, loaded as the window loads them and, when the
// load succeeds, converted from the held block at the format's own chunk size, then from
// the held block and streamed at the chunk size the input chooses: all three must hold the
// same. Each conversion creates, writes and reads back a real file, which costs about as
// much as converting into all the other formats, so these have a target of their own and
// each input takes one of them (FuzzChecks.h: VariantOf).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "FuzzChecks.h"
#include "convert/formats/OutputFormats.h"
#include "convert/text/Separators.h"
#ifdef VANTREL_FUZZ_HAVE_HDF5
#include "Hdf5Contents.h"
#endif

namespace {

using vantrel::OutputFormat;
using vantrel::fuzz::Bytes;
using vantrel::fuzz::LoadedInput;
using vantrel::fuzz::Require;

// Chunks a conversion at the input's chunk size is cut into at most: each is a library
// call or more, and a recording of up to 64 scans still gets chunks of one scan.
constexpr std::uint64_t kMaxChunks = 64;
// A MATLAB file holds a cell of text for each channel, an object of its own in MATLAB 7.3,
// at a cost of some 0.2 ms each: thousands of channels take seconds per conversion. So a
// MATLAB file is compared with others up to 64 channels, made once up to 256, and not made
// of wider recordings, which the other formats take.
constexpr std::int64_t kMaxComparedMatChannels = 64;
constexpr std::int64_t kMaxMatChannels = 256;
// No channels and more scans than this: a header of up to billions of empty scans, which
// would cost a library call or more for each of the format's own chunks, and seconds in a
// MATLAB writer, which steps through every scan of its matrices without columns.
constexpr std::int64_t kMaxEmptyScans = std::int64_t{1} << 22;

// The one output a conversion made, compared with another of the same recording.
class Output {
  public:
    Output(OutputFormat format, Bytes bytes, std::string message)
        : format_(format), bytes_(std::move(bytes)), message_(std::move(message)) {}

    // Aborts with `promise` unless `other` is the same output with the same message: byte
    // for byte, or, for the HDF5-based formats, the same contents. Where HDF5 puts its
    // objects depends on the order the datasets were written in, and a MATLAB 7.3 file's
    // objects carry the time they were made. Our HDF5 datasets are stored in the same
    // chunks whatever the chunks they were written in; matio shapes its chunks by the
    // blocks it is given, so a MATLAB 7.3 file's storage is not compared.
    void RequireSame(const Output& other, const std::string& promise) {
        Require(other.message_ == message_, promise + " (with the same message)");
        if (other.bytes_ == bytes_) {
            return;
        }
#ifdef VANTREL_FUZZ_HAVE_HDF5
        if (format_ == OutputFormat::kHdf5 || format_ == OutputFormat::kMat) {
            if (!contents_) {
                contents_.emplace(bytes_);
            }
            const auto difference = contents_->DifferenceFrom(
                vantrel::fuzz::Hdf5Contents(other.bytes_), format_ == OutputFormat::kHdf5);
            if (difference) {
                vantrel::fuzz::Broken(promise + ": " + *difference);
            }
            return;
        }
#endif
        vantrel::fuzz::Broken(promise + ": the files differ in their bytes");
    }

  private:
    OutputFormat format_;
    Bytes bytes_;
    std::string message_;
#ifdef VANTREL_FUZZ_HAVE_HDF5
    std::optional<vantrel::fuzz::Hdf5Contents> contents_;  // read once, when first needed
#endif
};

// The formats of this target that the build has.
std::vector<const vantrel::OutputFormatInfo*> LibraryFormats() {
    std::vector<const vantrel::OutputFormatInfo*> formats;
    for (const vantrel::OutputFormatInfo* format : vantrel::OutputFormats()) {
        if (format->byName) {
            formats.push_back(format);
        }
    }
    return formats;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<const vantrel::OutputFormatInfo*> formats = LibraryFormats();
    if (formats.empty()) {
        return 0;
    }
    LoadedInput input(std::span(data, size));
    const unsigned variant = vantrel::fuzz::VariantOf(input);
    const OutputFormat format = formats[variant % formats.size()]->format;
    // Streamed from the file, or from a pipe, whose size is not known.
    const bool pipe = variant / formats.size() % 2 == 1;
    const std::uint64_t chunkSamples = vantrel::fuzz::ChunkSamplesOf(input, kMaxChunks);
    vantrel::ConversionOptions chunked{format, vantrel::Separator::kTab, true};
    chunked.chunkSamples = chunkSamples;
    if (!input.loaded) {
        // Streamed, a recording that ends early is only found out while the library writes,
        // in whichever chunk it ends: the file it began must go.
        vantrel::fuzz::ConvertStreamed(input, chunked, pipe);
        Require(input.files.File(vantrel::fuzz::kOutput) == nullptr,
                "a recording that cannot load converts nothing");
        return 0;
    }
    vantrel::ConversionState& state = input.state;
    const std::int64_t channels = state.recording.header.channelCount();
    const std::int64_t scans = state.recording.header.scanCount();
    const bool matlab = format == OutputFormat::kMat || format == OutputFormat::kMat5;
    if (matlab && channels > kMaxMatChannels) {
        return 0;
    }
    state.outputPath = vantrel::fuzz::kOutput;
    if (channels == 0 && scans > kMaxEmptyScans) {
        // Converted once, in the input's chunks, of which there are at most kMaxChunks.
        if (!matlab) {
            state.options = chunked;
            vantrel::fuzz::Convert(input);
            vantrel::fuzz::CheckConversion(input, state);
        }
        return 0;
    }
    state.options = chunked;
    state.options.chunkSamples = 0;  // the format's own
    Bytes held = vantrel::fuzz::Convert(input);
    vantrel::fuzz::CheckConversion(input, state);
    Output reference(format, std::move(held), input.messages.texts.front());
    if (matlab && channels > kMaxComparedMatChannels) {
        return 0;
    }

    state.options = chunked;
    Bytes inChunks = vantrel::fuzz::Convert(input);
    vantrel::fuzz::CheckConversion(input, state);
    reference.RequireSame(Output(format, std::move(inChunks), input.messages.texts.front()),
                          "chunks of any size convert exactly as the format's own do");
    Bytes streamed = vantrel::fuzz::ConvertStreamed(input, chunked, pipe);
    reference.RequireSame(Output(format, std::move(streamed), input.messages.texts.front()),
                          pipe ? "a pipe in chunks of any size converts exactly as the held "
                                 "block does"
                               : "streaming from the file in chunks of any size converts "
                                 "exactly as the held block does");
    return 0;
}
