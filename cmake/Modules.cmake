# Each folder of the engine and the platform layer is its own static library
# (position-independent, hidden visibility), so that a test links only the
# modules it needs and a half-finished file in one folder does not stop the
# others from building. libQuarnel.so takes all of them whole.
#
#   qrn_module(NAME DIR <folder> [DEPS <targets...>])
set(QRN_MODULES "" CACHE INTERNAL "")
function(qrn_module name)
  cmake_parse_arguments(M "" "DIR" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${M_DIR}/*.cpp)
  if(NOT sources)
    set(sources ${CMAKE_BINARY_DIR}/qrn_empty.cpp)
  endif()
  add_library(${name} STATIC ${sources})
  set_target_properties(${name} PROPERTIES CXX_VISIBILITY_PRESET hidden VISIBILITY_INLINES_HIDDEN ON)
  target_include_directories(${name} PRIVATE ${M_DIR})
  target_link_libraries(${name} PUBLIC ${M_DEPS})
  qrn_warnings(${name})
  set(QRN_MODULES ${QRN_MODULES} ${name} CACHE INTERNAL "")
endfunction()

if(NOT EXISTS ${CMAKE_BINARY_DIR}/qrn_empty.cpp)
  file(WRITE ${CMAKE_BINARY_DIR}/qrn_empty.cpp "// a module folder without sources yet\n")
endif()
