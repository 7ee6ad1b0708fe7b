# SPDX-License-Identifier: BSD-3-Clause
# CLI11, nlohmann-json and fmt (built header-only) need no library, so a cross-build can
# use the host's copies. Their CMake packages would add all of /usr/include, whose C library
# headers would shadow the target's: this gives each its own folder holding only its
# headers instead.
function(vantrel_host_header_library target header_dir)
    if(TARGET ${target})
        return()
    endif()
    set(host /usr/include/${header_dir})
    if(NOT IS_DIRECTORY ${host})
        message(FATAL_ERROR "${target}: ${host} is missing (tools/install-deps.sh windows)")
    endif()
    set(folder ${CMAKE_BINARY_DIR}/host-headers/${header_dir})
    file(MAKE_DIRECTORY ${folder})
    file(CREATE_LINK ${host} ${folder}/${header_dir} SYMBOLIC)
    add_library(${target} INTERFACE IMPORTED GLOBAL)
    target_include_directories(${target} SYSTEM INTERFACE ${folder})
endfunction()

vantrel_host_header_library(CLI11::CLI11 CLI)
vantrel_host_header_library(nlohmann_json::nlohmann_json nlohmann)
vantrel_host_header_library(fmt::fmt-header-only fmt)
target_compile_definitions(fmt::fmt-header-only INTERFACE FMT_HEADER_ONLY=1)
