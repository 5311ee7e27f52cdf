// Packet dispatcher: what gets posted, when, how it is filled, and its lock's re-entry.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "acf/result_codes.h"
#include "fake_effect_parameters.h"
#include "fake_mutex_platform.h"
#include "host/aax_vcontroller.h"
#include "parameters/packet_dispatcher.h"
#include "simhost/sim_instance_unknown.h"

namespace {

using Type = FakeParameter::Type;

// Fills packets on the dispatcher's behalf, counting calls and optionally re-entering it.
struct Worker {
    int32_t fill(const char* id, DispatchPacket& packet) {
        filledIds.push_back(id);
        if (reenter) reenter->MarkDirty(reenterId.c_str());
        if (result == kResultSuccess) *packet.reserve(1) = 0x5A;
        return result;
    }
    int32_t fillPacketOnly(DispatchPacket& packet) {
        *packet.reserve(2) = 0x11;
        return kResultSuccess;
    }

    std::vector<std::string> filledIds;
    int32_t result = kResultSuccess;
    AAX_CPacketDispatcher* reenter = nullptr;
    std::string reenterId;
};

class PacketDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        controller = new simhost::SimController;
        instance = new simhost::SimInstanceUnknown({controller, nullptr, nullptr, nullptr, {}});
        proxy = new AAX_VController(instance);
        dispatcher.setController(proxy);
        dispatcher.setEffectParameters(&effect);
    }
    void TearDown() override {
        delete proxy;
        instance->Release();
        controller->Release();
    }

    // Registers the dispatcher's own filler for a parameter at a field.
    void addSingleValue(const char* id, uint32_t field) {
        const AAX_CPacketHandler<AAX_CPacketDispatcher> handler(&dispatcher,
                                                               &AAX_CPacketDispatcher::FillSingleValuePacket);
        EXPECT_EQ(dispatcher.AddPacket(id, field, handler), kResultSuccess);
    }
    void addWorker(const char* id, uint32_t field) {
        const AAX_CPacketHandler<Worker> handler(&worker, &Worker::fill);
        EXPECT_EQ(dispatcher.AddPacket(id, field, handler), kResultSuccess);
    }
    size_t posts() const { return controller->recorder.countOf(12); }
    float floatAt(uint32_t field) const {
        const std::vector<uint8_t> bytes = controller->packet(field);
        float value = 0.0f;
        EXPECT_EQ(bytes.size(), sizeof value);
        if (bytes.size() == sizeof value) std::memcpy(&value, bytes.data(), sizeof value);
        return value;
    }

    simhost::SimController* controller = nullptr;
    simhost::SimInstanceUnknown* instance = nullptr;
    AAX_VController* proxy = nullptr;
    FakeEffectParameters effect;
    Worker worker;
    AAX_CPacketDispatcher dispatcher;
};

TEST_F(PacketDispatcherTest, RegisteredPacketIsPostedOnceWithoutAnyChange) {
    FakeParameter bypass(Type::Bool, 1.0);
    effect.add("MasterBypassID", &bypass);
    addSingleValue("MasterBypassID", 6);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 1u);
    EXPECT_EQ(controller->packet(6), (std::vector<uint8_t>{1, 0, 0, 0}));

    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 1u);
    EXPECT_EQ(dispatcher.MarkDirty("nobody"), kResultSuccess);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 1u);

    bypass.set(0.0);
    dispatcher.MarkDirty("MasterBypassID");
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 2u);
    EXPECT_EQ(controller->packet(6), (std::vector<uint8_t>{0, 0, 0, 0}));
}

