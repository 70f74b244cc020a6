# The terrain's own work is measured against the recording device of the
# scene tests; the frame rate against the real device, so every module is
# linked.
set(bench_libs qrn_all)
target_include_directories(${bench} PRIVATE ${CMAKE_SOURCE_DIR}/tests/scene ${CMAKE_SOURCE_DIR}/samples/viewer)
