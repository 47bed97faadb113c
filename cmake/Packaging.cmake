# Installation and the Debian packages (cpack -G DEB), in two parts:
#   rx47-cli  the command, the logging service and the cable's udev rule; Qt Core, Qt Network and
#             libmosquitto only, so it installs on a headless machine;
#   rx47      the window, with its desktop entry and icon; depends on rx47-cli.

set(RX47_UDEV_RULES_DIR "lib/udev/rules.d" CACHE STRING
    "Where the cable's udev rule is installed (relative to the prefix, or absolute)")
set(RX47_SYSTEMD_UNIT_DIR "lib/systemd/system" CACHE STRING
    "Where the logging service's unit is installed (relative to the prefix, or absolute)")

install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/udev/70-rx47.rules
        DESTINATION ${RX47_UDEV_RULES_DIR} COMPONENT cli)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/systemd/rx47-logger@.service
        DESTINATION ${RX47_SYSTEMD_UNIT_DIR} COMPONENT cli)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/systemd/logger.conf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rx47-cli/examples COMPONENT cli)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/rx47-cli COMPONENT cli)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/rx47.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT gui)
# Shipped as a scalable icon only: every desktop of Debian 12 renders SVG icons.
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/packaging/icons/rx47.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT gui)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "rx47")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "RX47 Interface Program developers")
set(CPACK_PACKAGE_CONTACT "RX47 Interface Program developers <rx47@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli)
if(RX47_BUILD_GUI)
    list(APPEND CPACK_COMPONENTS_ALL gui)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "science")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# The Qt 6 runtime libraries, libmosquitto and the C++ runtime, found from the binaries by
# dpkg-shlibdeps.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_CLI_PACKAGE_NAME "rx47-cli")
set(CPACK_COMPONENT_CLI_DESCRIPTION
    "Command-line reader and recorder for the RX47 temperature and humidity logger
rx47-cli reads the RX47 handheld logger on its USB interface cable without a display: readings
as text, CSV, JSON lines or InfluxDB line protocol, recording under a limit, an interval and a
repeat filter, MQTT publishing with Home Assistant discovery, Prometheus metrics, and a systemd
service (rx47-logger@.service). Includes the udev rule that gives the cable to the logged-in
user and to the service's group.")
# libudev is opened at run time (dlopen), which shlibdeps cannot see.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libudev1, adduser")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "udev")
set(CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_SOURCE_DIR}/packaging/postinst)

set(CPACK_DEBIAN_GUI_PACKAGE_NAME "rx47")
set(CPACK_COMPONENT_GUI_DESCRIPTION
    "Reader and recorder for the RX47 temperature and humidity logger
A desktop program for the RX47 handheld logger on its USB interface cable: live readout,
recording under a limit, an interval and a repeat filter, a trend chart, text and XML data files,
printing.")
# The window needs Qt's platform plugins (xcb, wayland), which libqt6gui6 does not pull in.
set(CPACK_DEBIAN_GUI_PACKAGE_DEPENDS "rx47-cli (= ${PROJECT_VERSION}), qt6-qpa-plugins")
include(CPack)
