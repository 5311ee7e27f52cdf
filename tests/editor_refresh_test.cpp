// The wrapper editor in-process, where the test can watch what no host sees: ParameterChanged
// after an attach, the host callback's link to the editor, and the 16-bit coordinate conversion.
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "editor/aaxwrapper_ceffect_gui.h"
#include "host/host_iids.h"
#include "parameters/aaxwrapper_parameters.h"
#include "plugins/faulty/recording_log.h"
#include "install_folder.h"
#include "simhost/dynamic_library.h"
#include "simhost/sim_automation.h"
#include "simhost/sim_controller.h"
#include "simhost/sim_instance_unknown.h"
#include "simhost/sim_transport_service.h"
#include "simhost/sim_view_container.h"
#include "simhost/vst_install.h"
#include "util/aax_string.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {

// Records each ParameterChanged with how many plug-in calls had been logged at that moment.
class WatchedEditor final : public AAXWrapper_CEffectGUI {
public:
    explicit WatchedEditor(const recording::RecordingLog* pluginLog) : log(pluginLog) {}

    int32_t ParameterChanged(const char* id) override {
        changed.emplace_back(id ? id : "(null)");
        logSizes.push_back(log ? log->size() : 0);
        return 0;
    }

    const recording::RecordingLog* log;
    std::vector<std::string> changed;
    std::vector<uint32_t> logSizes;
};

class WrapperEditorInProcess : public ::testing::Test {
protected:
    void SetUp() override {
        install.emplace(simhost::VstInstall::forPath(testing_support::pluginFile("recording").string()));
        pluginLibrary = simhost::openLibrary(install->libraryPath());
        ASSERT_NE(pluginLibrary, nullptr);

        parameters = new AAXWrapper_Parameters();
        parameters->AddRef();
        controller = new simhost::SimController;
        automation = new simhost::SimAutomation;
        simhost::InstanceServices services;
        services.controller = controller;
        services.automation = automation;
        services.extras.emplace_back(IID_IACFEffectParameters, static_cast<AAX_IACFEffectParameters_V2*>(parameters));
        unknown = new simhost::SimInstanceUnknown(services);
        ASSERT_EQ(parameters->Initialize(unknown), 0);
        ASSERT_NE(parameters->vstInterface->effect, nullptr);

        auto logOf =
            reinterpret_cast<KorvexRecordingLogProc>(simhost::librarySymbol(pluginLibrary, "korvexRecordingLog"));
        callHost = reinterpret_cast<KorvexRecordingCallHostProc>(
            simhost::librarySymbol(pluginLibrary, "korvexRecordingCallHost"));
        log = logOf(parameters->vstInterface->effect);
        ASSERT_NE(log, nullptr);
    }

    void TearDown() override {
        unknown->Release();  // holds a reference to the parameters: goes first
        if (parameters) {
            parameters->Uninitialize();
            parameters->Release();
        }
        controller->Release();
        automation->Release();
        if (pluginLibrary) simhost::closeLibrary(pluginLibrary);
    }

    WatchedEditor* makeEditor() {
        auto* editor = new WatchedEditor(log);
        editor->AddRef();
        EXPECT_EQ(editor->Initialize(unknown), 0);
        return editor;
    }

    AEffect* effect() const { return parameters->vstInterface->effect; }
    AAX_IACFEffectGUI* registered() const { return parameters->vstCallBack->editor.linked(); }

    std::optional<simhost::VstInstall> install;
    void* pluginLibrary = nullptr;
    AAXWrapper_Parameters* parameters = nullptr;
    simhost::SimController* controller = nullptr;
    simhost::SimAutomation* automation = nullptr;
    simhost::SimInstanceUnknown* unknown = nullptr;
    const recording::RecordingLog* log = nullptr;
    KorvexRecordingCallHostProc callHost = nullptr;
};

