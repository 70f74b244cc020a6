set(test_libs qrn_d3dx9)
# Files that once broke a reader (found by the fuzz target under fuzz/).
target_compile_definitions(${test} PRIVATE QRN_IMAGE_REGRESSIONS="${CMAKE_CURRENT_LIST_DIR}/data")
