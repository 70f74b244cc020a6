# The drawing tests' fixture (a device on a 64 x 64 window, read-back) and the
# device-object tests' fixture (a render device on a window) are shared.
target_sources(${test} PRIVATE ${dir}/../d3d9_draw/draw_fixture.cpp ${dir}/../device_objects/device_fixture.cpp
  ${dir}/../device_objects/window_device.cpp)
target_include_directories(${test} PRIVATE ${dir}/../d3d9_draw ${dir}/../device_objects)
