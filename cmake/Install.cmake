# What "cmake --install" puts under the prefix, the same tree the Debian package holds: the
# three programs, the desktop entry, AppStream metainfo, icons in the hicolor theme, the man page
# of halvik-cli (made from its help and version texts) and its bash completion.
include(GNUInstallDirs)

set(HALVIK_APP_ID net.halvik.Halvik)
set(HALVIK_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/resources/desktop)

install(TARGETS halvik halvik-cli halvik-localservice RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${HALVIK_DESKTOP_DIR}/${HALVIK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${HALVIK_DESKTOP_DIR}/${HALVIK_APP_ID}.metainfo.xml
               ${CMAKE_BINARY_DIR}/${HALVIK_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${HALVIK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${HALVIK_DESKTOP_DIR}/${HALVIK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${HALVIK_DESKTOP_DIR}/${HALVIK_APP_ID}-256.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps
        RENAME ${HALVIK_APP_ID}.png)
install(FILES ${PROJECT_SOURCE_DIR}/cli/completion/halvik-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The man page, from the program's own --help and --version (a sanitizer build must not fail
# the page for leaks found at exit).
find_program(HALVIK_HELP2MAN help2man)
if(NOT HALVIK_HELP2MAN)
    message(FATAL_ERROR "help2man is missing: install it (scripts/deps.sh)")
endif()
set(HALVIK_MANPAGE ${CMAKE_BINARY_DIR}/halvik-cli.1.gz)
add_custom_command(
    OUTPUT ${HALVIK_MANPAGE}
    COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen
            ${HALVIK_HELP2MAN} --no-info --section=1
            "--name=command line of the halvik DNS-hosting client"
            --output=${CMAKE_BINARY_DIR}/halvik-cli.1 $<TARGET_FILE:halvik-cli>
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/halvik-cli.1
    DEPENDS halvik-cli
    COMMENT "Writing the man page of halvik-cli"
    VERBATIM)
add_custom_target(halvik_manpage ALL DEPENDS ${HALVIK_MANPAGE})
install(FILES ${HALVIK_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package (scripts/package): dependencies from the linked libraries, plus what is
# loaded at run time only.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME halvik)
set(CPACK_PACKAGE_VENDOR halvik)
set(CPACK_PACKAGE_CONTACT "halvik developers <dev@halvik.net>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the halvik DNS-hosting service")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "desktop client of the halvik DNS-hosting service\n"
    " Sign in, manage domains, groups and DNS records, run batch jobs and read the\n"
    " service's messages; halvik-cli does the same from scripts. A remembered password\n"
    " is kept in the desktop keyring.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Libraries loaded at run time, which dpkg-shlibdeps cannot see: QtKeychain opens libsecret
# itself, and Qt SQL finds its SQLite driver (the journal and the local copy) as a plug-in.
# A keyring daemon is what makes the keyring useful; halvik-localservice runs Knot DNS as its
# name servers (without them only with --no-dns).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsecret-1-0, libqt5sql5-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gnome-keyring | kwalletmanager, knot, knot-module-geoip")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES ON)
include(CPack)
