// Lamp lighting, fragment stage: four street lamps chosen per frame, one
// fixed fill light, ambient, the material uniforms, the paint reflection and
// the same exponential fog as the fixed-function pipeline.
//
// The renderer also builds cheaper copies for the city itself: LAMPS says how
// many of the lamp slots are evaluated (the ones that reach the part of the
// city being drawn come first), and PAINT 0 leaves out the highlights and the
// mirror, which only polished paint shows (the city has no specular colour
// and no mirror strength). FOGGED 1 is the copy for the parts of the city so
// far away that the fog hides them completely: they are drawn in the fog's
// colour alone. BAKED 1 is the copy for the city at the lowest detail: every
// lamp's light on the ground was worked out once, when the race loaded, into
// a map of the ground that this copy reads instead of evaluating lamps.
#ifndef LAMPS
#define LAMPS 4
#endif
#ifndef PAINT
#define PAINT 1
#endif
#ifndef FOGGED
#define FOGGED 0
#endif
#ifndef BAKED
#define BAKED 0
#endif

// Lamps 1 to 4: model-space position (w = 1), direction they point, colour
// and focus exponent (the spot falls off as cos^focus from that direction).
uniform vec4 lightPos;
uniform vec4 light2Pos;
uniform vec4 light3Pos;
uniform vec4 light4Pos;
uniform vec3 lightOri;
uniform vec3 light2Ori;
uniform vec3 light3Ori;
uniform vec3 light4Ori;
uniform vec4 lightColor;
uniform vec4 light2Color;
uniform vec4 light3Color;
uniform vec4 light4Color;
uniform int lightFocus;
uniform int light2Focus;
uniform int light3Focus;
uniform int light4Focus;
// Light 5: the fill light, high and far, neither aimed nor fading.
uniform vec4 light5Pos;
uniform vec4 light5Color;

uniform vec4 ambientColor;
uniform vec4 matAmbient;
uniform vec4 matDiffuse;
uniform vec4 matSpecular;
uniform vec4 emissive;
uniform float shininess;

// The camera in model space; cameraPos is an offset on it that the game
// leaves at zero.
uniform vec3 cameraOri;
uniform vec3 cameraPos;

uniform sampler2D decal;   // unit 0: the surface's texture
uniform sampler2D decal2;  // unit 1: the reflection image
uniform float RefInt;      // 1 on a reflective car body, 0 elsewhere
#if BAKED
// Unit 2: the lamps' light on the ground below, stored at half its strength
// so that where two pools overlap the sum still fits a texel.
uniform sampler2D lampMap;
varying vec2 lampMapCoord;
// The fill light's diffuse term, worked out per corner: it stands so far off
// that it hardly turns across a triangle.
varying float fillDiffuse;
#endif

varying vec3 modelPosition;
varying vec3 modelNormal;
varying vec2 reflectionCoord;
varying float fogDepth;
// The material's emissive colour: what its bright parts give off unlit.
varying vec3 glowColour;

// A lamp gives half its light at about 26 units: 1 / (1 + 0.0015 * 26 * 26),
// so the pools under lamps 36 apart meet on the road.
const float kLampFalloff = 0.0015;
// Tightness of the highlight on polished paint.
const float kPaintHighlight = 32.0;

vec3 highlights;

vec3 lamp(vec4 position, vec4 colour, vec3 direction, int focus, vec3 n, vec3 v)
{
    vec3 toLamp = position.xyz - modelPosition;
    float distanceSquared = dot(toLamp, toLamp);
    vec3 l = toLamp * inversesqrt(max(distanceSquared, 0.0001));
    float spot = pow(max(dot(-l, normalize(direction)), 0.0), float(focus));
    float reach = spot / (1.0 + kLampFalloff * distanceSquared);
    float diffuse = max(dot(n, l), 0.0);
#if PAINT
    if (diffuse > 0.0)
        highlights += colour.rgb * reach * pow(max(dot(n, normalize(l + v)), 0.0), kPaintHighlight + shininess);
#endif
    return colour.rgb * diffuse * reach;
}

#if FOGGED
void main()
{
    gl_FragColor = vec4(gl_Fog.color.rgb, gl_Color.a);
}
#else
void main()
{
    vec3 n = normalize(modelNormal);
#if PAINT
    vec3 v = normalize(cameraOri + cameraPos - modelPosition);
#else
    vec3 v = vec3(0.0);
#endif
    highlights = vec3(0.0);

    vec3 light = vec3(0.0);
#if LAMPS > 0
    light += lamp(lightPos, lightColor, lightOri, lightFocus, n, v);
#endif
#if LAMPS > 1
    light += lamp(light2Pos, light2Color, light2Ori, light2Focus, n, v);
#endif
#if LAMPS > 2
    light += lamp(light3Pos, light3Color, light3Ori, light3Focus, n, v);
#endif
#if LAMPS > 3
    light += lamp(light4Pos, light4Color, light4Ori, light4Focus, n, v);
#endif
#if BAKED
    light += 2.0 * texture2D(lampMap, lampMapCoord).rgb;
#endif
#if BAKED
    light += light5Color.rgb * fillDiffuse;
#else
    vec3 toFill = normalize(light5Pos.xyz - modelPosition);
    light += light5Color.rgb * max(dot(n, toFill), 0.0);
#endif

    vec4 texel = texture2D(decal, gl_TexCoord[0].st);
    vec4 base = texel * gl_Color;
    vec3 colour = base.rgb * (ambientColor.rgb * matAmbient.rgb + matDiffuse.rgb * light) + emissive.rgb;
    // Lamps, lit windows and neon shine by themselves: the bright parts of
    // the picture give off the material's emissive colour, the dark frame
    // and wall around them nothing, with or without a street lamp near.
    float lit = smoothstep(0.72, 0.95, max(texel.r, max(texel.g, texel.b)));
    colour += texel.rgb * glowColour * lit;

#if PAINT
    // Polished paint: lamp highlights and the mirrored surroundings, the
    // mirror strongest at grazing angles.
    float facing = max(dot(n, v), 0.0);
    float glancing = 1.0 - facing;
    float mirror = RefInt * (0.25 + 0.5 * glancing * glancing * glancing);
    colour += highlights * (matSpecular.rgb + vec3(0.6 * RefInt));
    colour += mirror * texture2D(decal2, reflectionCoord).rgb;
#endif

    // GL_EXP2 fog, as the fixed-function pipeline computes it.
    float fogAmount = gl_Fog.density * fogDepth;
    float fog = clamp(exp(-fogAmount * fogAmount), 0.0, 1.0);
    gl_FragColor = vec4(mix(gl_Fog.color.rgb, colour, fog), base.a);
}
#endif
