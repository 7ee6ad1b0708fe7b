# SPDX-License-Identifier: BSD-3-Clause
# The project's own source files, tracked by git, one per line: what carries the licence's
# SPDX line (tools/check-format.sh checks it). Sourced, it defines source_files.
source_files() {
    git ls-files '*.cpp' '*.h' '*.py' '*.pyi' '*.sh' '*.cmake' '*CMakeLists.txt' '.ci/run' \
        'completion/*.bash'
}
