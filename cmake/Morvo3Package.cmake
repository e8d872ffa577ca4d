# Installation and the Debian package (CPack): the program, morvo3-cli and
# morvo3-sim in /usr/bin, the desktop entry, the icon, the udev rule of the
# module's USB cable, the manual pages and the package documentation.
# scripts/package.sh builds the package.

include(GNUInstallDirs)

# `make install` and cpack install what is built; scripts/package.sh builds the
# three programs first, so packaging never rebuilds the whole tree (tests
# included) behind a running build.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(MORVO3_PACKAGING_DIR ${CMAKE_CURRENT_SOURCE_DIR}/packaging)

if(TARGET morvo3)
  install(TARGETS morvo3 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS morvo3-cli morvo3-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${MORVO3_PACKAGING_DIR}/morvo3.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MORVO3_PACKAGING_DIR}/icons/morvo3.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 16 24 32 48 64 128 256)
  install(FILES ${MORVO3_PACKAGING_DIR}/icons/morvo3-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME morvo3.png)
endforeach()

# Debian 12 keeps the packaged udev rules in /lib (not yet moved to /usr/lib).
install(FILES ${MORVO3_PACKAGING_DIR}/60-morvo3.rules DESTINATION /lib/udev/rules.d)

# Manual pages and the changelog go in compressed, as Debian wants them; -n
# keeps the file name and time stamp out, so the package is reproducible.
find_program(MORVO3_GZIP gzip REQUIRED)
set(MORVO3_COMPRESSED)
foreach(page morvo3.1 morvo3-cli.1 morvo3-sim.1)
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
    COMMAND ${MORVO3_GZIP} -9n -c ${MORVO3_PACKAGING_DIR}/man/${page} > ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz
    DEPENDS ${MORVO3_PACKAGING_DIR}/man/${page} VERBATIM)
  list(APPEND MORVO3_COMPRESSED ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz)
  install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/packaging
  COMMAND ${MORVO3_GZIP} -9n -c ${MORVO3_PACKAGING_DIR}/changelog.Debian > ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz
  DEPENDS ${MORVO3_PACKAGING_DIR}/changelog.Debian VERBATIM)
list(APPEND MORVO3_COMPRESSED ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_target(morvo3_package_files ALL DEPENDS ${MORVO3_COMPRESSED})
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/packaging/changelog.Debian.gz
              ${MORVO3_PACKAGING_DIR}/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME morvo3)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "GPRS Morvo3 developers <morvo3@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration program for the GPRS Morvo3 alarm communicator")
# The long description without the synopsis line (CPack puts the summary
# first) and without indentation (CPack indents it and turns the empty line
# into the paragraph mark).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Reads, edits, compares, stores and writes the parameters of the GPRS Morvo3
alarm communicator, watches the module live, switches its relays and manages
its password, over the module's USB cable or through an IP relay server.

The package also holds morvo3-cli, which runs the read, write and compare
procedures and the live commands from the command line, and morvo3-sim, a
simulated module for trying the program without hardware. A udev rule gives
the module's USB cable to the group dialout and names it /dev/morvo3-*.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The shared libraries' packages come from dpkg-shlibdeps; Qt loads its
# platform plugins (xcb and the others) at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_STRIP_FILES ON)
# Directories 0755 whatever the umask of the build.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
