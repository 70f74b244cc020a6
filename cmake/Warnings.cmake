# Warnings for our own targets: qrn_warnings(target)
function(qrn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
    -Wno-unused-parameter -Wno-missing-field-initializers)
endfunction()

if(QRN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
