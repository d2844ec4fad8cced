# The settings window, the tour and the update alerts through the program itself: shell
# scripts in scripts/ that click and type with xdotool inside scripts/xvfb-session --tray.
# Included from tests/e2e/CMakeLists.txt.

# morvelan_gui_test(NAME SCRIPT [PROGRAM]): scripts/SCRIPT.sh given the program (morvelan
# unless another target is named) and the test client.
function(morvelan_gui_test name script)
    set(program morvelan)
    if(ARGC GREATER 2)
        set(program ${ARGV2})
    endif()
    add_test(NAME ${name}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb-session --tray
            ${CMAKE_CURRENT_LIST_DIR}/scripts/${script}.sh
            $<TARGET_FILE:${program}> $<TARGET_FILE:morvelan_testclient>)
    set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 180)
endfunction()

# First launch shows the tour; closing it by any means means it is not shown again.
morvelan_gui_test(e2e_tour tour)
# Through AT-SPI: named tabs, lists and controls; the held switcher's selection moves with Tab.
morvelan_gui_test(e2e_accessibility accessibility)
# A Switcher hotkey recorded in Preferences replaces Super+Tab at once.
morvelan_gui_test(e2e_settings_hotkey settings-hotkey)
# The context editor by double-click; Export, Import back byte for byte, Reload of a broken file.
morvelan_gui_test(e2e_settings_config settings-config)
# "Update check failed" for a manual check only; an offer even from the automatic one. The
# program is built without a release address, so the test runs one that takes the address of
# its local release server from the environment; the shipped program reads no such variable.
add_executable(morvelan_e2e_updates ${CMAKE_CURRENT_LIST_DIR}/updates_main.cpp)
target_link_libraries(morvelan_e2e_updates PRIVATE morvelan_qt)
morvelan_gui_test(e2e_updater_alerts updater-alerts morvelan_e2e_updates)
# Scripts driving the running copy: the command line's socket, then D-Bus on a bus of its own;
# under i3, whose key bindings hold the keyboard until their key is up.
add_test(NAME e2e_scripting
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb-session --tray --wm i3
        ${CMAKE_CURRENT_LIST_DIR}/scripts/scripting.sh
        $<TARGET_FILE:morvelan> $<TARGET_FILE:morvelan_testclient>)
set_tests_properties(e2e_scripting PROPERTIES LABELS e2e TIMEOUT 180)
