# The library's own tests call it directly: linked against libqrnsound.so.
find_library(QRN_MP3LAME_LIBRARY mp3lame REQUIRED)
set(test_libs qrnsound ${QRN_MP3LAME_LIBRARY})
target_include_directories(${test} PRIVATE ${CMAKE_SOURCE_DIR}/soundlib/include)
