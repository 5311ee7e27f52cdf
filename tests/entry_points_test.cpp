// The built module's entry points, opened the way a host opens it: fixed answers, null out-parameters, start-up and
// shut-down of the host-services proxy, the unload count, and an export table of exactly seven names.
#include <gtest/gtest.h>

#include <algorithm>

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "install_folder.h"
#include "simhost/sim_host.h"

namespace {

using simhost::SimHost;

void* const kUntouched = reinterpret_cast<void*>(0x5A5A);

size_t requestsFor(const SimHost& host, const GUID& classId) {
    const auto& requested = host.log().requestedClasses;
    return static_cast<size_t>(std::count(requested.begin(), requested.end(), classId));
}

TEST(EntryPoints, FixedAnswersAndNullOutParameters) {
    SimHost host;
    const simhost::EntryPoints& entries = host.entries();
    uint64_t version = 0;
    EXPECT_EQ(entries.getSDKVersion(&version), kResultSuccess);
    EXPECT_EQ(version, 0x000002000061125CULL);
    EXPECT_EQ(entries.getSDKVersion(nullptr), kAcfInvalidPointer);

    void* component = kUntouched;
    EXPECT_EQ(entries.registerComponent(host.hostUnknown(), 0, &component), kResultSuccess);
    EXPECT_EQ(component, nullptr);
    EXPECT_EQ(entries.registerComponent(host.hostUnknown(), 0, nullptr), kAcfInvalidPointer);

    void* factory = kUntouched;
    EXPECT_EQ(entries.getClassFactory(host.hostUnknown(), CLSID_HostCollection, IID_IACFUnknown, &factory),
              kResultUnsupported);
    EXPECT_EQ(factory, nullptr);
    EXPECT_EQ(entries.getClassFactory(nullptr, CLSID_HostCollection, IID_IACFUnknown, nullptr), kResultUnsupported);

    // A registration with nowhere to put the definition asks the host for nothing.
    EXPECT_EQ(entries.registerPlugin(host.hostUnknown(), nullptr), kAcfInvalidPointer);
    EXPECT_TRUE(host.log().requestedClasses.empty());
}

TEST(EntryPoints, StartupKeepsOneHostServicesProxyUntilShutdown) {
    SimHost host;
    const int32_t withHost = simhost::liveHostObjects();
    EXPECT_EQ(host.shutdown(), kResultSuccess);  // without a start-up: nothing to do

    EXPECT_EQ(host.startup(), kResultSuccess);
    EXPECT_EQ(requestsFor(host, CLSID_HostServices), 1u);
    EXPECT_EQ(simhost::liveHostObjects(), withHost + 1);
    EXPECT_EQ(host.startup(), kResultSuccess);
    EXPECT_EQ(requestsFor(host, CLSID_HostServices), 1u);  // the first proxy stays
    EXPECT_EQ(simhost::liveHostObjects(), withHost + 1);

    // A start-up without a host drops the proxy, like a shut-down.
    EXPECT_EQ(host.entries().startup(nullptr), kResultSuccess);
    EXPECT_EQ(simhost::liveHostObjects(), withHost);
    EXPECT_EQ(host.entries().startup(nullptr), kResultSuccess);

    EXPECT_EQ(host.startup(), kResultSuccess);
    EXPECT_EQ(simhost::liveHostObjects(), withHost + 1);
    EXPECT_EQ(host.shutdown(), kResultSuccess);
    EXPECT_EQ(simhost::liveHostObjects(), withHost);
    EXPECT_EQ(host.shutdown(), kResultSuccess);
    EXPECT_EQ(host.hostUnknown()->AddRef(), 2u);
    host.hostUnknown()->Release();
}

TEST(EntryPoints, StartupAgainstAHostAnsweringNullServicesAnswersUnexpected) {
    simhost::HostConfig config;
    config.nullClasses = {CLSID_HostServices};
    SimHost host(simhost::defaultModulePath(), config);
    const int32_t withHost = simhost::liveHostObjects();
    EXPECT_EQ(host.startup(), kAcfUnexpected);
    EXPECT_EQ(simhost::liveHostObjects(), withHost);
    // Nothing was kept, so a later start-up tries again.
    EXPECT_EQ(host.startup(), kAcfUnexpected);
    EXPECT_EQ(requestsFor(host, CLSID_HostServices), 2u);
}

TEST(EntryPoints, CanUnloadNowCountsTheObjectsTheFactoriesMade) {
    SimHost host;
    EXPECT_EQ(host.canUnloadNow(), 0);
    host.describe();
    simhost::FactoryProc createParameters = host.factoryCallback(0);
    simhost::FactoryProc createEditor = host.factoryCallback(1);
    ASSERT_NE(createParameters, nullptr);
    ASSERT_NE(createEditor, nullptr);

    IACFUnknown* parametersObject = createParameters();
    IACFUnknown* editorObject = createEditor();
    ASSERT_NE(parametersObject, nullptr);
    ASSERT_NE(editorObject, nullptr);
    EXPECT_EQ(host.canUnloadNow(), 2);

    // Each object answers its own family's IIDs with its primary interface, and not the other's.
    void* parameters = nullptr;
    void* parametersV2 = nullptr;
    void* editor = nullptr;
    void* none = kUntouched;
    ASSERT_EQ(parametersObject->QueryInterface(IID_IACFEffectParameters, &parameters), kResultSuccess);
    ASSERT_EQ(parametersObject->QueryInterface(IID_IACFEffectParametersV2, &parametersV2), kResultSuccess);
    EXPECT_EQ(parameters, parametersV2);
    EXPECT_EQ(parameters, static_cast<void*>(parametersObject));
    EXPECT_EQ(parametersObject->QueryInterface(IID_IACFEffectGUI, &none), kAcfNoInterface);
    EXPECT_EQ(none, nullptr);
    ASSERT_EQ(editorObject->QueryInterface(IID_IACFEffectGUI, &editor), kResultSuccess);
    EXPECT_EQ(editorObject->QueryInterface(IID_IACFEffectParameters, &none), kAcfNoInterface);

    EXPECT_EQ(static_cast<IACFUnknown*>(parametersV2)->Release(), 1u);
    EXPECT_EQ(static_cast<IACFUnknown*>(parameters)->Release(), 0u);
    EXPECT_EQ(host.canUnloadNow(), 1);
    EXPECT_EQ(static_cast<IACFUnknown*>(editor)->Release(), 0u);
    EXPECT_EQ(host.canUnloadNow(), 0);
}

TEST(EntryPoints, ModuleExportsNothingButTheEntryPoints) {
    SimHost host;
    EXPECT_EQ(host.module().symbol("gObjectCount"), nullptr);
    EXPECT_EQ(host.module().symbol("gHostServices"), nullptr);
    EXPECT_EQ(host.module().symbol("_Z22CreateParametersObjectv"), nullptr);
    EXPECT_EQ(host.module().symbol("_Z14DescribeEffectP21AAX_IEffectDescriptor"), nullptr);
}

TEST(ModuleLibrary, NamesTheFileAndTheReasonWhenItCannotLoad) {
    try {
        simhost::ModuleLibrary library("/nonexistent/KORVEX.aaxplugin");
        ADD_FAILURE() << "a missing file must not load";
    } catch (const simhost::ModuleError& error) {
        EXPECT_NE(std::string(error.what()).find("/nonexistent/KORVEX.aaxplugin"), std::string::npos);
    }
    try {
        simhost::ModuleLibrary library(testing_support::pluginFile("nomain").string());
        ADD_FAILURE() << "a library without the entry points must be refused";
    } catch (const simhost::ModuleError& error) {
        EXPECT_NE(std::string(error.what()).find("does not export ACFRegisterPlugin"), std::string::npos);
    }
}

}  // namespace
