set(bench_libs qrn_d3dx9 qrn_win32)
