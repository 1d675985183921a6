// ParseOptions and the catalogue of options.
#include "options.h"

#include <algorithm>
#include <cstring>

#include "failure.h"

namespace {

struct OptionName {
    const char* name;   // main name
    const char* alias;  // or null
    bool takesValue;
};

constexpr OptionName CATALOGUE[] = {
    {"-k", "--key", true},
    {"-i", "--in", true},
    {"-o", "--out", true},
    {"--scheme", nullptr, true},
    {"--signature", nullptr, true},
    {"--bits", nullptr, true},
    {"--exponent-bytes", nullptr, true},
    {"--blinding", nullptr, true},
    {"--passin", nullptr, true},
    {"--pkcs1", nullptr, false},
    {"--der", nullptr, false},
};

const OptionName* Find(const std::string& written) {
    for (const OptionName& option : CATALOGUE)
        if (written == option.name || (option.alias != nullptr && written == option.alias)) return &option;
    return nullptr;
}

}  // namespace

std::string Options::Value(const std::string& name, const std::string& fallback) const {
    const auto found = values.find(name);
    return found == values.end() ? fallback : found->second;
}

bool Options::Has(const std::string& name) const { return values.count(name) > 0 || flags.count(name) > 0; }

std::string Options::Required(const std::string& name) const {
    if (!Has(name)) FailUsage(command, "missing " + name + " (kxrsa " + command + " --help)");
    return Value(name);
}

Options ParseOptions(const std::string& command, std::span<const char* const> allowed, int argc, char** argv,
                     int first) {
    Options options;
    options.command = command;
    for (int i = first; i < argc; ++i) {
        std::string written = argv[i];
        if (written.empty() || written[0] != '-' || written == "-")
            FailUsage(command, "unexpected argument '" + written + "'");
        std::string value;
        bool inlineValue = false;
        const size_t equals = written.find('=');
        if (written.rfind("--", 0) == 0 && equals != std::string::npos) {
            value = written.substr(equals + 1);
            written.resize(equals);
            inlineValue = true;
        }
        const OptionName* option = Find(written);
        if (option == nullptr || std::none_of(allowed.begin(), allowed.end(),
                                              [&](const char* name) { return std::strcmp(name, option->name) == 0; }))
            FailUsage(command, "unknown option " + written + " (kxrsa " + command + " --help)");
        if (options.Has(option->name)) FailUsage(command, std::string(option->name) + " given twice");
        if (!option->takesValue) {
            if (inlineValue) FailUsage(command, written + " takes no value");
            options.flags.insert(option->name);
            continue;
        }
        if (!inlineValue) {
            if (i + 1 == argc) FailUsage(command, written + " needs a value");
            value = argv[++i];
        }
        options.values[option->name] = value;
    }
    return options;
}
