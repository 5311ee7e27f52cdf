// Run-time proxies: every slot reaches the host entry its table gives, defaults without a host,
// and the references they take come back.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "acf/result_codes.h"
#include "host/aax_vautomation_delegate.h"
#include "host/aax_vcontroller.h"
#include "host/aax_vtransport.h"
#include "host/aax_vview_container.h"
#include "host/host_iids.h"
#include "simhost/sim_instance_unknown.h"

using simhost::call;
using simhost::RecordedCall;

namespace {

// Arguments the cases pass; each slot gets its own so a crossed wire shows.
struct Arguments {
    int32_t i32a = 0x5151, i32b = 0x5252;
    int64_t i64a = 0x6161, i64b = 0x6262;
    uint32_t u32 = 0x3131;
    uint8_t byte = 0x7;
    float rate = 0.0f;
    double tempo = 0.0;
    uint8_t data[4] = {1, 2, 3, 4};
};

template <class Proxy>
struct SlotCase {
    int slot;
    RecordedCall host;                     // the entry and arguments the host must see
    std::function<int64_t(Proxy&)> invoke;
    int64_t fallback;                      // answer without a host interface
};

// Host entries answer 1000 + their number, so the proxy's result proves it passed the host's on.
template <class Proxy>
void expectForwarding(Proxy& proxy, simhost::CallRecorder& recorder, const std::vector<SlotCase<Proxy>>& cases) {
    for (const auto& c : cases) recorder.setResult(c.host.entry, 1000 + c.host.entry);
    for (const auto& c : cases) {
        recorder.clear();
        EXPECT_EQ(c.invoke(proxy), 1000 + c.host.entry) << "slot " << c.slot;
        EXPECT_EQ(recorder.calls(), std::vector<RecordedCall>{c.host}) << "slot " << c.slot;
    }
}

template <class Proxy>
void expectFallbacks(Proxy& proxy, const std::vector<SlotCase<Proxy>>& cases) {
    for (const auto& c : cases) EXPECT_EQ(c.invoke(proxy), c.fallback) << "slot " << c.slot;
}

std::vector<SlotCase<AAX_IController>> controllerCases(Arguments& a) {
    using C = AAX_IController;
    const int32_t ni = kResultNotImplemented, ns = kResultUnsupported;
    return {
        {1, call(3, &a.i32a), [&](C& p) { return p.Slot1(&a.i32a); }, ni},
        {2, call(4, &a.rate), [&](C& p) { return p.GetSampleRate(&a.rate); }, ni},
        {3, call(5, &a.i32a), [&](C& p) { return p.GetInputStemFormat(&a.i32a); }, ni},
        {4, call(6, &a.i32b), [&](C& p) { return p.GetOutputStemFormat(&a.i32b); }, ni},
        {5, call(7, &a.i32a), [&](C& p) { return p.Slot5(&a.i32a); }, ni},
        {6, call(8, &a.i32b), [&](C& p) { return p.Slot6(&a.i32b); }, ni},
        {7, call(9, &a.i32a), [&](C& p) { return p.Slot7(&a.i32a); }, ni},
        {8, call(10, &a.i32b), [&](C& p) { return p.Slot8(&a.i32b); }, ni},
        {9, call(11, &a.i32a), [&](C& p) { return p.Slot9(&a.i32a); }, ni},
        {10, call(12, 6u, static_cast<const void*>(a.data), 4u),
         [&](C& p) { return p.PostPacket(6, a.data, 4); }, ni},
        {11, call(20, &a.i32a), [&](C& p) { return p.Slot11(&a.i32a); }, ns},
        {12, call(13, &a.i32b), [&](C& p) { return p.Slot12(&a.i32b); }, ni},
        {13, call(14, &a.i32a), [&](C& p) { return p.Slot13(&a.i32a); }, ni},
        {14, call(15, &a.i32b), [&](C& p) { return p.Slot14(&a.i32b); }, ni},
        {15, call(18, &a.i32a), [&](C& p) { return p.Slot15(&a.i32a); }, ni},
        {16, call(16, &a.i32b), [&](C& p) { return p.Slot16(&a.i32b); }, ni},
        {17, call(17, &a.i32a), [&](C& p) { return p.Slot17(&a.i32a); }, ni},
        {18, call(19, &a.i32b), [&](C& p) { return p.Slot18(&a.i32b); }, ni},
        {19, call(21, &a.i32a), [&](C& p) { return p.Slot19(&a.i32a); }, ns},
        {20, call(22, &a.i64a), [&](C& p) { return p.Slot20(&a.i64a); }, ns},
        {21, call(23, &a.i32b), [&](C& p) { return p.Slot21(&a.i32b); }, ns},
    };
}

std::vector<SlotCase<AAX_ITransport>> transportCases(Arguments& a) {
    using T = AAX_ITransport;
    const int32_t ni = kResultNotImplemented;
    return {
        {1, call(3, &a.tempo), [&](T& p) { return p.GetTempo(&a.tempo); }, ni},
        {2, call(4, &a.i32a, &a.i32b), [&](T& p) { return p.GetMeter(&a.i32a, &a.i32b); }, ni},
        {3, call(5, &a.byte), [&](T& p) { return p.IsPlaying(&a.byte); }, ni},
        {4, call(6, &a.i64a), [&](T& p) { return p.Slot4(&a.i64a); }, ni},
        {5, call(7, &a.i64b), [&](T& p) { return p.Slot5(&a.i64b); }, ni},
        {6, call(8, &a.i64a), [&](T& p) { return p.GetSampleLocation(&a.i64a); }, ni},
        {7, call(9, &a.i64b, int64_t{-77}), [&](T& p) { return p.Slot7(&a.i64b, -77); }, ni},
        {8, call(10, &a.i32a, &a.i32b, &a.i64a, int64_t{123456789012}),
         [&](T& p) { return p.GetBarBeatAtLocation(&a.i32a, &a.i32b, &a.i64a, 123456789012); }, ni},
        {9, call(11, &a.i32a, int64_t{5}), [&](T& p) { return p.Slot9(&a.i32a, 5); }, ni},
        {10, call(12, &a.i64a, int32_t{-6}), [&](T& p) { return p.Slot10(&a.i64a, -6); }, ni},
        {11, call(13, &a.i64a, &a.i64b), [&](T& p) { return p.Slot11(&a.i64a, &a.i64b); }, ni},
        {12, call(14, &a.byte), [&](T& p) { return p.Slot12(&a.byte); }, ni},
        {13, call(15, &a.i64b), [&](T& p) { return p.Slot13(&a.i64b); }, ni},
    };
}

std::vector<SlotCase<AAX_IAutomationDelegate>> automationCases(Arguments& a) {
    using D = AAX_IAutomationDelegate;
    const int32_t ni = kResultNotImplemented;
    return {
        {1, call(3, "Gain"), [](D& p) { return p.RegisterControl("Gain"); }, ni},
        {2, call(4, "Pan"), [](D& p) { return p.UnregisterControl("Pan"); }, ni},
        {3, call(5, "Gain", 0.25), [](D& p) { return p.PostSetValueRequest("Gain", 0.25); }, ni},
        {4, call(6, "Mix", 0.125), [](D& p) { return p.PostCurrentValue("Mix", 0.125); }, ni},
        {5, call(7, "Cutoff"), [](D& p) { return p.PostTouchRequest("Cutoff"); }, ni},
        {6, call(8, "Drive"), [](D& p) { return p.PostReleaseRequest("Drive"); }, ni},
        {7, call(9, "Q", &a.u32), [&](D& p) { return p.Slot7("Q", &a.u32); }, ni},
    };
}

// Slots 1 and 2 answer the container's own kind and view, checked on their own below.
std::vector<SlotCase<AAX_IViewContainer>> viewContainerCases(Arguments& a) {
    using V = AAX_IViewContainer;
    const int32_t ns = kResultUnsupported;
    return {
        {3, call(5, &a.u32), [&](V& p) { return p.Slot3(&a.u32); }, ns},
        {4, call(6, static_cast<const void*>(&a.i32a), static_cast<void*>(&a.i32b)),
         [&](V& p) { return p.Slot4(&a.i32a, &a.i32b); }, 0},
        {5, call(7, static_cast<const void*>(&a.i64a), static_cast<void*>(&a.i64b)),
         [&](V& p) { return p.Slot5(&a.i64a, &a.i64b); }, ns},
        {6, call(8, "frame", 9u), [](V& p) { return p.Slot6("frame", 9); }, ns},
        {7, call(9, "title"), [](V& p) { return p.Slot7("title"); }, ns},
    };
}

class HostProxies : public ::testing::Test {
protected:
    void SetUp() override {
        liveAtStart = simhost::liveHostObjects();
        controller = new simhost::SimController;
        transport = new simhost::SimTransportService;
        automation = new simhost::SimAutomation;
        container = new simhost::SimViewContainer(3, &window);
        instance = new simhost::SimInstanceUnknown({controller, transport, automation, container, {}});
        bare = new simhost::SimInstanceUnknown({});
    }
    void TearDown() override {
        for (IACFUnknown* object : std::vector<IACFUnknown*>{bare, instance, container, automation, transport, controller})
            object->Release();
        EXPECT_EQ(simhost::liveHostObjects(), liveAtStart);
    }

