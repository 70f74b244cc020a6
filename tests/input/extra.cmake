# The input object is compiled in directly, so that these tests do not wait
# on the rest of the application module.
target_sources(${test} PRIVATE ${CMAKE_SOURCE_DIR}/engine/app/Input.cpp)
set(test_libs qrn_dinput)
