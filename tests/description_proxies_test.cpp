// Description-side proxies against the simulated host's recording objects: slot-to-entry mapping,
// defaults without host interfaces, ownership and the return of every host reference.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "acf/result_codes.h"
#include "host/aax_vcollection.h"
#include "host/aax_vcomponent_descriptor.h"
#include "host/aax_veffect_descriptor.h"
#include "host/aax_vhost_services.h"
#include "host/aax_vproperty_map.h"
#include "host/host_iids.h"
#include "simhost/host_collection.h"
#include "simhost/host_component_descriptor.h"
#include "simhost/host_effect_descriptor.h"
#include "simhost/host_property_map.h"
#include "simhost/host_unknown.h"

namespace {

using simhost::CallRecorder;

// A host unknown for one test; its destructor proves the proxies gave back every reference.
class DescriptionProxies : public ::testing::Test {
protected:
    void SetUp() override { baseline = simhost::liveHostObjects(); }
    void TearDown() override {
        if (host) {
            EXPECT_EQ(host->references(), 1);
            host->Release();
        }
        EXPECT_EQ(simhost::liveHostObjects(), baseline);
    }
    void makeHost(const simhost::HostConfig& config = {}) { host = new simhost::HostUnknown(config); }

    template <class HostObject>
    static CallRecorder& recorderOf(IACFUnknown* hostInterface) {
        auto* object = dynamic_cast<HostObject*>(hostInterface);
        if (!object) throw std::runtime_error("no host object behind the proxy");
        return object->recorder();
    }

    // Each call must reach exactly the expected host entry, once.
    static void expectEntries(CallRecorder& recorder, const std::vector<std::pair<int, std::function<void()>>>& table) {
        for (const auto& [entry, callSlot] : table) {
            recorder.clear();
            callSlot();
            ASSERT_EQ(recorder.count(), 1u) << "expected entry " << entry;
            EXPECT_EQ(recorder.last().entry, entry);
        }
    }

