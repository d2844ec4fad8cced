# The updater end to end: morvelan_updater_driver and updater-e2e.sh, which serves a release
# zip from 127.0.0.1 and checks the swap and the relaunch. Needs no X server. Included from
# tests/e2e/CMakeLists.txt.
add_executable(morvelan_updater_driver ${CMAKE_CURRENT_LIST_DIR}/updater_driver.cpp)
target_link_libraries(morvelan_updater_driver PRIVATE morvelan_qt)

add_test(NAME e2e_updater
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/updater-e2e.sh $<TARGET_FILE:morvelan_updater_driver>
        $<TARGET_FILE:morvelan>)
set_tests_properties(e2e_updater PROPERTIES LABELS e2e TIMEOUT 300)
