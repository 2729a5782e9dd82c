// Our VST 3 definitions (vst3/Vst3Abi.h) against another copy of the
// interface: the C definitions of Debian's dpf-source, where installed. The
// records must have the same sizes and offsets, the interface ids the same
// bytes, and the plug-in's tables of functions the same order: calls
// through the other copy's tables reach the functions they name.
#include "vst3/Vst3Host.h"

#include <gtest/gtest.h>

#ifdef VEMO_DPF_TRAVESTY_DIR
#include <travesty/audio_processor.h>
#include <travesty/component.h>
#include <travesty/edit_controller.h>
#include <travesty/events.h>
#include <travesty/factory.h>
#include <travesty/host.h>
#include <travesty/unit.h>
#include <travesty/view.h>

#include <cstring>

#define SAME_SIZE(ours, theirs) static_assert(sizeof(vst3::ours) == sizeof(theirs), #ours)
#define SAME_AT(ours, m, theirs, n) static_assert(offsetof(vst3::ours, m) == offsetof(theirs, n), #ours "." #m)
SAME_SIZE(PFactoryInfo, v3_factory_info); SAME_SIZE(PClassInfo, v3_class_info); SAME_SIZE(PClassInfo2, v3_class_info_2);
SAME_SIZE(PClassInfoW, v3_class_info_3); SAME_SIZE(BusInfo, v3_bus_info); SAME_SIZE(RoutingInfo, v3_routing_info);
SAME_SIZE(ProcessSetup, v3_process_setup); SAME_SIZE(AudioBusBuffers, v3_audio_bus_buffers);
SAME_SIZE(ProcessData, v3_process_data); SAME_SIZE(ProcessContext, v3_process_context); SAME_SIZE(Event, v3_event);
SAME_SIZE(NoteOnEvent, v3_event_note_on); SAME_SIZE(NoteOffEvent, v3_event_note_off);
SAME_SIZE(DataEvent, v3_event_data); SAME_SIZE(ParameterInfo, v3_param_info); SAME_SIZE(UnitInfo, v3_unit_info);
SAME_SIZE(ProgramListInfo, v3_program_list_info); SAME_SIZE(ViewRect, v3_view_rect);
SAME_AT(PFactoryInfo, flags, v3_factory_info, flags); SAME_AT(PClassInfo2, subCategories, v3_class_info_2, sub_categories);
SAME_AT(PClassInfo2, sdkVersion, v3_class_info_2, sdk_version); SAME_AT(PClassInfoW, vendor, v3_class_info_3, vendor);
SAME_AT(BusInfo, busType, v3_bus_info, bus_type); SAME_AT(ProcessSetup, sampleRate, v3_process_setup, sample_rate);
SAME_AT(AudioBusBuffers, silenceFlags, v3_audio_bus_buffers, channel_silence_bitset);
SAME_AT(AudioBusBuffers, channelBuffers32, v3_audio_bus_buffers, channel_buffers_32);
SAME_AT(ProcessData, numSamples, v3_process_data, nframes); SAME_AT(ProcessData, outputs, v3_process_data, outputs);
SAME_AT(ProcessData, inputParameterChanges, v3_process_data, input_params);
SAME_AT(ProcessData, outputParameterChanges, v3_process_data, output_params);
SAME_AT(ProcessData, inputEvents, v3_process_data, input_events);
SAME_AT(ProcessData, processContext, v3_process_data, ctx); SAME_AT(ProcessContext, tempo, v3_process_context, bpm);
SAME_AT(ProcessContext, state, v3_process_context, state);
SAME_AT(Event, sampleOffset, v3_event, sample_offset); SAME_AT(Event, type, v3_event, type);
SAME_AT(Event, noteOn, v3_event, note_on); SAME_AT(NoteOnEvent, velocity, v3_event_note_on, velocity);
SAME_AT(NoteOffEvent, velocity, v3_event_note_off, velocity);
SAME_AT(ParameterInfo, stepCount, v3_param_info, step_count);
SAME_AT(ParameterInfo, defaultNormalizedValue, v3_param_info, default_normalised_value);
SAME_AT(ParameterInfo, flags, v3_param_info, flags); SAME_AT(UnitInfo, programListId, v3_unit_info, program_list_id);
SAME_AT(ProgramListInfo, programCount, v3_program_list_info, programCount);

