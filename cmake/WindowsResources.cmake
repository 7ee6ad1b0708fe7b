# SPDX-License-Identifier: BSD-3-Clause
# vantrel_add_windows_resources(target DESCRIPTION text [ICON file.ico])
# Gives a Windows program its resources: the version from the project, the manifest asking
# for the execution level asInvoker and, where given, icon 128 (the one the shell shows).
function(vantrel_add_windows_resources target)
    cmake_parse_arguments(ARG "" "DESCRIPTION;ICON" "" ${ARGN})
    set(VANTREL_RC_TARGET ${target})
    set(VANTREL_RC_FILE_NAME ${target}.exe)
    set(VANTREL_RC_DESCRIPTION "${ARG_DESCRIPTION}")
    set(VANTREL_RC_MANIFEST ${PROJECT_SOURCE_DIR}/cmake/windows/program.manifest)
    set(VANTREL_RC_ICON "")
    if(ARG_ICON)
        set(VANTREL_RC_ICON "128 ICON \"${ARG_ICON}\"")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/cmake/windows/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    if(MSVC)
        # The linker would embed a manifest of its own beside ours.
        target_link_options(${target} PRIVATE /MANIFEST:NO)
    endif()
endfunction()
