// vemo-lv2-bundle OUTDIR [--ui UI_BINARY]: writes the LV2 bundle's Turtle
// files (manifest.ttl, vemo.ttl, presets.ttl) into OUTDIR, from the
// parameter table and the factory bank compiled into the instrument, so
// that the ports, their ranges and defaults and the presets can never
// disagree with what the plug-in does. Run by the build.
#include "core/FactoryBank.h"
#include "faces/lv2/Lv2Ports.h"
#include "voice/ParameterTable.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {

using namespace vemo::lv2;

const char* const kPrefixes = R"(@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .
@prefix doap:  <http://usefulinc.com/ns/doap#> .
@prefix foaf:  <http://xmlns.com/foaf/0.1/> .
@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .
@prefix midi:  <http://lv2plug.in/ns/ext/midi#> .
@prefix opts:  <http://lv2plug.in/ns/ext/options#> .
@prefix patch: <http://lv2plug.in/ns/ext/patch#> .
@prefix pg:    <http://lv2plug.in/ns/ext/port-groups#> .
@prefix pprops: <http://lv2plug.in/ns/ext/port-props#> .
@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .
@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix time:  <http://lv2plug.in/ns/ext/time#> .
@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .
@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .
@prefix xsd:   <http://www.w3.org/2001/XMLSchema#> .

)";

// Released versions: even minor numbers. Raise the micro version for a
// fix, the minor one (by 2) for anything a host may see.
constexpr int kMinorVersion = 2;
constexpr int kMicroVersion = 0;

// A port symbol from the editor's title: "SUB OSC" -> "sub_osc".
std::string symbolOf(const char* title)
{
    std::string s;
    for (const char* c = title; *c != 0; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u >= 'A' && u <= 'Z')
            s += char(u - 'A' + 'a');
        else if ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9'))
            s += char(u);
        else
            s += '_';
    }
    return s;
}

// A Turtle string literal.
std::string quoted(const char* text, size_t length)
{
    std::string s = "\"";
    for (size_t i = 0; i < length && text[i] != 0; ++i) {
        const char c = text[i];
        if (c == '"' || c == '\\')
            s += '\\';
        s += c;
    }
    return s + "\"";
}
std::string quoted(const char* text) { return quoted(text, std::strlen(text)); }

// A float as Turtle reads it back to the same single-precision value.
std::string number(float v)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", double(v));
    std::string s = text;
    if (s.find_first_of(".eEn") == std::string::npos)
        s += ".0";
    return s;
}

std::string presetUri(int program)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", program);
    return std::string(kPresetPrefix) + text;
}

bool isFactorySound(const ProgramRecord& r) { return std::strncmp(r.name, "default", sizeof r.name) != 0; }

void writeParameterPort(std::ostream& out, int32_t index, float defaultValue)
{
    const ParameterInfo& info = kParameterTable[index];
    out << "    ] , [\n"
        << "        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << kFirstParameterPort + uint32_t(index) << " ;\n"
        << "        lv2:symbol \"" << symbolOf(info.title) << "\" ;\n"
        << "        lv2:name " << quoted(info.title) << " ;\n"
        << "        lv2:default " << number(defaultValue) << " ;\n"
        << "        lv2:minimum " << number(info.minimum) << " ;\n"
        << "        lv2:maximum " << number(info.maximum);
    switch (info.kind) {
    case ParameterKind::Switch:
        out << " ;\n        lv2:portProperty lv2:toggled";
        if (info.texts != nullptr && std::strcmp(info.texts[0], "off") != 0)
            out << " ;\n        lv2:scalePoint [ rdfs:label " << quoted(info.texts[0]) << " ; rdf:value 0.0 ] , "
                << "[ rdfs:label " << quoted(info.texts[1]) << " ; rdf:value 1.0 ]";
        break;
    case ParameterKind::Menu:
        out << " ;\n        lv2:portProperty lv2:integer , lv2:enumeration ;\n        lv2:scalePoint ";
        for (int32_t k = 0; k < info.textCount; ++k)
            out << (k ? " , " : "") << "[ rdfs:label " << quoted(info.texts[k]) << " ; rdf:value " << k << ".0 ]";
        break;
    case ParameterKind::Stepped:
        // Read in three steps: below 0.25 an octave down, above 0.5 up.
        out << " ;\n        lv2:scalePoint [ rdfs:label \"-12 st\" ; rdf:value 0.0 ] , "
               "[ rdfs:label \"0 st\" ; rdf:value 0.5 ] , [ rdfs:label \"+12 st\" ; rdf:value 1.0 ]";
        break;
    case ParameterKind::Continuous:
        break;
    }
    if (info.show == ParameterShow::Unused)
        out << " ;\n        lv2:portProperty pprops:notOnGUI";
    out << "\n";
}

