// Blur pass, fragment stage: a Gaussian along one axis, 17 taps in 9 reads.

uniform sampler2D decal;
// Step in s and t (about one texel), then the axis: (1, 0) horizontal,
// (0, 1) vertical.
uniform vec4 texOffset;

// Taps either side of the centre, and the spread in steps. A glow about
// eight texels wide either way (some 25 pixels at 800 x 600) reads as light
// spilling into the night air rather than a soft edge.
const int kTaps = 8;
const float kSigma = 3.2;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec2 stride = texOffset.xy * texOffset.zw;
    vec4 sum = texture2D(decal, uv);
    float total = 1.0;
    // The taps either side go in pairs: one linearly filtered read between
    // two neighbouring steps, placed by their weights, gives both at once,
    // so the glow needs 9 reads a pixel instead of 17.
    for (int k = 1; k < kTaps; k += 2) {
        float a = float(k);
        float b = a + 1.0;
        float wa = exp(-a * a / (2.0 * kSigma * kSigma));
        float wb = exp(-b * b / (2.0 * kSigma * kSigma));
        float w = wa + wb;
        vec2 offset = (a * wa + b * wb) / w * stride;
        sum += w * (texture2D(decal, uv + offset) + texture2D(decal, uv - offset));
        total += 2.0 * w;
    }
    // Divided by the weights' sum, so the glow keeps its brightness.
    gl_FragColor = sum / total;
}
