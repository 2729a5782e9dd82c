#include "tools/vemo-render/PluginHost.h"

#include "tools/vemo-render/TempoMap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>

namespace vemo::render {

namespace {

// The host being built while its plug-in's entry point runs: plug-ins may
// call back (with a null effect, or before resvd1 is ours) from inside it.
thread_local PluginHost* g_loading = nullptr;

constexpr size_t kStringBuffer = 256; // far beyond the documented sizes

} // namespace

PluginHost::PluginHost(const std::string& path, double sampleRate, int maxBlock)
    : path_(path), sampleRate_(sampleRate), maxBlock_(maxBlock)
{
    info_.path = path;
    // A path without a slash would make dlopen search the library path.
    std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    module_ = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        throw PluginError(path + ": cannot load the plug-in module (" + (why ? why : "unknown error") + ")");
    }
    try {
        auto entry = reinterpret_cast<VstPluginMainProc>(dlsym(module_, "VSTPluginMain"));
        if (!entry)
            entry = reinterpret_cast<VstPluginMainProc>(dlsym(module_, "main"));
        if (!entry)
            fail("not a VST 2.x plug-in (exports neither VSTPluginMain nor main)");
        g_loading = this;
        effect_ = entry(&PluginHost::callback);
        g_loading = nullptr;
        if (!effect_)
            fail("the plug-in's entry point returned no effect");
        if (effect_->magic != kEffectMagic)
            fail("the entry point returned something that is not a VST 2.x effect (bad magic)");
        effect_->resvd1 = reinterpret_cast<intptr_t>(this);

        info_.uniqueID = effect_->uniqueID;
        info_.version = effect_->version;
        info_.numInputs = effect_->numInputs;
        info_.numOutputs = effect_->numOutputs;
        info_.numParams = effect_->numParams;
        info_.numPrograms = effect_->numPrograms;
        info_.flags = effect_->flags;
        info_.initialDelay = effect_->initialDelay;
        if (!effect_->dispatcher || !effect_->getParameter || !effect_->setParameter)
            fail("the plug-in's AEffect lacks its dispatcher or parameter functions");
        if (info_.numOutputs < 1 || info_.numOutputs > kMaxChannels || info_.numInputs < 0 ||
            info_.numInputs > kMaxChannels)
            fail("unusable channel counts (" + std::to_string(info_.numInputs) + " in, " +
                 std::to_string(info_.numOutputs) + " out)");
        if (info_.numParams < 0 || info_.numParams > kMaxParams || info_.numPrograms < 0 ||
            info_.numPrograms > kMaxPrograms)
            fail("unusable parameter or program count");
        if (!effect_->processReplacing || !(info_.flags & effFlagsCanReplacing))
            fail("the plug-in does not offer processReplacing");

        dispatch(effOpen);
        info_.category = int32_t(dispatch(effGetPlugCategory));
        if (!(info_.flags & effFlagsIsSynth) && info_.category != kPlugCategSynth)
            fail("not an instrument (it does not set effFlagsIsSynth); vemo-render plays instruments only");
        info_.vstVersion = int32_t(dispatch(effGetVstVersion));
        info_.effectName = dispatchString(effGetEffectName);
        info_.productName = dispatchString(effGetProductString);
        info_.vendor = dispatchString(effGetVendorString);
        info_.vendorVersion = int32_t(dispatch(effGetVendorVersion));
        dispatch(effSetSampleRate, 0, 0, nullptr, float(sampleRate_));
        dispatch(effSetBlockSize, 0, maxBlock_);
    } catch (...) {
        g_loading = nullptr;
        if (effect_ && effect_->magic == kEffectMagic && effect_->dispatcher)
            effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
        dlclose(module_);
        throw;
    }

    allocateBuffers();
}

void PluginHost::allocateBuffers()
{
    inputStore_.assign(size_t(info_.numInputs) * size_t(maxBlock_), 0.0f);
    outputStore_.assign(size_t(info_.numOutputs) * size_t(maxBlock_), 0.0f);
    inputPointers_.clear();
    outputPointers_.clear();
    for (int c = 0; c < info_.numInputs; ++c)
        inputPointers_.push_back(inputStore_.data() + size_t(c) * size_t(maxBlock_));
    for (int c = 0; c < info_.numOutputs; ++c)
        outputPointers_.push_back(outputStore_.data() + size_t(c) * size_t(maxBlock_));
    if (inputPointers_.empty())
        inputPointers_.push_back(nullptr);
}

PluginHost::~PluginHost()
{
    if (running_)
        suspend();
    // The plug-in deletes itself on effClose; nothing of it may be touched after.
    dispatch(effClose);
    effect_ = nullptr;
    dlclose(module_);
}

void PluginHost::fail(const std::string& what) { throw PluginError(path_ + ": " + what); }

intptr_t PluginHost::dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

std::string PluginHost::dispatchString(int32_t opcode, int32_t index)
{
    char text[kStringBuffer] = {};
    dispatch(opcode, index, 0, text);
    text[kStringBuffer - 1] = 0;
    return text;
}

int PluginHost::currentProgram() { return int(dispatch(effGetProgram)); }

void PluginHost::setProgram(int index)
{
    dispatch(effBeginSetProgram);
    dispatch(effSetProgram, 0, index);
    dispatch(effEndSetProgram);
}

std::string PluginHost::programName(int index)
{
    char text[kStringBuffer] = {};
    if (dispatch(effGetProgramNameIndexed, index, -1, text)) {
        text[kStringBuffer - 1] = 0;
        return text;
    }
    // Older plug-ins name only their current program.
    int current = currentProgram();
    if (current == index)
        return currentProgramName();
    setProgram(index);
    std::string name = currentProgramName();
    setProgram(current);
    return name;
}

