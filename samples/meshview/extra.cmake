# The viewer's screenshot writer (OpenGL read-back to PNG) and its options,
# frame count and main loop (SampleRun) serve here too.
target_sources(${sample} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../viewer/Screenshot.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/../viewer/SampleRun.cpp)
target_include_directories(${sample} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../viewer ${STB_INCLUDE_DIR})
target_link_libraries(${sample} PRIVATE PkgConfig::EPOXY)
