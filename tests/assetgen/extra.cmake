# The asset tests read the files the build wrote into the bin folder with
# their own decoders (stb_image, libjpeg, libmpg123) and with the engine's
# image decoder, and run the generator once more to compare bytes.
pkg_check_modules(QRN_ASSETTEST_STB REQUIRED IMPORTED_TARGET stb)
pkg_check_modules(QRN_ASSETTEST_MPG123 REQUIRED IMPORTED_TARGET libmpg123)
set(test_libs qrn_d3dx9 PkgConfig::QRN_ASSETTEST_STB PkgConfig::QRN_ASSETTEST_MPG123 PkgConfig::LIBJPEG)
add_dependencies(${test} assets)
target_compile_definitions(${test} PRIVATE QRN_ASSETGEN="$<TARGET_FILE:assetgen>")