TEST_F(PacketDispatcherTest, PacketSizeFollowsTheParameterType) {
    struct Case {
        Type type;
        double value;
        std::vector<uint8_t> bytes;
    };
    const float f = 0.75f;
    const double d = -2.5;
    const int32_t i = -3;
    std::vector<uint8_t> floatBytes(4), doubleBytes(8), intBytes(4);
    std::memcpy(floatBytes.data(), &f, 4);
    std::memcpy(doubleBytes.data(), &d, 8);
    std::memcpy(intBytes.data(), &i, 4);
    const std::vector<Case> cases = {
        {Type::Bool, 1.0, {1, 0, 0, 0}},
        {Type::Float, 0.75, floatBytes},
        {Type::Int32, -3.0, intBytes},
        {Type::Double, -2.5, doubleBytes},
    };
    std::vector<FakeParameter> parameters;
    for (const Case& c : cases) parameters.emplace_back(c.type, c.value);
    for (uint32_t n = 0; n < cases.size(); ++n) {
        const std::string id = "p" + std::to_string(n);
        effect.add(id, &parameters[n]);
        addSingleValue(id.c_str(), 10 + n);
    }
    dispatcher.PostDirtyPackets();
    for (uint32_t n = 0; n < cases.size(); ++n) EXPECT_EQ(controller->packet(10 + n), cases[n].bytes) << n;
}

// "B" sorts before "a" byte-wise, so it fills the shared packet whichever of the two changed.
TEST_F(PacketDispatcherTest, SharedPacketIsFilledThroughTheByteWiseLowerId) {
    FakeParameter lower(Type::Float, 1.5), upper(Type::Float, 2.5);
    effect.add("B", &lower);
    effect.add("a", &upper);
    addSingleValue("a", 2);
    addSingleValue("B", 2);
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(posts(), 1u);
    EXPECT_EQ(floatAt(2), 1.5f);

    lower.set(3.5);
    dispatcher.MarkDirty("a");
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(posts(), 2u);
    EXPECT_EQ(floatAt(2), 3.5f);
}

TEST_F(PacketDispatcherTest, OneParameterAtTwoFieldsPostsBoth) {
    FakeParameter gain(Type::Float, 0.5);
    effect.add("Gain", &gain);
    addSingleValue("Gain", 3);
    addSingleValue("Gain", 9);
    dispatcher.PostDirtyPackets();
    gain.set(0.25);
    dispatcher.MarkDirty("Gain");
    controller->recorder.clear();
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(controller->packetCount(3), 2u);
    EXPECT_EQ(controller->packetCount(9), 2u);
    EXPECT_EQ(floatAt(3), 0.25f);
    EXPECT_EQ(floatAt(9), 0.25f);
}

// A parameter the effect does not have makes the filler fail; the packet waits for MarkDirty.
TEST_F(PacketDispatcherTest, FailedFillIsNotRetriedUntilMarkedDirty) {
    addWorker("Mix", 4);
    worker.result = kResultNotImplemented;
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(worker.filledIds.size(), 1u);
    EXPECT_EQ(posts(), 0u);

    worker.result = kResultSuccess;
    dispatcher.MarkDirty("Mix");
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(worker.filledIds.size(), 2u);
    EXPECT_EQ(controller->packet(4), std::vector<uint8_t>{0x5A});

    addSingleValue("Missing", 5);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(controller->packetCount(5), 0u);
}

// A refused post is reported even when a later one succeeds, and goes again next pass.
TEST_F(PacketDispatcherTest, RefusedPostIsReportedAndRetried) {
    addWorker("A", 1);
    addWorker("Z", 2);
    controller->recorder.setResult(12, -77);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), -77);
    controller->recorder.setResult(12, 0);
    controller->recorder.clear();
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 2u);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(posts(), 2u);
}

TEST_F(PacketDispatcherTest, HandlerMayReenterTheDispatcher) {
    addWorker("First", 1);
    addWorker("Second", 2);
    dispatcher.PostDirtyPackets();
    worker.reenter = &dispatcher;
    worker.reenterId = "Second";
    dispatcher.MarkDirty("First");
    dispatcher.PostDirtyPackets();  // "First" marks "Second", which is filled later in the same pass
    EXPECT_EQ(worker.filledIds, (std::vector<std::string>{"First", "Second", "First", "Second"}));
}

