# SPDX-License-Identifier: BSD-3-Clause
# vantrel_gzip(INPUT OUTPUT): OUTPUT is INPUT compressed at every build as distributions
# compress what they ship, gzip -9n: without a name or a time stamp, so the same bytes each
# time.
function(vantrel_gzip input output)
    get_filename_component(folder ${output} DIRECTORY)
    get_filename_component(name ${output} NAME)
    add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}
        COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${input} ${output}
        DEPENDS ${input}
        VERBATIM)
    add_custom_target(gzip_${name} ALL DEPENDS ${output})
endfunction()
