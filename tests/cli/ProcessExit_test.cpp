// vantrel-convert as a process: its exit status, and which stream each report takes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

struct Exit {
    int status;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

Exit RunProcess(const test::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = Quoted(VANTREL_CONVERT_EXE);
    for (const auto& arg : args) {
        command += " " + Quoted(arg);
    }
    command +=
        " >" + Quoted(dir.File("stdout")) + " 2>" + Quoted(dir.File("stderr")) + " </dev/null";
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, test::ReadFileText(dir.File("stdout")),
            test::ReadFileText(dir.File("stderr"))};
}

TEST(ProcessExit, statusIs0ForSuccess1ForAFailedFileAnd2ForUsage) {
    test::TempDir dir;
    const std::string good = dir.File("good.daq");
    test::TwoChannels(1).WriteTo(good);
    const std::string missing = dir.File("missing.daq");

    Exit e = RunProcess(dir, {good});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out, "Write to " + dir.File("good.cvt") + " successful!\n");
    EXPECT_EQ(e.err, "");

    e = RunProcess(dir, {missing, good});
    EXPECT_EQ(e.status, 1);
    EXPECT_EQ(e.out, "Write to " + dir.File("good.cvt") + " successful!\n");
    EXPECT_EQ(e.err, missing + ": Cannot open input file!\n");

    e = RunProcess(dir, {"--info", missing});
    EXPECT_EQ(e.status, 1);

    e = RunProcess(dir, {"--bogus", good});
    EXPECT_EQ(e.status, 2);
    EXPECT_EQ(e.out, "");
    EXPECT_NE(e.err, "");

    e = RunProcess(dir, {"--version"});
    EXPECT_EQ(e.status, 0);
    EXPECT_EQ(e.out, "vantrel-convert 1.0\n");
}

}  // namespace
}  // namespace vantrel
