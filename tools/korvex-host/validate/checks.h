// Every check of the battery; each is defined in a file of its own (check_<name>.cpp) and listed
// once, with its level and needs, in checks.cpp.
#pragma once

#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

void checkLoad(CheckContext& context);
void checkDescription(CheckContext& context);
void checkLifecycleRepeat(CheckContext& context);
void checkLifecycleMany(CheckContext& context);
void checkParameterIds(CheckContext& context);
void checkParameterSteps(CheckContext& context);
void checkParameterBypass(CheckContext& context);
void checkParameterAutomation(CheckContext& context);
void checkParameterThreads(CheckContext& context);
void checkStateRoundTrip(CheckContext& context);
void checkStateRandom(CheckContext& context);
void checkStateDamaged(CheckContext& context);
void checkRenderFinite(CheckContext& context);
void checkRenderMono(CheckContext& context);
void checkRenderDirect(CheckContext& context);
void checkRenderRates(CheckContext& context);
void checkRenderInstances(CheckContext& context);
void checkRenderAllocation(CheckContext& context);
void checkRenderRealtime(CheckContext& context);
void checkRenderGuards(CheckContext& context);
void checkRenderLatency(CheckContext& context);
void checkRenderTail(CheckContext& context);
void checkMidiOffsets(CheckContext& context);
void checkMidiDense(CheckContext& context);
void checkMidiNotesOff(CheckContext& context);
void checkTransportTime(CheckContext& context);
void checkEditorCycle(CheckContext& context);
void checkEditorRendering(CheckContext& context);
void checkTiming(CheckContext& context);

}  // namespace korvex_validate
