# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh does it all).
# Runtime dependencies are read from the binaries with dpkg-shlibdeps (from dpkg-dev).

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pictorb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvalen Software")
set(CPACK_PACKAGE_CONTACT "Corvalen Software <support@corvalen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts Windows bitmaps to Photoshop documents")
set(CPACK_PACKAGE_DESCRIPTION
    "Corvalen Pictorb turns Windows and OS/2 bitmaps (BMP, RLE, DIB) into Photoshop documents
(PSD), with rotation, resizing, flips, colour adjustments, a solid frame, text and image
watermarks and output names from a filename mask. It has a desktop window and a command
line, pictorbcmd, for scripts and batch jobs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.corvalen.example/pictorb/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Text is drawn with fonts found through fontconfig; these carry metric-compatible Arial,
# Tahoma and Verdana stand-ins.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "bash-completion")
include(CPack)
