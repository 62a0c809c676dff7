# The layers' libraries and where programs find them.
#
# The layers (each platform facility, the library, the controls, the pane) are
# shared libraries, so that the host program, the panes it loads and the service
# each hold one copy of the process-wide objects: the default notification
# centre, the standard user defaults, the archive class registry, the animation
# clock. Fuzz builds link them statically, into the one instrumented program.
include(GNUInstallDirs)

if(CORVANE_FUZZ)
  set(CORVANE_LAYER_LIBRARY_TYPE STATIC)
else()
  set(CORVANE_LAYER_LIBRARY_TYPE SHARED)
endif()

# Built into one folder of the build tree; programs find them there through
# $ORIGIN-relative run paths, so the build tree may move.
set(CORVANE_BUILD_LIBDIR ${PROJECT_BINARY_DIR}/lib)
set(CMAKE_BUILD_RPATH_USE_ORIGIN ON)

# Where an installation puts each part, relative to the prefix. The run paths
# written for installation are computed from these, so install rules must use
# the same variables. The general-purpose library and the platform libraries it
# links go to the system's library folder (CMAKE_INSTALL_LIBDIR), as a library
# of its own; the other layers, which only the programs use, go to
# CORVANE_INSTALL_LIBDIR (cmake/CorvaneInstall.cmake sorts them).
set(CORVANE_INSTALL_LIBDIR ${CMAKE_INSTALL_LIBDIR}/corvane CACHE STRING "The layers only the programs use")
set(CORVANE_INSTALL_BINDIR ${CMAKE_INSTALL_BINDIR} CACHE STRING "The host program")
set(CORVANE_INSTALL_PANESDIR ${CORVANE_INSTALL_LIBDIR}/panes CACHE STRING "Pane bundles")
set(CORVANE_INSTALL_SERVICEDIR ${CORVANE_INSTALL_LIBDIR} CACHE STRING "The service's app folder")

# corvane_set_install_rpath(<target> <install dir of the target's file>)
#
# Makes the installed <target> find the layers' libraries, in both their
# folders, from wherever it is installed, relative to itself.
function(corvane_set_install_rpath target install_dir)
  set(rpath)
  foreach(libdir ${CMAKE_INSTALL_LIBDIR} ${CORVANE_INSTALL_LIBDIR})
    file(RELATIVE_PATH relative /${install_dir} /${libdir})
    string(REGEX REPLACE "/$" "" relative "${relative}")
    if(relative)
      list(APPEND rpath "$ORIGIN/${relative}")
    else()
      list(APPEND rpath "$ORIGIN")
    endif()
  endforeach()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
endfunction()

# corvane_add_layer_library(<target> <alias>)
#
# One library of the layers. Its headers are included by their path from the
# project root ("platform/store/Predicate.h"), so the root is its public include
# directory.
function(corvane_add_layer_library target alias)
  add_library(${target} ${CORVANE_LAYER_LIBRARY_TYPE})
  add_library(${alias} ALIAS ${target})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(CORVANE_LAYER_LIBRARY_TYPE STREQUAL "SHARED")
    set_target_properties(${target} PROPERTIES
      VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR}
      LIBRARY_OUTPUT_DIRECTORY ${CORVANE_BUILD_LIBDIR})
    corvane_set_install_rpath(${target} ${CORVANE_INSTALL_LIBDIR})
    if(NOT CORVANE_SANITIZE AND NOT CORVANE_TSAN)
      # Every symbol a layer uses comes from a library it names.
      target_link_options(${target} PRIVATE -Wl,--no-undefined)
    endif()
  endif()
endfunction()
