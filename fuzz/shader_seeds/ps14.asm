ps_1_4
def c0, 0.5, 0.5, 0.5, 1.0
texld r0, t0
texcrd r1.xyz, t1
mul_x2 r0, r0, v0
phase
texld r2, r1
add_sat r0.rgb, r0, r2_bx2
+mov r0.a, c0.a
cnd r0, r0.a, r0, 1-r0
