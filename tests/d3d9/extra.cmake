# The seam test reads the stand-in's sources.
target_compile_definitions(${test} PRIVATE QRN_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
