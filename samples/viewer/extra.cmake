# The screenshot reads the finished picture with OpenGL and writes a PNG.
target_link_libraries(${sample} PRIVATE PkgConfig::EPOXY)
target_include_directories(${sample} PRIVATE ${STB_INCLUDE_DIR})
