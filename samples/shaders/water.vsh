; The sea's surface in waves: each vertex rises and falls with a sine of
; its position and the time, the texture drifts, and the colour follows the
; slope of the wave so that crests catch the light.
;
; c0..c3 world x view x projection (fed by the device), c4 the ambient light
; (fed by the device), c21 = (time, drift u, drift v, 0).
vs_2_0
dcl_position v0
dcl_texcoord0 v2
def c20, 0.35, 0.27, 0.25, 0.0        ; wave numbers along x and z, height
def c22, -1.5500992e-006, -2.1701389e-005, 0.0026041667, 0.00026041668
def c23, -0.020833334, -0.125, 1.0, 0.5
def c24, 0.8, 0.15, 0.0, 1.0
mul r0.x, v0.x, c20.x
mad r0.x, v0.z, c20.y, r0.x
add r0.x, r0.x, c21.x
sincos r1.xy, r0.x, c22, c23          ; r1.x = cos, r1.y = sin
mov r2, v0
mad r2.y, r1.y, c20.z, v0.y
m4x4 oPos, r2, c0
add oT0.xy, v2, c21.yz
mad r3, r1.x, c24.y, c24.x            ; brighter on the rising slope
mul r3.xyz, r3, c4
mov r3.w, c24.w
mov oD0, r3
