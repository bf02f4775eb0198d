# Installation (cmake --install) and the Debian package (cpack -G DEB).
# Only the program, its manual page and its desktop integration are installed: the libraries are static and linked
# into it, and the tests and benchmarks stay in the build tree.
include(GNUInstallDirs)

set(QUILLON_APP_ID io.github.quillon.Quillon) # the name QApplication::setDesktopFileName uses
set(QUILLON_PACKAGE_CONTACT "Quillon developers <quillon@users.noreply.github.com>"
  CACHE STRING "Maintainer of the Debian package, as \"Name <address>\"")
# The same address as the metainfo file's <url type="homepage">.
set(QUILLON_HOMEPAGE "https://github.com/quillon/quillon")

install(TARGETS quillon RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/resources/${QUILLON_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/${QUILLON_APP_ID}.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/resources/quillon.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# resources/make-icons.sh draws every size from one picture; the theme wants them under the app id.
foreach(size 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/quillon-${size}.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
    RENAME ${QUILLON_APP_ID}.png)
endforeach()

# The Debian package: quillon_<version>_<arch>.deb, its version the project's.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "Quillon developers")
set(CPACK_PACKAGE_CONTACT "${QUILLON_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUILLON_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "rescale a picture for upload to a web site")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION_SUMMARY}
Quillon opens one JPEG, PNG, GIF, bitmap, WebP, TIFF or HEIC picture and
rescales it, by a percentage per direction (5 % to 300 %) or to a width and
height in pixels. It shows the result beside the original with its file size,
and saves it as a quality-90 JPEG next to the original.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${QUILLON_HOMEPAGE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# The libraries the program links come from dpkg-shlibdeps, with the versions it computes.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its plugins with dlopen at run time, so dpkg-shlibdeps cannot see them: the X11 (xcb)
# platform plugin and the image readers. On Debian 12 the xcb plugin and the GIF and JPEG readers
# ship in libqt6gui6, which dpkg-shlibdeps lists anyway because the program links QtGui (PNG and BMP
# are built into QtGui); qt6-qpa-plugins holds Qt's other platform plugins and is only recommended
# by libqt6gui6, and qt6-image-formats-plugins holds the WebP and TIFF readers, so both are named
# here. HEIC is read by libheif, which the program links (Debian 12's libheif1 has its HEVC decoder
# built in), so dpkg-shlibdeps lists it. scripts/package-test.sh checks that every plugin the
# running program loaded comes from a package in this list.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-image-formats-plugins")
include(CPack)
