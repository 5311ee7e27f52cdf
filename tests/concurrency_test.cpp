// The built module under the threads a real session brings together: a render thread with MIDI and
// transport, the host's main thread delivering values, saving and restoring state and working
// editors, and the plug-in calling its host from its render call and from a thread of its own.
// The stress cases run under every host personality (KORVEX_HOST_PERSONALITY picks one); every
// case runs for a bounded time (KORVEX_STRESS_SECONDS, default 2), prints its figures, and a
// watchdog ends the process when one hangs.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "plugins/faulty/recording_log.h"
#include "simhost/host_object.h"
#include "simhost/host_personality.h"
#include "simhost/render_driver.h"
#include "simhost/sim_editor.h"
#include "watchdog.h"
#include "wrapper_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;
using recording::automationValueFor;
using simhost::HostPersonality;

constexpr int32_t kParams = 8;  // automationValueFor(i, 8) is exact in float and double
constexpr int32_t kBlock = 64;

// The one time record of an instance may be refreshed by a request on another thread while it is
// read here; the thread sanitizer's suppressions name this reader.
bool heldTimeRecordIsBlank(const VstTimeInfo* time) { return !time || time->sampleRate == 0.0; }

double stressSeconds() {
    const char* text = std::getenv("KORVEX_STRESS_SECONDS");
    const double seconds = text && *text ? std::atof(text) : 2.0;
    return seconds > 0.0 ? seconds : 2.0;
}

Clock::duration stressTime() {
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(stressSeconds()));
}

// Room for the stress time, set-up and tear-down under a sanitizer; a case past it is stuck.
std::chrono::seconds watchdogLimit() { return std::chrono::seconds(20 + static_cast<int>(stressSeconds() * 3)); }

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Threads wait here until all of them have arrived, so their calls really overlap.
class StartLine {
public:
    explicit StartLine(int32_t threads) : expected(threads) {}
    void arriveAndWait() {
        const int32_t round = generation.load();
        if (arrived.fetch_add(1) + 1 == expected) {
            arrived.store(0);
            generation.fetch_add(1);
            return;
        }
        while (generation.load() == round) std::this_thread::yield();
    }

private:
    const int32_t expected;
    std::atomic<int32_t> arrived{0};
    std::atomic<int32_t> generation{0};
};

// A worker that runs `body` until stop() and counts its rounds.
class Worker {
public:
    template <class Body>
    explicit Worker(Body body) : thread([this, body]() mutable {
          while (!stopping.load(std::memory_order_relaxed)) {
              body(rounds.load(std::memory_order_relaxed));
              rounds.fetch_add(1, std::memory_order_relaxed);
          }
      }) {}
    ~Worker() { stop(); }
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;
    uint64_t stop() {
        stopping.store(true);
        if (thread.joinable()) thread.join();
        return rounds.load();
    }

private:
    std::atomic<bool> stopping{false};
    std::atomic<uint64_t> rounds{0};
    std::thread thread;
};

// The stress suite's threads and checks; the host's personality is the test's parameter or the
// one a named case needs.
class StressTest : public testing_support::WrapperTest {
protected:
    void SetUp() override {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        watchdog = std::make_unique<testing_support::Watchdog>(std::string(info->test_suite_name()) + "." + info->name(),
                                                               watchdogLimit());
    }

    // A recording plug-in of kParams continuous parameters that makes `processCalls` from each
    // render call, after asking for the time when askTime is set; `adjust` may change the rest.
    void start(const std::vector<int32_t>& processCalls, bool askTime = true,
               void (*adjust)(recording::RecordingConfig&) = nullptr) {
        ASSERT_TRUE(hooks.ready());
        hostObjectsAtStart = simhost::liveHostObjects();
        install(testing_support::recordingLibrary());
        host->setPersonality(personality);
        recording::RecordingConfig config;
        config.numParams = kParams;
        config.askTimeInProcess = askTime ? 1 : 0;
        for (int32_t opcode : processCalls) config.processHostCalls[config.processHostCallCount++] = opcode;
        if (adjust) adjust(config);
        hooks.configure(config);
        instance = std::make_unique<simhost::SimEffectInstance>(*host);
        ASSERT_EQ(instance->initializeResult(), 0);
        effect = testing_support::postedVstInterface(*instance)->effect;
        log = hooks.log(effect);
        ASSERT_NE(log, nullptr);
        // The host answers every set-value request its way; the value must be the one the plug-in
        // automated that very parameter with.
        instance->setRequestObserver([this](const std::string& id, double value) { requested(id, value); });
    }

