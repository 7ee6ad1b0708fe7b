// SPDX-License-Identifier: BSD-3-Clause
// vantrel-convert: batch conversion and inspection of recording files from the command
// line, through the same core and with the same messages as the window.

#include <iostream>

#include "CommandLine.h"
#include "platform/ProcessSignals.h"

namespace {

// A file-size limit fails a write with the program's message; a signal that ends the
// program removes the temporaries it was writing first.
void SetSignals() {
    vantrel::IgnoreFileSizeSignal();
    vantrel::RemoveTemporariesOnFatalSignals();
}

}  // namespace

#ifdef _WIN32
#include <string>
#include <vector>

#include <windows.h>

#include "platform/WideText.h"

// Windows hands arguments over in UTF-16; the program works in UTF-8, so "Übung.daq" and
// "測定.daq" reach it whatever the system's code page. The console shows UTF-8 too.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.push_back(vantrel::Utf8FromWide(argv[i]));
    }
    std::vector<const char*> pointers;
    for (const std::string& argument : arguments) {
        pointers.push_back(argument.c_str());
    }
    pointers.push_back(nullptr);
    SetConsoleOutputCP(CP_UTF8);
    SetSignals();
    return vantrel::cli::RunCommandLine(argc, pointers.data(), std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
    SetSignals();
    return vantrel::cli::RunCommandLine(argc, argv, std::cout, std::cerr);
}
#endif
