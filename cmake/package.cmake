# The Debian package: `cpack -G DEB` in a built tree (scripts/package builds
# the Release tree and runs it). The package installs under /usr what
# `cmake --install` installs, and its maintainer scripts register the
# libraries into /var/lib/vlm/registry on the machine it is installed on
# (packaging/deb). Its dependencies are the shared libraries dpkg-shlibdeps
# finds; the SNMP agent and the CUPS scheduler of the tests are no
# dependencies.
set(VLM_PACKAGE_NAME "vlm-printer-monitor")
set(VLM_PACKAGE_BINDIR "/usr/${CMAKE_INSTALL_BINDIR}")
set(VLM_PACKAGE_LIBDIR "/usr/${VLM_INSTALL_LIBDIR}")
set(VLM_PACKAGE_DATADIR "/usr/${CMAKE_INSTALL_DATADIR}/vlm")

# The maintainer scripts name the libraries by file name, in registration
# order (prerm: the reverse).
set(_vlm_unregistered ${_vlm_registered})
list(REVERSE _vlm_unregistered)
list(JOIN _vlm_registered " " VLM_REGISTERED)
list(JOIN _vlm_unregistered " " VLM_UNREGISTERED)
set(_vlm_control "")
foreach(script postinst prerm postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/deb/${script}.in
                 ${PROJECT_BINARY_DIR}/packaging/deb/${script}.gen @ONLY)
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packaging/deb/${script}
       INPUT ${PROJECT_BINARY_DIR}/packaging/deb/${script}.gen
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
  list(APPEND _vlm_control ${PROJECT_BINARY_DIR}/packaging/deb/${script})
endforeach()

# cpack installs what the tree has built; it does not build the tree first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "${VLM_PACKAGE_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Velmar")
set(CPACK_PACKAGE_CONTACT "VLM printer monitor maintainers <root@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Status monitor for the office's network printers")
set(CPACK_PACKAGE_DESCRIPTION
    "Finds the manufacturer's network printers and copiers by SNMP in the address ranges the\n"
    "administrator sets, and shows for the selected printer its state and alerts, counters,\n"
    "trays, finisher, print jobs and a picture of the machine. It sits in the notification area.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
# Staged through DESTDIR, so the install registers nothing into the package.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "net")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The package's own libraries, which the others link (dpkg-shlibdeps runs in
# the staging folder).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ".${VLM_PACKAGE_LIBDIR}")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${_vlm_control})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
