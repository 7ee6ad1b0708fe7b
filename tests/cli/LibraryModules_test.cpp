// SPDX-License-Identifier: BSD-3-Clause
// The formats a library writes come from modules loaded when first asked for: what a run
// loads (the dynamic loader's own account, LD_DEBUG=files), and what a program without its
// modules says.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/ProcessRun.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

// The files a run opened as shared libraries, as "file=NAME" lines of the loader's.
std::string LoadedBy(const test::TempDir& dir, const std::vector<std::string>& args) {
    const test::ProcessRun run = test::RunConverterProcess(dir, args, "LD_DEBUG=files");
    EXPECT_EQ(run.status, 0) << run.err;
    return run.err;
}

TEST(LibraryModules, eachRunLoadsOnlyTheLibraryOfItsFormat) {
    test::TempDir dir;
    const std::string input = dir.File("in.daq");
    test::TwoChannels(1).WriteTo(input);
    struct Case {
        std::vector<std::string> args;
        std::vector<std::string> loaded;     // parts of loaded files' names
        std::vector<std::string> notLoaded;  // parts no loaded file's name holds
    };
    const std::vector<std::string> everyLibrary = {"hdf5", "matio", "libedf", "-formats.so"};
    const std::vector<Case> cases = {
        {{"--version"}, {"libstdc++"}, everyLibrary},
        {{"--info", input}, {}, everyLibrary},
        {{"-f", "scaled-text", "-o", dir.File("out.txt"), input}, {}, everyLibrary},
        {{"-f", "csv", "-o", dir.File("out.csv"), input}, {}, everyLibrary},
        {{"-f", "edf", "-o", dir.File("out.edf"), input},
         {"vantrel-edflib-formats.so", "libedf"},
         {"hdf5", "matio"}},
        {{"-f", "hdf5", "-o", dir.File("out.h5"), input},
         {"vantrel-hdf5-formats.so", "hdf5"},
         {"matio", "libedf"}},
        {{"-f", "mat5", "-o", dir.File("out.mat"), input},
         {"vantrel-matio-formats.so", "matio"},
         {"libedf", "vantrel-hdf5-formats"}},
    };
    for (const Case& c : cases) {
        const std::string loaded = LoadedBy(dir, c.args);
        std::string lines;
        for (std::size_t at = loaded.find("file="); at != std::string::npos;
             at = loaded.find("file=", at + 1)) {
            lines += loaded.substr(at, loaded.find_first_of(" \n", at) - at) + "\n";
        }
        for (const std::string& name : c.loaded) {
            EXPECT_NE(lines.find(name), std::string::npos) << c.args[0] << " " << name;
        }
        for (const std::string& name : c.notLoaded) {
            EXPECT_EQ(lines.find(name), std::string::npos) << c.args[0] << " " << name << "\n"
                                                           << lines;
        }
    }
}

TEST(LibraryModules, aProgramWithoutItsModulesRefusesThoseFormatsOnlyAndCreatesNothing) {
    test::TempDir dir;
    const std::string input = dir.File("in.daq");
    test::TwoChannels(1).WriteTo(input);
    // The program alone in a folder of its own: no modules beside it.
    const std::string alone = dir.File("bin/vantrel-convert");
    std::filesystem::create_directories(dir.File("bin"));
    std::filesystem::copy_file(VANTREL_CONVERT_EXE, alone);

    const std::string h5 = dir.File("out.h5");
    test::ProcessRun run =
        test::RunConverterProcess(dir, {"-f", "hdf5", "-o", h5, input}, "", alone);
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("The hdf5 writer cannot be loaded: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("vantrel-hdf5-formats"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(h5));

    run =
        test::RunConverterProcess(dir, {"-f", "csv", "-o", dir.File("out.csv"), input}, "", alone);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir.File("out.csv")));
}

}  // namespace
}  // namespace vantrel
