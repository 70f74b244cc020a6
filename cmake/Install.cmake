# What `cmake --install build --prefix P` puts under P, and the Debian package
# that `cpack -G DEB` (run in the build folder) makes from the same rules:
#
#   lib/libQuarnel.so.1.0.0 (+ .so.1, .so)   the engine
#   lib/libqrnsound.so.1.0.0 (+ .so.1, .so)  the sound library it loads from its own folder
#   include/quarnel/                         the exported headers
#   include/quarnel/platform/                the Windows-style headers they need
#   lib/cmake/Quarnel/, lib/pkgconfig/       find_package(Quarnel) and quarnel.pc
#   share/brackwood/                         the demo's files
#   libexec/brackwood/, bin/brackwood        the demo and its launcher
#
# Nothing installed names the prefix itself: the package files, the launcher and
# the programs' run paths all find their neighbours relative to themselves, so
# the installed tree can be moved as a whole.
include(CMakePackageConfigHelpers)

set(QRN_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Quarnel)
set(QRN_INSTALL_PKGCONFIGDIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(QRN_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/brackwood)
set(QRN_INSTALL_PROGRAMDIR ${CMAKE_INSTALL_LIBEXECDIR}/brackwood)

# qrn_relative_path(<variable> <from folder> <to folder>): the path from one
# folder of the prefix to another, both given relative to the prefix.
function(qrn_relative_path out from to)
  foreach(dir from to)
    if(IS_ABSOLUTE "${${dir}}")
      message(FATAL_ERROR "Install folders must be relative to the prefix: ${${dir}}")
    endif()
  endforeach()
  file(RELATIVE_PATH rel /prefix/${from} /prefix/${to})
  string(REGEX REPLACE "/$" "" rel "${rel}")
  if(rel STREQUAL "")
    set(rel .)
  endif()
  set(${out} ${rel} PARENT_SCOPE)
endfunction()

# ---- the engine and its sound library ------------------------------------------
install(TARGETS Quarnel EXPORT QuarnelTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Loaded at run time from the engine's folder by its plain name (the
# libqrnsound.so link), so the link is installed with it.
install(TARGETS qrnsound LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/engine/include/
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quarnel FILES_MATCHING PATTERN "*.h")
# The exported headers use the Windows types and calls of windows.h, and
# IInput answers to the key codes of dinput.h. The other stand-in headers
# (Direct3D, test controls, the platform's internal seams) stay private.
install(FILES ${PROJECT_SOURCE_DIR}/platform/include/windows.h
              ${PROJECT_SOURCE_DIR}/platform/include/dinput.h
              ${PROJECT_SOURCE_DIR}/platform/include/qrn_platform_api.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quarnel/platform)

# ---- find_package(Quarnel) and pkg-config ---------------------------------------
install(EXPORT QuarnelTargets NAMESPACE Quarnel:: DESTINATION ${QRN_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QuarnelConfig.cmake.in
  ${PROJECT_BINARY_DIR}/package/QuarnelConfig.cmake
  INSTALL_DESTINATION ${QRN_INSTALL_CMAKEDIR}
  PATH_VARS QRN_INSTALL_DATADIR)
# 1.x programs run on any later 1.y engine; 2.0 breaks the binary interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/package/QuarnelConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/package/QuarnelConfig.cmake
              ${PROJECT_BINARY_DIR}/package/QuarnelConfigVersion.cmake
        DESTINATION ${QRN_INSTALL_CMAKEDIR})

qrn_relative_path(QRN_PC_TO_PREFIX ${QRN_INSTALL_PKGCONFIGDIR} "")
configure_file(${PROJECT_SOURCE_DIR}/cmake/quarnel.pc.in ${PROJECT_BINARY_DIR}/package/quarnel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/package/quarnel.pc DESTINATION ${QRN_INSTALL_PKGCONFIGDIR})

# ---- the demo, its files and its launcher -----------------------------------------
if(TARGET assets)
  list(TRANSFORM QRN_ASSET_FILES PREPEND ${QRN_BIN_DIR}/ OUTPUT_VARIABLE qrn_installed_assets)
  install(FILES ${qrn_installed_assets} DESTINATION ${QRN_INSTALL_DATADIR})
endif()

if(TARGET Brackwood)
  set(QRN_ISLAND_PROGRAM Brackwood)
endif()
if(QRN_ISLAND_PROGRAM AND TARGET assets)
  qrn_relative_path(program_to_lib ${QRN_INSTALL_PROGRAMDIR} ${CMAKE_INSTALL_LIBDIR})
  set_target_properties(${QRN_ISLAND_PROGRAM} PROPERTIES INSTALL_RPATH "$ORIGIN/${program_to_lib}")
  install(TARGETS ${QRN_ISLAND_PROGRAM} RUNTIME DESTINATION ${QRN_INSTALL_PROGRAMDIR})

  qrn_relative_path(QRN_BIN_TO_DATA ${CMAKE_INSTALL_BINDIR} ${QRN_INSTALL_DATADIR})
  qrn_relative_path(QRN_BIN_TO_PROGRAMDIR ${CMAKE_INSTALL_BINDIR} ${QRN_INSTALL_PROGRAMDIR})
  list(JOIN QRN_ASSET_FILES " " QRN_ISLAND_FILES)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/brackwood.in ${PROJECT_BINARY_DIR}/package/brackwood @ONLY)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/package/brackwood DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# ---- cpack -G DEB -------------------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quarnel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Quarnel developers <quarnel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D engine for outdoor nature scenes, with the Brackwood demo")
set(CPACK_PACKAGE_DESCRIPTION
  "Quarnel is a small real-time 3D engine for outdoor nature scenes (terrain, water, sky,
particles, flocks, sound) on SDL2 and OpenGL 4.5. The package holds the shared library,
its headers with a CMake package and a pkg-config file, and Brackwood, the demo that walks
over an island: start it with `brackwood`.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
# Library dependencies come from dpkg-shlibdeps (dpkg-dev). OpenGL and EGL are
# opened at run time (through libepoxy and SDL), so they are named by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "g++, cmake, pkg-config")
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
include(CPack)
