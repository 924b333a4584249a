// Tone-mapping pass, fragment stage: keeps what is bright enough to glow.
// The result is blurred and added over the frame, so the dark street and the
// dimly lit walls must go to black while lamps, neon and lit windows stay.
// The game runs it twice on the same image, so each run cuts only gently:
// twice over, 0.5 in the frame keeps about 0.08, a lit window at 0.7 about
// a third, a lamp at 1 all of it.

uniform sampler2D decal;   // the image: the frame, or the previous pass
uniform sampler2D decal2;  // last frame's glow brightness (luminance)
uniform float exposure;
uniform float gamma;

// Nothing below this glows.
const float kKnee = 0.15;
// How far last frame's glow holds the exposure back. Kept small so the chain
// settles: held harder, a steady lamp would glow on one frame and go dark on
// the next, since its own glow is what holds it back.
const float kHold = 0.1;

void main()
{
    vec2 uv = gl_TexCoord[0].st;
    vec3 colour = clamp(texture2D(decal, uv).rgb, 0.0, 1.0);
    float previous = clamp(texture2D(decal2, uv).r, 0.0, 1.0);
    // Per channel, so a coloured light keeps, and deepens, its hue.
    vec3 bright = pow(max(colour - kKnee, 0.0) / (1.0 - kKnee), vec3(gamma));
    float adaptation = exposure / (exposure + kHold * previous);
    gl_FragColor = vec4(bright * adaptation, 1.0);
}
