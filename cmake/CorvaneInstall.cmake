# Install rules: the programs and bundles, the libraries with their headers, the
# exported CMake package CorvaneLibrary with its pkg-config file, the API
# documentation (`make docs`) and the Debian packages (CPack, `make package`).
# The folders are those of cmake/CorvaneLayers.cmake, whose run paths rely on them.
#
# Three components, one Debian package each:
#   libraries    libcorvane1     the general-purpose library and the platform libraries it links,
#                                in CMAKE_INSTALL_LIBDIR
#   development  libcorvane-dev  their headers, the CMake package, the pkg-config file
#   programs     corvane         corvane-prefs, corvanectl, the pane bundle, the service, the desktop
#                                files, and the other layers (in CORVANE_INSTALL_LIBDIR)
#
# Our libraries are told apart by what links them, so a new one falls into place:
# one that the general-purpose library links is part of it, any other is private
# to the programs.

set(CORVANE_INSTALL_HEADERDIR ${CMAKE_INSTALL_INCLUDEDIR}/corvane)
set(CORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/CorvaneLibrary)

# corvane_linked_libraries(<out> <target>...): our shared libraries ("corvane_*")
# among the targets and everything they link, directly or through each other.
function(corvane_linked_libraries out)
  set(pending ${ARGN})
  set(seen)
  set(found)
  while(pending)
    list(POP_FRONT pending current)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" current "${current}")
    if(NOT TARGET "${current}")
      continue()
    endif()
    get_target_property(aliased ${current} ALIASED_TARGET)
    if(aliased)
      # Exported under its alias: Corvane::Platform::Core is corvane_platform_core.
      if(current MATCHES "^Corvane::(.+)$")
        set_target_properties(${aliased} PROPERTIES EXPORT_NAME ${CMAKE_MATCH_1})
      endif()
      set(current ${aliased})
    endif()
    if(current IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${current})
    get_target_property(type ${current} TYPE)
    if(type STREQUAL "SHARED_LIBRARY" AND current MATCHES "^corvane_")
      list(APPEND found ${current})
    endif()
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(links ${current} LINK_LIBRARIES)
      if(links)
        list(APPEND pending ${links})
      endif()
    endif()
    get_target_property(links ${current} INTERFACE_LINK_LIBRARIES)
    if(links)
      list(APPEND pending ${links})
    endif()
  endwhile()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

# The platform layer finds the installed bundles relative to its own library,
# which is part of the general-purpose library's (checked below).
file(RELATIVE_PATH panes_from_platform /${CMAKE_INSTALL_LIBDIR} /${CORVANE_INSTALL_PANESDIR})
file(RELATIVE_PATH services_from_platform /${CMAKE_INSTALL_LIBDIR} /${CORVANE_INSTALL_SERVICEDIR})
target_compile_definitions(corvane_platform_system PRIVATE
  CORVANE_INSTALLED_PANES_FROM_PLATFORM="${panes_from_platform}"
  CORVANE_INSTALLED_SERVICES_FROM_PLATFORM="${services_from_platform}")

# Where the layers are static libraries (fuzz builds) each program carries its
# own copy of them and finds nothing relative to a library: such builds are
# not for installing.
if(NOT CORVANE_LAYER_LIBRARY_TYPE STREQUAL "SHARED")
  set(CORVANE_INSTALLABLE OFF)
  return()
endif()
set(CORVANE_INSTALLABLE ON)

corvane_linked_libraries(CORVANE_LIBRARY_LIBRARIES Corvane::Library)
corvane_linked_libraries(CORVANE_PROGRAM_LIBRARIES corvane-prefs corvanectl corvane_service corvane_prefpane
  corvane_launcher_window_plugin)
list(REMOVE_ITEM CORVANE_PROGRAM_LIBRARIES ${CORVANE_LIBRARY_LIBRARIES})
if(NOT corvane_platform_system IN_LIST CORVANE_LIBRARY_LIBRARIES)
  message(FATAL_ERROR "corvane_platform_system is no longer part of the library: "
    "say where it installs, for the folders it finds relative to itself")
