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
# The Qt and C++ libraries come from dpkg-shlibdeps; the font the windows ask for as their
# "MS Sans Serif" stand-in is not a linked library, so it is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation")

include(CPack)
