# Install rules for the program and its desktop files, and the Debian package (CPack DEB,
# made by scripts/package). Included from the top-level CMakeLists.txt after src/qt.

# Debian's name for the folder, whatever GNUInstallDirs makes of the project's name.
set(doc_dir "${CMAKE_INSTALL_DATAROOTDIR}/doc/morvelan")

# Icons: the SVG, and the PNG sizes trays and menus ask for, drawn from it at build time so
# no picture can drift from the source.
set(icon_svg "${PROJECT_SOURCE_DIR}/data/morvelan.svg")
install(FILES "${icon_svg}" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    set(icon_pngs)
    foreach(size 16 22 24 32 48 64 128 256)
        set(png "${PROJECT_BINARY_DIR}/icons/${size}/morvelan.png")
        add_custom_command(OUTPUT "${png}"
            COMMAND "${CMAKE_COMMAND}" -E make_directory "${PROJECT_BINARY_DIR}/icons/${size}"
            COMMAND "${RSVG_CONVERT}" -w ${size} -h ${size} -o "${png}" "${icon_svg}"
            DEPENDS "${icon_svg}" VERBATIM)
        list(APPEND icon_pngs "${png}")
        install(FILES "${png}"
            DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps")
    endforeach()
else()
    message(STATUS "rsvg-convert not found (librsvg2-bin): only the SVG icon is installed")
endif()

# The manual page, with the version filled in and compressed as man expects it.
configure_file(docs/morvelan.1 "${PROJECT_BINARY_DIR}/man/morvelan.1" @ONLY)
add_custom_command(OUTPUT "${PROJECT_BINARY_DIR}/man/morvelan.1.gz"
    COMMAND gzip -9nkf "${PROJECT_BINARY_DIR}/man/morvelan.1"
    DEPENDS "${PROJECT_BINARY_DIR}/man/morvelan.1" VERBATIM)
# morvelan-msg's page is morvelan's.
configure_file(docs/morvelan-msg.1 "${PROJECT_BINARY_DIR}/man/morvelan-msg.1" COPYONLY)
add_custom_command(OUTPUT "${PROJECT_BINARY_DIR}/man/morvelan-msg.1.gz"
    COMMAND gzip -9nkf "${PROJECT_BINARY_DIR}/man/morvelan-msg.1"
    DEPENDS "${PROJECT_BINARY_DIR}/man/morvelan-msg.1" VERBATIM)
add_custom_target(morvelan_data ALL
    DEPENDS ${icon_pngs} "${PROJECT_BINARY_DIR}/man/morvelan.1.gz"
    "${PROJECT_BINARY_DIR}/man/morvelan-msg.1.gz")

install(TARGETS morvelan morvelan-msg RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
install(FILES data/morvelan.desktop DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
install(FILES data/io.github.morvelan.morvelan.metainfo.xml
    DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")
install(FILES "${PROJECT_BINARY_DIR}/man/morvelan.1.gz" "${PROJECT_BINARY_DIR}/man/morvelan-msg.1.gz"
    DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")

if(NOT MORVELAN_PACKAGED)
    install(FILES LICENSE DESTINATION "${doc_dir}")
    return()
endif()

# Debian wants the licence as a machine-readable copyright file and a changelog, both in the
# documentation folder.
file(READ LICENSE licence)
string(REGEX REPLACE "\n+$" "" licence "${licence}")
string(REPLACE "\n\n" "\n.\n" licence "${licence}")
string(REPLACE "\n" "\n " licence "${licence}")
file(WRITE "${PROJECT_BINARY_DIR}/debian/copyright"
    "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
    "Upstream-Name: Morvelan\n"
    "Source: https://github.com/morvelan/morvelan\n\n"
    "Files: *\n"
    "Copyright: 2026 The Morvelan developers\n"
    "License: Expat\n ${licence}\n")
set(maintainer "The Morvelan developers <morvelan@users.noreply.github.com>")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE "${PROJECT_BINARY_DIR}/debian/changelog"
    "morvelan (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
    "  * Release ${PROJECT_VERSION}.\n\n"
    " -- ${maintainer}  ${changelog_date}\n")
add_custom_command(OUTPUT "${PROJECT_BINARY_DIR}/debian/changelog.gz"
    COMMAND gzip -9nkf "${PROJECT_BINARY_DIR}/debian/changelog"
    DEPENDS "${PROJECT_BINARY_DIR}/debian/changelog" VERBATIM)
add_custom_target(morvelan_debian_docs ALL DEPENDS "${PROJECT_BINARY_DIR}/debian/changelog.gz")
install(FILES "${PROJECT_BINARY_DIR}/debian/copyright" "${PROJECT_BINARY_DIR}/debian/changelog.gz"
    DESTINATION "${doc_dir}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvelan)
set(CPACK_PACKAGE_VENDOR "The Morvelan developers")
set(CPACK_PACKAGE_CONTACT "${maintainer}")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/morvelan/morvelan")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt's SVG plugin draws applications' icons that a theme has only as SVG.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS libqt6svg6)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "window switcher by context for X11 desktops")
set(CPACK_PACKAGE_DESCRIPTION
    "Morvelan groups your open windows into named, coloured contexts, gathers
contexts into workspaces, and replaces the flat Super-Tab switcher with one
scoped to the context you work in. It follows focus, pins new windows of
pinned applications, and shows the active context in the tray. It never
hides, moves or resizes windows.")
# No maintainer scripts: removing or purging the package leaves every user's files alone.
include(CPack)