endif()

# --- The programs and the bundles --------------------------------------------

set(pane_bundle ${CORVANE_INSTALL_PANESDIR}/Corvane.prefPane)
set(service_app ${CORVANE_INSTALL_SERVICEDIR}/Corvane.app)
install(TARGETS corvane-prefs corvanectl RUNTIME DESTINATION ${CORVANE_INSTALL_BINDIR} COMPONENT programs)
install(TARGETS corvane_prefpane LIBRARY DESTINATION ${pane_bundle} COMPONENT programs)
install(TARGETS corvane_service RUNTIME DESTINATION ${service_app} COMPONENT programs)
install(TARGETS corvane_launcher_window_plugin LIBRARY DESTINATION ${service_app}/PlugIns COMPONENT programs)
# The rest of each bundle as the build made it: Info.plist and Resources/ with
# the interface file, artwork, object model and translations.
install(DIRECTORY ${CORVANE_PANE_BUNDLE}/ DESTINATION ${pane_bundle} COMPONENT programs
  REGEX "/Corvane\\.so$" EXCLUDE)
install(DIRECTORY ${CORVANE_SERVICE_APP}/ DESTINATION ${service_app} COMPONENT programs
  REGEX "/Corvane$" EXCLUDE REGEX "/PlugIns$" EXCLUDE)
install(TARGETS ${CORVANE_PROGRAM_LIBRARIES}
  LIBRARY DESTINATION ${CORVANE_INSTALL_LIBDIR} COMPONENT programs NAMELINK_SKIP)

# --- The library: libraries, headers, CMake package, pkg-config file ---------

set(public_headers)
set(pc_cflags)
set(pc_libs)
set(qt_components)
set(pkgconfig_targets)
foreach(target ${CORVANE_LIBRARY_LIBRARIES})
  # Beside each other, they find each other beside themselves.
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")

  # Headers keep their place below the source root; private (_p.h) ones stay out.
  get_target_property(source_dir ${target} SOURCE_DIR)
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS "${source_dir}/*.h")
  list(FILTER headers EXCLUDE REGEX "_p\\.h$")
  list(APPEND public_headers ${headers})
  foreach(header ${headers})
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${header}")
    get_filename_component(folder "${relative}" DIRECTORY)
    install(FILES ${header} DESTINATION ${CORVANE_INSTALL_HEADERDIR}/${folder} COMPONENT development)
  endforeach()
endforeach()

foreach(target ${CORVANE_LIBRARY_LIBRARIES})
  # Include folders: the source folders while building; in the exported package
  # their installed counterparts, those that received a header.
  get_target_property(include_dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  set(mapped)
  foreach(dir ${include_dirs})
    file(RELATIVE_PATH relative "${PROJECT_SOURCE_DIR}" "${dir}")
    if(dir MATCHES "^\\$<" OR relative MATCHES "^\\.\\.")
      message(FATAL_ERROR "${target}: include folder ${dir} is not a source folder; say how it installs")
    endif()
    list(APPEND mapped "$<BUILD_INTERFACE:${dir}>")
    set(has_headers OFF)
    foreach(header ${public_headers})
      string(FIND "${header}" "${dir}/" at)
      if(at EQUAL 0)
        set(has_headers ON)
        break()
      endif()
    endforeach()
    if(has_headers)
      string(REGEX REPLACE "/$" "" installed "${CORVANE_INSTALL_HEADERDIR}/${relative}")
      list(APPEND mapped "$<INSTALL_INTERFACE:${installed}>")
      string(REPLACE "${CORVANE_INSTALL_HEADERDIR}" "\${includedir}" pc_dir "${installed}")
      list(APPEND pc_cflags "-I${pc_dir}")
    endif()
  endforeach()
  set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES ${mapped})

  get_target_property(output_name ${target} OUTPUT_NAME)
  if(NOT output_name)
    set(output_name ${target})
  endif()
  list(APPEND pc_libs "-l${output_name}")

  get_target_property(links ${target} INTERFACE_LINK_LIBRARIES)
  foreach(link ${links})
    if(link MATCHES "^Qt6::(.+)$")
      list(APPEND qt_components ${CMAKE_MATCH_1})
    elseif(link MATCHES "^PkgConfig::(.+)$")
      list(APPEND pkgconfig_targets ${CMAKE_MATCH_1})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES pc_cflags)
