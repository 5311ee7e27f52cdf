// The effect as the host learns it: names, category, one component per stem format, factories.
#pragma once

#include <cstdint>

#include "util/four_char_code.h"

class AAX_IEffectDescriptor;
class AAX_IComponentDescriptor;

inline constexpr const char* kEffectNames[] = {"K.O.R.V.E.X", "KORVEX", "KVX"};
inline constexpr uint32_t kEffectCategory = 0x2000;
inline constexpr int32_t kStemFormatMono = 1;
inline constexpr int32_t kStemFormatStereo = 0x00010002;
inline constexpr int32_t kStemFormats[] = {kStemFormatMono, kStemFormatStereo};

// Property IDs of a component's property map.
inline constexpr int32_t kPropertyManufacturerId = 11;
inline constexpr int32_t kPropertyProductId = 12;
inline constexpr int32_t kPropertyFirstTypeId = 13;
inline constexpr int32_t kPropertySecondTypeId = 14;
inline constexpr int32_t kPropertyInputStemFormat = 51;
inline constexpr int32_t kPropertyOutputStemFormat = 52;
inline constexpr int32_t kProperty60 = 60;

inline constexpr int32_t kManufacturerId = fourCharCode("Tolm");
inline constexpr int32_t kProductId = fourCharCode("QpTz");

// Render-context fields; the render callback reads the record in this layout.
enum RenderContextField : uint32_t {
    kFieldAudioInput = 0,
    kFieldInputChannels = 1,
    kFieldAudioOutput = 2,
    kFieldOutputChannels = 3,
    kFieldHostFilled = 4,
    kFieldBufferLength = 5,
    kFieldBypass = 6,
    kFieldVstInterface = 7,
    kFieldVstLoaded = 8,
    kFieldTransportNode = 9,
    kFieldMidiInputNode = 10,
};
inline constexpr uint32_t kRenderContextFields = 11;

inline constexpr int32_t kDataPortKind = 1;
inline constexpr int32_t kMidiNodeTransport = 3;
inline constexpr int32_t kMidiNodeInput = 0;
inline constexpr const char* kTransportNodeName = "AAX_Bandclearer_MIDITrnsprt";
inline constexpr const char* kMidiInputNodeName = "K.O.R.V.E.X";
inline constexpr uint32_t kAllMidiChannels = 0xFFFF;

inline constexpr int32_t kFactoryParameters = 0;
inline constexpr int32_t kFactoryEditor = 1;

// 0, or -20004 when no component descriptor can be had (then nothing else is described).
int32_t DescribeEffect(AAX_IEffectDescriptor* effect);
// One stem format's render-context layout, properties and render callback; host answers are ignored.
void DescribeComponent(int32_t stemFormat, AAX_IComponentDescriptor* component);
