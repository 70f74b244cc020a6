# The sample program is started from the binary folder.
if(TARGET sample_app)
  add_dependencies(${test} sample_app)
endif()