    void TearDown() override {
        instance.reset();
        testing_support::WrapperTest::TearDown();
        if (log) {
            EXPECT_EQ(simhost::liveHostObjects(), hostObjectsAtStart) << "host references were not given back";
        }
        watchdog.reset();
    }

    void requested(const std::string& id, double value) {
        requestsMade.fetch_add(1);
        int32_t index = -1;
        if (std::sscanf(id.c_str(), "param%d", &index) != 1 || value != automationValueFor(index, kParams))
            misrouted.fetch_add(1);
    }

    // [main] What the host does between buffers: the requests answered, packets dispatched (and,
    // for some hosts, Initialize once more).
    void deliverRequests() { delivered += instance->idle(); }

    // [main] The host's own records of its services grow with every call; a session does not keep them.
    void forgetHostRecords() {
        instance->transportService().recorder.clear();
        instance->automation().recorder.clear();
        instance->controller().recorder.clear();
    }

    // [render] Plays for 16 blocks, stops for 16, a note in every block.
    std::unique_ptr<Worker> renderThread() {
        instance->context().setFrames(kBlock);
        simhost::RenderDriver driver(host->renderCallback());
        driver.setFreshThreads(personality.freshRenderThreads);
        return std::make_unique<Worker>([this, driver, location = int64_t{0}](uint64_t block) mutable {
            simhost::RenderContextBuilder& context = instance->context();
            const bool playing = (block / 16) % 2 == 0;
            context.transport().setPlaying(playing);
            context.transport().setLocation(location);
            if (playing) location += kBlock;
            context.midiInput().clear();
            const auto note = static_cast<uint8_t>(60 + block % 12);
            context.midiInput().addPacket(0, 0x90, note, 100);
            context.midiInput().addPacket(kBlock / 2, 0x80, note, 0);
            driver.render({&context});
        });
    }

    // [plug-in] The plug-in's own thread: a gesture on one parameter, a display update, the time
    // (whose record must stay whole while the plug-in holds it) and the sample rate.
    std::unique_ptr<Worker> pluginThread() {
        return std::make_unique<Worker>([this](uint64_t round) {
            const auto index = static_cast<int32_t>((round / 6) % kParams);
            switch (round % 6) {
            case 0: hooks.callHost(effect, audioMasterBeginEdit, index); break;
            case 1: hooks.callHost(effect, audioMasterAutomate, index, 0, automationValueFor(index, kParams)); break;
            case 2: hooks.callHost(effect, audioMasterEndEdit, index); break;
            case 3: hooks.callHost(effect, audioMasterUpdateDisplay, 0); break;
            case 4: {
                const auto* time = reinterpret_cast<const VstTimeInfo*>(hooks.callHost(effect, audioMasterGetTime, 0));
                if (heldTimeRecordIsBlank(time)) blankAnswers.fetch_add(1);
                break;
            }
            default: hooks.callHost(effect, audioMasterGetSampleRate, 0); break;
            }
        });
    }

    // [main] One editor's whole life as a host window gives it: open, idle, size, close. Every
    // third one is let go without Uninitialize, as by a host whose view crashed.
    void workAnEditor(uint64_t round) {
        simhost::SimEditor editor(*host);
        const bool orderly = round % 3 != 0;
        if (orderly) {
            EXPECT_EQ(editor.initialize(instance->instanceUnknown()), 0);
        } else {
            // Not through SimEditor, which would then call Uninitialize on the way out.
            const auto hold = instance->mainThreadCall();
            EXPECT_EQ(editor.gui()->Initialize(instance->instanceUnknown()), 0);
        }
        editor.attachPretendWindow();
        editor.tick(2);
        editor.viewSize();
        editor.detach();
        ++editorsOpened;
    }

