# Helpers that turn a folder of sources into a library or a test program, so
# adding a file never means editing a CMakeLists.txt.

# morvelan_module(NAME DIR [DEPS ...]): a static library of every .cpp in DIR,
# or an interface library when DIR holds headers only.
function(morvelan_module name dir)
    file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_link_libraries(${name} PUBLIC ${ARGN})
        target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    else()
        add_library(${name} INTERFACE)
        target_link_libraries(${name} INTERFACE ${ARGN})
        target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    endif()
endfunction()

# morvelan_test(NAME DIR LABEL [DEPS ...]): one GoogleTest program of every
# .cpp in DIR, registered with ctest under LABEL.
function(morvelan_test name dir label)
    file(GLOB srcs CONFIGURE_DEPENDS "${dir}/*.cpp")
    if(NOT srcs)
        return()
    endif()
    add_executable(${name} ${srcs})
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS ${label} TIMEOUT 300)
endfunction()