std::string PluginHost::currentProgramName() { return dispatchString(effGetProgramName); }

void PluginHost::setCurrentProgramName(const std::string& name)
{
    char text[kStringBuffer] = {};
    std::memcpy(text, name.data(), std::min(name.size(), size_t(kVstMaxProgNameLen - 1)));
    dispatch(effSetProgramName, 0, 0, text);
}

std::string PluginHost::parameterName(int index) { return dispatchString(effGetParamName, index); }

std::string PluginHost::parameterDisplay(int index)
{
    std::string display = dispatchString(effGetParamDisplay, index);
    std::string label = dispatchString(effGetParamLabel, index);
    if (!display.empty() && !label.empty())
        display += " " + label;
    return display;
}

float PluginHost::getParameter(int index) { return effect_->getParameter(effect_, index); }

void PluginHost::setParameter(int index, float value) { effect_->setParameter(effect_, index, value); }

std::vector<uint8_t> PluginHost::getChunk(bool program)
{
    void* data = nullptr;
    intptr_t size = dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data)
        return {};
    if (size > intptr_t(1) << 30)
        fail("the plug-in hands out a chunk of " + std::to_string(size) + " bytes");
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

bool PluginHost::setChunk(std::span<const uint8_t> data, bool program)
{
    std::vector<uint8_t> copy(data.begin(), data.end()); // the plug-in gets a buffer it may keep reading
    if (copy.empty())
        return false;
    return dispatch(effSetChunk, program ? 1 : 0, intptr_t(copy.size()), copy.data()) != 0;
}

void PluginHost::resume()
{
    if (running_)
        return;
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
    running_ = true;
    positionJumped_ = true;
}

void PluginHost::suspend()
{
    if (!running_)
        return;
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
    running_ = false;
}

void PluginHost::setSampleRate(double sampleRate)
{
    const bool wasRunning = running_;
    suspend();
    sampleRate_ = sampleRate;
    dispatch(effSetSampleRate, 0, 0, nullptr, float(sampleRate_));
    if (wasRunning)
        resume();
}

void PluginHost::setMaxBlock(int maxBlock)
{
    const bool wasRunning = running_;
    suspend();
    maxBlock_ = std::max(maxBlock, 1);
    dispatch(effSetBlockSize, 0, maxBlock_);
    allocateBuffers();
    if (wasRunning)
        resume();
}

void PluginHost::setPosition(int64_t frame)
{
    position_ = frame;
}

void PluginHost::processBlock(VstEvents* events, int frames)
{
    frames = std::clamp(frames, 0, maxBlock_);
    for (float* channel : outputPointers_)
        std::memset(channel, 0, size_t(frames) * sizeof(float));
    if (events && events->numEvents > 0)
        dispatch(effProcessEvents, 0, 0, events);
    effect_->processReplacing(effect_, inputPointers_.data(), outputPointers_.data(), frames);
    positionJumped_ = false;
}

const VstTimeInfo* PluginHost::timeInfo()
{
    double seconds = double(position_) / sampleRate_;
    VstTimeInfo& t = timeInfo_;
    t = VstTimeInfo{};
    t.samplePos = double(position_);
    t.sampleRate = sampleRate_;
    t.nanoSeconds = seconds * 1e9; // song time: renders stay reproducible
    if (tempoMap_) {
        TempoMap::Position p = tempoMap_->positionAtSeconds(seconds);
        t.ppqPos = p.quarters;
        t.tempo = p.bpm;
        t.barStartPos = p.barStart;
        t.timeSigNumerator = p.numerator;
        t.timeSigDenominator = p.denominator;
    } else {
        t.tempo = 120.0;
        t.ppqPos = seconds * 2.0;
        t.barStartPos = std::floor(t.ppqPos / 4.0) * 4.0;
        t.timeSigNumerator = 4;
        t.timeSigDenominator = 4;
    }
    t.flags = kVstNanosValid | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid;
    if (running_)
        t.flags |= kVstTransportPlaying;
    if (positionJumped_)
        t.flags |= kVstTransportChanged;
    return &t;
}

intptr_t PluginHost::answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt)
{
    (void)opt;
    switch (opcode) {
    case audioMasterVersion:
        ++log_.versionQueries;
        return kHostVersion;
    case audioMasterAutomate:
        ++log_.automate;
        return 0;
    case audioMasterWantMidi:
        ++log_.wantMidi;
        return 1;
    case audioMasterGetTime:
        ++log_.timeQueries;
        return reinterpret_cast<intptr_t>(timeInfo());
    case audioMasterGetSampleRate:
        return intptr_t(sampleRate_);
    case audioMasterGetBlockSize:
        return maxBlock_;
    case audioMasterUpdateDisplay:
        ++log_.updateDisplay;
        return 1;
    case audioMasterSizeWindow:
        return sizeWindow_ && index > 0 && value > 0 && sizeWindow_(index, int32_t(value)) ? 1 : 0;
    case audioMasterCanDo: {
        if (!ptr)
            return 0;
        const char* what = static_cast<const char*>(ptr);
        for (const char* mine : {"sendVstEvents", "sendVstMidiEvent", "sendVstTimeInfo"})
            if (std::strncmp(what, mine, 64) == 0)
                return 1;
        return 0;
    }
    default:
        ++log_.other;
        return 0;
    }
}

intptr_t PluginHost::callback(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                              void* ptr, float opt)
{
    PluginHost* host = nullptr;
    if (effect && effect->magic == kEffectMagic && effect->resvd1)
        host = reinterpret_cast<PluginHost*>(effect->resvd1);
    else
        host = g_loading;
    if (!host)
        return opcode == audioMasterVersion ? kHostVersion : 0;
    return host->answer(opcode, index, value, ptr, opt);
}

} // namespace vemo::render
