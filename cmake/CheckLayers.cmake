# SPDX-License-Identifier: BSD-3-Clause
# Fails when a file of core/${LAYER} includes a header of a layer in ${FORBIDDEN} (the
# layers above it). Run by the build before the layer's library: cmake -DLAYER=recording
# -DFORBIDDEN=convert -DROOT=<core folder> -P CheckLayers.cmake
file(GLOB_RECURSE files ${ROOT}/${LAYER}/*.h ${ROOT}/${LAYER}/*.cpp)
set(found "")
foreach(file IN LISTS files)
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS includes)
        foreach(above IN LISTS FORBIDDEN)
            if(line MATCHES "include[ \t]*[\"<](\\.\\./)*${above}/")
                file(RELATIVE_PATH shown ${ROOT} ${file})
                string(STRIP "${line}" line)
                string(APPEND found "\n  core/${shown}: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "core/${LAYER} may include only its own headers and those of the "
                        "layers below it; these reach up:${found}")
endif()
