#include "vst3/Vst3Host.h"

#include <algorithm>
#include <cstring>

using namespace vst3;

namespace vemotest {

Event vst3NoteOn(int32_t offset, int16_t pitch, float velocity, int16_t channel)
{
    Event e{};
    e.sampleOffset = offset;
    e.type = Event::kNoteOnEvent;
    e.noteOn = {channel, pitch, 0.0f, velocity, 0, -1};
    return e;
}

Event vst3NoteOff(int32_t offset, int16_t pitch, float velocity, int16_t channel)
{
    Event e{};
    e.sampleOffset = offset;
    e.type = Event::kNoteOffEvent;
    e.noteOff = {channel, pitch, velocity, -1, 0.0f};
    return e;
}

namespace {

// The host's objects live on the stack or in the host: counting is
// pointless, and every query answers the one interface.
template <class I> class Plain : public I {
public:
    tresult queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknown::iid.is(iid) || I::iid.is(iid)) {
            *obj = this;
            return kResultOk;
        }
        *obj = nullptr;
        return kNoInterface;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
};

class Queue final : public Plain<IParamValueQueue> {
public:
    explicit Queue(ParamID id) : id(id) {}
    ParamID getParameterId() override { return id; }
    int32 getPointCount() override { return int32(points.size()); }
    tresult getPoint(int32 index, int32& offset, ParamValue& value) override
    {
        if (index < 0 || index >= getPointCount())
            return kInvalidArgument;
        offset = points[size_t(index)].first;
        value = points[size_t(index)].second;
        return kResultOk;
    }
    tresult addPoint(int32 offset, ParamValue value, int32& index) override
    {
        index = getPointCount();
        points.emplace_back(offset, value);
        return kResultOk;
    }
    ParamID id;
    std::vector<std::pair<int32, double>> points;
};

class Changes final : public Plain<IParameterChanges> {
public:
    int32 getParameterCount() override { return int32(queues.size()); }
    IParamValueQueue* getParameterData(int32 index) override
    {
        return index >= 0 && index < getParameterCount() ? &queues[size_t(index)] : nullptr;
    }
    IParamValueQueue* addParameterData(const ParamID& id, int32& index) override
    {
        for (size_t i = 0; i < queues.size(); ++i)
            if (queues[i].id == id) {
                index = int32(i);
                return &queues[i];
            }
        index = getParameterCount();
        queues.emplace_back(id);
        return &queues.back();
    }
    // Queues never move while the plug-in holds one: reserved up front.
    Changes() { queues.reserve(512); }
    std::vector<Queue> queues;
};

class Events final : public Plain<IEventList> {
public:
    explicit Events(const std::vector<Event>& list) : list(list) {}
    int32 getEventCount() override { return int32(list.size()); }
    tresult getEvent(int32 index, Event& e) override
    {
        if (index < 0 || index >= getEventCount())
            return kInvalidArgument;
        e = list[size_t(index)];
        return kResultOk;
    }
    tresult addEvent(Event&) override { return kResultFalse; }
    const std::vector<Event>& list;
};

class Stream final : public Plain<IBStream> {
public:
    tresult read(void* buffer, int32 numBytes, int32* numBytesRead) override
    {
        const size_t n = std::min({size_t(std::max(numBytes, 0)), size_t(piece), bytes.size() - at});
        if (n > 0)
            std::memcpy(buffer, bytes.data() + at, n);
        at += n;
        if (numBytesRead != nullptr)
            *numBytesRead = int32(n);
        return kResultOk;
    }
    tresult write(void* buffer, int32 numBytes, int32* numBytesWritten) override
    {
        if (numBytes < 0)
            return kInvalidArgument;
        bytes.insert(bytes.end(), static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + numBytes);
        if (numBytesWritten != nullptr)
            *numBytesWritten = numBytes;
        return kResultOk;
    }
    tresult seek(int64 pos, int32 mode, int64* result) override
    {
        const int64 base = mode == kIBSeekSet ? 0 : mode == kIBSeekCur ? int64(at) : int64(bytes.size());
        if (base + pos < 0 || base + pos > int64(bytes.size()))
            return kResultFalse;
        at = size_t(base + pos);
        if (result != nullptr)
            *result = int64(at);
        return kResultOk;
    }
    tresult tell(int64* pos) override
    {
        if (pos != nullptr)
            *pos = int64(at);
        return kResultOk;
    }
    std::vector<uint8_t> bytes;
    size_t at = 0;
    int32_t piece = INT32_MAX;
};

template <class I> I* ask(FUnknown* object)
{
    void* found = nullptr;
    if (object == nullptr || object->queryInterface(I::iid.data(), &found) != kResultOk)
        return nullptr;
    return static_cast<I*>(found);
}

std::string fromUtf16(const char16* text)
{
    std::string out;
    for (int i = 0; i < 128 && text[i] != 0; ++i)
        out += text[i] < 0x80 ? char(text[i]) : '?';
    return out;
}

} // namespace

