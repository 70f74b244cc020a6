ps_3_0
dcl_texcoord0 v0.xy
dcl_color0 v1
dcl vFace
dcl_2d s0
texldl r0, v0, s0
dsx r1, v0
dsy r2, v0
texldd r3, v0, s0, r1, r2
texkill r3
add oC0, r0, v1
mov oDepth, r0.x
