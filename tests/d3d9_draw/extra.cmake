set(test_libs qrn_d3dx9)
