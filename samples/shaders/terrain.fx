// The island's ground lit per pixel by the sun: grass modulated by the
// detail texture, lit by the angle between the interpolated normal and the
// sun, plus a little of the ambient light.

// Vertex constants: c0..c3 world x view x projection (fed by the device),
// c4 the ambient light (fed by the device), c10 the direction towards the sun.
float4x4 worldViewProj : register(c0);
float4 ambient : register(c4);

struct VertexOut {
    float4 position : POSITION;
    float2 grassUv : TEXCOORD0;
    float2 detailUv : TEXCOORD1;
    float3 normal : TEXCOORD2;
};

VertexOut VertexShaderMain(float3 position : POSITION, float3 normal : NORMAL,
                           float2 grassUv : TEXCOORD0, float2 detailUv : TEXCOORD1)
{
    VertexOut o;
    o.position = mul(float4(position, 1.0), worldViewProj);
    o.grassUv = grassUv;
    o.detailUv = detailUv;
    o.normal = normal;
    return o;
}

// Pixel constants: c0 the direction towards the sun, c1 the sun's colour,
// c2 the ambient light.
float4 sunDirection : register(c0);
float4 sunColour : register(c1);
float4 ambientLight : register(c2);
sampler2D grass : register(s0);
sampler2D detail : register(s1);

float4 PixelShaderMain(float2 grassUv : TEXCOORD0, float2 detailUv : TEXCOORD1,
                       float3 normal : TEXCOORD2) : COLOR0
{
    float3 n = normalize(normal);
    float diffuse = saturate(dot(n, sunDirection.xyz));
    float3 light = ambientLight.rgb * 0.3 + sunColour.rgb * diffuse;
    float4 ground = tex2D(grass, grassUv) * tex2D(detail, detailUv);
    return float4(ground.rgb * light, 1.0);
}
