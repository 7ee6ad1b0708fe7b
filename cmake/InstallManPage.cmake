# SPDX-License-Identifier: BSD-3-Clause
# vantrel_install_man_page(PAGE): installs man/PAGE (vantrel.1, ...) into its section's
# folder, compressed as distributions ship manual pages.
include(GNUInstallDirs)
include(Gzip)

function(vantrel_install_man_page page)
    string(REGEX MATCH "[1-9]$" section "${page}")
    set(compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
    vantrel_gzip(${PROJECT_SOURCE_DIR}/man/${page} ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man${section})
endfunction()
