# The Debian package: `cpack -G DEB` in a Release build folder writes
# quorvex_<version>_<architecture>.deb. Only variables are set here; the
# top-level CMakeLists.txt includes this file and then CPack.

set(QUORVEX_PACKAGE_MAINTAINER "Quorvex developers <quorvex@example.org>"
    CACHE STRING "Name and address in the Debian package's Maintainer field")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvex)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Quorvex developers")
set(CPACK_PACKAGE_CONTACT "${QUORVEX_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "simulation of Pluto and Neptune around the Sun")
# The long description; CPack indents it and marks the empty line for the
# control file.
set(CPACK_PACKAGE_DESCRIPTION
    "Quorvex simulates Pluto and Neptune around the Sun over up to 50,000 years
and draws the result pixel by pixel while it computes. Neptune follows its
fixed Keplerian ellipse; Pluto starts on its own ellipse and is integrated
step by step under the Sun's pull and, optionally, Neptune's.

The window shows both orbits seen from above the ecliptic, Pluto in a frame
that turns with Neptune, and the distance between the two against time,
ending with the shortest distance seen. The command quorvex-render draws the
same picture into a PNG file without a window.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${QUORVEX_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from the binaries themselves; the chart's text needs
# the Liberation fonts, which no binary links to.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS fonts-liberation)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