    void printFigures(const char* name, double seconds, const std::string& detail) const {
        std::printf("[ figures  ] %s, %s host: %.2f s, %s\n", name, personality.name().c_str(), seconds, detail.c_str());
    }
    static std::string rate(uint64_t count, double seconds, const char* unit) {
        char text[96];
        std::snprintf(text, sizeof text, "%llu %s (%.0f/s)", static_cast<unsigned long long>(count), unit,
                      seconds > 0.0 ? static_cast<double>(count) / seconds : 0.0);
        return text;
    }

    HostPersonality personality;
    std::unique_ptr<testing_support::Watchdog> watchdog;
    std::unique_ptr<simhost::SimEffectInstance> instance;
    AEffect* effect = nullptr;
    const recording::RecordingLog* log = nullptr;
    int32_t hostObjectsAtStart = 0;
    std::atomic<uint64_t> misrouted{0};
    std::atomic<uint64_t> blankAnswers{0};
    std::atomic<uint64_t> requestsMade{0};
    uint64_t delivered = 0;
    uint64_t editorsOpened = 0;
};

// Every stress case under every personality of this run.
class Concurrency : public StressTest, public testing::WithParamInterface<HostPersonality> {
protected:
    void SetUp() override {
        StressTest::SetUp();
        personality = GetParam();
    }
};

std::string personalityName(const testing::TestParamInfo<HostPersonality>& info) {
    if (info.param == HostPersonality::all()) return "all";
    std::string name = info.param.name();
    for (char& c : name)
        if (c == '-' || c == ',') c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Hosts, Concurrency, testing::ValuesIn(HostPersonality::forThisRun()), personalityName);

const std::vector<int32_t> kEveryRenderCall = {audioMasterBeginEdit, audioMasterAutomate,    audioMasterEndEdit,
                                               audioMasterUpdateDisplay, audioMasterGetTime, audioMasterGetSampleRate};

TEST_P(Concurrency, RenderPlugInThreadAndHostMainThreadTogether) {
    start(kEveryRenderCall);
    const std::vector<std::string> ids = {"param0", "param3", "param7", ""};  // "" is the master bypass
    uint64_t rounds = 0;
    uint64_t chunkTrips = 0;
    const Clock::time_point begin = Clock::now();
    {
        auto render = renderThread();
        auto plugin = pluginThread();
        const Clock::time_point deadline = begin + stressTime();
        for (; Clock::now() < deadline; ++rounds) {
            EXPECT_EQ(instance->setParameter(ids[rounds % ids.size()], (rounds % 5) / 4.0), 0);
            deliverRequests();
            if (rounds % 4 == 0) {
                std::vector<uint8_t> state;
                EXPECT_EQ(instance->saveChunk(state), 0);
                EXPECT_EQ(instance->loadChunk(state), 0);
                ++chunkTrips;
            }
            if (rounds % 2 == 0) workAnEditor(rounds / 2);
            forgetHostRecords();
        }
        const uint64_t blocks = render->stop();
        const uint64_t pluginCalls = plugin->stop();
        const double seconds = secondsSince(begin);
        printFigures("render + plug-in + main", seconds,
                     "3 threads; render " + rate(blocks, seconds, "blocks") + " with " +
                         rate(log->processHostCalls.load(), seconds, "host calls") + "; plug-in thread " +
                         rate(pluginCalls, seconds, "host calls") + "; main " + rate(rounds, seconds, "rounds") + ", " +
                         std::to_string(editorsOpened) + " editors, " + std::to_string(chunkTrips) +
                         " chunk round trips, " + std::to_string(requestsMade.load()) + " set-value requests, " +
                         std::to_string(delivered) + " of them answered later on main");
        EXPECT_GT(blocks, 0u);
        EXPECT_GT(pluginCalls, 0u);
    }
    EXPECT_EQ(misrouted.load(), 0u) << "automation landed on another parameter than the plug-in named";
    EXPECT_EQ(log->blankTimeRecords.load(), 0u) << "the render call's time record was cleared while it held it";
    EXPECT_EQ(blankAnswers.load(), 0u);
}

