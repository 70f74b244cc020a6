# The simulation is measured against the recording device of the scene tests
# (nothing is drawn), so only the scene module is linked.
set(bench_libs qrn_scene qrn_math)
target_include_directories(${bench} PRIVATE ${CMAKE_SOURCE_DIR}/tests/scene)
