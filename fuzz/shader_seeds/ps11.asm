ps.1.1
tex t0
texcoord t1
texkill t1
mul r0, t0, v0
lrp_sat r0.rgb, c0, r0, t1_bias
+mad_d2 r0.a, t0.a, v1.a, -c1_bx2.a
