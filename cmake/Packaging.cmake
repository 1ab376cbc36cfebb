# The Debian package: `cpack -G DEB` in a build tree, or
# `cmake --workflow --preset package` for one installed under /usr.
# One package holds what a POS integrator and a technician need: the shared
# library, its header and pkg-config/CMake files, varnolo with its manual page
# and bash completion, varnolo-sim with its manual page, and varnolo-service
# with its manual page and systemd unit.
set(VARNOLO_PACKAGE_CONTACT "Varnolo developers <varnolo@localhost>"
    CACHE STRING "The maintainer named in the Debian package")

set(CPACK_PACKAGE_NAME varnolo)
set(CPACK_PACKAGE_VENDOR Varnolo)
set(CPACK_PACKAGE_CONTACT ${VARNOLO_PACKAGE_CONTACT})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}: library, command-line tool, service and simulator")
set(CPACK_PACKAGE_DESCRIPTION
    "libvarnolo drives a fiscal cash register on a serial port through its C
interface (varnolo.h). varnolo drives a register from the command line for
service technicians and scripts; varnolo-service serves the register over
HTTP to web and multi-terminal point-of-sale systems, printing each document
at most once under its idempotency key; varnolo-sim is a simulated register
on a pseudo-terminal for developing and testing point-of-sale software without
hardware.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Dependencies found by dpkg-shlibdeps; the package's own library is found in
# the package, and ldconfig runs when it is installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_FULL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
include(CPack)
