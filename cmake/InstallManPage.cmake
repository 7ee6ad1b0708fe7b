# SPDX-License-Identifier: BSD-3-Clause
# vantrel_install_man_page(PAGE): installs man/PAGE (vantrel.1, ...) into its section's
# folder, compressed as distributions ship manual pages: gzip -9n, so without a name or a
# time stamp and the same bytes at every build.
include(GNUInstallDirs)

function(vantrel_install_man_page page)
    string(REGEX MATCH "[1-9]$" section "${page}")
    set(source ${PROJECT_SOURCE_DIR}/man/${page})
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
        COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${source} ${compressed}
        DEPENDS ${source}
        VERBATIM)
    add_custom_target(man_page_${page} ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
