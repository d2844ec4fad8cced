# The settings window, the tour and the update alerts through the program itself: shell
# scripts in scripts/ that click and type with xdotool inside scripts/xvfb-session --tray.
# Included from tests/e2e/CMakeLists.txt.

# morvelan_gui_test(NAME SCRIPT): scripts/SCRIPT.sh given the program and the test client.
function(morvelan_gui_test name script)
    add_test(NAME ${name}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb-session --tray
            ${CMAKE_CURRENT_LIST_DIR}/scripts/${script}.sh
            $<TARGET_FILE:morvelan> $<TARGET_FILE:morvelan_testclient>)
    set_tests_properties(${name} PROPERTIES LABELS e2e TIMEOUT 180)
endfunction()

# First launch shows the tour; closing it by any means means it is not shown again.
morvelan_gui_test(e2e_tour tour)
# A Switcher hotkey recorded in Preferences replaces Super+Tab at once.
morvelan_gui_test(e2e_settings_hotkey settings-hotkey)
# The context editor by double-click; Export, Import back byte for byte, Reload of a broken file.
morvelan_gui_test(e2e_settings_config settings-config)
# "Update check failed" for a manual check only; an offer even from the automatic one.
morvelan_gui_test(e2e_updater_alerts updater-alerts)
