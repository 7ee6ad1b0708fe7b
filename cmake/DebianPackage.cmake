# SPDX-License-Identifier: BSD-3-Clause
# The Debian package vantrel_<version>_amd64.deb: what `cmake --install` puts in place (the
# window and vantrel-convert, the manual pages, the completion, the desktop entry, the file
# type, the icons, the software centres' description, the Python module) under /usr, with
# the README, the licence in Debian's copyright form, the notices of the libraries compiled
# in and a changelog in /usr/share/doc/vantrel. The libraries it needs are found by dpkg-shlibdeps.
include(GNUInstallDirs)

set(VANTREL_MAINTAINER "The Vantrel authors <authors@vantrel.org>" CACHE STRING
    "The Debian package's maintainer: a name and an address")

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
set(package_dir ${CMAKE_BINARY_DIR}/package)
install(FILES README.md ${VANTREL_NOTICES} DESTINATION ${doc_dir})
install(DIRECTORY docs DESTINATION ${doc_dir})  # the README links into it

# The licence in Debian's machine-readable copyright format: LICENSE's text as the body of
# its License field, each line indented by one space and an empty line written " .".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
string(STRIP "${licence}" licence)
string(REGEX REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REGEX REPLACE "\n" "\n " licence "${licence}")
file(WRITE ${package_dir}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: Vantrel\n"
     "\n"
     "Files: *\n"
     "Copyright: The Vantrel authors\n"
     "License: BSD-3-Clause\n"
     " ${licence}\n")
install(FILES ${package_dir}/copyright DESTINATION ${doc_dir})

# The changelog of a package made by its authors: one entry for this version, dated at its
# release in RFC 2822's form, which needs the day of the week (Zeller's congruence).
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" release_date "${VANTREL_RELEASE_DATE}")
set(year ${CMAKE_MATCH_1})
math(EXPR month "${CMAKE_MATCH_2}")  # without the leading zero
math(EXPR day "${CMAKE_MATCH_3}")
if(month LESS 3)
    math(EXPR zeller_month "${month} + 12")
    math(EXPR zeller_year "${year} - 1")
else()
    set(zeller_month ${month})
    set(zeller_year ${year})
endif()
math(EXPR weekday "(${day} + (13 * (${zeller_month} + 1)) / 5 + ${zeller_year} + ${zeller_year} / 4
                    - ${zeller_year} / 100 + ${zeller_year} / 400) % 7")  # 0 is Saturday
set(weekday_names Sat Sun Mon Tue Wed Thu Fri)
list(GET weekday_names ${weekday} weekday_name)
math(EXPR month_index "${month} - 1")
set(month_names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(GET month_names ${month_index} month_name)
set(changelog_date "${weekday_name}, ${day} ${month_name} ${year} 00:00:00 +0000")
file(WRITE ${package_dir}/changelog
     "vantrel (${PROJECT_VERSION}) unstable; urgency=medium\n"
     "\n"
     "  * Vantrel ${PROJECT_VERSION}: the window, vantrel-convert and the Python module.\n"
     "\n"
     " -- ${VANTREL_MAINTAINER}  ${changelog_date}\n")
include(Gzip)
vantrel_gzip(${package_dir}/changelog ${package_dir}/changelog.gz)
install(FILES ${package_dir}/changelog.gz DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR "The Vantrel authors")
set(CPACK_PACKAGE_CONTACT "${VANTREL_MAINTAINER}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vantrel_<version>_<architecture>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "converter of data acquisition recordings for analysis tools
Vantrel converts the recording files of a family of USB data-acquisition
cards into files that analysis tools read: scaled values or raw codes as
text, little-endian doubles, HDF5, MATLAB, NumPy, CSV, and EDF or BDF.
The analysis formats keep the scan rate, the start and the channel and
input range of every column beside the values.
.
The package holds the window (vantrel), the command-line tool
(vantrel-convert) and the Python 3 module vantrel.")
# The libraries the programs and the module link, and what the module needs beside them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${VANTREL_PACKAGE_PYTHON_DEPENDS}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${VANTREL_PACKAGE_PYTHON_SCRIPTS}")
# vantrel.dask runs on them where they are installed.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "python3-dask, python3-distributed, python3-zarr")
set(CPACK_STRIP_FILES ON)
# The Python module's folder is an absolute path (the interpreter's own): it is installed
# under the package's root as the other files are, and the rest under /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
# Files and folders as Debian's tools make them (0644 and 0755), whatever the umask of the
# machine that builds: lintian refuses others.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
