// Lamp lighting, vertex stage: the lighting itself is done per pixel in the
// model's own space, where the game hands over the lamps and the camera.

varying vec3 modelPosition;
varying vec3 modelNormal;
// Sphere-map coordinates of the paint reflection (unit 1).
varying vec2 reflectionCoord;
// Distance the fixed-function fog would use: the eye-space depth.
varying float fogDepth;
// The material's emissive colour, sent per group as texture coordinate set 1.
varying vec3 glowColour;
#if defined(BAKED) && BAKED
// Where the map of the lamps' light on the ground lies in model space:
// x and z of its corner, then 1 / its width and 1 / its depth.
uniform vec4 lampMapPlace;
varying vec2 lampMapCoord;
// The fill light (see the fragment stage) and its diffuse term per corner.
uniform vec4 light5Pos;
varying float fillDiffuse;
#endif

void main()
{
#if defined(FOGGED) && FOGGED
    // Hidden by the fog: only the position and the colour's alpha count.
    gl_FrontColor = gl_Color;
    gl_Position = ftransform();
#else
    modelPosition = gl_Vertex.xyz;
    modelNormal = gl_Normal;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_FrontColor = gl_Color;
    glowColour = gl_MultiTexCoord1.rgb;

#if defined(BAKED) && BAKED
    lampMapCoord = (gl_Vertex.xz - lampMapPlace.xy) * lampMapPlace.zw;
    fillDiffuse = max(dot(normalize(gl_Normal), normalize(light5Pos.xyz - gl_Vertex.xyz)), 0.0);
#endif

    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    fogDepth = abs(eye.z);

#if defined(PAINT) && PAINT == 0
    // The city's copy of the program mirrors nothing.
    reflectionCoord = vec2(0.5, 0.5);
#else
    // The reflection image looks from the car towards the camera, so a
    // surface that mirrors the view straight back samples its centre: the
    // same mapping as GL_SPHERE_MAP.
    vec3 u = normalize(eye.xyz);
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 r = reflect(u, n);
    float m = 2.0 * sqrt(r.x * r.x + r.y * r.y + (r.z + 1.0) * (r.z + 1.0));
    reflectionCoord = r.xy / max(m, 0.0001) + vec2(0.5, 0.5);
#endif

    gl_Position = ftransform();
#endif
}
