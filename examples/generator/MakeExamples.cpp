// SPDX-License-Identifier: BSD-3-Clause
// vantrel-make-examples OUTDIR: writes every example recording to OUTDIR/NAME.daq.

#include <exception>
#include <filesystem>
#include <iostream>

#include "ExampleRecordings.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: vantrel-make-examples OUTDIR\n";
        return 2;
    }
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);
        for (const auto& example : vantrel::ExampleRecordings()) {
            example.recording.WriteTo((dir / (example.name + ".daq")).string());
        }
    } catch (const std::exception& e) {
        std::cerr << "vantrel-make-examples: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
