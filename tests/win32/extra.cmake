set(test_libs qrn_win32)
# A library in the test binary's folder, for the run-time loading tests.
add_library(qrn_test_loadable SHARED ${CMAKE_CURRENT_LIST_DIR}/loadable/loadable.cpp)
add_dependencies(${test} qrn_test_loadable)
