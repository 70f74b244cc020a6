# Warnings for our own targets: qrn_warnings(target)
function(qrn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()

if(QRN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
  # The sanitiser's default options (see the file), linked into every target
  # made after this point.
  add_library(qrn_sanitizer_defaults OBJECT ${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.cpp)
  link_libraries(qrn_sanitizer_defaults)
endif()
