// GLSL for the fixed-function subset the show uses, with Direct3D 9's results.
//
// Does: point, spot and directional lights per vertex (ambient, diffuse, specular with local or
// distant viewer, attenuation, range), normalized normals, material colour sources, texture stage 0
// (DISABLE, SELECTARG1, SELECTARG2, MODULATE of TEXTURE, CURRENT, DIFFUSE, TFACTOR, SPECULAR with
// COMPLEMENT and ALPHAREPLICATE), specular add, alpha test, XYZRHW positions.
// Does not: stages 1..7, fog, texture transforms, flat shading, vertex blending.
//
// Every target is stored top row first, so the vertex stage flips y; that flip also turns D3D's
// on-screen winding into GL's opposite winding (the device picks glFrontFace accordingly).
#include "platform/device/gl_program.h"

#include <string>
#include <vector>

#include "platform/device/gl_cache.h"

namespace {

// After GlslPreamble() and the variant's constants (VertexConstants): kPretransformed, kLighting, kLocalViewer,
// kNormalizeNormals, kHasNormal, kHasDiffuse, kHasSpecular, kMaterialSources and kPointLights, kSpotLights,
// kDirectionalLights (which kinds of light are enabled). A software rasterizer runs both sides of a branch on a uniform
// for every vertex; on constants the compiler keeps only the side the variant takes.
const char* kVertexSource = R"(
layout(location = 0) in vec4 aPosition;
layout(location = 1) in vec3 aNormal;
layout(location = 2) in vec4 aDiffuseBytes;   // D3DCOLOR: VERTEX_COLOR gives R, G, B, A
layout(location = 3) in vec4 aSpecularBytes;
layout(location = 4) in vec2 aTexCoord;
vec4 aDiffuse, aSpecular;

uniform mat4 uWorldView;     // D3D row-major data, read by GL as its transpose
uniform mat4 uProjection;
uniform mat3 uNormalMatrix;  // inverse of the 3x3 of World*View, column-vector form
uniform vec2 uTargetSize;    // in the pixels asked for (the viewport scales them to those drawn)
uniform vec2 uPixelOffset;   // D3D pixel centres sit on integer coordinates: shift by ~half a pixel drawn
uniform vec2 uPixelShift;    // the same shift for pretransformed positions, in the pixels asked for
uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive;
uniform float uMatPower;
uniform vec3 uGlobalAmbient;
uniform int uLightCount;
uniform vec4 uLightPosition[8];     // camera space
uniform vec4 uLightDirection[8];    // camera space, normalized
uniform vec4 uLightDiffuse[8], uLightSpecular[8], uLightAmbient[8];
uniform vec4 uLightAttenuation[8];  // a0, a1, a2, range
uniform vec4 uLightSpot[8];         // cos(theta/2), cos(phi/2), falloff, type (1 point, 2 spot, 3 directional)

out vec4 vDiffuse;
out vec3 vSpecular;
out vec2 vTexCoord;

const float kFltMax = 3.402823466e38;

vec4 Source(int source, vec4 material) {
    if (source == 1) return aDiffuse;
    if (source == 2) return aSpecular;
    return material;
}

void Light(vec3 V, vec3 N, inout vec3 A, inout vec3 D, inout vec3 S) {
    for (int i = 0; i < uLightCount; ++i) {
        int type = int(uLightSpot[i].w + 0.5);
        vec3 L;
        float att = 1.0, spot = 1.0;
        if (kDirectionalLights && (type == 3 || !(kPointLights || kSpotLights))) {
            L = -uLightDirection[i].xyz;
        } else {
            vec3 Lv = uLightPosition[i].xyz - V;
            float d = length(Lv);
            if (d > uLightAttenuation[i].w) continue;  // beyond Range: nothing at all
            L = d > 0.0 ? Lv / d : vec3(0.0);
            float denom = uLightAttenuation[i].x + uLightAttenuation[i].y * d + uLightAttenuation[i].z * d * d;
            att = denom > 0.0 ? min(1.0 / denom, kFltMax) : kFltMax;
            if (kSpotLights && type == 2) {
                float rho = dot(-L, uLightDirection[i].xyz);
                float ct = uLightSpot[i].x, cp = uLightSpot[i].y;
                if (rho > ct) spot = 1.0;
                else if (rho <= cp) spot = 0.0;
                else spot = pow((rho - cp) / (ct - cp), uLightSpot[i].z);
            }
        }
        float k = att * spot;
        float NdotL = max(dot(N, L), 0.0);
        A += uLightAmbient[i].rgb * k;
        D += uLightDiffuse[i].rgb * NdotL * k;
        vec3 E = vec3(0.0, 0.0, -1.0);
        if (kLocalViewer) E = length(V) > 0.0 ? normalize(-V) : vec3(0.0);
        vec3 Hs = L + E;
        vec3 H = length(Hs) > 0.0 ? normalize(Hs) : vec3(0.0);
        float NdotH = max(dot(N, H), 0.0);
        if (NdotL > 0.0 && NdotH > 0.0) S += uLightSpecular[i].rgb * pow(NdotH, uMatPower) * k;
    }
}

void main() {
    aDiffuse = VERTEX_COLOR(aDiffuseBytes);
    aSpecular = VERTEX_COLOR(aSpecularBytes);
    vTexCoord = aTexCoord;
    if (kPretransformed) {
        float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
        vec2 ndc = 2.0 * (aPosition.xy + uPixelShift) / uTargetSize - 1.0;
        gl_Position = vec4(vec3(ndc, 2.0 * aPosition.z - 1.0) * w, w);
    } else {
        vec4 V = uWorldView * vec4(aPosition.xyz, 1.0);
        vec4 clip = uProjection * V;
        clip.y = -clip.y;                    // row 0 of every target is the top
        clip.z = 2.0 * clip.z - clip.w;      // D3D clip depth 0..w to GL's -w..w
        clip.xy += uPixelOffset * clip.w;
        gl_Position = clip;

        if (kLighting) {
            vec3 N = vec3(0.0);  // no normal: only ambient and emissive light the vertex
            if (kHasNormal) {
                N = uNormalMatrix * aNormal;
                if (kNormalizeNormals && length(N) > 0.0) N = normalize(N);
            }
            vec4 Cd = Source(kMaterialSources.x, uMatDiffuse);
            vec4 Ca = Source(kMaterialSources.y, uMatAmbient);
            vec4 Cs = Source(kMaterialSources.z, uMatSpecular);
            vec4 Ce = Source(kMaterialSources.w, uMatEmissive);
            vec3 A = vec3(0.0), D = vec3(0.0), S = vec3(0.0);
            Light(V.xyz, N, A, D, S);
            vDiffuse = vec4(clamp(Ce.rgb + Ca.rgb * uGlobalAmbient + Ca.rgb * A + Cd.rgb * D, 0.0, 1.0),
                            clamp(Cd.a, 0.0, 1.0));
            vSpecular = clamp(Cs.rgb * S, 0.0, 1.0);
            return;
        }
    }
    vDiffuse = kHasDiffuse ? aDiffuse : vec4(1.0);
    vSpecular = kHasSpecular ? aSpecular.rgb : vec3(0.0);
}
)";

