// Blur pass, fragment stage: a nine-tap Gaussian along one axis.

uniform sampler2D decal;
// Step in s and t (about one texel), then the axis: (1, 0) horizontal,
// (0, 1) vertical.
uniform vec4 texOffset;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec2 stride = texOffset.xy * texOffset.zw;
    // Gaussian weights for nine taps; they sum to 1, so the glow keeps its
    // brightness.
    vec4 sum = texture2D(decal, uv) * 0.2270270270;
    sum += (texture2D(decal, uv + stride) + texture2D(decal, uv - stride)) * 0.1945945946;
    sum += (texture2D(decal, uv + 2.0 * stride) + texture2D(decal, uv - 2.0 * stride)) * 0.1216216216;
    sum += (texture2D(decal, uv + 3.0 * stride) + texture2D(decal, uv - 3.0 * stride)) * 0.0540540541;
    sum += (texture2D(decal, uv + 4.0 * stride) + texture2D(decal, uv - 4.0 * stride)) * 0.0162162162;
    gl_FragColor = sum;
}
