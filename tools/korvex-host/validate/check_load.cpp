// load: the library opens, exports main, main makes a usable AEffect, and the module loads it.
// Its figures (synth, editor, channels) tell the runner which other checks apply.
#include <cstdio>
#include <memory>

#include "simhost/direct_vst_host.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

void checkLoad(CheckContext& context) {
    const std::string& path = context.options().vstPath;
    std::string why;
    void* library = simhost::openLibrary(path, &why);
    if (!library) context.abort("cannot load the plug-in as a library: " + why);
    const bool hasMain = simhost::librarySymbol(library, "main") != nullptr;
    simhost::closeLibrary(library);
    if (!hasMain) context.abort("the library exports no \"main\" entry, which a VST 2.4 plug-in must");

    simhost::DirectVstHost direct;
    {
        korvex_host::FaultScope scope("the plug-in's main entry (hosted directly)");
        if (!direct.load(path)) context.abort(direct.error());
    }
    const AEffect& effect = *direct.effect();
    if (effect.magic != kEffectMagic) {
        char text[96];
        std::snprintf(text, sizeof text, "its AEffect carries the magic number 0x%08X, not 'VstP'",
                      static_cast<unsigned>(effect.magic));
        context.abort(text);
    }
    if (!effect.dispatcher) context.abort("its AEffect has no dispatcher");
    if (!effect.processReplacing) context.fail("its AEffect has no processReplacing: the module would render nothing");
    if (!(effect.flags & effFlagsCanReplacing)) context.note("effFlagsCanReplacing is clear");
    if (effect.numInputs > 2 || effect.numOutputs > 2)
        context.note("it has " + std::to_string(effect.numInputs) + " inputs and " + std::to_string(effect.numOutputs) +
                     " outputs; the module passes two channels at most");
    if (effect.numOutputs < 1) context.fail("it announces no output channel");

    context.figure("parameters", effect.numParams);
    context.figure("inputs", effect.numInputs);
    context.figure("outputs", effect.numOutputs);
    context.figure("synth", (effect.flags & effFlagsIsSynth) ? 1 : 0);
    context.figure("editor", (effect.flags & effFlagsHasEditor) ? 1 : 0);
    context.figure("chunks", (effect.flags & effFlagsProgramChunks) ? 1 : 0);
    context.figure("unique_id", effect.uniqueID);
    {
        korvex_host::FaultScope scope("effClose (hosted directly)");
        direct.close();
    }

    std::unique_ptr<Instance> instance = context.session().instance();
    context.figure("host_parameters", instance->sim().parameterCount());
}

}  // namespace korvex_validate
