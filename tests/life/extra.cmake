# The flock and the particle systems are tested against the recording fake
# render device of the scene tests, so only the scene module (and what it
# pulls in) is linked.
set(test_libs qrn_scene qrn_math)
target_include_directories(${test} PRIVATE ${CMAKE_SOURCE_DIR}/tests/scene)
