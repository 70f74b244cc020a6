# The end-to-end cases start the sample program from the binary folder.
if(TARGET sample_app)
  add_dependencies(${test} sample_app)
endif()