struct Vst3Host::Handler final : public IComponentHandler, public IComponentHandler2 {
    explicit Handler(Vst3Host& host) : host(host) {}
    tresult queryInterface(const TUID iid, void** obj) override
    {
        if (FUnknown::iid.is(iid) || IComponentHandler::iid.is(iid))
            *obj = static_cast<IComponentHandler*>(this);
        else if (IComponentHandler2::iid.is(iid))
            *obj = static_cast<IComponentHandler2*>(this);
        else {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    uint32 addRef() override { return 1; }
    uint32 release() override { return 1; }
    tresult beginEdit(ParamID id) override { return note('b', id, 0.0); }
    tresult performEdit(ParamID id, ParamValue value) override { return note('p', id, value); }
    tresult endEdit(ParamID id) override { return note('e', id, 0.0); }
    tresult restartComponent(int32 flags) override
    {
        host.onMain();
        ++host.restarts;
        host.lastRestartFlags = flags;
        return kResultOk;
    }
    tresult setDirty(TBool) override
    {
        host.onMain();
        ++host.dirtyMarks;
        return kResultOk;
    }
    tresult requestOpenEditor(FIDString) override { return kResultFalse; }
    tresult startGroupEdit() override { return kResultOk; }
    tresult finishGroupEdit() override { return kResultOk; }
    tresult note(char kind, ParamID id, double value)
    {
        host.onMain();
        host.edits.push_back({kind, id, value});
        return kResultOk;
    }
    Vst3Host& host;
};

Vst3Host::Vst3Host(const std::string& modulePath)
{
    if (!module.open(modulePath)) {
        loadError = module.error();
        return;
    }
#if defined(_WIN32)
    if (auto init = reinterpret_cast<bool (*)()>(module.symbol("InitDll")))
        init();
#else
    if (auto entry = reinterpret_cast<bool (*)(void*)>(module.symbol("ModuleEntry")); entry == nullptr ||
                                                                                      !entry(module.native())) {
        loadError = "no ModuleEntry";
        return;
    }
#endif
    auto get = reinterpret_cast<GetFactoryProc>(module.symbol("GetPluginFactory"));
    factory = get != nullptr ? get() : nullptr;
    PClassInfo info{};
    if (factory == nullptr || factory->countClasses() < 1 || factory->getClassInfo(0, &info) != kResultOk) {
        loadError = "no factory";
        factory = nullptr;
        return;
    }
    void* made = nullptr;
    if (factory->createInstance(info.cid, IComponent::iid.data(), &made) != kResultOk || made == nullptr) {
        loadError = "no component";
        return;
    }
    component = static_cast<IComponent*>(made);
    if (component->initialize(nullptr) != kResultOk) {
        loadError = "initialize refused";
        return;
    }
    processor = ask<IAudioProcessor>(component);
    controller = ask<IEditController>(component);
    midiMapping = ask<IMidiMapping>(component);
    units = ask<IUnitInfo>(component);
    if (processor == nullptr || controller == nullptr) {
        loadError = "no processor or controller";
        return;
    }
    componentHandler = new Handler(*this);
    controller->setComponentHandler(componentHandler);
}

Vst3Host::~Vst3Host()
{
    if (processor != nullptr && processing) {
        processor->setProcessing(0);
        component->setActive(0);
    }
    if (controller != nullptr)
        controller->setComponentHandler(nullptr);
    for (FUnknown* i : std::initializer_list<FUnknown*>{processor, controller, midiMapping, units})
        if (i != nullptr)
            i->release();
    if (component != nullptr) {
        component->terminate();
        component->release();
    }
    delete componentHandler;
#if defined(_WIN32)
    if (auto exit = reinterpret_cast<bool (*)()>(module.symbol("ExitDll")))
        exit();
#else
    if (auto exit = reinterpret_cast<bool (*)()>(module.symbol("ModuleExit")))
        exit();
#endif
}

IComponentHandler* Vst3Host::handler() { return componentHandler; }

void Vst3Host::onMain()
{
    if (std::this_thread::get_id() != mainThread)
        ++wrongThreadCalls;
}

bool Vst3Host::activate(double rate, int32_t maxFrames)
{
    if (processing) {
        processor->setProcessing(0);
        component->setActive(0);
        processing = false;
    }
    SpeakerArrangement stereo = kSpeakerStereo;
    ProcessSetup setup{kRealtime, kSample32, maxFrames, rate};
    if (processor->setBusArrangements(nullptr, 0, &stereo, 1) != kResultTrue ||
        processor->setupProcessing(setup) != kResultOk || component->setActive(1) != kResultOk)
        return false;
    processing = processor->setProcessing(1) == kResultOk;
    return processing;
}

tresult Vst3Host::process(float* left, float* right, int32_t frames, const std::vector<Event>& events,
                          const std::vector<Vst3Change>& changes)
{
    Changes in, out;
    for (const Vst3Change& c : changes) {
        int32 index = 0;
        in.addParameterData(c.id, index)->addPoint(c.offset, c.value, index);
    }
    Events list(events);
    float* channels[2] = {left, right};
    AudioBusBuffers bus{};
    bus.numChannels = 2;
    bus.channelBuffers32 = channels;
    // A steady 120 bpm, as the VST 2.x test host's time info says.
    ProcessContext context{};
    context.state = ProcessContext::kTempoValid;
    context.tempo = 120.0;
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numOutputs = left != nullptr || right != nullptr ? 1 : 0;
    data.outputs = data.numOutputs > 0 ? &bus : nullptr;
    data.inputParameterChanges = &in;
    data.outputParameterChanges = &out;
    data.inputEvents = &list;
    data.processContext = &context;
    const tresult result = processor->process(data);
    output.clear();
    for (const Queue& q : out.queues)
        for (const auto& [offset, value] : q.points)
            output.push_back({q.id, offset, value});
    return result;
}

ParamID Vst3Host::mapped(int16_t controllerNumber, int16_t channel)
{
    ParamID id = UINT32_MAX;
    if (midiMapping == nullptr || midiMapping->getMidiControllerAssignment(0, channel, controllerNumber, id) != kResultTrue)
        return UINT32_MAX;
    return id;
}

std::string Vst3Host::text(ParamID id, double normalized)
{
    String128 s{};
    return controller->getParamStringByValue(id, normalized, s) == kResultOk ? fromUtf16(s) : "(refused)";
}

bool Vst3Host::valueOf(ParamID id, const std::string& typed, double& normalized)
{
    String128 s{};
    for (size_t i = 0; i < typed.size() && i < 127; ++i)
        s[i] = char16(uint8_t(typed[i]));
    return controller->getParamValueByString(id, s, normalized) == kResultOk;
}

std::string Vst3Host::programName(int32_t index)
{
    ProgramListInfo list{};
    String128 s{};
    if (units == nullptr || units->getProgramListInfo(0, list) != kResultOk ||
        units->getProgramName(list.id, index, s) != kResultOk)
        return "(refused)";
    return fromUtf16(s);
}

std::vector<uint8_t> Vst3Host::save()
{
    Stream s;
    if (component->getState(&s) != kResultOk)
        return {};
    return s.bytes;
}

bool Vst3Host::load(const std::vector<uint8_t>& bytes, int32_t piece)
{
    Stream s;
    s.bytes = bytes;
    s.piece = piece;
    if (component->setState(&s) != kResultOk)
        return false;
    s.at = 0;
    return controller->setComponentState(&s) == kResultOk;
}

} // namespace vemotest