// Follows the constants of one variant: kStageActive (stage 0 after the NULL-texture rule),
// kColorOp and kAlphaOp (op, arg1, arg2), kHasTexture, kSpecularEnable, kAlphaFunc (D3DCMPFUNC).
// As constants the compiler drops every branch the variant never takes: llvmpipe runs each
// branch on uniforms for every pixel, which made the composition's fill twice as dear.
const char* kFragmentSource = R"(
in vec4 vDiffuse;
in vec3 vSpecular;
in vec2 vTexCoord;

uniform vec4 uTextureFactor;
uniform float uAlphaRef;    // 0..255
uniform sampler2D uTexture0;

out vec4 fragColor;

vec4 Argument(int a, vec4 tex, vec4 current) {
    vec4 x;
    int which = a & 15;
    if (which == 0) x = vDiffuse;
    else if (which == 1) x = current;
    else if (which == 2) x = tex;
    else if (which == 3) x = uTextureFactor;
    else if (which == 4) x = vec4(vSpecular, 1.0);
    else x = vec4(0.0);
    if ((a & 16) != 0) x = 1.0 - x;
    if ((a & 32) != 0) x = x.aaaa;
    return x;
}

vec4 Operate(ivec3 op, vec4 tex, vec4 current) {
    if (op.x == 2) return Argument(op.y, tex, current);
    if (op.x == 3) return Argument(op.z, tex, current);
    if (op.x == 4) return Argument(op.y, tex, current) * Argument(op.z, tex, current);
    return current;  // DISABLE of alpha while colour runs: keep the previous alpha
}

bool AlphaPasses(float a) {
    float v = floor(a * 255.0 + 0.5);
    if (kAlphaFunc == 1) return false;
    if (kAlphaFunc == 2) return v < uAlphaRef;
    if (kAlphaFunc == 3) return v == uAlphaRef;
    if (kAlphaFunc == 4) return v <= uAlphaRef;
    if (kAlphaFunc == 5) return v > uAlphaRef;
    if (kAlphaFunc == 6) return v != uAlphaRef;
    if (kAlphaFunc == 7) return v >= uAlphaRef;
    return true;
}

void main() {
    vec4 color = vDiffuse;  // CURRENT on stage 0 is the diffuse colour
    if (kStageActive) {
        vec4 tex = kHasTexture ? texture(uTexture0, vTexCoord) : vec4(0.0, 0.0, 0.0, 1.0);
        color = vec4(Operate(kColorOp, tex, color).rgb, Operate(kAlphaOp, tex, color).a);
    }
    if (kSpecularEnable) color.rgb = min(color.rgb + vSpecular, 1.0);
    if (!AlphaPasses(color.a)) discard;
    fragColor = color;
}
)";

