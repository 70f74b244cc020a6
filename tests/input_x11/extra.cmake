target_sources(${test} PRIVATE ${CMAKE_SOURCE_DIR}/engine/app/Input.cpp)
set(test_libs qrn_dinput)