// The report of the issue: display updates from the render call while the main thread opens and
// closes editors as fast as it can.
TEST_P(Concurrency, DisplayUpdatesFromTheRenderCallWhileEditorsComeAndGo) {
    start({audioMasterUpdateDisplay, audioMasterUpdateDisplay});
    const Clock::time_point begin = Clock::now();
    auto render = renderThread();
    const Clock::time_point deadline = begin + stressTime();
    for (uint64_t round = 0; Clock::now() < deadline; ++round) {
        workAnEditor(round);
        forgetHostRecords();
    }
    const uint64_t blocks = render->stop();
    const double seconds = secondsSince(begin);
    printFigures("display updates + editors", seconds,
                 "2 threads; render " + rate(blocks, seconds, "blocks") + " with " +
                     rate(log->processHostCalls.load(), seconds, "display updates") + "; main " +
                     rate(editorsOpened, seconds, "editors"));
    EXPECT_GT(blocks, 0u);
    EXPECT_GT(editorsOpened, 0u);
}

// Uninitialize deletes the parameters and the controller, automation and transport proxies while
// the plug-in's own thread may be automating or asking for the time and the sample rate.
TEST_P(Concurrency, UninitializeAndInitializeWhileThePlugInCallsFromItsOwnThread) {
    start({});
    const Clock::time_point begin = Clock::now();
    auto plugin = pluginThread();
    uint64_t cycles = 0;
    const Clock::time_point deadline = begin + stressTime();
    for (; Clock::now() < deadline; ++cycles) {
        EXPECT_EQ(instance->uninitialize(), 0);
        EXPECT_EQ(instance->initialize(), 0);
        EXPECT_EQ(instance->parameterCount(), kParams + 1);
        deliverRequests();
        if (cycles % 4 == 0) workAnEditor(cycles / 4);
        forgetHostRecords();
    }
    const uint64_t pluginCalls = plugin->stop();
    const double seconds = secondsSince(begin);
    printFigures("uninitialize + plug-in thread", seconds,
                 "2 threads; plug-in thread " + rate(pluginCalls, seconds, "host calls") + "; main " +
                     rate(cycles, seconds, "uninitialize/initialize cycles"));
    EXPECT_GT(pluginCalls, 0u);
    EXPECT_EQ(misrouted.load(), 0u);
    EXPECT_EQ(blankAnswers.load(), 0u);
}

// A stop of the transport is reported once, by whichever of several simultaneous time requests
// sees it, and each of them gets a whole record.
TEST_P(Concurrency, OneAllNotesOffPerStopWhenThreadsAskForTheTimeTogether) {
    if (personality.flippingTransport) GTEST_SKIP() << "the case plays and stops the transport itself";
    start({}, false);
    constexpr int32_t kAskers = 3;
    simhost::RenderDriver driver(host->renderCallback());
    driver.setFreshThreads(personality.freshRenderThreads);
    simhost::RenderContextBuilder& context = instance->context();
    context.setFrames(kBlock);
    StartLine line(kAskers + 1);
    std::atomic<bool> done{false};
    std::vector<std::thread> askers;
    for (int32_t i = 0; i < kAskers; ++i)
        askers.emplace_back([&] {
            for (;;) {
                line.arriveAndWait();  // a stop is waiting to be reported, or the case is over
                if (done.load()) return;
                const auto* time = reinterpret_cast<const VstTimeInfo*>(hooks.callHost(effect, audioMasterGetTime, 0));
                if (heldTimeRecordIsBlank(time)) blankAnswers.fetch_add(1);
                line.arriveAndWait();  // everyone has asked
            }
        });

    const Clock::time_point begin = Clock::now();
    const Clock::time_point deadline = begin + stressTime();
    uint64_t stops = 0;
    uint64_t wrongCounts = 0;
    for (; Clock::now() < deadline; ++stops) {
        context.transport().setPlaying(true);
        driver.render({&context});
        hooks.callHost(effect, audioMasterGetTime, 0);  // the plug-in has seen the transport play
        context.transport().setPlaying(false);
        driver.render({&context});
        const uint32_t before = log->allNotesOff.load();
        line.arriveAndWait();
        line.arriveAndWait();
        if (log->allNotesOff.load() != before + 1) ++wrongCounts;
        forgetHostRecords();
    }
    done.store(true);
    line.arriveAndWait();
    for (std::thread& asker : askers) asker.join();
    const double seconds = secondsSince(begin);
    printFigures("simultaneous time requests", seconds,
                 std::to_string(kAskers + 1) + " threads; " + rate(stops, seconds, "stops") + ", each asked for by " +
                     std::to_string(kAskers) + " threads at once");
    EXPECT_GT(stops, 0u);
    EXPECT_EQ(wrongCounts, 0u) << "a stop was reported other than exactly once";
    EXPECT_EQ(blankAnswers.load(), 0u);
}

