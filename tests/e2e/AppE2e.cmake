# The whole program end to end (AppE2eTest.cpp): morvelan, the test client and a tray host.
# Every test case runs alone in a fresh session of its own. Included from
# tests/e2e/CMakeLists.txt.
add_executable(test_e2e_app ${CMAKE_CURRENT_LIST_DIR}/AppE2eTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ProgramProcess.cpp ${CMAKE_CURRENT_LIST_DIR}/TrayProbe.cpp)
target_link_libraries(test_e2e_app PRIVATE morvelan_e2e_support nlohmann_json::nlohmann_json
    GTest::gtest GTest::gtest_main)
target_compile_definitions(test_e2e_app PRIVATE MORVELAN_BINARY="$<TARGET_FILE:morvelan>")
add_dependencies(test_e2e_app morvelan)

foreach(name IN ITEMS
        ActivatingAWindowOnlyAnotherContextClaimsMakesThatContextActive
        PinsFollowNewAndClosedWindowsOfAPinnedApplication
        WindowsOnTheXIdsOfAClientThatQuitAreNewWindows
        TheTrayMenuWithAltDumpsTheWindowsToTheLog
        ShortcutsTheWindowManagerHoldsAreNamedInTheTrayUntilItLetsThemGo)
    add_test(NAME e2e_app.${name}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb-session --tray
                $<TARGET_FILE:test_e2e_app> --gtest_filter=AppE2e.${name})
    set_tests_properties(e2e_app.${name} PROPERTIES LABELS e2e TIMEOUT 120)
endforeach()
