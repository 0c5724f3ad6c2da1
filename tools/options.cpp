// The command-line parser shared by the virelle-tools commands.
#include "tools/options.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/draw_options.h"

namespace {

const OptionSpec* Find(const CommandSpec& spec, const char* name) {
    for (const OptionSpec& o : spec.options)
        if (!std::strcmp(o.name, name)) return &o;
    return nullptr;
}

// Whole string consumed, no leading blank (strto* would skip it), no range error.
bool Whole(const char* text, const char* end) {
    return end != text && *end == '\0' && errno != ERANGE && !std::isspace(static_cast<unsigned char>(text[0]));
}

template <typename T>
bool ReadOption(const ParsedOptions& options, const char* name, T* out, std::string* problem, const char* kind,
                bool (*parse)(const char*, T*)) {
    const char* text = options.Value(name);
    if (!text) return true;
    if (parse(text, out)) return true;
    *problem = std::string(name) + " needs " + kind + ", not '" + text + "'";
    return false;
}

}  // namespace

bool ParsedOptions::Has(const char* name) const {
    return Value(name) != nullptr;
}

const char* ParsedOptions::Value(const char* name) const {
    for (auto it = given.rbegin(); it != given.rend(); ++it)
        if (it->first == name) return it->second.c_str();
    return nullptr;
}

bool ParsedOptions::Number(const char* name, double* out, std::string* problem) const {
    return ReadOption<double>(*this, name, out, problem, "a number", ParseNumber);
}

bool ParsedOptions::Number(const char* name, float* out, std::string* problem) const {
    return ReadOption<float>(*this, name, out, problem, "a number", ParseNumber);
}

bool ParsedOptions::Integer(const char* name, int* out, std::string* problem) const {
    return ReadOption<int>(*this, name, out, problem, "a whole number", ParseInteger);
}

bool ParseOptions(const CommandSpec& spec, int argc, char** argv, ParsedOptions* out, std::string* problem) {
    *out = {};
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' || arg[1] == '\0') {
            if (static_cast<int>(out->positional.size()) >= spec.maxPositional) {
                *problem = std::string("unexpected argument '") + arg + "'";
                return false;
            }
            out->positional.emplace_back(arg);
            continue;
        }
        const OptionSpec* option = Find(spec, arg);
        if (!option) {
            *problem = std::string("unknown option '") + arg + "'";
            return false;
        }
        if (!option->takesValue) {
            out->given.emplace_back(arg, "");
            continue;
        }
        if (i + 1 >= argc) {  // a value may start with '-': "--time -1" is a time
            *problem = std::string(arg) + " needs a value";
            return false;
        }
        out->given.emplace_back(arg, argv[++i]);
    }
    return true;
}

bool ParseNumber(const char* text, double* out) {
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (!Whole(text, end) || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool ParseNumber(const char* text, float* out) {
    char* end = nullptr;
    errno = 0;
    const float v = std::strtof(text, &end);
    if (!Whole(text, end) || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

bool ParseInteger(const char* text, int* out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (!Whole(text, end) || v < INT_MIN || v > INT_MAX) return false;
    *out = static_cast<int>(v);
    return true;
}

bool ParseToolDrawSize(const ParsedOptions& options, DrawSize* size, std::string* problem, bool evenSides) {
    DrawOptionText text;
    text.resolution = options.Value("--resolution");
    text.supersample = options.Value("--supersample");
    text.evenSides = evenSides;
    return ParseDrawOptions(text, size, problem);
}

int RefuseOptions(const CommandSpec& spec, const std::string& problem) {
    if (!problem.empty()) std::fprintf(stderr, "virelle-tools %s: %s\n", spec.command, problem.c_str());
    std::fprintf(stderr, "%s\n", spec.usage);
    return 2;
}
