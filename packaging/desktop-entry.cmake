# Run by `cmake --install` after package.cmake set bindir, datadir and
# template: writes the desktop entry with the final paths, each quoted, as a
# prefix may hold blanks.
set(exec "\"${CMAKE_INSTALL_PREFIX}/${bindir}/tileworld\" \"${CMAKE_INSTALL_PREFIX}/${datadir}/tileworld/game\"")
set(entry "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/${datadir}/applications/tileworld.desktop")
message(STATUS "Installing: ${entry}")
configure_file("${template}" "${entry}" @ONLY)
list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${entry}")