namespace {

bool sameId(const vst3::Uid& ours, const v3_tuid theirs) { return std::memcmp(ours.bytes, theirs, 16) == 0; }

} // namespace

TEST(Vst3Abi, IdsAndNumbersMatchTheOtherCopy)
{
    EXPECT_TRUE(sameId(vst3::FUnknown::iid, v3_funknown_iid));
    EXPECT_TRUE(sameId(vst3::IPluginBase::iid, v3_plugin_base_iid));
    EXPECT_TRUE(sameId(vst3::IBStream::iid, v3_bstream_iid));
    EXPECT_TRUE(sameId(vst3::IHostApplication::iid, v3_host_application_iid));
    EXPECT_TRUE(sameId(vst3::IPluginFactory::iid, v3_plugin_factory_iid));
    EXPECT_TRUE(sameId(vst3::IPluginFactory2::iid, v3_plugin_factory_2_iid));
    EXPECT_TRUE(sameId(vst3::IPluginFactory3::iid, v3_plugin_factory_3_iid));
    EXPECT_TRUE(sameId(vst3::IComponent::iid, v3_component_iid));
    EXPECT_TRUE(sameId(vst3::IAudioProcessor::iid, v3_audio_processor_iid));
    EXPECT_TRUE(sameId(vst3::IProcessContextRequirements::iid, v3_process_context_requirements_iid));
    EXPECT_TRUE(sameId(vst3::IEventList::iid, v3_event_list_iid));
    EXPECT_TRUE(sameId(vst3::IParamValueQueue::iid, v3_param_value_queue_iid));
    EXPECT_TRUE(sameId(vst3::IParameterChanges::iid, v3_param_changes_iid));
    EXPECT_TRUE(sameId(vst3::IEditController::iid, v3_edit_controller_iid));
    EXPECT_TRUE(sameId(vst3::IComponentHandler::iid, v3_component_handler_iid));
    EXPECT_TRUE(sameId(vst3::IComponentHandler2::iid, v3_component_handler2_iid));
    EXPECT_TRUE(sameId(vst3::IMidiMapping::iid, v3_midi_mapping_iid));
    EXPECT_TRUE(sameId(vst3::IUnitInfo::iid, v3_unit_information_iid));
    EXPECT_TRUE(sameId(vst3::IPlugView::iid, v3_plugin_view_iid));
    EXPECT_TRUE(sameId(vst3::IPlugFrame::iid, v3_plugin_frame_iid));
    EXPECT_TRUE(sameId(vst3::IPlugViewContentScaleSupport::iid, v3_plugin_view_content_scale_iid));
    EXPECT_TRUE(sameId(vst3::IEventHandler::iid, v3_event_handler_iid));
    EXPECT_TRUE(sameId(vst3::ITimerHandler::iid, v3_timer_handler_iid));
    EXPECT_TRUE(sameId(vst3::IRunLoop::iid, v3_run_loop_iid));
    const int32_t numbers[][2] = {
        {vst3::kResultOk, V3_OK},
        {vst3::kResultFalse, V3_FALSE},
        {vst3::kNoInterface, V3_NO_INTERFACE},
        {vst3::kInvalidArgument, V3_INVALID_ARG},
        {vst3::kNotImplemented, V3_NOT_IMPLEMENTED},
        {vst3::kOutOfMemory, V3_NOMEM},
        {vst3::Event::kNoteOnEvent, V3_EVENT_NOTE_ON},
        {vst3::Event::kNoteOffEvent, V3_EVENT_NOTE_OFF},
        {vst3::ParameterInfo::kCanAutomate, V3_PARAM_CAN_AUTOMATE},
        {vst3::ParameterInfo::kIsList, V3_PARAM_IS_LIST},
        {vst3::ParameterInfo::kIsHidden, V3_PARAM_IS_HIDDEN},
        {vst3::ParameterInfo::kIsProgramChange, V3_PARAM_PROGRAM_CHANGE},
        {vst3::kParamValuesChanged, V3_RESTART_PARAM_VALUES_CHANGED},
        {vst3::ProcessContext::kTempoValid, V3_PROCESS_CTX_TEMPO_VALID},
        {int32_t(vst3::IProcessContextRequirements::kNeedTempo), V3_PROCESS_CTX_NEED_TEMPO},
        {vst3::kSpeakerStereo, V3_SPEAKER_L | V3_SPEAKER_R},
    };
    for (const auto& n : numbers)
        EXPECT_EQ(n[0], n[1]);
}

