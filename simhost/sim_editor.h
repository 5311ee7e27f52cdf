// The simulated host's side of one editor: made through the registered editor factory, given the
// instance's unknown, attached to view containers, ticked by hand and asked for size and redraws.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "acf/acf_types.h"
#include "editor/aax_iacf_effect_gui.h"
#include "simhost/native_window.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/sim_view_container.h"

namespace simhost {

// Container kinds as hosts report them; only a native window handle carries a window.
inline constexpr int32_t kContainerNone = 0;
inline constexpr int32_t kContainerNativeWindow = 3;

// The system gave no window for the editor (no display, say); what() is one line saying so.
class NoWindowError : public HostError {
public:
    using HostError::HostError;
};

struct ViewSize {
    int32_t result = 0;
    float vertical = 0.0f;
    float horizontal = 0.0f;
};

// Main-thread object, like the host's user-interface thread; its calls into the module hold the
// host lock when the personality has one. The SimHost must have described the module and must
// outlive the editor. The instance whose unknown it was given may go first, as hosts that release
// an instance with its editor open do: the unknown is only handed over by initialize(), and the
// module's editor holds what it needs of the instance itself.
//
// With the "editor-first" personality the host closes its way: detach() uninitialises the editor
// first, destruction uninitialises and releases it without detaching, and a container it attaches
// is the module's alone (this editor keeps no reference: container() is null) and destroys its
// window, a real one included, with its last reference.
class SimEditor {
public:
    // Factory kind 1 and QueryInterface for the editor IID; HostError when there is no factory, no
    // object, or no editor interface. Not initialised yet. The host's personality.
    explicit SimEditor(SimHost& host);
    SimEditor(SimHost& host, const HostPersonality& personality);
    // As above with the instance's personality, then Initialize with the instance's unknown (the
    // result in initializeResult()).
    SimEditor(SimHost& host, SimEffectInstance& instance);
    // Detaches an attached container, calls Uninitialize after a successful Initialize, releases
    // (see "editor-first" above for the other order).
    ~SimEditor();
    SimEditor(const SimEditor&) = delete;
    SimEditor& operator=(const SimEditor&) = delete;

    // The module's editor; this object holds one reference to it.
    AAX_IACFEffectGUI* gui() const { return editor; }

    int32_t initialize(IACFUnknown* instanceUnknown);
    int32_t initializeResult() const { return initResult; }
    int32_t uninitialize();

    // Called when a container of this editor destroys its window ("editor-first" only), on the
    // thread that releases the container's last reference. Set before attaching.
    void onWindowDestroyed(std::function<void()> hook) { windowDestroyedHook = std::move(hook); }

    // A real window of the size the module reports, handed out by a fresh native-window
    // container; NoWindowError (nothing attached) when the system gives no window. An attached
    // container is detached first, as a host closes a view before it opens another.
    int32_t openWindow();
    // A fresh container of this kind handing out `view` as it is. The container stays with this
    // editor (one reference) until the next attach, detach or destruction. A native-window kind
    // with anything but a real window is only for plug-ins that never touch the handle (the
    // recording plug-in): an editor that draws would draw into it.
    int32_t attach(int32_t kind, void* view);
    int32_t attachPretendWindow() { return attach(kContainerNativeWindow, pretendWindow()); }
    // Any unknown the host likes (one that answers no view container, say); not kept.
    int32_t attachUnknown(IACFUnknown* container);
    // Closes the module's view, then destroys the real window if there is one.
    int32_t detach();
    bool isAttached() const { return attached; }
    // The container of the last attach (null before one); kept after detach so tests can see
    // what the module did with it.
    SimViewContainer* container() const { return lastContainer; }
    // The real window of the last openWindow() until detach(), else null. A later attach() of
    // another container keeps it: the module may still have the plug-in's editor open in it.
    NativeWindow* window() const { return realWindow.get(); }
    // An address posing as a window handle; nothing reads or writes it.
    void* pretendWindow() { return &pretend; }

    // n timer ticks, as the host's timer would deliver them; answers how many returned 0. With a
    // real window its events are pumped before each tick, and after each it takes the view size
    // the module reports.
    int32_t tick(int32_t n = 1);
    ViewSize viewSize();
    int32_t redraw(float top, float left, float width, float height);
    int32_t parameterChanged(const char* id);

private:
    void dropContainer();
    void followViewSize();
    int32_t attachContainer(SimViewContainer* fresh);
    int32_t detachView();

    HostPersonality hostPersonality;
    HostLock* lock;
    IACFUnknown* object = nullptr;        // the factory's object, one reference
    AAX_IACFEffectGUI* editor = nullptr;  // one reference
    SimViewContainer* lastContainer = nullptr;  // one reference, ours
    bool attached = false;
    bool initialized = false;
    int32_t initResult = 0;
    // Destroyed only after the module's close sequence, so the plug-in's editor never outlives it.
    std::unique_ptr<NativeWindow> realWindow;
    std::function<void()> windowDestroyedHook;
    struct PretendWindow {
        char bytes[16];
    } pretend{};
};

}  // namespace simhost