TEST_F(PacketDispatcherTest, HandlerRunsTheCallbackItWasGiven) {
    DispatchPacket packet(0);
    EXPECT_EQ(packet.size, 0u);
    EXPECT_EQ(packet.data, std::vector<uint8_t>(8, 0));
    const AAX_CPacketHandler<Worker> packetOnly(&worker, &Worker::fillPacketOnly);
    EXPECT_EQ(packetOnly.Invoke("x", packet), kResultSuccess);
    EXPECT_EQ(packet.data, (std::vector<uint8_t>{0x11, 0}));
    const AAX_CPacketHandler<Worker> none(&worker, static_cast<AAX_CPacketHandler<Worker>::IdPacketCallback>(nullptr));
    EXPECT_EQ(none.Invoke("x", packet), kResultNotImplemented);
    std::unique_ptr<AAX_IPacketHandler> clone(AAX_CPacketHandler<Worker>(&worker, &Worker::fill).Clone());
    EXPECT_EQ(clone->Invoke("y", packet), kResultSuccess);
    EXPECT_EQ(worker.filledIds, std::vector<std::string>{"y"});
}

// Before Initialize wires the controller nothing can be posted; the packets wait, dirty.
TEST_F(PacketDispatcherTest, WithoutAControllerPacketsWait) {
    FakeParameter gain(Type::Float, 0.5);
    effect.add("Gain", &gain);
    dispatcher.setController(nullptr);
    addSingleValue("Gain", 3);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultNotImplemented);
    dispatcher.setController(proxy);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(floatAt(3), 0.5f);
}

// Host threads setting values while another asks for packets; the thread sanitizer checks the lock.
TEST_F(PacketDispatcherTest, MarkAndPostFromTwoThreads) {
    FakeParameter gain(Type::Float, 0.5);
    effect.add("Gain", &gain);
    addSingleValue("Gain", 3);
    addWorker("Mix", 4);
    std::thread marker([&] {
        for (int n = 0; n < 2000; ++n) dispatcher.MarkDirty(n % 2 ? "Gain" : "Mix");
    });
    for (int n = 0; n < 2000; ++n) dispatcher.PostDirtyPackets();
    marker.join();
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_GE(controller->packetCount(3), 1u);
    EXPECT_EQ(floatAt(3), 0.5f);
}

// A host whose PostPacket waits for its main thread (its own lock, held there around a call into
// the module): the main thread may meanwhile take the dispatcher's lock, unlink the controller and
// ask for a pass of its own, and none of that waits for the post. The running pass serves the
// main thread's request afterwards, so the later value is posted last.
TEST_F(PacketDispatcherTest, APostWaitingForTheMainThreadNeverBlocksIt) {
    class WaitingController final : public AAX_VController {
    public:
        using AAX_VController::AAX_VController;
        int32_t PostPacket(uint32_t field, const void* data, uint32_t size) override {
            if (holdNext.exchange(false)) {
                step.store(1);
                while (step.load() != 2) std::this_thread::yield();
            }
            return AAX_VController::PostPacket(field, data, size);
        }
        std::atomic<bool> holdNext{false};
        std::atomic<int32_t> step{0};
    };
    FakeParameter gain(Type::Float, 0.25);
    effect.add("Gain", &gain);
    WaitingController waiting(instance);
    dispatcher.setController(&waiting);
    addSingleValue("Gain", 3);
    waiting.holdNext = true;
    std::thread pass([&] { EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess); });
    while (waiting.step.load() != 1) std::this_thread::yield();

    // The main thread: a new value and a pass of its own, the lock, then the controller unlinked.
    gain.set(0.75);
    dispatcher.MarkDirty("Gain");
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    bool ranUnderTheLock = false;
    dispatcher.whileLocked([&] { ranUnderTheLock = true; });
    EXPECT_TRUE(ranUnderTheLock);
    EXPECT_FALSE(dispatcher.controllerInUse().idle()) << "the pass still holds the controller";
    waiting.step.store(2);
    pass.join();
    EXPECT_TRUE(dispatcher.controllerInUse().idle());
    EXPECT_EQ(posts(), 2u);
    EXPECT_EQ(floatAt(3), 0.75f) << "the main thread's value was not posted after the held one";
    dispatcher.setController(proxy);
}

