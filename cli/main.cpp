// vantrel-convert: batch conversion and inspection of recording files from the command
// line, through the same core and with the same messages as the window.

#include <iostream>

#include "CommandLine.h"

int main(int argc, char** argv) {
    return vantrel::cli::RunCommandLine(argc, argv, std::cout, std::cerr);
}
