ps_2_0
dcl t0.xy
dcl v0
dcl_2d s0
dcl_cube s1
texld r0, t0, s0
texldp r1, t0, s1
dp2add r2, r0, c0, c1.x
cmp r3, r2, r0, r1
rsq r4.w, r3.x
rcp r4.z, r4.w
pow r5, r4.z, c2.x
abs r5, r5
frc r6, r5
mov oC0, r6
