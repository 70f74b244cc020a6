set(test_libs qrn_win32)
