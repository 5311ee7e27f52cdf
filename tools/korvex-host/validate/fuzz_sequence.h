// One random host-call sequence of `validate --fuzz` as a type: the steps on instances live in
// fuzz_sequence.cpp, those on their editors in fuzz_editor_steps.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simhost/native_window.h"
#include "simhost/sim_editor.h"
#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

class FuzzSequence {
public:
    explicit FuzzSequence(CheckContext& check);
    ~FuzzSequence();
    FuzzSequence(const FuzzSequence&) = delete;
    FuzzSequence& operator=(const FuzzSequence&) = delete;

    void run();

private:
    // An instance and the editor the host has open on it (null while none is). The editor is
    // declared last, so a host that simply lets go closes the editor before the instance.
    struct Live {
        std::unique_ptr<Instance> instance;
        std::unique_ptr<simhost::SimEditor> editor;
    };

    size_t pick(size_t count);
    void say(const std::string& line);
    void plugInSide(const Instance& instance);

    void make();
    void release(size_t which);
    void act(Live& live);
    void setParameters(Live& live);
    void chunks(Instance& instance);
    void transport(Instance& instance);
    void render(Live& live);

    // Whether this sequence opens editors: the plug-in has one and windows can be made. Decided
    // at the first step that could open one, and said in the log.
    bool editorsFuzzed(const Instance& instance);
    // False when the step released the instance (and with it `live`).
    bool editorStep(Live& live);
    bool openEditor(Live& live);
    void openAndCloseRepeatedly(Live& live);
    void closeEditor(Live& live);
    void releaseWithEditorOpen(size_t which);
    // After an editor closed: the plug-in's editor was closed as often as it was opened.
    void checkEditorClosed(const probe::InstanceLog& log, const std::string& what);
    std::string instanceName(const Live& live) const;

    CheckContext& context;
    Session& session;
    std::unique_ptr<simhost::NativeWindow> display;  // held from the first editor on, past the last
    std::vector<Live> alive;
    int step = 0;
    enum class Editors { undecided, fuzzed, noEditor, notFuzzed } editors = Editors::undecided;
    int32_t editorsOpened = 0;
    bool windowRefused = false;  // an editor's window could not be made here (no display)
};

}  // namespace korvex_validate
