// Tone-mapping pass, vertex stage: a textured quad in the lower-left 256 x 256.

void main()
{
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
