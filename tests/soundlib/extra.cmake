# The library's own tests call it directly: linked against libqrnsound.so.
find_library(QRN_MP3LAME_LIBRARY mp3lame REQUIRED)
set(test_libs qrnsound ${QRN_MP3LAME_LIBRARY})
target_include_directories(${test} PRIVATE ${CMAKE_SOURCE_DIR}/soundlib/include)
# Sound files the fuzzer found: each must be refused and leave nothing behind.
target_compile_definitions(${test} PRIVATE QRN_SOUND_TEST_DATA="${dir}/data")