    int32_t liveAtStart = 0;
    int window = 0;
    Arguments args;
    simhost::SimController* controller = nullptr;
    simhost::SimTransportService* transport = nullptr;
    simhost::SimAutomation* automation = nullptr;
    simhost::SimViewContainer* container = nullptr;
    simhost::SimInstanceUnknown* instance = nullptr;
    simhost::SimInstanceUnknown* bare = nullptr;  // answers no service
};

TEST_F(HostProxies, ControllerSlotsReachTheirHostEntries) {
    AAX_VController proxy(instance);
    expectForwarding<AAX_IController>(proxy, controller->recorder, controllerCases(args));
}

TEST_F(HostProxies, TransportSlotsReachEntryTwoHigher) {
    AAX_VTransport proxy(instance);
    expectForwarding<AAX_ITransport>(proxy, transport->recorder, transportCases(args));
}

TEST_F(HostProxies, AutomationSlotsReachEntryTwoHigher) {
    AAX_VAutomationDelegate proxy(instance);
    expectForwarding<AAX_IAutomationDelegate>(proxy, automation->recorder, automationCases(args));
}

TEST_F(HostProxies, ViewContainerSlotsReachEntryTwoHigher) {
    AAX_VViewContainer proxy(instance);
    expectForwarding<AAX_IViewContainer>(proxy, container->recorder, viewContainerCases(args));
    container->recorder.clear();
    EXPECT_EQ(proxy.GetContainerKind(), 3);
    EXPECT_EQ(proxy.GetNativeView(), &window);
    EXPECT_EQ(container->recorder.calls(), (std::vector<RecordedCall>{call(3), call(4)}));
}

TEST_F(HostProxies, HostValuesComeBackThroughTheProxies) {
    controller->setSampleRate(96000.0f);
    controller->setStemFormats(1, 0x00010002);
    AAX_VController control(instance);
    float rate = 0.0f;
    int32_t input = 0, output = 0;
    EXPECT_EQ(control.GetSampleRate(&rate), 0);
    EXPECT_EQ(rate, 96000.0f);
    EXPECT_EQ(control.GetInputStemFormat(&input), 0);
    EXPECT_EQ(control.GetOutputStemFormat(&output), 0);
    EXPECT_EQ(input, 1);
    EXPECT_EQ(output, 0x00010002);
    const uint8_t bytes[4] = {9, 8, 7, 6};
    EXPECT_EQ(control.PostPacket(6, bytes, 4), 0);
    EXPECT_EQ(controller->packet(6), (std::vector<uint8_t>{9, 8, 7, 6}));

    simhost::TransportState state;
    state.tempo = 98.5;
    transport->setState(state);
    AAX_VTransport clock(instance);
    double tempo = 0.0;
    EXPECT_EQ(clock.GetTempo(&tempo), 0);
    EXPECT_EQ(tempo, 98.5);
}

// Out values keep their sentinels, except controller slot 20, which is cleared.
TEST_F(HostProxies, WithoutHostInterfacesEverySlotAnswersItsDefault) {
    for (IACFUnknown* unknown : {static_cast<IACFUnknown*>(nullptr), static_cast<IACFUnknown*>(bare)}) {
        args = Arguments{};
        AAX_VController control(unknown);
        AAX_VTransport clock(unknown);
        AAX_VAutomationDelegate automate(unknown);
        AAX_VViewContainer view(unknown);
        expectFallbacks<AAX_IController>(control, controllerCases(args));
        expectFallbacks<AAX_ITransport>(clock, transportCases(args));
        expectFallbacks<AAX_IAutomationDelegate>(automate, automationCases(args));
        expectFallbacks<AAX_IViewContainer>(view, viewContainerCases(args));
        EXPECT_EQ(view.GetContainerKind(), 0);
        EXPECT_EQ(view.GetNativeView(), nullptr);
        EXPECT_EQ(args.rate, 0.0f);
        EXPECT_EQ(args.tempo, 0.0);
        EXPECT_EQ(args.i32a, 0x5151);
        EXPECT_EQ(args.i32b, 0x5252);
        EXPECT_EQ(args.i64b, 0x6262);
        EXPECT_EQ(args.i64a, 0);  // slot 20
    }
    EXPECT_EQ(controller->recorder.count() + transport->recorder.count() + automation->recorder.count() +
                  container->recorder.count(),
              0u);
}

// A host with only the first controller version: slots 11, 19, 20, 21 fall back, the rest forward.
TEST_F(HostProxies, ControllerSecondVersionSlotsNeedTheSecondInterface) {
    auto* firstOnly = new simhost::SimInstanceUnknown({nullptr, nullptr, nullptr, nullptr,
                                                       {{IID_HostController, controller}}});
    {
        AAX_VController proxy(firstOnly);
        for (const auto& c : controllerCases(args)) {
            controller->recorder.clear();
            const bool second = c.fallback == kResultUnsupported;
            EXPECT_EQ(c.invoke(proxy), second ? c.fallback : 0) << "slot " << c.slot;
            EXPECT_EQ(controller->recorder.count(), second ? 0u : 1u) << "slot " << c.slot;
        }
        EXPECT_EQ(args.i64a, 0);
    }
    firstOnly->Release();
}

TEST_F(HostProxies, ProxiesHoldExactlyTheReferencesTheyAskFor) {
    const int32_t controllerBefore = controller->references();
    const int32_t transportBefore = transport->references();
    const int32_t automationBefore = automation->references();
    const int32_t containerBefore = container->references();
    {
        AAX_VController control(instance);
        AAX_VTransport clock(instance);
        AAX_VAutomationDelegate automate(instance);
        AAX_VViewContainer view(instance);
        EXPECT_EQ(controller->references(), controllerBefore + 2);
        EXPECT_EQ(transport->references(), transportBefore + 2);
        EXPECT_EQ(automation->references(), automationBefore + 1);
        EXPECT_EQ(container->references(), containerBefore + 1);
    }
    EXPECT_EQ(controller->references(), controllerBefore);
    EXPECT_EQ(transport->references(), transportBefore);
    EXPECT_EQ(automation->references(), automationBefore);
    EXPECT_EQ(container->references(), containerBefore);
}

}  // namespace