GLuint Compile(GlCache& gl, GLenum type, const char* source, std::string* error) {
    GLuint shader = gl.Call(glCreateShader, type);
    gl.Call(glShaderSource, shader, 1, &source, nullptr);
    gl.Call(glCompileShader, shader);
    GLint ok = 0;
    gl.Call(glGetShaderiv, shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        gl.Call(glGetShaderiv, shader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(size_t(length > 0 ? length : 1), '\0');
        gl.Call(glGetShaderInfoLog, shader, GLsizei(log.size()), nullptr, log.data());
        *error = std::string("shader compile: ") + log.data();
        gl.Call(glDeleteShader, shader);
        return 0;
    }
    return shader;
}

std::string Flag(bool b) {
    return b ? "true" : "false";
}

// The variant's constants, after the version line the source must start with.
std::string VertexConstants(const FfVertexKey& k) {
    const int* m = k.materialSources;
    auto flag = [](const char* name, bool b) { return std::string("const bool ") + name + " = " + Flag(b) + ";\n"; };
    return std::string(GlslPreamble()) + flag("kPretransformed", k.pretransformed) + flag("kLighting", k.lighting) +
           flag("kLocalViewer", k.localViewer) + flag("kNormalizeNormals", k.normalizeNormals) +
           flag("kHasNormal", k.hasNormal) + flag("kHasDiffuse", k.hasDiffuse) + flag("kHasSpecular", k.hasSpecular) +
           flag("kPointLights", k.pointLights) + flag("kSpotLights", k.spotLights) +
           flag("kDirectionalLights", k.directionalLights) + "const ivec4 kMaterialSources = ivec4(" +
           std::to_string(m[0]) + ", " + std::to_string(m[1]) + ", " + std::to_string(m[2]) + ", " +
           std::to_string(m[3]) + ");\n";
}

std::string PixelConstants(const FfPixelKey& k) {
    auto triple = [](const int v[3]) {
        return "ivec3(" + std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " + std::to_string(v[2]) + ")";
    };
    auto flag = Flag;
    return std::string(GlslPreamble()) + "const bool kStageActive = " + flag(k.stageActive) + ";\n" +
           "const ivec3 kColorOp = " + triple(k.colorOp) + ";\n" + "const ivec3 kAlphaOp = " + triple(k.alphaOp) +
           ";\n" + "const bool kHasTexture = " + flag(k.hasTexture) + ";\n" +
           "const bool kSpecularEnable = " + flag(k.specularEnable) + ";\n" +
           "const int kAlphaFunc = " + std::to_string(k.alphaFunc) + ";\n";
}

}  // namespace

bool FixedFunctionProgram::Build(GlCache& gl, const FfProgramKey& key, std::string* error) {
    const std::string vertex = VertexConstants(key.vertex) + kVertexSource;
    GLuint vs = Compile(gl, GL_VERTEX_SHADER, vertex.c_str(), error);
    if (!vs) return false;
    const std::string pixel = PixelConstants(key.pixel) + kFragmentSource;
    GLuint fs = Compile(gl, GL_FRAGMENT_SHADER, pixel.c_str(), error);
    if (!fs) {
        gl.Call(glDeleteShader, vs);
        return false;
    }
    program = gl.Call(glCreateProgram);
    gl.Call(glAttachShader, program, vs);
    gl.Call(glAttachShader, program, fs);
    gl.Call(glLinkProgram, program);
    gl.Call(glDeleteShader, vs);
    gl.Call(glDeleteShader, fs);
    GLint ok = 0;
    gl.Call(glGetProgramiv, program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        gl.Call(glGetProgramInfoLog, program, GLsizei(sizeof log), nullptr, log);
        *error = std::string("shader link: ") + log;
        Destroy(gl);
        return false;
    }
    auto at = [&](const char* name) { return gl.Call(glGetUniformLocation, program, name); };
    worldView = at("uWorldView"), projection = at("uProjection"), normalMatrix = at("uNormalMatrix");
    targetSize = at("uTargetSize"), pixelOffset = at("uPixelOffset"), pixelShift = at("uPixelShift");
    matDiffuse = at("uMatDiffuse"), matAmbient = at("uMatAmbient");
    matSpecular = at("uMatSpecular"), matEmissive = at("uMatEmissive"), matPower = at("uMatPower");
    globalAmbient = at("uGlobalAmbient"), lightCount = at("uLightCount");
    lightPosition = at("uLightPosition"), lightDirection = at("uLightDirection");
    lightDiffuse = at("uLightDiffuse"), lightSpecular = at("uLightSpecular"), lightAmbient = at("uLightAmbient");
    lightAttenuation = at("uLightAttenuation"), lightSpot = at("uLightSpot");
    textureFactor = at("uTextureFactor"), alphaRef = at("uAlphaRef"), texture0 = at("uTexture0");
    return true;
}

void FixedFunctionProgram::Destroy(GlCache& gl) {
    if (program) gl.Call(glDeleteProgram, program);
    program = 0;
}
