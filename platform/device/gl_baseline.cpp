// The raw-GL yardstick: the layered frames drawn with plain GL calls, counted here, never through
// the device's cache (which is invalidated after each frame so the device sets its state again).
#include "platform/device/gl_baseline.h"

#include "platform/device/gl_api.h"

#if defined(VIRELLE_GLES)  // desktop benchmarks only: the browser build has none

struct GlBaseline {};
GlBaseline* GlBaselineCreate(IDirect3DDevice9*, const GlBaselineSetup&) {
    return nullptr;
}
uint64_t GlBaselineFrame(GlBaseline*, int) {
    return 0;
}
bool GlBaselineRead(GlBaseline*, uint8_t*) {
    return false;
}
void GlBaselineDestroy(GlBaseline*) {}

#else

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/device/device_core.h"
#include "platform/device/gl_state.h"

namespace {

const char* kVertexSource = R"(#version 330 core
layout(location = 0) in vec2 aPosition;
layout(location = 1) in vec2 aTexCoord;
out vec2 vTexCoord;
void main() {
    vTexCoord = aTexCoord;
    gl_Position = vec4(aPosition, 0.5, 1.0);
}
)";

const char* kFragmentSource = R"(#version 330 core
uniform sampler2D uTexture;
uniform float uAlpha;
in vec2 vTexCoord;
out vec4 oColor;
void main() {
    vec4 t = texture(uTexture, vTexCoord);
    oColor = vec4(t.rgb, t.a * uAlpha);
}
)";

GLuint Compile(GLenum type, const char* source) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (ok == GL_TRUE) return shader;
    glDeleteShader(shader);
    return 0;
}

}  // namespace

struct GlBaseline {
    DeviceCore* core = nullptr;
    int width = 0, height = 0;
    GLuint target = 0, framebuffer = 0;
    GLuint texture = 0, program = 0, buffer = 0, vertexArray = 0;
    GLint alphaLocation = -1;
    float alpha = 1.0f;
};

void GlBaselineDestroy(GlBaseline* b) {
    if (!b) return;
    glDeleteVertexArrays(1, &b->vertexArray);
    glDeleteBuffers(1, &b->buffer);
    glDeleteProgram(b->program);
    glDeleteTextures(1, &b->texture);
    glDeleteFramebuffers(1, &b->framebuffer);
    glDeleteTextures(1, &b->target);
    if (b->core) b->core->gl->cache.Invalidate();
    delete b;
}

