# Installation and the Debian package: the three programs in bin/, both sample
# games in share/tileworld/, a desktop entry that starts the labyrinth and the
# icons gen_assets draws. `cmake --install build [--prefix DIR]` installs;
# `cpack -G DEB` in the build folder makes the .deb.
include(GNUInstallDirs)

install(TARGETS tileworld tileworld-check tileworld-tiled RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Report logs a developer's runs left behind are not part of a game.
install(DIRECTORY ${CMAKE_SOURCE_DIR}/game ${CMAKE_SOURCE_DIR}/game-saved
        DESTINATION ${CMAKE_INSTALL_DATADIR}/tileworld
        PATTERN .gitignore EXCLUDE
        PATTERN report.log EXCLUDE)
foreach(size 48 256)
  install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/tileworld-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME tileworld.png)
endforeach()

# The desktop entry names the installed program and game folder, so it is
# written at install time, when the prefix is final (--prefix may change it,
# and the package installs under /usr).
install(CODE "set(bindir ${CMAKE_INSTALL_BINDIR})
set(datadir ${CMAKE_INSTALL_DATADIR})
set(template ${CMAKE_CURRENT_LIST_DIR}/tileworld.desktop.in)")
install(SCRIPT ${CMAKE_CURRENT_LIST_DIR}/desktop-entry.cmake)

set(CPACK_PACKAGE_NAME tileworld)
set(CPACK_PACKAGE_VENDOR "tileworld developers")
set(CPACK_PACKAGE_CONTACT "tileworld developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "engine for data-driven 2D tile-world games, with two sample games")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Runs games made entirely of data files: pictures, sounds and small text
files. Includes a labyrinth and an island world; tileworld-check, which
reports what the engine would skip or refuse in a game folder; and
tileworld-tiled, which imports Tiled maps as designed worlds and exports
worlds as Tiled maps.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Depends: the runtime libraries the programs link, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The debug line's font; without it fontconfig's monospace font is used.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS fonts-dejavu-core)
set(CPACK_STRIP_FILES ON)
# Installed as under a real prefix (DESTDIR), so the desktop entry names /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
include(CPack)
