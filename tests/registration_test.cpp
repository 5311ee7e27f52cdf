// ACFRegisterPlugin on the built module, loaded with dlopen by the simulated host: the full
// description, the return of every host reference, and the failure paths.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "simhost/sim_host.h"
#include "util/four_char_code.h"

namespace {

using simhost::ComponentDescription;
using simhost::FieldKind;
using simhost::SimHost;

void* const kUntouched = reinterpret_cast<void*>(0x5A5A);

// (index, kind, size, port kind, node kind, name, mask) of one registered field.
using FieldRow = std::tuple<uint32_t, FieldKind, uint32_t, int32_t, int32_t, std::string, uint32_t>;

std::vector<FieldRow> rows(const ComponentDescription& component) {
    std::vector<FieldRow> result;
    for (const simhost::ContextField& f : component.fields)
        result.emplace_back(f.index, f.kind, f.size, f.portKind, f.nodeKind, f.name, f.channelMask);
    return result;
}

std::vector<std::pair<int32_t, int32_t>> properties(const ComponentDescription& component) {
    std::vector<std::pair<int32_t, int32_t>> result;
    for (const simhost::Property& p : component.properties) result.emplace_back(p.id, p.value);
    return result;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override { baseline = simhost::liveHostObjects(); }
    int32_t baseline = 0;
};

TEST_F(Registration, DescribesTheEffectItsComponentsAndFactories) {
    SimHost host;
    const simhost::Description& description = host.describe();
    EXPECT_EQ(description.manufacturer, "TOLM-lab");
    EXPECT_EQ(description.packageNames, (std::vector<std::string>{"K.O.R.V.E.X", "KORVEX", "KVX"}));
    EXPECT_EQ(description.packageVersion, 1u);
    ASSERT_EQ(description.effects.size(), 1u);

    const simhost::EffectDescription& effect = description.effects[0];
    EXPECT_EQ(effect.id, "com.tolm-lab.aax.korvex");
    EXPECT_EQ(effect.names, (std::vector<std::string>{"K.O.R.V.E.X", "KORVEX", "KVX"}));
    EXPECT_EQ(effect.category, 0x2000u);

    ASSERT_EQ(effect.components.size(), 2u);
    EXPECT_EQ(properties(effect.components[0]),
              (std::vector<std::pair<int32_t, int32_t>>{{11, fourCharCode("Tolm")}, {12, fourCharCode("QpTz")},
                                                        {60, 1}, {51, 1}, {52, 1},
                                                        {13, fourCharCode("mKan")}, {14, fourCharCode("mKaa")}}));
    EXPECT_EQ(properties(effect.components[1]),
              (std::vector<std::pair<int32_t, int32_t>>{{11, fourCharCode("Tolm")}, {12, fourCharCode("QpTz")},
                                                        {60, 1}, {51, 65538}, {52, 65538},
                                                        {13, fourCharCode("sKan")}, {14, fourCharCode("sKaa")}}));
    for (const ComponentDescription& component : effect.components) {
        EXPECT_TRUE(component.hasRenderCallback);
        EXPECT_NE(component.renderCallback, nullptr);
        EXPECT_EQ(component.renderCallback, effect.components[0].renderCallback);
    }

    // Parameters factory, the empty resource entry, then the editor factory.
    ASSERT_EQ(effect.factories.size(), 2u);
    ASSERT_EQ(effect.resources.size(), 1u);
    EXPECT_EQ(effect.factories[0].kind, 0);
    EXPECT_EQ(effect.factories[1].kind, 1);
    EXPECT_EQ(effect.resources[0].kind, 0);
    EXPECT_EQ(effect.resources[0].text, "");
    EXPECT_LT(effect.factories[0].position, effect.resources[0].position);
    EXPECT_LT(effect.resources[0].position, effect.factories[1].position);
    EXPECT_NE(effect.factories[0].function, nullptr);
    EXPECT_NE(effect.factories[1].function, nullptr);
    EXPECT_NE(effect.factories[0].function, effect.factories[1].function);
    EXPECT_NE(host.factoryCallback(0), nullptr);
    EXPECT_NE(host.renderCallback(), nullptr);
}

TEST_F(Registration, BothComponentsRegisterTheElevenContextFieldsInOrder) {
    SimHost host;
    const simhost::EffectDescription& effect = host.describe().effects.at(0);
    const std::vector<FieldRow> expected{
        {0, FieldKind::AudioInput, 0, 0, 0, "", 0},
        {5, FieldKind::BufferLength, 0, 0, 0, "", 0},
        {2, FieldKind::AudioOutput, 0, 0, 0, "", 0},
        {4, FieldKind::HostFilled, 0, 0, 0, "", 0},
        {1, FieldKind::DataPort, 4, 1, 0, "", 0},
        {3, FieldKind::DataPort, 4, 1, 0, "", 0},
        {6, FieldKind::DataPort, 4, 1, 0, "", 0},
        {7, FieldKind::DataPort, 8, 1, 0, "", 0},
        {8, FieldKind::DataPort, 4, 1, 0, "", 0},
        {9, FieldKind::MidiNode, 0, 0, 3, "AAX_Bandclearer_MIDITrnsprt", 0xFFFF},
        {10, FieldKind::MidiNode, 0, 0, 0, "K.O.R.V.E.X", 0xFFFF},
    };
    ASSERT_EQ(effect.components.size(), 2u);
    EXPECT_EQ(rows(effect.components[0]), expected);
    EXPECT_EQ(rows(effect.components[1]), expected);
}

TEST_F(Registration, EveryHostReferenceComesBackOnceTheDefinitionIsReleased) {
    {
        SimHost host;
        const int32_t withHost = simhost::liveHostObjects();
        simhost::Registration registration = host.registerPlugin();
        ASSERT_EQ(registration.result, kResultSuccess);
        ASSERT_NE(registration.definition, nullptr);
        // Only the collection lives on, held by the definition we were handed.
        EXPECT_EQ(simhost::liveHostObjects(), withHost + 1);
        EXPECT_EQ(registration.definition->Release(), 0u);
        EXPECT_EQ(simhost::liveHostObjects(), withHost);
        EXPECT_EQ(host.hostUnknown()->AddRef(), 2u);
        host.hostUnknown()->Release();
        EXPECT_EQ(host.canUnloadNow(), 0);
    }
    EXPECT_EQ(simhost::liveHostObjects(), baseline);
}

TEST_F(Registration, SecondInterfacesAreNotNeeded) {
    simhost::HostConfig config;
    config.secondInterfaces = false;
    SimHost host(simhost::defaultModulePath(), config);
    EXPECT_EQ(host.describe().effects.at(0).components.size(), 2u);
}

// Missing host objects: -20004, the out-parameter untouched, and nothing kept.
TEST_F(Registration, MissingHostObjectsFailWithoutHandingAnythingOut) {
    const auto refuse = [](const GUID& classId) {
        simhost::HostConfig config;
        config.refusedClasses = {classId};
        return config;
    };
    simhost::HostConfig noFactory;
    noFactory.componentFactory = false;
    for (const simhost::HostConfig& config : {noFactory, refuse(CLSID_HostCollection), refuse(CLSID_HostEffectDescriptor)}) {
        SimHost host(simhost::defaultModulePath(), config);
        const int32_t withHost = simhost::liveHostObjects();
        void* definition = kUntouched;
        EXPECT_EQ(host.entries().registerPlugin(host.hostUnknown(), &definition), kResultNotImplemented);
        EXPECT_EQ(definition, kUntouched);
        EXPECT_EQ(simhost::liveHostObjects(), withHost);
    }

    SimHost host;
    void* definition = kUntouched;
    EXPECT_EQ(host.entries().registerPlugin(nullptr, &definition), kResultNotImplemented);
    EXPECT_EQ(definition, kUntouched);
    EXPECT_EQ(simhost::liveHostObjects(), baseline + 2);
}

TEST_F(Registration, PackageInformationReachesTheHostEvenWhenTheEffectFails) {
    simhost::HostConfig config;
    config.refusedClasses = {CLSID_HostEffectDescriptor};
    SimHost host(simhost::defaultModulePath(), config);
    EXPECT_EQ(host.registerPlugin().result, kResultNotImplemented);
    EXPECT_EQ(host.description().manufacturer, "TOLM-lab");
    EXPECT_EQ(host.description().packageNames.size(), 3u);
    EXPECT_TRUE(host.description().effects.empty());
}

TEST_F(Registration, RefusedPluginDefinitionFailsWithANullOutParameter) {
    simhost::HostConfig config;
    config.pluginDefinition = false;
    SimHost host(simhost::defaultModulePath(), config);
    const int32_t withHost = simhost::liveHostObjects();
    void* definition = kUntouched;
    EXPECT_EQ(host.entries().registerPlugin(host.hostUnknown(), &definition), kResultNotImplemented);
    EXPECT_EQ(definition, nullptr);
    EXPECT_EQ(simhost::liveHostObjects(), withHost);
}

// A host that reports success without an interface, at any depth: 0x8000FFFF and no leaked reference.
TEST_F(Registration, SuccessWithoutAnInterfaceAnswersUnexpected) {
    const auto nullFor = [](const GUID& classId) {
        simhost::HostConfig config;
        config.nullClasses = {classId};
        return config;
    };
    simhost::HostConfig nullFactory;
    nullFactory.nullComponentFactory = true;
    for (const simhost::HostConfig& config : {nullFactory, nullFor(CLSID_HostCollection),
                                              nullFor(CLSID_HostComponentDescriptor), nullFor(CLSID_HostPropertyMap)}) {
        SimHost host(simhost::defaultModulePath(), config);
        const int32_t withHost = simhost::liveHostObjects();
        void* definition = kUntouched;
        EXPECT_EQ(host.entries().registerPlugin(host.hostUnknown(), &definition), kAcfUnexpected);
        EXPECT_EQ(definition, kUntouched);
        EXPECT_EQ(simhost::liveHostObjects(), withHost);
        EXPECT_EQ(host.hostUnknown()->AddRef(), 2u);
        host.hostUnknown()->Release();
    }
}

}  // namespace
