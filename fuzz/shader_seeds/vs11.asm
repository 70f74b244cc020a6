vs_1_1
dcl_position v0
dcl_normal v1
dcl_texcoord0 v2
def c10, 0.5, 1.0, -2.0, 0.25
m4x4 oPos, v0, c0
dp3 r0.x, v1, c4
max r0.x, r0.x, c10.x
mul oD0, r0.x, c5
mov a0.x, c10.y
mov r1, c[a0.x + 6]
expp r2, r1.x
logp r3, r1.y
lit r4, r1
dst r5, r1, r2
mov oT0.xy, v2
mov oFog, r0.x
mov oPts, c10.y