    simhost::HostUnknown* host = nullptr;
    int32_t baseline = 0;
};

TEST_F(DescriptionProxies, CollectionSlotsReachTheirHostEntries) {
    makeHost();
    AAX_VCollection collection(host);
    CallRecorder& calls = recorderOf<simhost::HostCollection>(collection.hostInterface());
    AAX_IEffectDescriptor* effect = collection.CreateEffectDescriptor();
    AAX_IPropertyMap* map = collection.CreatePropertyMap();
    ASSERT_NE(effect, nullptr);
    ASSERT_NE(map, nullptr);
    AAX_ICollection& slots = collection;
    expectEntries(calls, {{7, [&] { slots.RegisterEffect("id", effect); }},
                          {8, [&] { slots.SetVendorName("v"); }},
                          {9, [&] { slots.AddBundleName("b"); }},
                          {10, [&] { slots.SetBundleVersion(3); }},
                          {11, [&] { slots.SetProperties(map); }}});
}

TEST_F(DescriptionProxies, EffectDescriptorSlotsReachTheirHostEntries) {
    makeHost();
    AAX_VEffectDescriptor effect(host);
    CallRecorder& calls = recorderOf<simhost::HostEffectDescriptor>(effect.hostInterface());
    AAX_IComponentDescriptor* component = effect.CreateComponentDescriptor();
    AAX_IPropertyMap* map = effect.CreatePropertyMap();
    AAX_IEffectDescriptor& slots = effect;
    expectEntries(calls, {{3, [&] { slots.AttachComponent(component); }},
                          {4, [&] { slots.AddEffectName("n"); }},
                          {5, [&] { slots.AddCategoryBits(1); }},
                          {6, [&] { slots.Slot5(1, "t"); }},
                          {7, [&] { slots.AddFactoryCallback(nullptr, 0); }},
                          {8, [&] { slots.Slot8(map); }},
                          {9, [&] { slots.AddResourceEntry(0, ""); }},
                          {10, [&] { slots.Slot10(1, "b"); }},
                          {11, [&] { slots.Slot11(1, 2, 3, "d"); }}});
    // A proxy argument reaches the host as that proxy's host interface.
    calls.clear();
    slots.AttachComponent(component);
    EXPECT_EQ(calls.last().arguments[0],
              simhost::argText(static_cast<IACFUnknown*>(dynamic_cast<AAX_VComponentDescriptor*>(component)->hostInterface())));
}

TEST_F(DescriptionProxies, ComponentDescriptorSlotsReachTheirHostEntries) {
    makeHost();
    AAX_VComponentDescriptor component(host);
    CallRecorder& calls = recorderOf<simhost::HostComponentDescriptor>(component.hostInterface());
    AAX_IPropertyMap* map = component.CreatePropertyMap();
    AAX_IComponentDescriptor& slots = component;
    expectEntries(calls, {{3, [&] { slots.Clear(); }},
                          {5, [&] { slots.AddAudioInputField(0); }},
                          {6, [&] { slots.AddAudioOutputField(2); }},
                          {7, [&] { slots.AddBufferLengthField(5); }},
                          {8, [&] { slots.Slot5(1); }},
                          {9, [&] { slots.Slot6(1); }},
                          {10, [&] { slots.ComponentOperation7(4); }},
                          {11, [&] { slots.AddDataPortField(1, 4, 1); }},
                          {12, [&] { slots.Slot9(1, 2); }},
                          {13, [&] { slots.Slot10(1, 2); }},
                          {19, [&] { slots.Slot11(1, 2); }},
                          {14, [&] { slots.Slot12(1, 2); }},
                          {18, [&] { slots.Slot13(1, 2); }},
                          {15, [&] { slots.AddMidiNodeField(9, 3, "n", 0xFFFF); }},
                          {4, [&] { slots.Slot15(1); }},
                          {16, [&] { slots.AddRenderCallback(nullptr, map, nullptr, nullptr, nullptr); }},
                          {17, [&] { slots.Slot19(nullptr, map); }}});
}

TEST_F(DescriptionProxies, PropertyMapAndServicesSlotsReachTheirHostEntries) {
    makeHost();
    AAX_VPropertyMap map(host);
    int32_t value = 0;
    AAX_IPropertyMap& mapSlots = map;
    expectEntries(recorderOf<simhost::HostPropertyMap>(map.hostInterface()),
                  {{3, [&] { mapSlots.GetProperty(11, &value); }},
                   {4, [&] { mapSlots.AddProperty(11, 5); }},
                   {5, [&] { mapSlots.RemoveProperty(11); }},
                   {6, [&] { mapSlots.Slot4(1, nullptr, 0); }},
                   {7, [&] { mapSlots.Slot5(1, nullptr, 0); }}});

    AAX_VHostServices services(host);
    AAX_IHostServices& serviceSlots = services;
    expectEntries(recorderOf<simhost::HostServicesObject>(services.hostInterface()),
                  {{3, [&] { serviceSlots.Slot1("a", "b", 1); }}, {4, [&] { serviceSlots.Slot2("t"); }}});
}

TEST_F(DescriptionProxies, HostAnswersComeBackUnchanged) {
    makeHost();
    AAX_VCollection collection(host);
    recorderOf<simhost::HostCollection>(collection.hostInterface()).setResult(8, -12345);
    EXPECT_EQ(collection.SetVendorName("v"), -12345);
    AAX_VPropertyMap map(host);
    map.AddProperty(60, 1);
    int32_t value = 0;
    EXPECT_EQ(map.GetProperty(60, &value), 1);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(map.GetProperty(61, &value), 0);
}

TEST_F(DescriptionProxies, WithoutHostObjectsEveryOperationAnswersItsDefault) {
    AAX_VCollection collection(nullptr);
    AAX_IEffectDescriptor* effect = collection.CreateEffectDescriptor();
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(collection.RegisterEffect("id", effect), kResultNotImplemented);
    EXPECT_EQ(collection.RegisterEffect("id", nullptr), kResultNotImplemented);
    EXPECT_EQ(collection.SetVendorName("v"), kResultNotImplemented);
    EXPECT_EQ(collection.SetProperties(collection.CreatePropertyMap()), kResultNotImplemented);

    EXPECT_EQ(effect->AddEffectName("n"), kResultNotImplemented);
    EXPECT_EQ(effect->Slot11(1, 2, 3, "d"), kResultUnsupported);
    AAX_IComponentDescriptor* component = effect->CreateComponentDescriptor();
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(component->Clear(), kResultNotImplemented);
    EXPECT_EQ(component->Slot11(1, 2), kResultUnsupported);
    AAX_IPropertyMap* map = component->CreatePropertyMap();
    ASSERT_NE(map, nullptr);
    int32_t value = 7;
    EXPECT_EQ(map->GetProperty(11, &value), 0);
    EXPECT_EQ(value, 7);
    EXPECT_EQ(map->AddProperty(11, 1), kResultNotImplemented);
    EXPECT_EQ(map->Slot4(1, nullptr, 0), kResultUnsupported);
    EXPECT_EQ(map->Slot5(1, nullptr, 0), 0);
    AAX_VHostServices services(nullptr);
    EXPECT_EQ(services.Slot1("a", "b", 1), kResultNotImplemented);
    EXPECT_EQ(services.Slot2("t"), kResultNotImplemented);
}

TEST_F(DescriptionProxies, RefusedClassesAndMissingSecondInterfacesGiveDefaults) {
    simhost::HostConfig config;
    config.refusedClasses = {CLSID_HostCollection};
    config.secondInterfaces = false;
    makeHost(config);
    AAX_VCollection collection(host);
    EXPECT_EQ(collection.hostInterface(), nullptr);
    AAX_IEffectDescriptor* effect = collection.CreateEffectDescriptor();
    EXPECT_EQ(collection.RegisterEffect("id", effect), kResultNotImplemented);

    EXPECT_EQ(effect->AddEffectName("n"), kResultSuccess);
    EXPECT_EQ(effect->Slot11(1, 2, 3, "d"), kResultUnsupported);
    AAX_IComponentDescriptor* component = effect->CreateComponentDescriptor();
    EXPECT_EQ(component->Slot11(1, 2), kResultUnsupported);
    EXPECT_EQ(component->Slot9(1, 2), kResultSuccess);
    AAX_IPropertyMap* map = component->CreatePropertyMap();
    EXPECT_EQ(map->Slot4(1, nullptr, 0), kResultUnsupported);
    EXPECT_EQ(map->AddProperty(1, 2), kResultSuccess);
}

TEST_F(DescriptionProxies, CopiedPropertyMapCarriesOnlyIds10To307) {
    makeHost();
    AAX_VComponentDescriptor component(host);
    AAX_IPropertyMap* source = component.CreatePropertyMap();
    for (int32_t id : {308, 9, 60, 10, 307, 11}) source->AddProperty(id, id * 2);
    AAX_IPropertyMap* copy = component.CopyPropertyMap(source);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy, source);
    auto* hostCopy = dynamic_cast<simhost::HostPropertyMap*>(dynamic_cast<AAX_VPropertyMap*>(copy)->hostInterface());
    ASSERT_NE(hostCopy, nullptr);
    std::vector<std::pair<int32_t, int32_t>> copied;
    for (const simhost::Property& property : hostCopy->properties()) copied.emplace_back(property.id, property.value);
    EXPECT_EQ(copied, (std::vector<std::pair<int32_t, int32_t>>{{10, 20}, {11, 22}, {60, 120}, {307, 614}}));

