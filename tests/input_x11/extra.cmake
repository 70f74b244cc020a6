target_sources(${test} PRIVATE ${CMAKE_SOURCE_DIR}/engine/app/Input.cpp)
set(test_libs qrn_dinput)
# Real key and mouse events go to whichever window has the X focus: no other
# test that sends them may run on the display at the same time.
# (The test is added after this file is read, hence the deferred call, with
# the name baked in now.)
cmake_language(EVAL CODE
  "cmake_language(DEFER CALL set_tests_properties ${test} PROPERTIES RESOURCE_LOCK x11_input)")
