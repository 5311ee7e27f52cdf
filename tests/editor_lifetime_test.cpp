// The editor object's lifetime through the built module: object counts, the view container's
// references, an editor that dies before its instance, sizes without a plug-in, and the whole
// path from a gesture in the plug-in's editor to the host's automation and back.
#include <algorithm>

#include "acf/result_codes.h"
#include "editor_setup.h"
#include "host/host_iids.h"
#include "plugins/reference/reference_control.h"

namespace {

using editor_testing::EditorTest;
using editor_testing::effectOf;
using editor_testing::pluginPath;

using EditorLifetime = EditorTest;

// The module's editor object with one host reference, initialised with the instance's unknown.
AAX_IACFEffectGUI* makeInitializedEditor(simhost::SimHost& host, simhost::SimEffectInstance& instance) {
    IACFUnknown* object = host.factoryCallback(1)();
    void* asEditor = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IACFEffectGUI, &asEditor), 0);
    auto* gui = static_cast<AAX_IACFEffectGUI*>(asEditor);
    EXPECT_EQ(gui->Initialize(instance.instanceUnknown()), 0);
    return gui;
}

TEST_F(EditorLifetime, OneInstanceAndOneEditorCountTwoAndUnloadAtZero) {
    startRecording();
    EXPECT_EQ(host->canUnloadNow(), 1);
    openEditor();
    EXPECT_EQ(host->canUnloadNow(), 2);
    editor->attachPretendWindow();
    editor->detach();
    editor.reset();
    EXPECT_EQ(host->canUnloadNow(), 1);
    instance.reset();
    EXPECT_EQ(host->canUnloadNow(), 0);
}

TEST_F(EditorLifetime, ViewContainersAreGivenBackOnReattachDetachAndDestruction) {
    startRecording();
    openEditor();
    editor->attachPretendWindow();
    simhost::SimViewContainer* first = editor->container();
    first->AddRef();  // ours, to watch it after the editor moves on
    EXPECT_EQ(first->references(), 3);  // SimEditor's, ours, the module's proxy

    editor->attachPretendWindow();  // another window without a detach in between; SimEditor lets the first go
    EXPECT_EQ(first->references(), 1);
    first->Release();
    simhost::SimViewContainer* second = editor->container();
    EXPECT_EQ(second->references(), 2);
    editor->detach();
    EXPECT_EQ(second->references(), 1);

    // Released without a detach: destruction gives the window back.
    AAX_IACFEffectGUI* gui = makeInitializedEditor(*host, *instance);
    auto* window = new simhost::SimViewContainer(simhost::kContainerNativeWindow, editor->pretendWindow());
    EXPECT_EQ(gui->AttachViewContainer(window), 0);
    EXPECT_EQ(window->references(), 2);
    gui->Uninitialize();
    gui->Release();
    EXPECT_EQ(window->references(), 1);
    window->Release();
}

TEST_F(EditorLifetime, DisplayUpdatesNeverReachAnEditorThatIsGone) {
    startRecording();
    auto callHost = hook<KorvexRecordingCallHostProc>("korvexRecordingCallHost");
    ASSERT_NE(callHost, nullptr);
    AEffect* effect = effectOf(*instance);

    // Released by its last reference without Uninitialize, as a crashing host view would leave it.
    AAX_IACFEffectGUI* gui = makeInitializedEditor(*host, *instance);
    gui->Release();
    const uint32_t mark = log->size();
    EXPECT_EQ(callHost(effect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f), 0);
    // The host callback still walked every parameter; it just had no editor to tell.
    EXPECT_EQ(opcodes(dispatchesFrom(mark)), std::vector<int32_t>(4, kPrivateGetParamID));

    // The ordinary way: Uninitialize, then the last Release.
    AAX_IACFEffectGUI* second = makeInitializedEditor(*host, *instance);
    second->Uninitialize();
    second->Release();
    EXPECT_EQ(callHost(effect, audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f), 0);
}

