# The Debian package, built by `cpack` in the build folder (scripts/package does it):
# meterdesk_<version>_amd64.deb with everything `cmake --install` puts under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME meterdesk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "MeterDesk maintainers <maintainers@users.noreply.c-seed-9a76dd8f.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "test bench for water, heat and cooling meters")
set(CPACK_PACKAGE_DESCRIPTION
    "MeterDesk talks to water, heat and cooling meters on a serial port in CJ/T 188
and in the M-Bus link layer (EN 13757-2), shows every byte sent and received,
and checks the meter's answers. It comes with a simulated meter (metersim) and
a demo that puts one on COM1.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
# Library dependencies are read off the binaries; the Chinese font is needed for the window's
# labels and is no library, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-wqy-microhei)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
include(CPack)
