vs_3_0
dcl_position v0
dcl_texcoord1 v1
dcl_position o0
dcl_texcoord0 o1.xy
dcl_color o2
defi i0, 4, 0, 1, 0
defb b0, true
mov r0, c0
loop aL, i0
  add r0, r0, c[aL + 8]
endloop
rep i0
  mul r0, r0, c1
endrep
if b0
  mov r1, v1
else
  mov r1, -v1
endif
if_lt r0.x, c2.x
  break_ge r0.y, c2.y
endif
setp_gt p0, r0, c3
(p0.x) mov r2, c4
callnz l1, b0
mov o0, v0
mov o1.xy, r1
mov o2, r2
ret
label l1
sincos r3.xy, r0.x
nrm r4, r3
ret
