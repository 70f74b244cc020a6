# The screenshot code is the viewer's; the scene too (ViewerScene.h), and the
# options, frame count and main loop (SampleRun). The shader sources go next
# to the program.
target_sources(${sample} PRIVATE ${dir}/../viewer/Screenshot.cpp ${dir}/../viewer/SampleRun.cpp)
target_include_directories(${sample} PRIVATE ${dir}/../viewer ${STB_INCLUDE_DIR})
target_link_libraries(${sample} PRIVATE PkgConfig::EPOXY)
foreach(f terrain.fx water.vsh)
  configure_file(${dir}/${f} ${QRN_BIN_DIR}/shaders_${f} COPYONLY)
endforeach()
