# Installation of the Linux desktop integration and the Debian package (cpack -G DEB).

set(RX47_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the cable's udev rule is installed (relative to the prefix, or absolute)")

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/udev/70-rx47.rules
        DESTINATION ${RX47_UDEV_RULES_DIR})
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/rx47.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# Shipped as a scalable icon only: every desktop of Debian 12 renders SVG icons.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/icons/rx47.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "rx47")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "RX47 Interface Program developers")
set(CPACK_PACKAGE_CONTACT "RX47 Interface Program developers <rx47@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Reader and recorder for the RX47 temperature and humidity logger")
set(CPACK_PACKAGE_DESCRIPTION
    "A desktop program and a command-line companion (rx47-cli) for the RX47 handheld logger on
its USB interface cable: live readout, recording under a limit, an interval and a repeat filter,
a trend chart, text and XML data files, printing. Includes a udev rule that gives the logged-in
user access to the cable.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The Qt 6 runtime libraries and the C++ runtime, found from the binaries by dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What shlibdeps cannot see: libudev is opened at run time (dlopen), and the window needs Qt's
# platform plugins (xcb, wayland), which libqt6gui6 does not pull in.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libudev1, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