// Hosts that uninitialise or release an editor before they detach its view: the plug-in's editor
// is closed all the same, while the window it lives in still exists, and exactly once.
TEST_F(EditorLifetime, AnEditorLetGoBeforeItsViewIsDetachedStillClosesThePluginEditor) {
    startRecording();
    openEditor();
    void* window = editor->pretendWindow();
    const auto closes = [&](uint32_t from) {
        const std::vector<int32_t> sent = opcodes(dispatchesFrom(from));
        return std::count(sent.begin(), sent.end(), static_cast<int32_t>(effEditClose));
    };

    for (const bool uninitializeFirst : {true, false}) {
        SCOPED_TRACE(uninitializeFirst ? "uninitialised, then released" : "released only");
        AAX_IACFEffectGUI* gui = makeInitializedEditor(*host, *instance);
        auto* container = new simhost::SimViewContainer(simhost::kContainerNativeWindow, window);
        ASSERT_EQ(gui->AttachViewContainer(container), 0);
        const uint32_t mark = log->size();
        if (uninitializeFirst) gui->Uninitialize();
        // The container's window still exists while the plug-in closes its editor.
        EXPECT_EQ(closes(mark), uninitializeFirst ? 1 : 0);
        gui->Release();
        EXPECT_EQ(closes(mark), 1);
        EXPECT_EQ(container->references(), 1) << "the view container was not given back";
        container->Release();
    }

    // The ordinary order sends one close, at the detach.
    AAX_IACFEffectGUI* gui = makeInitializedEditor(*host, *instance);
    auto* container = new simhost::SimViewContainer(simhost::kContainerNativeWindow, window);
    ASSERT_EQ(gui->AttachViewContainer(container), 0);
    const uint32_t mark = log->size();
    ASSERT_EQ(gui->AttachViewContainer(nullptr), 0);
    gui->Uninitialize();
    gui->Release();
    EXPECT_EQ(closes(mark), 1);
    container->Release();
}

TEST_F(EditorLifetime, WithoutAPluginTheViewIs100By100) {
    start("");  // no product key in the registry
    openEditor();
    simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.vertical, 100.0f);
    EXPECT_EQ(size.horizontal, 100.0f);
    EXPECT_EQ(editor->attachPretendWindow(), 0);
    EXPECT_EQ(editor->tick(2), 2);
    EXPECT_EQ(editor->redraw(0, 0, 10, 10), 0);
    EXPECT_EQ(editor->detach(), 0);
}

TEST_F(EditorLifetime, WithALibraryThatDoesNotLoadTheViewIs100By100) {
    start(pluginPath("nomain"));
    openEditor();
    simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.vertical, 100.0f);
    EXPECT_EQ(size.horizontal, 100.0f);
}

TEST_F(EditorLifetime, ReferencePluginReportsItsEditorRectangle) {
    start(simhost::defaultInstallFolder() + "/VST64/KORVEX.dll");
    openEditor();
    simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.vertical, 300.0f);
    EXPECT_EQ(size.horizontal, 500.0f);
}

// A control moved in the plug-in's editor becomes host automation (touch, set-value request,
// release); the host's answer comes back as UpdateParameterNormalizedValue and reaches the plug-in.
TEST_F(EditorLifetime, AnEditInThePluginEditorMakesTheRoundTripThroughTheHost) {
    start(simhost::defaultInstallFolder() + "/VST64/KORVEX.dll");
    auto requestEdit = hook<KorvexReferenceRequestEditProc>("korvexReferenceRequestEdit");
    ASSERT_NE(requestEdit, nullptr);
    AEffect* effect = effectOf(*instance);
    ASSERT_NE(effect, nullptr);
    // The queued edit needs no open view: the reference editor draws, so it gets no pretend
    // window (the display tests open it in a real one).
    openEditor();

    constexpr int32_t kCutoff = 5;  // a continuous parameter: the host sees the value unquantised
    const float before = effect->getParameter(effect, kCutoff);
    const float value = before > 0.5f ? 0.125f : 0.875f;
    simhost::SimAutomation& automation = instance->automation();
    automation.recorder.clear();
    requestEdit(effect, kCutoff, value);
    EXPECT_TRUE(automation.recorder.calls().empty()) << "the edit waits for the editor's idle";
    editor->tick(1);

    // The plug-in's begin edit touches, its automate is a whole gesture of its own (touch,
    // set-value request, release), its end edit releases.
    const auto calls = automation.recorder.calls();
    ASSERT_EQ(calls.size(), 5u) << ::testing::PrintToString(calls);
    const std::string id = calls[0].arguments.at(0);
    EXPECT_EQ(id, "cutoff");
    EXPECT_EQ(calls[0], simhost::call(7, id.c_str()));
    EXPECT_EQ(calls[1], simhost::call(7, id.c_str()));
    EXPECT_EQ(calls[2], simhost::call(5, id.c_str(), static_cast<double>(value)));
    EXPECT_EQ(calls[3], simhost::call(8, id.c_str()));
    EXPECT_EQ(calls[4], simhost::call(8, id.c_str()));
    auto parameter = instance->findParameter(id);
    ASSERT_TRUE(parameter.has_value());
    EXPECT_NE(parameter->value, static_cast<double>(value)) << "the module waits for the host's answer";

    EXPECT_EQ(instance->pump(), 1u);
    EXPECT_EQ(instance->findParameter(id)->value, static_cast<double>(value));
    EXPECT_EQ(effect->getParameter(effect, kCutoff), value);
}

}  // namespace
