# SPDX-License-Identifier: BSD-3-Clause
# Compiler settings shared by every target of the project.

option(VANTREL_WERROR "Treat compiler warnings as errors" OFF)
option(VANTREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VANTREL_WITH_HDF5 "Write HDF5 files (libhdf5)" ON)
option(VANTREL_WITH_MATIO "Write MATLAB files (matio)" ON)
option(VANTREL_WITH_EDFLIB "Write EDF and BDF files (EDFlib)" ON)

# The options below and the cell formatter's 128-bit integers are GCC's and clang's; on
# Windows the project builds with MinGW-w64.
if(MSVC)
    message(FATAL_ERROR "Vantrel builds with GCC or clang; on Windows use MinGW-w64 "
                        "(Qt's MinGW kit for the window)")
endif()

# Warnings for our own targets (not for third-party code).
function(vantrel_set_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    # GCC 12 at -O3 warns of overlapping copies inside std::string's inlined operator+ that
    # cannot happen (GCC bug 105329); later releases don't.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(${target} PRIVATE -Wno-restrict)
    endif()
    if(VANTREL_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# Scaling must evaluate each double operation on its own, in source order: no fused
# multiply-add, no reassociation. Applied globally so no translation unit can differ.
add_compile_options(-ffp-contract=off -fno-fast-math)

if(VANTREL_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Hardening that lintian asks of a package's binaries: the string and memory calls whose
# sizes the compiler knows are checked (this needs the optimiser; -U first, as some
# toolchains define it already and a second definition is a warning), and the relocations
# are resolved at start and then made read-only. Sanitizer builds check more already.
option(VANTREL_HARDEN "Build with _FORTIFY_SOURCE and a read-only relocation table" ON)
if(VANTREL_HARDEN AND NOT VANTREL_SANITIZE AND NOT WIN32)
    add_compile_options("$<$<NOT:$<CONFIG:Debug>>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
    add_link_options(-Wl,-z,relro,-z,now)
endif()