std::string pluginTtl(bool withUi)
{
    const ProgramRecord& startup = factoryBank()[0];
    std::ostringstream out;
    out << kPrefixes << "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n\n";
    out << "<" << kPluginUri << "#project>\n"
        << "    a doap:Project ;\n"
        << "    doap:name \"VEMO\" ;\n"
        << "    doap:shortdesc \"Six-voice virtual-analog synthesizer\" ;\n"
        << "    doap:maintainer [ foaf:name \"Kestrune\" ] .\n\n";
    out << "<" << kPluginUri << "#out>\n"
        << "    a pg:StereoGroup , pg:OutputGroup ;\n"
        << "    lv2:symbol \"out\" ;\n"
        << "    rdfs:label \"Output\" .\n\n";
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:InstrumentPlugin , lv2:Plugin ;\n"
        << "    doap:name \"VEMO\" ;\n"
        << "    doap:shortdesc \"Six-voice virtual-analog synthesizer\" ;\n"
        << "    lv2:project <" << kPluginUri << "#project> ;\n"
        << "    lv2:minorVersion " << kMinorVersion << " ;\n"
        << "    lv2:microVersion " << kMicroVersion << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
        << "    lv2:extensionData state:interface ;\n"
        << "    pg:mainOutput <" << kPluginUri << "#out> ;\n";
    if (withUi)
        out << "    ui:ui <" << kUiUri << "> ;\n";
    out << "    lv2:port [\n"
        << "        a lv2:InputPort , atom:AtomPort ;\n"
        << "        lv2:index " << kMidiIn << " ;\n"
        << "        lv2:symbol \"midi_in\" ;\n"
        << "        lv2:name \"MIDI In\" ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports midi:MidiEvent , time:Position , patch:Message ;\n"
        << "        lv2:designation lv2:control\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kOutLeft << " ;\n"
        << "        lv2:symbol \"out_left\" ;\n"
        << "        lv2:name \"Left\" ;\n"
        << "        pg:group <" << kPluginUri << "#out> ;\n"
        << "        lv2:designation pg:left\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:AudioPort ;\n"
        << "        lv2:index " << kOutRight << " ;\n"
        << "        lv2:symbol \"out_right\" ;\n"
        << "        lv2:name \"Right\" ;\n"
        << "        pg:group <" << kPluginUri << "#out> ;\n"
        << "        lv2:designation pg:right\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , atom:AtomPort ;\n"
        << "        lv2:index " << kNotify << " ;\n"
        << "        lv2:symbol \"notify\" ;\n"
        << "        lv2:name \"Notify\" ;\n"
        << "        atom:bufferType atom:Sequence ;\n"
        << "        atom:supports patch:Message ;\n"
        // A whole sound message: 47 floats, a name and a few headers.
        << "        <http://lv2plug.in/ns/ext/resize-port#minimumSize> 4096\n"
        << "    ] , [\n"
        << "        a lv2:OutputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << kProgramOut << " ;\n"
        << "        lv2:symbol \"program\" ;\n"
        << "        lv2:name \"Program\" ;\n"
        << "        lv2:default 0.0 ;\n"
        << "        lv2:minimum 0.0 ;\n"
        << "        lv2:maximum " << kNumPrograms - 1 << ".0 ;\n"
        << "        lv2:portProperty lv2:integer\n";
    for (int32_t i = 0; i < kNumParameters; ++i)
        writeParameterPort(out, i, bringIntoRange(i, startup.parameter[i]));
    out << "    ] .\n";
    return out.str();
}

std::string manifestTtl(const std::string& uiBinary)
{
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n"
        << "    a lv2:Plugin , lv2:InstrumentPlugin ;\n"
        << "    lv2:binary <vemo_dsp.so> ;\n"
        << "    rdfs:seeAlso <vemo.ttl> .\n\n";
    if (!uiBinary.empty())
        out << "<" << kUiUri << ">\n"
            << "    a ui:X11UI ;\n"
            << "    ui:binary <" << uiBinary << "> ;\n"
            << "    lv2:requiredFeature urid:map ;\n"
            << "    lv2:optionalFeature ui:parent , ui:resize , ui:touch , opts:options ;\n"
            << "    lv2:extensionData ui:idleInterface ;\n"
            << "    ui:portNotification [ ui:plugin <" << kPluginUri << "> ; lv2:symbol \"notify\" ; "
               "ui:protocol atom:eventTransfer ] .\n\n";
    const ProgramRecord* bank = factoryBank();
    for (int p = 0; p < kNumPrograms; ++p)
        if (isFactorySound(bank[p]))
            out << "<" << presetUri(p) << ">\n"
                << "    a pset:Preset ;\n"
                << "    lv2:appliesTo <" << kPluginUri << "> ;\n"
                << "    rdfs:seeAlso <presets.ttl> .\n\n";
    return out.str();
}

std::string presetsTtl()
{
    std::ostringstream out;
    out << kPrefixes;
    const ProgramRecord* bank = factoryBank();
    for (int p = 0; p < kNumPrograms; ++p) {
        if (!isFactorySound(bank[p]))
            continue;
        out << "<" << presetUri(p) << ">\n"
            << "    a pset:Preset ;\n"
            << "    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label " << quoted(bank[p].name, sizeof bank[p].name) << " ;\n"
            << "    lv2:port ";
        for (int32_t i = 0; i < kNumParameters; ++i)
            out << (i ? " , " : "") << "[ lv2:symbol \"" << symbolOf(kParameterTable[i].title)
                << "\" ; pset:value " << number(bringIntoRange(i, bank[p].parameter[i])) << " ]";
        out << " .\n\n";
    }
    return out.str();
}

bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
        std::cerr << "vemo-lv2-bundle: cannot write " << path << "\n";
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--ui") == 0)) {
        std::cerr << "usage: vemo-lv2-bundle OUTDIR [--ui UI_BINARY]\n";
        return 2;
    }
    const std::string dir = argv[1];
    const std::string ui = argc == 4 ? argv[3] : "";
    const bool ok = writeFile(dir + "/manifest.ttl", manifestTtl(ui)) &&
                    writeFile(dir + "/vemo.ttl", pluginTtl(!ui.empty())) &&
                    writeFile(dir + "/presets.ttl", presetsTtl());
    return ok ? 0 : 1;
}
