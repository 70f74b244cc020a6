# The terrain's own work, measured against the recording device of the scene
# tests (no drawing), so only the scene module is needed.
set(bench_libs qrn_scene qrn_math)
target_include_directories(${bench} PRIVATE ${CMAKE_SOURCE_DIR}/tests/scene)