// The plug-in's objects called through the other copy's tables, each at a
// slot whose answer only the right function gives.
TEST(Vst3Abi, ThePluginsTablesAreInTheOtherCopysOrder)
{
    vemotest::Vst3Host host;
    ASSERT_NE(host.controller, nullptr) << host.loadError;

    auto* factory = *reinterpret_cast<v3_plugin_factory_cpp**>(host.factory);
    EXPECT_EQ(factory->v1.num_classes(host.factory), 1);
    v3_class_info_2 info2{};
    ASSERT_EQ(factory->v2.get_class_info_2(host.factory, 0, &info2), V3_OK);
    EXPECT_STREQ(info2.sub_categories, "Instrument|Synth");
    v3_class_info_3 info3{};
    ASSERT_EQ(factory->v3.get_class_info_utf16(host.factory, 0, &info3), V3_OK);
    EXPECT_EQ(info3.name[0], 'V');

    auto* component = *reinterpret_cast<v3_component_cpp**>(host.component);
    EXPECT_EQ(component->comp.get_bus_count(host.component, V3_EVENT, V3_INPUT), 1);
    v3_bus_info bus{};
    ASSERT_EQ(component->comp.get_bus_info(host.component, V3_AUDIO, V3_OUTPUT, 0, &bus), V3_OK);
    EXPECT_EQ(bus.channel_count, 2);

    auto* processor = *reinterpret_cast<v3_audio_processor_cpp**>(host.processor);
    EXPECT_EQ(processor->proc.can_process_sample_size(host.processor, V3_SAMPLE_32), V3_OK);
    EXPECT_EQ(processor->proc.can_process_sample_size(host.processor, V3_SAMPLE_64), V3_FALSE);
    v3_speaker_arrangement arrangement = 0;
    ASSERT_EQ(processor->proc.get_bus_arrangement(host.processor, V3_OUTPUT, 0, &arrangement), V3_OK);
    EXPECT_EQ(arrangement, v3_speaker_arrangement(V3_SPEAKER_L | V3_SPEAKER_R));

    auto* controller = *reinterpret_cast<v3_edit_controller_cpp**>(host.controller);
    EXPECT_EQ(controller->ctrl.get_parameter_count(host.controller), host.controller->getParameterCount());
    v3_param_info param{};
    ASSERT_EQ(controller->ctrl.get_parameter_info(host.controller, 47, &param), V3_OK);
    EXPECT_NE(param.flags & V3_PARAM_PROGRAM_CHANGE, 0);
    EXPECT_EQ(controller->ctrl.plain_parameter_to_normalised(host.controller, 28, 6.0), 0.5);
    EXPECT_EQ(controller->ctrl.create_view(host.controller, "no such view"), nullptr);

    auto* mapping = *reinterpret_cast<v3_midi_mapping_cpp**>(host.midiMapping);
    v3_param_id id = 0;
    ASSERT_EQ(mapping->map.get_midi_controller_assignment(host.midiMapping, 0, 0, 130, &id), V3_OK);
    EXPECT_EQ(id, 47u);

    auto* units = *reinterpret_cast<v3_unit_information_cpp**>(host.units);
    EXPECT_EQ(units->unit.get_program_list_count(host.units), 1);
    EXPECT_EQ(units->unit.set_unit_program_data(host.units, 1, 0, nullptr), V3_NOT_IMPLEMENTED);
}
#else
TEST(Vst3Abi, IdsAndNumbersMatchTheOtherCopy) { GTEST_SKIP() << "dpf-source's VST 3 headers are not installed"; }
#endif
