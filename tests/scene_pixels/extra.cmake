# Draws through the real device, so every module is linked (the default).
# The viewer test runs the viewer program on the demo's files in bin/.
foreach(t viewer assets)
  if(TARGET ${t})
    add_dependencies(${test} ${t})
  endif()
endforeach()
target_include_directories(${test} PRIVATE ${STB_INCLUDE_DIR})
# The window, read-back and file helpers of the device-object tests.
target_sources(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects/window_device.cpp)
target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../device_objects)
