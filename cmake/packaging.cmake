# The Debian package, built by CPack from the install rules:
#   cpack -G DEB --config <build dir>/CPackConfig.cmake
# On Windows the executable carries the version block and icon of resources/tavrin.rc.
if(WIN32 AND TARGET tavrin AND TARGET tavrin_version_block)
  target_link_libraries(tavrin PRIVATE tavrin_version_block)
endif()

set(CPACK_PACKAGE_NAME tavrin)
set(CPACK_PACKAGE_VENDOR "${TAVRIN_COMPANY_NAME}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
    "${TAVRIN_TITLE} turns the screen into a chalkboard: hold the left mouse button down and move, and the chalk follows. The menu picks the chalk and board colours and wipes the board.")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_INSTALL_DIRECTORY "${TAVRIN_TITLE}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAVRIN_COMPANY_NAME} <tavrin@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The Qt, C++ and libcanberra libraries come from dpkg-shlibdeps; what is not a linked library
# is named here:
#  fonts-liberation: the windows' stand-in for "MS Sans Serif";
#  sound-theme-freedesktop: the "bell" sound that Erase plays;
#  libcanberra-pulse: plays it through the desktop's sound server (PulseAudio or PipeWire);
#    without it only bare ALSA is tried, which a running sound server usually holds;
#  qt6-wayland: runs the program as a native Wayland client where Qt chooses Wayland.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, sound-theme-freedesktop")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libcanberra-pulse, qt6-wayland")

include(CPack)
