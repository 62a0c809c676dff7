# Where `cmake --install` puts things: the GNU layout, plus one folder for the
# bundles (the pane bundle and the service application). Included before the
# targets, since the platform layer finds that folder relative to its own library.

include(GNUInstallDirs)

# Bundles hold programs and plugins, so they go below the library folder, not
# into the architecture-independent data folder.
set(CORVANE_INSTALL_BUNDLEDIR "${CMAKE_INSTALL_LIBDIR}/corvane" CACHE STRING
  "Folder of the installed pane bundle and service application, relative to the prefix")
set(CORVANE_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/CorvaneLibrary")
set(CORVANE_INSTALL_HEADERDIR "${CMAKE_INSTALL_INCLUDEDIR}/corvane")
foreach(dir BUNDLEDIR HEADERDIR)
  if(IS_ABSOLUTE "${CORVANE_INSTALL_${dir}}")
    message(FATAL_ERROR "CORVANE_INSTALL_${dir} must be relative to the prefix, or the installation cannot move")
  endif()
endforeach()
set(CORVANE_INSTALL_FULL_BUNDLEDIR "${CMAKE_INSTALL_PREFIX}/${CORVANE_INSTALL_BUNDLEDIR}")

# The relative paths the installed programs find each other by: from the library
# folder to the bundles, and back to the library folder from each program.
file(RELATIVE_PATH CORVANE_BUNDLEDIR_FROM_LIBDIR
  "${CMAKE_INSTALL_FULL_LIBDIR}" "${CORVANE_INSTALL_FULL_BUNDLEDIR}")
file(RELATIVE_PATH CORVANE_LIBDIR_FROM_BINDIR
  "${CMAKE_INSTALL_FULL_BINDIR}" "${CMAKE_INSTALL_FULL_LIBDIR}")
file(RELATIVE_PATH CORVANE_LIBDIR_FROM_BUNDLE
  "${CORVANE_INSTALL_FULL_BUNDLEDIR}/Corvane.app" "${CMAKE_INSTALL_FULL_LIBDIR}")
