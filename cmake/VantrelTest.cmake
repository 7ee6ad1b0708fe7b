# SPDX-License-Identifier: BSD-3-Clause
# vantrel_add_test(name SOURCES a.cpp b.cpp LIBS lib...)
# One GoogleTest executable per library, registered with CTest test by test.
include(GoogleTest)

function(vantrel_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    # Tests carry the library formats inside, so that none depends on where a module lies.
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} vantrel_core_with_library_formats
                          GTest::gtest GTest::gtest_main)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    vantrel_set_warnings(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "VANTREL_BUILD_DIR=${PROJECT_BINARY_DIR}")
endfunction()
