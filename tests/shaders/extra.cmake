# The drawing tests' fixture (a device on a 64 x 64 window, read-back) is shared.
target_sources(${test} PRIVATE ${dir}/../d3d9_draw/draw_fixture.cpp)
target_include_directories(${test} PRIVATE ${dir}/../d3d9_draw)
