// Builds and tears down the per-instance VST objects in the order the plug-in relies on.
#include "vst/vst_instance.h"

#include <memory>

#include "vst/vst_loader.h"

VstInstance CreateVstInstance(AAXWrapper_Parameters* owner, ParameterManager* parameterManager,
                              AAX_IController* controller) {
    auto vstInterface = std::make_unique<VstInterface>();
    auto vstCallBack = std::make_unique<VstCallBack>(owner);
    vstInterface->callback = vstCallBack.get();
    vstCallBack->channels = &vstInterface->channels;

    VstInstance instance;
    vstInterface->effect = LoadVstPlugin();
    if (vstInterface->effect) {
        // Before any dispatcher call, so every request after "main" finds its instance.
        vstInterface->effect->user = vstCallBack.get();
        instance.vstLoaded = 1;
    } else {
        FormatLoadMessage();
    }
    // Linked before any other thread can know of the instance; null links stay empty.
    if (parameterManager) vstCallBack->parameterManager.set(parameterManager);
    if (controller) vstCallBack->controller.set(controller);
    instance.vstInterface = vstInterface.release();
    instance.vstCallBack = vstCallBack.release();
    return instance;
}

void DestroyVstInstance(VstInterface*& vstInterface, VstCallBack*& vstCallBack) {
    delete vstInterface;
    vstInterface = nullptr;
    delete vstCallBack;
    vstCallBack = nullptr;
}