list(REMOVE_DUPLICATES qt_components)
list(REMOVE_DUPLICATES pkgconfig_targets)

# A public link to a pkg-config target (ICU, whose headers the calendar's
# include) is looked up again by the package, with the modules the build asked
# pkg_check_modules for, and required by the pkg-config file.
set(CORVANE_FIND_PKGCONFIG_DEPENDENCIES)
set(pc_modules)
foreach(name ${pkgconfig_targets})
  set(modules ${__pkg_config_arguments_${name}})
  list(FILTER modules EXCLUDE REGEX "^(REQUIRED|QUIET|IMPORTED_TARGET|GLOBAL|NO_CMAKE_PATH|NO_CMAKE_ENVIRONMENT_PATH)$")
  if(NOT modules)
    message(FATAL_ERROR "The library links PkgConfig::${name} publicly, but its pkg-config modules are unknown")
  endif()
  list(APPEND pc_modules ${modules})
  list(JOIN modules " " modules)
  string(APPEND CORVANE_FIND_PKGCONFIG_DEPENDENCIES
    "if(NOT TARGET PkgConfig::${name})\n"
    "  pkg_check_modules(${name} QUIET IMPORTED_TARGET ${modules})\n"
    "  if(NOT ${name}_FOUND)\n"
    "    set(CorvaneLibrary_FOUND FALSE)\n"
    "    set(CorvaneLibrary_NOT_FOUND_MESSAGE \"pkg-config finds no ${modules}\")\n"
    "    return()\n"
    "  endif()\n"
    "endif()\n")
endforeach()
set(CORVANE_LIBRARY_PUBLIC_HEADERS ${public_headers})

install(TARGETS ${CORVANE_LIBRARY_LIBRARIES} EXPORT CorvaneLibraryTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libraries NAMELINK_COMPONENT development)
install(EXPORT CorvaneLibraryTargets NAMESPACE Corvane:: DESTINATION ${CORVANE_INSTALL_CMAKEDIR}
  COMPONENT development)

