// Present's copy of the back buffer into the window: a quad over the output rectangle with a small
// program of the device's own, flipped (the back buffer holds its top row first). At the back
// buffer's own size every pixel is sampled at its texel's centre, nearest; scaled, the picture is
// filtered linearly.
//
// A program of the device's own rather than glBlitFramebuffer: a software renderer keeps the code
// it builds for the device's programs between runs, but builds the code for its own blit again in
// every run, which cost about 35 ms of the first Present.
#include "platform/device/gl_state.h"

namespace {

constexpr const char* kPresentVertex = R"(
#ifdef GL_ES
#define FLAT_QUAD  // GLSL ES 3.00 has no noperspective
#else
#define FLAT_QUAD noperspective
#endif
FLAT_QUAD out vec2 vTexCoord;
void main() {
    // A quad over the viewport as a strip: (-1, -1), (1, -1), (-1, 1), (1, 1); the window's
    // bottom row shows the back buffer's last.
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    vTexCoord = vec2(corner.x, 1.0 - corner.y);
    gl_Position = vec4(2.0 * corner - 1.0, 0.0, 1.0);
}
)";

// A plain texture read with the coordinates interpolated linearly in screen space (the quad is
// flat: there is no perspective to correct), which a software renderer runs as cheaply as its own
// blit; the sampler decides between the exact copy (nearest, at the back buffer's size) and the
// scaled one (linear).
constexpr const char* kPresentPixel = R"(
#ifdef GL_ES
#define FLAT_QUAD  // GLSL ES 3.00 has no noperspective
#else
#define FLAT_QUAD noperspective
#endif
uniform sampler2D uSource;
FLAT_QUAD in vec2 vTexCoord;
out vec4 fragColor;
void main() {
    fragColor = texture(uSource, vTexCoord);
}
)";

GLuint CompileStage(GlCache& c, GLenum type, const char* body) {
    const std::string source = std::string(GlslPreamble()) + body;
    const char* text = source.c_str();
    GLuint shader = c.Call(glCreateShader, type);
    c.Call(glShaderSource, shader, 1, &text, nullptr);
    c.Call(glCompileShader, shader);
    GLint ok = 0;
    c.Call(glGetShaderiv, shader, GL_COMPILE_STATUS, &ok);
    if (ok) return shader;
    c.Call(glDeleteShader, shader);
    return 0;
}

GLuint MakeSampler(GlCache& c, GLint filter) {
    GLuint sampler = 0;
    c.Call(glGenSamplers, 1, &sampler);
    c.SamplerParameter(sampler, GL_TEXTURE_MIN_FILTER, filter);
    c.SamplerParameter(sampler, GL_TEXTURE_MAG_FILTER, filter);
    c.SamplerParameter(sampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    c.SamplerParameter(sampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return sampler;
}

bool MakePresentProgram(GlCache& c, GlPresentProgram* p) {
    p->program = GlBuildSmallProgram(c, kPresentVertex, kPresentPixel);
    if (!p->program) return false;
    p->source = c.Call(glGetUniformLocation, p->program, "uSource");
    p->nearest = MakeSampler(c, GL_NEAREST);
    p->linear = MakeSampler(c, GL_LINEAR);
    c.UseProgram(p->program);
    c.Uniform(p->source, kUploadUnit);  // a unit no draw of the device samples
    return true;
}

// The way it was done before the program, kept for a GL that refuses the program.
void BlitBackBuffer(GlCache& c, unsigned backBuffer, int w, int h, const GlBox& into) {
    c.Call(glBindFramebuffer, GL_READ_FRAMEBUFFER, backBuffer);
    c.Call(glBlitFramebuffer, 0, 0, w, h, into.x, into.y + into.height, into.x + into.width, into.y,
           GL_COLOR_BUFFER_BIT, into.width == w && into.height == h ? GL_NEAREST : GL_LINEAR);
}

}  // namespace

GLuint GlBuildSmallProgram(GlCache& c, const char* vertexBody, const char* pixelBody) {
    GLuint vs = CompileStage(c, GL_VERTEX_SHADER, vertexBody);
    GLuint fs = vs ? CompileStage(c, GL_FRAGMENT_SHADER, pixelBody) : 0;
    if (!fs) {
        if (vs) c.Call(glDeleteShader, vs);
        return 0;
    }
    GLuint program = c.Call(glCreateProgram);
    c.Call(glAttachShader, program, vs);
    c.Call(glAttachShader, program, fs);
    c.Call(glLinkProgram, program);
    c.Call(glDeleteShader, vs);
    c.Call(glDeleteShader, fs);
    GLint ok = 0;
    c.Call(glGetProgramiv, program, GL_LINK_STATUS, &ok);
    if (!ok) {
        c.Call(glDeleteProgram, program);
        return 0;
    }
    return program;
}

void GlPresent(GlBackend* gl, unsigned backBuffer, unsigned backBufferTexture, int w, int h, const GlBox& into,
               bool bars) {
    GlCache& c = gl->cache;
    GlPresentProgram& p = gl->present;
    if (!p.program && !p.failed) p.failed = !MakePresentProgram(c, &p);
    c.BindDrawFramebuffer(0);
    c.Scissor(false, 0, 0, 0, 0);
    c.ColorMask(true);
    if (bars) {
        c.Call(glClearColor, 0.0f, 0.0f, 0.0f, 1.0f);
        c.Call(glClear, GL_COLOR_BUFFER_BIT);
    }
    if (p.failed) {
        BlitBackBuffer(c, backBuffer, w, h, into);
        return;
    }
    const bool exact = into.width == w && into.height == h;
    c.UseProgram(p.program);
    c.BindVertexArray(gl->vertexArray);
    c.Blend(false, GL_ONE, GL_ZERO);
    c.Depth(false, false, GL_ALWAYS);
    c.Cull(false, GL_CCW);
    c.Viewport(into.x, into.y, into.width, into.height);
    c.BindTexture(kUploadUnit, backBufferTexture);
    c.BindSampler(kUploadUnit, exact ? p.nearest : p.linear);
    c.Call(glDrawArrays, GL_TRIANGLE_STRIP, 0, 4);
}

void GlDestroyPresent(GlBackend* gl) {
    GlPresentProgram& p = gl->present;
    GlCache& c = gl->cache;
    if (p.program) c.Call(glDeleteProgram, p.program);
    if (p.nearest) c.Call(glDeleteSamplers, 1, &p.nearest);
    if (p.linear) c.Call(glDeleteSamplers, 1, &p.linear);
    p = GlPresentProgram{};
}