// A dispatcher of its own, made while a test's FakeMutexPlatform is in force, with one parameter
// registered through the module's own filler.
struct StandaloneDispatcher {
    StandaloneDispatcher(const char* id, FakeParameter& parameter, uint32_t field) {
        effect.add(id, &parameter);
        dispatcher.setController(&proxy);
        dispatcher.setEffectParameters(&effect);
        dispatcher.AddPacket(id, field, AAX_CPacketHandler<AAX_CPacketDispatcher>(
                                            &dispatcher, &AAX_CPacketDispatcher::FillSingleValuePacket));
    }

    struct ControllerHold {  // released after everything below that uses it
        simhost::SimController* host = new simhost::SimController;
        ~ControllerHold() { host->Release(); }
    } hold;
    simhost::SimController& controller = *hold.host;
    AAX_VController proxy{hold.host};
    FakeEffectParameters effect;
    AAX_CPacketDispatcher dispatcher;
};

TEST(PacketDispatcherWithoutMutex, WorksUnlockedWhenTheMutexCannotBeMade) {
    FakeMutexPlatform fake;
    FakeMutexPlatform::failCreation(true);
    {
        FakeParameter on(Type::Bool, 1.0);
        StandaloneDispatcher standalone("On", on, 6);
        EXPECT_EQ(standalone.dispatcher.PostDirtyPackets(), kResultSuccess);
        EXPECT_EQ(standalone.controller.packet(6), (std::vector<uint8_t>{1, 0, 0, 0}));
    }
    EXPECT_EQ(FakeMutexPlatform::counts().creates, 1);
    EXPECT_EQ(FakeMutexPlatform::counts().waits, 0);
}

// Hosts ask for packets before every render cycle: a pass with nothing marked since the last one
// takes no lock (a system mutex costs a kernel round trip even when free), yet nothing marked is
// missed, whether it was marked before the pass or refused by the host.
TEST(PacketDispatcherLock, APassWithNothingMarkedTakesNoLockAndMissesNothing) {
    FakeMutexPlatform fake;
    FakeParameter gain(Type::Float, 0.25);
    StandaloneDispatcher standalone("Gain", gain, 3);
    AAX_CPacketDispatcher& dispatcher = standalone.dispatcher;
    simhost::SimController& controller = standalone.controller;
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);  // born dirty
    EXPECT_EQ(controller.packetCount(3), 1u);

    const int waits = FakeMutexPlatform::counts().waits;
    for (int n = 0; n < 100; ++n) EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);
    EXPECT_EQ(FakeMutexPlatform::counts().waits, waits);
    EXPECT_EQ(controller.packetCount(3), 1u);

    dispatcher.MarkDirty("nobody");  // its own wait only: it marks no packet, so the pass stays unlocked
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(FakeMutexPlatform::counts().waits, waits + 1);

    gain.set(0.5);
    dispatcher.MarkDirty("Gain");
    controller.recorder.setResult(12, -77);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), -77);
    controller.recorder.setResult(12, 0);
    EXPECT_EQ(dispatcher.PostDirtyPackets(), kResultSuccess);  // the refused one goes again
    EXPECT_EQ(controller.packetCount(3), 2u);                  // (a refused post is not kept)
    const std::vector<uint8_t> bytes = controller.packet(3);
    float value = 0.0f;
    ASSERT_EQ(bytes.size(), sizeof value);
    std::memcpy(&value, bytes.data(), sizeof value);
    EXPECT_EQ(value, 0.5f);
    dispatcher.PostDirtyPackets();
    EXPECT_EQ(controller.packetCount(3), 2u);
}

}  // namespace
