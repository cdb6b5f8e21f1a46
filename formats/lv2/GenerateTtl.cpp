// Writes the bundle's descriptions at build time: manifest.ttl, moltaro.ttl (plug-in,
// ports, UI) and presets.ttl (the factory programs). Everything comes from the code's own
// tables, so the descriptions cannot drift from what the plug-in does.
//
//   moltaro-lv2-ttl BUNDLE_DIR MAJOR MINOR MICRO
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

#include "formats/lv2/Lv2Ports.h"
#include "presetsystem/FactoryPresets.h"
#include "dsp/AlgorithmNames.h"
#include "shell/ParameterLaws.h"
#include "shell/Parameters.h"

using namespace moltaro;
using namespace moltaro::lv2;

namespace {

const char* const kPrefixes =
    "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .\n"
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix pprop: <http://lv2plug.in/ns/ext/port-props#> .\n"
    "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
    "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n"
    "@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .\n\n";

const char* const kAudioNames[4] = {"In L", "In R", "Out L", "Out R"};

// A float written so that reading it back gives the same float, always as a decimal.
std::string number(float v) {
    char s[48];
    std::snprintf(s, sizeof s, "%.9g", static_cast<double>(v));
    std::string text = s;
    if (text.find_first_of(".en") == std::string::npos) text += ".0";
    return text;
}

// The shortest decimal that selects the same normalised value as port value v does, so
// that presets read "60" rather than "60.0000038".
std::string portNumber(const ParameterLaw& law, float v) {
    const float x = normalisedValue(law, v);
    for (int digits = 1; digits <= 9; ++digits) {
        char s[48];
        std::snprintf(s, sizeof s, "%.*g", digits, static_cast<double>(v));
        const float shorter = std::strtof(s, nullptr);
        if (normalisedValue(law, shorter) == x) return number(shorter);
    }
    return number(v);
}

// Turtle string literal (names hold no quotes or backslashes, but keep it safe).
std::string quoted(const std::string& text) {
    std::string q = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') q += '\\';
        q += c;
    }
    return q + "\"";
}

std::string slug(const std::string& name) {
    std::string s;
    for (char c : name) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alnum) s += c;
        else if (c >= 'A' && c <= 'Z') s += static_cast<char>(c - 'A' + 'a');
        else if (!s.empty() && s.back() != '-') s += '-';
    }
    while (!s.empty() && s.back() == '-') s.pop_back();
    return s;
}

std::string presetUri(const FactoryPreset& p) { return std::string(kPluginUri) + "#preset-" + slug(p.name); }

std::string bankUri(int algorithm) { return std::string(kPluginUri) + "#bank-" + slug(kAlgorithmNames[algorithm]); }

FILE* openFile(const std::string& dir, const char* name) {
    const std::string path = dir + "/" + name;
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fputs(kPrefixes, f);
    return f;
}

void closeFile(FILE* f, const char* name) {
    if (std::ferror(f) || std::fclose(f) != 0) {
        std::fprintf(stderr, "moltaro-lv2-ttl: could not write %s\n", name);
        std::exit(1);
    }
}

void writeManifest(const std::string& dir) {
    FILE* f = openFile(dir, "manifest.ttl");
    std::fprintf(f,
                 "<%s>\n    a lv2:Plugin ;\n    lv2:binary <Moltaro.so> ;\n"
                 "    rdfs:seeAlso <moltaro.ttl> .\n\n",
                 kPluginUri);
    std::fprintf(f,
                 "<%s>\n    a ui:X11UI ;\n    ui:binary <Moltaro_ui.so> ;\n"
                 "    rdfs:seeAlso <moltaro.ttl> .\n",
                 kUiUri);
    for (const FactoryPreset& p : kFactoryPresets)
        std::fprintf(f,
                     "\n<%s>\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n"
                     "    rdfs:seeAlso <presets.ttl> .\n",
                     presetUri(p).c_str(), kPluginUri);
    closeFile(f, "manifest.ttl");
}

void writeControlPort(FILE* f, int parameter) {
    const ParameterLaw& law = *parameterLaw(parameter);
    const float def = portValue(law, static_cast<float>(kFactoryPresets[1].values[parameter]));
    std::fprintf(f,
                 "        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index %d ;\n"
                 "        lv2:symbol \"%s\" ;\n        lv2:name \"%s\" ;\n"
                 "        lv2:default %s ;\n        lv2:minimum %s ;\n        lv2:maximum %s",
                 static_cast<int>(kFirstParameterPort) + parameter, kParameterSymbols[parameter], law.name,
                 portNumber(law, def).c_str(), number(law.minimum).c_str(), number(law.maximum).c_str());
    if (const char* unit = lv2UnitOf(law.unit)) std::fprintf(f, " ;\n        units:unit units:%s", unit);
    if (law.logarithmic()) std::fprintf(f, " ;\n        lv2:portProperty pprop:logarithmic");
    if (parameter == kParamPower) {
        std::fprintf(f, " ;\n        lv2:portProperty lv2:toggled");
    } else if (parameter == kParamType) {
        std::fprintf(f, " ;\n        lv2:portProperty lv2:integer , lv2:enumeration");
        for (int a = 0; a < kNumAlgorithms; ++a)
            std::fprintf(f, " ;\n        lv2:scalePoint [ rdfs:label \"%s\" ; rdf:value %s ]", kAlgorithmNames[a],
                         number(static_cast<float>(a)).c_str());
    }
    std::fprintf(f, "\n");
}

