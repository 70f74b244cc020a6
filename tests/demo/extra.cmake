# The demo's own code, linked with every engine module; the forest tests use
# the recording device of the scene tests.
set(test_libs brackwood_core qrn_all)
target_include_directories(${test} PRIVATE ${CMAKE_SOURCE_DIR}/tests/scene)
add_dependencies(${test} assets qrnsound Brackwood)
