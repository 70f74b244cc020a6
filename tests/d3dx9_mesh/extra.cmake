set(test_libs qrn_d3dx9 qrn_win32)
# Files that once broke the .x reader (found by the fuzz target under fuzz/).
target_compile_definitions(${test} PRIVATE QRN_XFILE_REGRESSIONS="${CMAKE_CURRENT_LIST_DIR}/data")
# The device tests share the drawing tests' window-and-device fixture.
target_sources(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../d3d9_draw/draw_fixture.cpp)
target_include_directories(${test} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../d3d9_draw)
