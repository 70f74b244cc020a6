# The X11 tests share the window and device helpers of tests/d3d9.
target_sources(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../d3d9/d3d9_fixture.cpp)
target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../d3d9)