TEST_F(WrapperEditorInProcess, AttachRefreshesEveryParameterAfterTheEditorIsOpen) {
    WatchedEditor* editor = makeEditor();
    char nativeWindow = 0;
    auto* window = new simhost::SimViewContainer(3, &nativeWindow);
    const uint32_t mark = log->size();
    editor->AttachViewContainer(window);

    int32_t count = 0;
    ASSERT_EQ(parameters->GetNumberOfParameters(&count), 0);
    std::vector<std::string> ids;
    for (int32_t i = 0; i < count; ++i) {
        AAX_CString id;
        ASSERT_EQ(parameters->GetParameterIDFromIndex(i, &id), 0);
        ids.push_back(id.StdString());
    }
    EXPECT_EQ(count, 5);  // four plug-in parameters and the bypass
    EXPECT_EQ(editor->changed, ids);
    // All four opening messages came first, and nothing was sent to the plug-in while refreshing.
    for (uint32_t size : editor->logSizes) EXPECT_EQ(size, mark + 4);

    editor->AttachViewContainer(nullptr);
    window->Release();
    editor->Uninitialize();
    editor->Release();
}

TEST_F(WrapperEditorInProcess, TheHostCallbackReachesOnlyTheLiveRegisteredEditor) {
    WatchedEditor* first = makeEditor();
    EXPECT_EQ(registered(), first);
    callHost(effect(), audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(first->changed, (std::vector<std::string>{"param0", "param1", "param2", "param3"}));

    // A second editor takes over; the first one going must not unhook it.
    WatchedEditor* second = makeEditor();
    EXPECT_EQ(registered(), second);
    first->Uninitialize();
    first->Release();
    EXPECT_EQ(registered(), second);

    // Destroyed without Uninitialize: the link goes with it.
    second->Release();
    EXPECT_EQ(registered(), nullptr);
    EXPECT_EQ(callHost(effect(), audioMasterUpdateDisplay, 0, 0, nullptr, 0.0f), 0);
}

TEST_F(WrapperEditorInProcess, AnEditorOutlivingItsUninitializeSendsNothing) {
    WatchedEditor* editor = makeEditor();
    editor->Uninitialize();
    EXPECT_EQ(registered(), nullptr);
    const uint32_t mark = log->size();
    AAX_Point size{0, 0};
    editor->QueryViewSize(&size);
    editor->TimerTick();
    AAX_Rect area{0, 0, 1, 1};
    editor->RedrawRect(&area);
    EXPECT_EQ(log->size(), mark);
    EXPECT_EQ(size.vert, 100.0f);
    editor->Release();
}

TEST(EditorCoordinate, IsTruncatedTowardZeroAndClampedTo16Bits) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(121.9f), 121);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(-5.7f), -5);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(-0.99f), 0);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(32766.99f), 32766);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(32768.0f), 32767);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(-32768.5f), -32768);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(-32769.0f), -32768);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(3.0e9f), 32767);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(-inf), -32768);
    EXPECT_EQ(AAXWrapper_CEffectGUI::toEditorCoordinate(std::nanf("")), 0);
}

// The hooks keep their table slots 13-17 behind the host's 0-12, whatever the compiler adds for
// the reference-counting base: an override in a further subclass lands in the same entries.
class HookRecorder final : public AAXWrapper_CEffectGUI {
public:
    std::vector<int32_t> calls;
    int32_t PrepareView() override { return record(13); }
    int32_t OpenView() override { return record(14); }
    int32_t CloseView() override { return record(15); }
    int32_t RefreshAllParameters() override { return record(16); }
    int32_t OpenPluginEditor(void*) override { return record(17); }

private:
    int32_t record(int32_t slot) {
        calls.push_back(slot);
        return slot;
    }
};

TEST(EditorTable, HooksSitAtSlots13To17) {
    auto* editor = new HookRecorder;
    AAX_IACFEffectGUI* primary = editor;
    primary->AddRef();
    using NoArgument = int32_t (*)(void*);
    using OneArgument = int32_t (*)(void*, void*);
    void** table = *reinterpret_cast<void***>(primary);
    for (int slot = 13; slot <= 16; ++slot)
        EXPECT_EQ(reinterpret_cast<NoArgument>(table[slot])(primary), slot);
    EXPECT_EQ(reinterpret_cast<OneArgument>(table[17])(primary, nullptr), 17);
    EXPECT_EQ(editor->calls, (std::vector<int32_t>{13, 14, 15, 16, 17}));
    primary->Release();
}

}  // namespace