GlBaseline* GlBaselineCreate(IDirect3DDevice9* device, const GlBaselineSetup& s) {
    if (!device || s.size < 1 || s.levels < 1 || !s.texels) return nullptr;
    auto* b = new GlBaseline;
    b->core = device->Core();
    b->width = s.targetWidth, b->height = s.targetHeight;
    b->alpha = s.alpha;

    // The target: an RGBA8 texture in a framebuffer, as the device's back buffer is.
    glGenTextures(1, &b->target);
    glBindTexture(GL_TEXTURE_2D, b->target);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, b->width, b->height, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glGenFramebuffers(1, &b->framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, b->framebuffer);
    glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, b->target, 0);
    const bool complete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;

    // The texture: A8R8G8B8 words are B, G, R, A bytes.
    glGenTextures(1, &b->texture);
    glBindTexture(GL_TEXTURE_2D, b->texture);
    for (int level = 0; level < s.levels; ++level) {
        const int side = std::max(1, s.size >> level);
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, side, side, 0, GL_BGRA, GL_UNSIGNED_BYTE, s.texels[level]);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, s.levels - 1);
    const GLint minFilter = s.linear ? (s.mipFilter ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                                     : (s.mipFilter ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s.linear ? GL_LINEAR : GL_NEAREST);

    // The program and the full-screen quad.
    const GLuint vs = Compile(GL_VERTEX_SHADER, kVertexSource), fs = Compile(GL_FRAGMENT_SHADER, kFragmentSource);
    b->program = glCreateProgram();
    GLint linked = GL_FALSE;
    if (vs && fs) {
        glAttachShader(b->program, vs);
        glAttachShader(b->program, fs);
        glLinkProgram(b->program);
        glGetProgramiv(b->program, GL_LINK_STATUS, &linked);
    }
    glDeleteShader(vs);
    glDeleteShader(fs);
    b->alphaLocation = glGetUniformLocation(b->program, "uAlpha");
    glUseProgram(b->program);
    glUniform1i(glGetUniformLocation(b->program, "uTexture"), 0);

    // Rows top first, as the device stores every target: the picture's top at the target's row 0.
    // Moved right and down onto Direct3D's pixel centres as the device moves its draws.
    const float dx = 2.0f * kPixelCentreShift / float(b->width), dy = 2.0f * kPixelCentreShift / float(b->height);
    const float quad[] = {-1 + dx, -1 + dy, 0, 0, 1 + dx, -1 + dy, 1, 0, 1 + dx, 1 + dy, 1, 1, -1 + dx, 1 + dy, 0, 1};
    glGenVertexArrays(1, &b->vertexArray);
    glBindVertexArray(b->vertexArray);
    glGenBuffers(1, &b->buffer);
    glBindBuffer(GL_ARRAY_BUFFER, b->buffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
    glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, 4 * sizeof(float), reinterpret_cast<const void*>(8));
    glEnableVertexAttribArray(0);
    glEnableVertexAttribArray(1);
    glBindVertexArray(0);

    b->core->gl->cache.Invalidate();
    if (!complete || linked != GL_TRUE || glGetError() != GL_NO_ERROR) {
        GlBaselineDestroy(b);
        return nullptr;
    }
    return b;
}

uint64_t GlBaselineFrame(GlBaseline* b, int layers) {
    uint64_t calls = 0;
    auto gl = [&calls](auto function, auto... arguments) {
        ++calls;
        return function(arguments...);
    };
    gl(glBindFramebuffer, GL_DRAW_FRAMEBUFFER, b->framebuffer);
    gl(glViewport, 0, 0, b->width, b->height);
    gl(glDisable, GL_SCISSOR_TEST);
    gl(glDisable, GL_DEPTH_TEST);
    gl(glDisable, GL_CULL_FACE);
    gl(glColorMask, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    gl(glClearColor, 0.0f, 0.0f, 0.0f, 1.0f);
    gl(glClear, GL_COLOR_BUFFER_BIT);
    gl(glEnable, GL_BLEND);
    gl(glBlendFunc, GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    gl(glUseProgram, b->program);
    gl(glUniform1f, b->alphaLocation, b->alpha);
    gl(glBindVertexArray, b->vertexArray);
    gl(glActiveTexture, GL_TEXTURE0);
    gl(glBindTexture, GL_TEXTURE_2D, b->texture);
    gl(glBindSampler, 0, 0u);
    for (int i = 0; i < layers; ++i) gl(glDrawArrays, GL_TRIANGLE_FAN, 0, 4);
    // What Present does: the target to the window (flipped to its bottom-first rows), swap, wait.
    gl(glDisable, GL_BLEND);
    gl(glBindFramebuffer, GL_DRAW_FRAMEBUFFER, 0u);
    gl(glBindFramebuffer, GL_READ_FRAMEBUFFER, b->framebuffer);
    gl(glBlitFramebuffer, 0, 0, b->width, b->height, 0, b->height, b->width, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    b->core->window.swap(b->core->window.window);
    gl(glFinish);
    b->core->gl->cache.Invalidate();
    return calls;
}

bool GlBaselineRead(GlBaseline* b, uint8_t* bgra) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, b->framebuffer);
    glReadPixels(0, 0, b->width, b->height, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return glGetError() == GL_NO_ERROR;
}

#endif  // VIRELLE_GLES
