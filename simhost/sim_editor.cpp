// One simulated editor: the host's calls on the module's editor object, in the order hosts make them.
#include "simhost/sim_editor.h"

#include <cmath>

#include "acf/result_codes.h"
#include "host/host_iids.h"

namespace simhost {
namespace {

// Pixels for one extent the module reports. An extent no window can have becomes the module's
// own fallback size, so the plug-in still gets a window.
int32_t pixels(float extent) {
    constexpr int32_t kFallback = 100;
    if (!std::isfinite(extent) || extent < 1.0f) return kFallback;
    if (extent >= static_cast<float>(kMaxWindowExtent)) return kMaxWindowExtent;
    return static_cast<int32_t>(std::lround(extent));
}

}  // namespace

SimEditor::SimEditor(SimHost& host) : SimEditor(host, host.personality()) {}

SimEditor::SimEditor(SimHost& host, const HostPersonality& personality)
    : hostPersonality(personality), lock(host.lockFor(personality)) {
    const HostLock::Hold hold(lock);
    FactoryProc factory = host.factoryCallback(1);
    if (!factory) throw HostError("the description names no editor factory");
    object = factory();
    if (!object) throw HostError("the editor factory made no object");
    // The factory's object starts unowned; this reference is the host's.
    object->AddRef();
    void* asEditor = nullptr;
    const int32_t queried = object->QueryInterface(IID_IACFEffectGUI, &asEditor);
    if (queried != kResultSuccess || !asEditor) {
        object->Release();
        throw HostError("the object answers no editor interface: " + resultText(queried));
    }
    editor = static_cast<AAX_IACFEffectGUI*>(asEditor);
}

SimEditor::SimEditor(SimHost& host, SimEffectInstance& instance) : SimEditor(host, instance.personality()) {
    initialize(instance.instanceUnknown());
}

SimEditor::~SimEditor() {
    const HostLock::Hold hold(lock);
    if (attached && !hostPersonality.editorReleasedFirst) detach();
    if (initialized) editor->Uninitialize();
    editor->Release();
    object->Release();
    dropContainer();
    // After the module's close sequence, if it had one: the plug-in's editor never outlives it.
    realWindow.reset();
}

int32_t SimEditor::initialize(IACFUnknown* instanceUnknown) {
    const HostLock::Hold hold(lock);
    initResult = editor->Initialize(instanceUnknown);
    initialized = initResult == kResultSuccess;
    return initResult;
}

int32_t SimEditor::uninitialize() {
    const HostLock::Hold hold(lock);
    initialized = false;
    return editor->Uninitialize();
}

int32_t SimEditor::openWindow() {
    if (attached) detachView();
    const ViewSize size = viewSize();
    std::string reason;
    std::unique_ptr<NativeWindow> fresh = NativeWindow::create(pixels(size.horizontal), pixels(size.vertical), &reason);
    if (!fresh) throw NoWindowError(reason);
    auto* container = new SimViewContainer(kContainerNativeWindow, fresh->handle());
    if (hostPersonality.editorReleasedFirst) container->destroyWindowWithLastReference(std::move(fresh), windowDestroyedHook);
    else realWindow = std::move(fresh);
    return attachContainer(container);
}

int32_t SimEditor::attach(int32_t kind, void* view) {
    auto* container = new SimViewContainer(kind, view);
    if (hostPersonality.editorReleasedFirst) container->destroyWindowWithLastReference(nullptr, windowDestroyedHook);
    return attachContainer(container);
}

int32_t SimEditor::attachContainer(SimViewContainer* fresh) {
    const HostLock::Hold hold(lock);
    const int32_t result = editor->AttachViewContainer(fresh);
    dropContainer();
    if (hostPersonality.editorReleasedFirst) fresh->Release();  // the module's reference is the last
    else lastContainer = fresh;
    attached = true;
    return result;
}

int32_t SimEditor::attachUnknown(IACFUnknown* container) {
    const HostLock::Hold hold(lock);
    attached = true;
    return editor->AttachViewContainer(container);
}

int32_t SimEditor::detach() {
    const HostLock::Hold hold(lock);
    if (hostPersonality.editorReleasedFirst && initialized) {
        initialized = false;
        editor->Uninitialize();
    }
    return detachView();
}

int32_t SimEditor::detachView() {
    const HostLock::Hold hold(lock);
    attached = false;
    const int32_t result = editor->AttachViewContainer(nullptr);
    realWindow.reset();
    return result;
}

void SimEditor::dropContainer() {
    if (lastContainer) lastContainer->Release();
    lastContainer = nullptr;
}

int32_t SimEditor::tick(int32_t n) {
    const HostLock::Hold hold(lock);
    int32_t succeeded = 0;
    for (int32_t i = 0; i < n; ++i) {
        if (realWindow) realWindow->pumpEvents();
        if (editor->TimerTick() == kResultSuccess) ++succeeded;
        if (realWindow) followViewSize();
    }
    return succeeded;
}

void SimEditor::followViewSize() {
    const ViewSize size = viewSize();
    const int32_t width = pixels(size.horizontal);
    const int32_t height = pixels(size.vertical);
    if (width != realWindow->width() || height != realWindow->height()) realWindow->resize(width, height);
}

ViewSize SimEditor::viewSize() {
    const HostLock::Hold hold(lock);
    AAX_Point point{0.0f, 0.0f};
    ViewSize size;
    size.result = editor->QueryViewSize(&point);
    size.vertical = point.vert;
    size.horizontal = point.horz;
    return size;
}

int32_t SimEditor::redraw(float top, float left, float width, float height) {
    const HostLock::Hold hold(lock);
    AAX_Rect area{top, left, width, height};
    return editor->RedrawRect(&area);
}

int32_t SimEditor::parameterChanged(const char* id) {
    const HostLock::Hold hold(lock);
    return editor->ParameterChanged(id);
}

}  // namespace simhost
