# Draws meshes through the real device (every module linked, the default) with
# the device-object tests' fixture, loads the generated models from bin/ and
# runs the meshview program there.
target_sources(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects/device_fixture.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/../device_objects/window_device.cpp)
target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects ${STB_INCLUDE_DIR})
foreach(t meshview assets)
  if(TARGET ${t})
    add_dependencies(${test} ${t})
  endif()
endforeach()