    AAX_IPropertyMap* fromNothing = component.CopyPropertyMap(nullptr);
    ASSERT_NE(fromNothing, nullptr);
    int32_t value = 0;
    EXPECT_EQ(fromNothing->GetProperty(10, &value), 0);
}

TEST_F(DescriptionProxies, DestroyingTheCollectionDeletesWhatItMadeAndReleasesOnce) {
    makeHost();
    {
        AAX_VCollection collection(host);
        AAX_IEffectDescriptor* effect = collection.CreateEffectDescriptor();
        AAX_IComponentDescriptor* component = effect->CreateComponentDescriptor();
        component->CreatePropertyMap();
        // Host unknown, its factory, and one host object per proxy.
        EXPECT_EQ(simhost::liveHostObjects(), baseline + 2 + 4);
        EXPECT_EQ(host->references(), 1 + 3);  // the collection and both descriptors hold it
    }
    // TearDown checks the unknown is back to our one reference and every host object is gone.
}

TEST_F(DescriptionProxies, SuccessWithoutAnInterfaceThrowsAndLeaksNothing) {
    simhost::HostConfig config;
    config.nullClasses = {CLSID_HostPropertyMap};
    makeHost(config);
    AAX_VComponentDescriptor component(host);
    EXPECT_THROW(component.CreatePropertyMap(), AcfNullInterfaceError);

    simhost::HostConfig nullFactory;
    nullFactory.nullComponentFactory = true;
    auto* other = new simhost::HostUnknown(nullFactory);
    try {
        AAX_VEffectDescriptor effect(other);
        ADD_FAILURE() << "a null factory must throw";
    } catch (const AcfNullInterfaceError& error) {
        EXPECT_EQ(error.code, kAcfNullInterface);
    }
    EXPECT_EQ(other->references(), 1);
    other->Release();
}

}  // namespace
