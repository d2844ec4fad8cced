# The switcher end to end: the morvelan program itself, driven by keys and clicks through
# XTest over test-client windows. Included from tests/e2e/CMakeLists.txt.
morvelan_e2e_test(e2e_switcher test_e2e_switcher
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SwitcherE2eTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ProgramProcess.cpp
    LIBS nlohmann_json::nlohmann_json)
target_compile_definitions(test_e2e_switcher PRIVATE MORVELAN_BINARY="$<TARGET_FILE:morvelan>")
add_dependencies(test_e2e_switcher morvelan)
