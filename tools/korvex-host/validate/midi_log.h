// Comparing the MIDI events a plug-in received (as the probe logged them) with those sent.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simhost/sim_effect_instance.h"
#include "tools/korvex-host/validate/probe_api.h"

namespace korvex_validate {

// A packet the host sent, and the render call (counted on the plug-in's side) it belongs to.
struct SentEvent {
    int32_t block;
    simhost::MidiPacket packet;
};

// "" when the plug-in received exactly these events since `firstEvent`, each alone in its
// effProcessEvents call, in order, before the audio of its own render call; else what went wrong.
std::string deliveryProblem(const probe::InstanceLog& log, int32_t firstEvent, const std::vector<SentEvent>& sent);

}  // namespace korvex_validate
