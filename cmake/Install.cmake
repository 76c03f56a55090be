# What `cmake --install` puts where, and the Debian package `cpack -G DEB`
# builds from it. Included after the targets exist.
include(GNUInstallDirs)

set(PV_DATA ${PROJECT_SOURCE_DIR}/data)
set(PV_DOCS ${PROJECT_SOURCE_DIR}/docs)
set(PV_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/portivox)
# User units live under lib/ whatever the distribution's library directory.
set(PORTIVOX_USER_UNIT_DIR "lib/systemd/user"
    CACHE STRING "Where the systemd user unit goes (relative to the prefix)")

set(PV_MAINTAINER "Portivox developers <portivox@example.org>")
set(PV_DEB_RELEASE 1)
set(PV_DEB_VERSION "${PROJECT_VERSION}-${PV_DEB_RELEASE}")

foreach(program portivox portivox-sim)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# Debian wants manual pages and changelogs compressed, reproducibly (-n).
find_program(PV_GZIP gzip REQUIRED)
set(PV_GZ ${PROJECT_BINARY_DIR}/data)
configure_file(${PV_DATA}/debian/changelog.in ${PV_GZ}/changelog.Debian @ONLY)
set(pv_gz_outputs)
foreach(src ${PV_DATA}/portivox.1 ${PV_DATA}/portivox-sim.1 ${PV_GZ}/changelog.Debian)
  get_filename_component(name ${src} NAME)
  add_custom_command(OUTPUT ${PV_GZ}/${name}.gz
                     COMMAND ${PV_GZIP} -9nc ${src} > ${PV_GZ}/${name}.gz
                     DEPENDS ${src} VERBATIM)
  list(APPEND pv_gz_outputs ${PV_GZ}/${name}.gz)
endforeach()
add_custom_target(pv_install_data ALL DEPENDS ${pv_gz_outputs})

install(FILES ${PV_GZ}/portivox.1.gz ${PV_GZ}/portivox-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PV_DATA}/portivox.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PV_DATA}/portivox.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PV_DATA}/portivox-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME portivox.xml)
install(FILES ${PV_DATA}/portivox@.service DESTINATION ${PORTIVOX_USER_UNIT_DIR})

# The help the program opens, the user documentation, the examples.
install(DIRECTORY ${PV_DOCS}/help DESTINATION ${PV_DOCDIR})
install(DIRECTORY ${PV_DOCS}/screenshots DESTINATION ${PV_DOCDIR}
        FILES_MATCHING PATTERN "setup_*.png")
file(GLOB pv_user_docs ${PV_DOCS}/*.md)
install(FILES ${pv_user_docs} DESTINATION ${PV_DOCDIR})
file(GLOB pv_examples ${PROJECT_SOURCE_DIR}/examples/*.PV3)
install(FILES ${pv_examples} DESTINATION ${PV_DOCDIR}/examples)
install(FILES ${PV_DATA}/debian/copyright ${PV_GZ}/changelog.Debian.gz DESTINATION ${PV_DOCDIR})
install(FILES ${PV_DATA}/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME portivox)

# --- Debian package ------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME portivox)
set(CPACK_PACKAGE_VENDOR "Portivox developers")
set(CPACK_PACKAGE_CONTACT "${PV_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${PV_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PV_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The windows speak Japanese too; IPAex Gothic (6 MB) covers every JIS X 0208
# kanji, where the full CJK set is 90 MB.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipaexfont-gothic | fonts-noto-cjk")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "deliver data from serial-port devices into other programs")
# CPack puts the summary in front of this.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Portivox reads the records a balance, gauge, scanner or other instrument
sends over a serial port, cuts them into fields, filters, converts and
formats them, and delivers the result into other programs: typed as
keystrokes into a window, served as DDE items over the D-Bus session bus,
or appended to a log file. It also sends acknowledgements, timed strings,
DTR, RTS and BREAK back to the device.
.
The package holds the desktop program (setup and running windows), the
command line (a runner without a window and diagnostic commands), a
simulated instrument on a pseudo-terminal, a systemd user unit for
running a configuration at login, and the HTML help.")
include(CPack)