// Cases of host orders the plain simulated host never makes, each naming the personality it needs.
class HostOrders : public StressTest {};

// Exactly the interleaving of a host with its own lock: the plug-in's own thread is inside the
// module, calling a host service that waits for the lock, when the host's main thread, holding
// it, uninitialises. The main thread must come back; the plug-in's call must end once it does.
TEST_F(HostOrders, PlugInThreadCallsTheHostWhileMainUninitializesHoldingTheHostLock) {
    personality.hostLock = true;
    start({});
    struct Request {
        int32_t opcode;
        const char* what;
    };
    const Request requests[] = {{audioMasterGetSampleRate, "the sample rate"},
                                {audioMasterGetTime, "the time"},
                                {audioMasterAutomate, "automation"},
                                {audioMasterBeginEdit, "a touch"}};
    for (const Request& request : requests) {
        SCOPED_TRACE(request.what);
        forgetHostRecords();
        std::atomic<bool> returned{false};
        std::thread plugin;
        {
            const auto hold = instance->mainThreadCall();
            plugin = std::thread([&] {
                hooks.callHost(effect, request.opcode, 1, 0, automationValueFor(1, kParams));
                returned.store(true);
            });
            // The service records the call before it takes the host lock: once it shows, the
            // plug-in's thread is inside the module and waiting for this thread.
            while (instance->controller().recorder.count() + instance->automation().recorder.count() == 0 &&
                   !returned.load())
                std::this_thread::yield();
            EXPECT_FALSE(returned.load()) << "the request never reached a host service";
            EXPECT_EQ(instance->uninitialize(), 0);
        }
        plugin.join();
        EXPECT_EQ(instance->initialize(), 0);
        EXPECT_EQ(instance->parameterCount(), kParams + 1);
    }
}

// A host that runs Initialize again while the instance renders, on a plug-in that declares 4, then
// 6, then 4 outputs with each switch-on it gets: the render thread must never be handed an array
// that is being replaced, and the declaration in force at the end is rendered.
TEST_F(HostOrders, InitializeAgainWhileRenderingAPlugInThatGoesFromFourToSixOutputs) {
    personality.repeatedInitialize = true;
    start({audioMasterGetTime}, true, [](recording::RecordingConfig& config) {
        config.numOutputs = 4;
        config.alternateOutputs = 6;
    });
    const Clock::time_point begin = Clock::now();
    uint64_t initializations = 0;
    {
        auto render = renderThread();
        const Clock::time_point deadline = begin + stressTime();
        for (; Clock::now() < deadline; ++initializations) {
            EXPECT_EQ(instance->initialize(), 0);
            forgetHostRecords();
        }
        const uint64_t blocks = render->stop();
        const double seconds = secondsSince(begin);
        printFigures("initialize while rendering, 4 and 6 outputs", seconds,
                     "render " + rate(blocks, seconds, "blocks") + "; main " + rate(initializations, seconds, "Initialize calls"));
        EXPECT_GT(blocks, 0u);
    }
    std::printf("[ figures  ] the plug-in declares %d outputs after %llu more Initialize calls\n", effect->numOutputs,
                static_cast<unsigned long long>(initializations));
    // The declaration now in force is processed: the host's buffers get the plug-in's output.
    simhost::RenderContextBuilder& context = instance->context();
    context.setFrames(kBlock);
    for (int32_t c = 0; c < context.channels(); ++c) {
        std::fill(context.input(c), context.input(c) + kBlock, 0.25f);
        std::fill(context.output(c), context.output(c) + kBlock, -7.0f);
    }
    const uint32_t blocksBefore = log->processBlocks.load();
    simhost::RenderDriver(host->renderCallback()).render({&context});
    EXPECT_EQ(log->processBlocks.load(), blocksBefore + 1) << "the plug-in was not processed";
    for (int32_t c = 0; c < context.channels(); ++c)
        EXPECT_EQ(context.output(c)[kBlock - 1], 0.25f) << "output " << c << " kept stale audio";
}

}  // namespace
