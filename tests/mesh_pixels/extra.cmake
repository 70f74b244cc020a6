# Draws meshes through the real device (every module linked, the default) with
# the device-object tests' fixture, and loads the generated models from bin/.
target_sources(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects/device_fixture.cpp
                               ${CMAKE_CURRENT_LIST_DIR}/../device_objects/window_device.cpp)
target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects)
if(TARGET assets)
  add_dependencies(${test} assets)
endif()
