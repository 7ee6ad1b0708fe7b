# SPDX-License-Identifier: BSD-3-Clause
# vantrel_third_party_notices(FILE NAME=DEBIAN_PACKAGE...): writes FILE with the copyright
# notices and licences of the libraries compiled into the programs (header-only or linked
# statically), which a binary distribution must carry beside them. They are taken from the
# copyright files of the Debian packages the build used, so they are those libraries' own
# words for the versions compiled in. Libraries linked as shared libraries are not here: a
# package depends on their packages, which carry their notices.
function(vantrel_third_party_notices output)
    string(CONCAT text "Third-party notices\n\n"
           "The Vantrel programs compile in the libraries below. Their copyright notices and\n"
           "licences follow, as the Debian packages the build used give them.\n")
    foreach(entry IN LISTS ARGN)
        string(REPLACE "=" ";" parts "${entry}")
        list(GET parts 0 name)
        list(GET parts 1 package)
        set(copyright /usr/share/doc/${package}/copyright)
        if(NOT EXISTS ${copyright})
            # Built elsewhere than on Debian: the file says so, and the package checks refuse it.
            message(WARNING "${copyright} is missing: ${output} lacks the notices of ${name}")
            string(APPEND text "\n==== ${name}: NOT FOUND (no ${copyright} on the build machine)\n")
            continue()
        endif()
        file(READ ${copyright} notice)
        string(APPEND text "\n==== ${name} (from the Debian package ${package})\n\n${notice}")
    endforeach()
    file(WRITE ${output} "${text}")
endfunction()
