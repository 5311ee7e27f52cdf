// The editor of this effect: the wrapped VST plug-in's own editor, hosted in the host's window.
#pragma once

#include <cstdint>

#include "editor/aax_ceffect_gui.h"
#include "vst/vst_types.h"

class VstCallBack;
class VstInterface;

class AAXWrapper_CEffectGUI : public AAX_CEffectGUI {
public:
    // 17 [ui] the plug-in's editor into parentWindow: -16 (opt 1.0), effEditGetRect,
    //   effEditOpen (parentWindow), -1 (null). 0.
    int32_t OpenPluginEditor(void* parentWindow) override;

    AAXWrapper_CEffectGUI() = default;

    // 4 [ui] unbinds from the plug-in instance first: the base's Release may end it.
    int32_t Uninitialize() override;
    // 7 [ui] the plug-in's editor rectangle; 100 by 100 without a plug-in or a rectangle. 0.
    int32_t QueryViewSize(AAX_Point* size) override;
    // 8 [ui] the area to the plug-in as an ERect (-1), clamped to 16 bits. 0.
    int32_t RedrawRect(AAX_Rect* rect) override;
    // 9 [ui] effEditIdle: the plug-in's editor does its periodic work. 0.
    int32_t TimerTick() override;

    // 13 [ui] takes the plug-in instance from the effect parameters and registers with its host callback.
    int32_t PrepareView() override;
    // 14 [ui] opens the plug-in's editor when the container is a native window (kind 3).
    int32_t OpenView() override;
    // 15 [ui] the closing key message (59, 50, 26), then effEditClose.
    int32_t CloseView() override;

    // The ERect coordinate a host coordinate becomes: truncated toward zero, clamped to 16 bits, NaN 0.
    static int16_t toEditorCoordinate(float value);

protected:
    // Sends nothing to the plug-in: the last release closed its editor already.
    ~AAXWrapper_CEffectGUI() override;
    // Closes the plug-in's editor if the host never detached the view, then unbinds from the
    // instance. A display update may still be inside this editor on another thread: then the
    // editor is parked with the instance instead of deleted (see DeleteSelf).
    void OnLastRelease() override;
    // Deletes the editor, or when it is parked gives back every reference it holds and leaves
    // its memory to the instance, which frees it once no display update can be inside.
    void DeleteSelf() override;

private:
    // One plug-in message, only while there is an instance with a live, active plug-in.
    VstIntPtr send(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
    // Clears the instance's editor link if it still names this editor, and forgets the instance.
    // Answers the instance's callback state when a display update may still be inside this
    // editor (the link is not idle: perhaps inside another editor, which cannot be told apart),
    // else null.
    VstCallBack* unbindInstance();
    // The plug-in's editor closed, if it is open: effEditClose while its parent window exists.
    void closeOpenEditor();

    VstInterface* instance = nullptr;  // borrowed from the effect parameters, which we hold a reference to
    bool pluginEditorOpen = false;     // [ui] from effEditOpen until effEditClose
    VstCallBack* parkedWith = nullptr; // [ui] set by the last release when a callback was still inside
};
