// The command line of a virelle-tools command: one parser, one refusal, checked numbers.
// A command lists the options it knows; an unknown option, a missing value or an extra argument is
// refused with one message on stderr ("virelle-tools CMD: PROBLEM", then the command's usage line)
// and exit status 2.
#pragma once

#include <string>
#include <vector>

struct OptionSpec {
    const char* name;  // "--time"
    bool takesValue;   // false for a flag such as "--quiet"
};

struct CommandSpec {
    const char* command;  // "frame"
    const char* usage;    // the usage line, printed after any problem
    std::vector<OptionSpec> options;
    int maxPositional = 0;  // arguments that are not options (file names)
};

struct ParsedOptions {
    std::vector<std::string> positional;
    std::vector<std::pair<std::string, std::string>> given;  // in order; flags have an empty value

    bool Has(const char* name) const;
    // The last value given for the option, or null when it was not given.
    const char* Value(const char* name) const;
    // Reads an option's value as a number: true and *out set when it is a number, true and *out
    // left alone when the option was not given, false with *problem set when it is not a number.
    bool Number(const char* name, double* out, std::string* problem) const;
    bool Number(const char* name, float* out, std::string* problem) const;
    bool Integer(const char* name, int* out, std::string* problem) const;
};

// True when argv matches the option list; otherwise false with *problem in plain words.
bool ParseOptions(const CommandSpec& spec, int argc, char** argv, ParsedOptions* out, std::string* problem);

// Whole-string, finite numbers ("12", "-0.5", "1e3"); no blanks, no trailing text, no inf/nan.
bool ParseNumber(const char* text, double* out);
bool ParseNumber(const char* text, float* out);  // rounded once, straight to float
bool ParseInteger(const char* text, int* out);

struct DrawSize;
// --resolution WxH and --supersample N, where the command lists them (app/draw_options.h): true
// with *size set, or left alone when neither is given; false with *problem. `evenSides` for a
// video's size.
bool ParseToolDrawSize(const ParsedOptions& options, DrawSize* size, std::string* problem, bool evenSides = false);

// Prints the refusal ("virelle-tools CMD: PROBLEM" when there is a problem, then the usage line)
// on stderr and returns the exit status for it, 2.
int RefuseOptions(const CommandSpec& spec, const std::string& problem);
