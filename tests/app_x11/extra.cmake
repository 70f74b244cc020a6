# The end-to-end cases start the sample program from the binary folder.
if(TARGET sample_app)
  add_dependencies(${test} sample_app)
endif()

# Real key events go to whichever window has the X focus: no other test that
# sends them may run on the display at the same time.
cmake_language(EVAL CODE
  "cmake_language(DEFER CALL set_tests_properties ${test} PROPERTIES RESOURCE_LOCK x11_display)")