void writePlugin(const std::string& dir, const char* major, const char* minor, const char* micro) {
    FILE* f = openFile(dir, "moltaro.ttl");
    std::fprintf(f,
                 "<%s>\n    a lv2:Plugin , lv2:ReverbPlugin , doap:Project ;\n"
                 "    doap:name \"ZUN Moltaro\" ;\n"
                 "    doap:shortdesc \"General purpose reverb\" ;\n"
                 "    doap:maintainer [ foaf:name \"ZUN-soundlab\" ] ;\n"
                 "    doap:release [ doap:revision \"%s.%s.%s\" ] ;\n"
                 "    lv2:project [ doap:name \"ZUN Moltaro\" ] ;\n"
                 "    lv2:minorVersion %s ;\n    lv2:microVersion %s ;\n"
                 "    lv2:optionalFeature lv2:hardRTCapable , opts:options , urid:map ;\n"
                 "    opts:supportedOption bufsz:nominalBlockLength , bufsz:maxBlockLength ;\n"
                 "    lv2:extensionData state:interface ;\n"
                 "    ui:ui <%s> ;\n"
                 "    lv2:port ",
                 kPluginUri, major, minor, micro, minor, micro, kUiUri);
    for (int a = 0; a < 4; ++a)
        std::fprintf(f,
                     "[\n        a lv2:%s , lv2:AudioPort ;\n        lv2:index %d ;\n"
                     "        lv2:symbol \"%s\" ;\n        lv2:name \"%s\"\n    ] , ",
                     a < 2 ? "InputPort" : "OutputPort", a, kAudioSymbols[a], kAudioNames[a]);
    for (int c = 0; c < kNumPortParameters; ++c) {
        std::fprintf(f, "[\n");
        writeControlPort(f, c);
        std::fprintf(f, "    ] , ");
    }
    std::fprintf(f,
                 "[\n        a lv2:OutputPort , lv2:ControlPort ;\n        lv2:index %d ;\n"
                 "        lv2:symbol \"%s\" ;\n        lv2:name \"Output peak\" ;\n"
                 "        lv2:minimum 0.0 ;\n        lv2:maximum 4.0 ;\n"
                 "        units:unit units:coef\n    ] .\n\n",
                 static_cast<int>(kPeakPort), kPeakSymbol);
    // The one state property: the program name the editor shows.
    std::fprintf(f,
                 "<%s>\n    a rdf:Property ;\n    rdfs:label \"program name\" ;\n"
                 "    rdfs:comment \"The name of the program the editor shows.\" ;\n"
                 "    rdfs:range xsd:string .\n\n",
                 kProgramNameKey);
    // The editor: embedded in the host's window, driven by its idle calls, working on
    // this instance's effect directly.
    std::fprintf(f,
                 "<%s>\n    a ui:X11UI ;\n"
                 "    lv2:requiredFeature <http://lv2plug.in/ns/ext/instance-access> , ui:parent , "
                 "ui:idleInterface ;\n"
                 "    lv2:optionalFeature ui:resize ;\n"
                 "    lv2:extensionData ui:idleInterface .\n",
                 kUiUri);
    closeFile(f, "moltaro.ttl");
}

void writePresets(const std::string& dir) {
    FILE* f = openFile(dir, "presets.ttl");
    std::set<int> banks;
    std::set<std::string> uris;
    for (const FactoryPreset& p : kFactoryPresets) {
        if (!uris.insert(presetUri(p)).second) {
            std::fprintf(stderr, "moltaro-lv2-ttl: two factory programs named like \"%s\"\n", p.name);
            std::exit(1);
        }
        const int algorithm = algorithmOf(static_cast<float>(p.values[kParamType]));
        banks.insert(algorithm);
        std::fprintf(f, "<%s>\n    a pset:Preset ;\n    lv2:appliesTo <%s> ;\n    rdfs:label %s ;\n",
                     presetUri(p).c_str(), kPluginUri, quoted(p.name).c_str());
        std::fprintf(f, "    pset:bank <%s> ;\n    lv2:port ", bankUri(algorithm).c_str());
        for (int parameter = 0; parameter < kNumPortParameters; ++parameter) {
            const ParameterLaw& law = *parameterLaw(parameter);
            const float v = portValue(law, static_cast<float>(p.values[parameter]));
            std::fprintf(f, "%s[ lv2:symbol \"%s\" ; pset:value \"%s\"^^xsd:float ]", parameter ? " ,\n        " : "",
                         kParameterSymbols[parameter], portNumber(law, v).c_str());
        }
        std::fprintf(f, " ;\n    state:state [ <%s> %s ] .\n\n", kProgramNameKey, quoted(p.name).c_str());
    }
    for (int algorithm : banks) {
        const char* name = kAlgorithmNames[algorithm];
        std::fprintf(f, "<%s>\n    a pset:Bank ;\n    lv2:appliesTo <%s> ;\n    rdfs:label \"%s\" .\n\n",
                     bankUri(algorithm).c_str(), kPluginUri, name);
    }
    closeFile(f, "presets.ttl");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: moltaro-lv2-ttl BUNDLE_DIR MAJOR MINOR MICRO\n");
        return 2;
    }
    const std::string dir = argv[1];
    writeManifest(dir);
    writePlugin(dir, argv[2], argv[3], argv[4]);
    writePresets(dir);
    return 0;
}
