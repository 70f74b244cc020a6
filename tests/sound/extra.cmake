# The engine's sound objects load libqrnsound.so at run time from the folder
# of the binary (bin/), so the library must be built first. A copy that lacks
# one exported function tests the all-or-nothing binding.
find_library(QRN_MP3LAME_LIBRARY mp3lame REQUIRED)
add_library(qrnsound_missing_one SHARED $<TARGET_OBJECTS:qrnsound_objects>)
target_link_libraries(qrnsound_missing_one PRIVATE qrnsound_objects)
target_link_options(qrnsound_missing_one PRIVATE
  -Wl,--version-script=${CMAKE_CURRENT_LIST_DIR}/missing_one.map)
set_target_properties(qrnsound_missing_one PROPERTIES LINK_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/missing_one.map)
add_dependencies(${test} qrnsound qrnsound_missing_one)
set(test_libs qrn_sound ${QRN_MP3LAME_LIBRARY})
target_include_directories(${test} PRIVATE ${CMAKE_SOURCE_DIR}/tests/soundlib)
