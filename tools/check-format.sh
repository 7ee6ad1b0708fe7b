#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Fails when any C++ source differs from .clang-format (run with --fix to apply it), or
# when a source file lacks the licence's SPDX line in its first lines.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi

# shellcheck source=tools/source-files.sh
source tools/source-files.sh
missing=0
while read -r file; do
    if ! head -n 2 "$file" | grep -q 'SPDX-License-Identifier: BSD-3-Clause'; then
        echo "$file: no SPDX-License-Identifier line at the top" >&2
        missing=1
    fi
done < <(source_files)
exit "$missing"
