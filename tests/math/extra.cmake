# The math types and the D3DX math helpers need nothing else.
set(test_libs qrn_math qrn_d3dx9)
