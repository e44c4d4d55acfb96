# What an installation holds besides the binary (the manual page, the example
# configuration, the README and the bash completion), and the Debian package
# that CPack builds from the same install rules (`make package`).

include(GNUInstallDirs)

install(FILES ${PROJECT_SOURCE_DIR}/doc/vexa.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/doc/vexarc.example
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/scripts/vexa.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
        RENAME vexa)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vexa)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "vexa developers")
set(CPACK_PACKAGE_CONTACT "vexa developers <vexa@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "full-screen hexadecimal editor for files of any size")
set(CPACK_PACKAGE_DESCRIPTION
    "vexa edits one existing file in place, in hexadecimal or as characters,
in a text terminal. The file never grows or shrinks, and less than 2 MiB of
it is mapped into memory at any time, so huge files open as quickly as small
ones. It can fill ranges, search for bytes and strings, undo changes, and
keep a backup copy of the file at each save.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps (from dpkg-dev) works out the exact runtime libraries,
# ncursesw and its terminfo library among them, from the binary itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Manual pages go into a Debian package compressed.
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/CompressManPages.cmake)

include(CPack)
