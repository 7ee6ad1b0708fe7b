#!/usr/bin/env bash
# SPDX-License-Identifier: BSD-3-Clause
# Runs the Windows vantrel-convert.exe under Wine beside the Linux build and compares them:
# every example recording in every format the Windows build has, byte for byte (to files and
# to standard output), with the same messages; names in other scripts; the recording refused
# as its own output however it is spelt; and a full output device.
#   windows-check.sh [LINUX_BUILD] [WINDOWS_BUILD]   (default build/ci build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
tools=$PWD/tools

linux_build=$PWD/${1:-build/ci}
linux_exe=$linux_build/cli/vantrel-convert
windows_build=$PWD/${2:-build/windows}
windows_exe=$windows_build/cli/vantrel-convert.exe
export WINEPREFIX=$windows_build/wine-prefix WINEDEBUG=-all

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$windows_build"/examples/*.daq "$work"/
cd "$work"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
# Wine's own failed starts are made once more (tools/wine-run.sh); its notes go to the
# script's standard error, apart from the messages compared.
exec 3>&2
windows() { WINE_RUN_NOTES_FD=3 bash "$tools/wine-run.sh" "$windows_exe" "$@"; }
# Console text ends its lines with CR LF on Windows; the data never does.
plain() { tr -d '\r'; }

# The examples the Windows build writes are the Linux build's, byte for byte.
for example in *.daq; do
    cmp -s "$example" "$linux_build/examples/$example" ||
        fail "example $example differs from the Linux build's"
done

mapfile -t formats < <(windows --list-formats | plain | cut -d' ' -f1)
((${#formats[@]} >= 5)) || fail "the Windows build lists ${#formats[@]} formats"
compared=0
for format in "${formats[@]}"; do
    for options in "" "-s comma --no-title"; do
        mkdir -p "linux/$format" "windows/$format"
        # shellcheck disable=SC2086 # the options are words
        linux_said=$("$linux_exe" -f "$format" $options --output-dir "linux/$format" *.daq 2>&1 |
                     sed "s#linux/#DIR/#g") || true
        # shellcheck disable=SC2086
        windows_said=$(windows -f "$format" $options --output-dir "windows/$format" *.daq 2>&1 |
                       plain | sed 's#windows/#DIR/#g; s#\\#/#g') || true
        [ "$linux_said" = "$windows_said" ] ||
            fail "$format $options: messages differ:"$'\n'"$linux_said"$'\n'"---"$'\n'"$windows_said"
        [ "$(ls "linux/$format")" = "$(ls "windows/$format")" ] ||
            fail "$format $options: the builds wrote different files"
        for output in "linux/$format"/*; do
            twin=windows/$format/${output##*/}
            if cmp -s "$output" "$twin"; then
                compared=$((compared + 1))
            else
                fail "$format $options: $twin differs from $output"
            fi
        done
        rm -rf "linux/$format" "windows/$format"
    done
    # Standard output carries the bytes untranslated.
    "$linux_exe" -f "$format" -o - card2-*.daq >linux.out 2>/dev/null
    windows -f "$format" -o - card2-*.daq >windows.out 2>/dev/null
    cmp -s linux.out windows.out || fail "$format to standard output differs"
done
echo "compared $compared outputs in ${#formats[@]} formats with the Linux build's"

# Names in other scripts come in through the UTF-16 command line and reach the file calls.
reference=$(ls card1-*.daq | head -n 1)
"$linux_exe" -o reference.cvt "$reference" >/dev/null
for name in "Übung" "測定"; do
    cp "$reference" "$name.daq"
    said=$(windows "$name.daq" | plain)
    [ "$said" = "Write to $name.cvt successful!" ] || fail "$name.daq: said \"$said\""
    cmp -s reference.cvt "$name.cvt" || fail "$name.cvt differs from the Linux output"
    [ "$(windows --info --json "$name.daq" "$reference" | plain)" = \
      "$("$linux_exe" --info --json "$name.daq" "$reference")" ] ||
        fail "--info --json $name.daq differs from the Linux build's"
done

# The recording as its own output, through other spellings and a hard link: refused, and
# the recording keeps its bytes.
mkdir sub
ln "$reference" hard.daq
cp "$reference" before.daq
for spelling in "sub\\..\\$reference" "./$reference" "hard.daq"; do
    linux_spelling=${spelling//\\//}
    expected=$("$linux_exe" -f scaled-binary -o "$linux_spelling" "$reference" 2>&1 | sed "s#$linux_spelling#OUT#") &&
        fail "Linux converted $reference onto $linux_spelling"
    said=$(windows -f scaled-binary -o "$spelling" "$reference" 2>&1 | plain) &&
        fail "$reference was converted onto $spelling"
    [ "${said//"$spelling"/OUT}" = "$expected" ] ||
        fail "onto $spelling: said \"$said\", Linux \"$expected\""
    cmp -s before.daq "$reference" || fail "$reference changed when written onto $spelling"
done

# A full output device: the write fails, as on Linux.
expected=$("$linux_exe" -o /dev/full "$reference" 2>&1 | sed 's#/dev/full#OUT#') &&
    fail "Linux wrote to /dev/full"
said=$(windows -o 'Z:\dev\full' "$reference" 2>&1 | plain) && fail "the .exe wrote to a full device"
[ "${said//Z:\\dev\\full/OUT}" = "$expected" ] ||
    fail "full device: said \"$said\", Linux \"$expected\""
[ -c /dev/full ] || fail "/dev/full is no longer a device"

if ((failures)); then
    echo "$failures Windows checks failed" >&2
    exit 1
fi
echo "Windows build: every check passed"
