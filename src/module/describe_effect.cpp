// The effect description, in the order hosts receive it.
#include "module/describe_effect.h"

#include "acf/result_codes.h"
#include "host/aax_icomponent_descriptor.h"
#include "host/aax_ieffect_descriptor.h"
#include "host/aax_iproperty_map.h"
#include "module/factories.h"
#include "render/render_callback.h"

namespace {

template <class Function>
void* address(Function function) {
    return reinterpret_cast<void*>(function);
}

}  // namespace

int32_t DescribeEffect(AAX_IEffectDescriptor* effect) {
    if (!effect) return kResultNotImplemented;
    AAX_IComponentDescriptor* component = effect->CreateComponentDescriptor();
    if (!component) return kResultNotImplemented;

    for (const char* name : kEffectNames) effect->AddEffectName(name);
    effect->AddCategoryBits(kEffectCategory);
    // One descriptor serves both formats: attaching hands its current contents to the host.
    for (int32_t stemFormat : kStemFormats) {
        component->Clear();
        DescribeComponent(stemFormat, component);
        effect->AttachComponent(component);
    }
    effect->AddFactoryCallback(address(&CreateParametersObject), kFactoryParameters);
    effect->AddResourceEntry(0, "");
    effect->AddFactoryCallback(address(&CreateGUIObject), kFactoryEditor);
    return kResultSuccess;
}

void DescribeComponent(int32_t stemFormat, AAX_IComponentDescriptor* component) {
    if (!component) return;
    component->AddAudioInputField(kFieldAudioInput);
    component->AddBufferLengthField(kFieldBufferLength);
    component->AddAudioOutputField(kFieldAudioOutput);
    component->ComponentOperation7(kFieldHostFilled);
    component->AddDataPortField(kFieldInputChannels, sizeof(int32_t), kDataPortKind);
    component->AddDataPortField(kFieldOutputChannels, sizeof(int32_t), kDataPortKind);
    component->AddDataPortField(kFieldBypass, sizeof(int32_t), kDataPortKind);
    component->AddDataPortField(kFieldVstInterface, 8, kDataPortKind);  // 8 bytes whatever the pointer size
    component->AddDataPortField(kFieldVstLoaded, sizeof(int32_t), kDataPortKind);
    component->AddMidiNodeField(kFieldTransportNode, kMidiNodeTransport, kTransportNodeName, kAllMidiChannels);
    component->AddMidiNodeField(kFieldMidiInputNode, kMidiNodeInput, kMidiInputNodeName, kAllMidiChannels);

    AAX_IPropertyMap* properties = component->CreatePropertyMap();
    if (!properties) return;
    const bool mono = stemFormat == kStemFormatMono;
    properties->AddProperty(kPropertyManufacturerId, kManufacturerId);
    properties->AddProperty(kPropertyProductId, kProductId);
    properties->AddProperty(kProperty60, 1);
    properties->AddProperty(kPropertyInputStemFormat, stemFormat);
    properties->AddProperty(kPropertyOutputStemFormat, stemFormat);
    properties->AddProperty(kPropertyFirstTypeId, mono ? fourCharCode("mKan") : fourCharCode("sKan"));
    properties->AddProperty(kPropertySecondTypeId, mono ? fourCharCode("mKaa") : fourCharCode("sKaa"));
    component->AddRenderCallback(address(&RenderCallback), properties, nullptr, nullptr, nullptr);
}
