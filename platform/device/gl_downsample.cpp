// The box filter of a supersampled back buffer: each factor x factor block of texels is averaged
// into one pixel, by a small program of the device's own that fetches the texels exactly (no
// sampler filtering, no shift between the two grids). Both targets hold their top row first, so
// rows map onto rows without a flip.
#include "platform/device/gl_state.h"

namespace {

constexpr const char* kDownsampleVertex = R"(
void main() {
    // A quad over the viewport as a strip: (-1, -1), (1, -1), (-1, 1), (1, 1).
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    gl_Position = vec4(2.0 * corner - 1.0, 0.0, 1.0);
}
)";

constexpr const char* kDownsamplePixel = R"(
uniform sampler2D uSource;
uniform int uFactor;
out vec4 fragColor;
void main() {
    ivec2 first = ivec2(gl_FragCoord.xy) * uFactor;
    vec4 sum = vec4(0.0);
    for (int y = 0; y < uFactor; ++y)
        for (int x = 0; x < uFactor; ++x) sum += texelFetch(uSource, first + ivec2(x, y), 0);
    fragColor = sum / float(uFactor * uFactor);
}
)";

bool MakeDownsampleProgram(GlCache& c, GlDownsampleProgram* p) {
    p->program = GlBuildSmallProgram(c, kDownsampleVertex, kDownsamplePixel);
    if (!p->program) return false;
    p->source = c.Call(glGetUniformLocation, p->program, "uSource");
    p->factor = c.Call(glGetUniformLocation, p->program, "uFactor");
    c.UseProgram(p->program);
    c.Uniform(p->source, kUploadUnit);  // a unit no draw of the device samples
    return true;
}

}  // namespace

bool GlDownsample(GlBackend* gl, unsigned source, UINT factor, unsigned into, UINT width, UINT height) {
    GlCache& c = gl->cache;
    GlDownsampleProgram& p = gl->downsample;
    if (!p.program && !p.failed) p.failed = !MakeDownsampleProgram(c, &p);
    if (p.failed) return false;
    c.BindDrawFramebuffer(into);
    c.Scissor(false, 0, 0, 0, 0);
    c.ColorMask(true);
    c.UseProgram(p.program);
    c.Uniform(p.factor, GLint(factor));
    c.BindVertexArray(gl->vertexArray);
    c.Blend(false, GL_ONE, GL_ZERO);
    c.Depth(false, false, GL_ALWAYS);
    c.Cull(false, GL_CCW);
    c.Viewport(0, 0, GLsizei(width), GLsizei(height));
    c.BindTexture(kUploadUnit, source);
    c.Call(glDrawArrays, GL_TRIANGLE_STRIP, 0, 4);
    return true;
}

void GlDestroyDownsample(GlBackend* gl) {
    if (gl->downsample.program) gl->cache.Call(glDeleteProgram, gl->downsample.program);
    gl->downsample = GlDownsampleProgram{};
}
