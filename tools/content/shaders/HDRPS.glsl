// Tone-mapping pass, fragment stage: keeps what is bright enough to glow.
// The result is blurred and added over the frame, so dim parts must go to
// black and lamps, neon and lit paint must stay.

uniform sampler2D decal;   // the image: the frame, or the previous pass
uniform sampler2D decal2;  // last frame's glow brightness (luminance)
uniform float exposure;
uniform float gamma;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec3 colour = texture2D(decal, uv).rgb;
    float previous = clamp(texture2D(decal2, uv).r, 0.0, 1.0);
    // A gamma above 1 sinks the dark night scene faster than the bright
    // lights; run twice, the curve steepens further.
    vec3 bright = pow(max(colour, vec3(0.0)), vec3(gamma));
    // Where last frame already glowed, the exposure adapts down, so a bright
    // area does not bloom without end: full at no glow, half at a glow equal
    // to the exposure itself.
    float adaptation = exposure / (exposure + previous);
    gl_FragColor = vec4(bright * adaptation, 1.0);
}