include(CMakePackageConfigHelpers)
list(JOIN qt_components " " CORVANE_EXPORTED_QT_COMPONENTS)
configure_package_config_file(cmake/CorvaneLibraryConfig.cmake.in
  ${PROJECT_BINARY_DIR}/CorvaneLibraryConfig.cmake INSTALL_DESTINATION ${CORVANE_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/CorvaneLibraryConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/CorvaneLibraryConfig.cmake ${PROJECT_BINARY_DIR}/CorvaneLibraryConfigVersion.cmake
  DESTINATION ${CORVANE_INSTALL_CMAKEDIR} COMPONENT development)

file(RELATIVE_PATH CORVANE_PREFIX_FROM_PKGCONFIGDIR "${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig" "${CMAKE_INSTALL_PREFIX}")
string(REGEX REPLACE "/$" "" CORVANE_PREFIX_FROM_PKGCONFIGDIR "${CORVANE_PREFIX_FROM_PKGCONFIGDIR}")
list(TRANSFORM qt_components PREPEND "Qt6" OUTPUT_VARIABLE pc_requires)
list(APPEND pc_requires ${pc_modules})
list(JOIN pc_requires " " CORVANE_PC_REQUIRES)
list(JOIN pc_libs " " CORVANE_PC_LIBS)
list(JOIN pc_cflags " " CORVANE_PC_CFLAGS)
configure_file(cmake/corvane-library.pc.in ${PROJECT_BINARY_DIR}/corvane-library.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/corvane-library.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT development)

# --- API documentation ---------------------------------------------------------

find_package(Doxygen)
if(DOXYGEN_FOUND)
  set(DOXYGEN_PROJECT_NAME "Corvane Library")
  set(DOXYGEN_PROJECT_NUMBER ${PROJECT_VERSION})
  set(DOXYGEN_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/docs/api)
  set(DOXYGEN_STRIP_FROM_PATH ${PROJECT_SOURCE_DIR})
  set(DOXYGEN_STRIP_FROM_INC_PATH ${PROJECT_SOURCE_DIR})
  set(DOXYGEN_JAVADOC_AUTOBRIEF YES)
  set(DOXYGEN_EXTRACT_ALL YES)
  set(DOXYGEN_WARN_IF_UNDOCUMENTED NO)
  set(DOXYGEN_GENERATE_TREEVIEW YES)
  set(DOXYGEN_QUIET YES)
  doxygen_add_docs(docs ${CORVANE_LIBRARY_PUBLIC_HEADERS}
    COMMENT "API documentation of the library in ${PROJECT_BINARY_DIR}/docs/api/html")
else()
  add_custom_target(docs COMMAND ${CMAKE_COMMAND} -E echo "doxygen is not installed" COMMAND false)
endif()

# --- Debian packages -------------------------------------------------------------

# Each package carries its copyright file and (gzipped) changelog, as Debian wants.
configure_file(packaging/changelog.in ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
  COMMAND gzip -9nc changelog > changelog.gz
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/packaging
  DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_target(corvane_package_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
foreach(component_package programs:corvane libraries:libcorvane1 development:libcorvane-dev)
  string(REPLACE ":" ";" pair ${component_package})
  list(GET pair 0 component)
  list(GET pair 1 package)
  install(FILES packaging/copyright ${PROJECT_BINARY_DIR}/packaging/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${component})
  string(TOUPPER ${component} component)
  set(CPACK_DEBIAN_${component}_PACKAGE_NAME ${package})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Velora)
set(CPACK_PACKAGE_CONTACT "Velora <corvane@velora.com>")
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL programs libraries development)
set(CPACK_COMPONENT_PROGRAMS_DEPENDS libraries)
set(CPACK_COMPONENT_DEVELOPMENT_DEPENDS libraries)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SOURCE corvane)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Dependencies on other packages are what dpkg-shlibdeps reads off the binaries;
# between our own packages, the exact version.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# dpkg-shlibdeps runs in each package's staging folder; the libraries it must find
# for the programs are in the libraries package's, beside it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS
  ../libraries${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/libraries/triggers)
# What no binary shows: the Qt plugins the programs load at run time (the store's
# SQLite driver, the desktop's display platforms); the headers include Qt's and
# ICU's, which the CMake package finds (ICU through pkg-config).
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "qt6-base-dev, libicu-dev, pkgconf")
set(CPACK_DEBIAN_PROGRAMS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_LIBRARIES_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PROGRAMS_DESCRIPTION "preferences of the Corvane application launcher
corvane-prefs shows the Corvane preference pane, which turns the Corvane
launcher on and off, starts it at login, and sets its show/hide hot key, hot
corners, sort order, search limit and excluded applications. The package also
holds the pane bundle and the reference launcher service Corvane.app.")
set(CPACK_DEBIAN_LIBRARIES_DESCRIPTION "Velora's general-purpose library
Collections (prefix trie, index sets, invocation queues), string extensions
and text encodings, vCard, encrypted property lists, dates and calendars, file
references and foundation helpers, with the platform libraries they use.")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "Velora's general-purpose library: development files
The headers of the library and of the platform libraries it uses, the CMake
package CorvaneLibrary (target Corvane::Library) and the pkg-config file
corvane-library.")
include(CPack)
