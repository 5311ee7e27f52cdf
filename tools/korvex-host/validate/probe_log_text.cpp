// The probe's log of every instance as text, kept beside a failure: what the plug-in was told,
// in the order it was told, independent of what the check made of it.
#include <cstdio>
#include <string>

#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {
namespace {

std::string counters(const probe::InstanceLog& log) {
    char line[512];
    std::snprintf(line, sizeof line,
                  "effOpen %d, effClose %d, effMainsChanged on %d / off %d, processReplacing %d, "
                  "effSetBypass on %d / off %d, effSetSampleRate %d (last %g Hz), setParameter %d, effSetChunk %d, "
                  "effEditOpen %d, effEditClose %d, calls after effClose %d (last opcode %d)\n",
                  log.opens.load(), log.closes.load(), log.mainsOn.load(), log.mainsOff.load(), log.blocks.load(),
                  log.bypassOn.load(), log.bypassOff.load(), log.sampleRateCalls.load(),
                  static_cast<double>(log.lastSampleRate.load()), log.setParameterCalls.load(), log.chunkLoads.load(),
                  log.editorOpens.load(), log.editorCloses.load(), log.callsAfterClose.load(),
                  log.lastOpcodeAfterClose.load());
    return line;
}

std::string events(const probe::InstanceLog& log) {
    const int32_t count = log.eventCount.load();
    const int32_t first = count > probe::kMaxEvents ? count - probe::kMaxEvents : 0;
    std::string text = "MIDI events received: " + std::to_string(count) +
                       (first > 0 ? " (the last " + std::to_string(probe::kMaxEvents) + " follow)" : "") + "\n";
    for (int32_t i = first; i < count; ++i) {
        const probe::ReceivedEvent& event = log.event(i);
        char line[128];
        std::snprintf(line, sizeof line, "  before processReplacing %d: offset %d, %02X %02X %02X (%d in the call)\n",
                      event.block, event.deltaFrames, event.bytes[0], event.bytes[1], event.bytes[2],
                      event.eventsInCall);
        text += line;
    }
    return text;
}

std::string times(const probe::InstanceLog& log) {
    const int32_t count = log.timeCount.load();
    const int32_t first = count > probe::kMaxTimes ? count - probe::kMaxTimes : 0;
    std::string text = "time records answered: " + std::to_string(count) +
                       (first > 0 ? " (the last " + std::to_string(probe::kMaxTimes) + " follow)" : "") + "\n";
    for (int32_t i = first; i < count; ++i) {
        const probe::ReceivedTime& record = log.timeRecord(i);
        char line[256];
        if (!record.answered)
            std::snprintf(line, sizeof line, "  in processReplacing %d: no record\n", record.block);
        else
            std::snprintf(line, sizeof line,
                          "  in processReplacing %d: sample %.0f at %g Hz, ppq %.6f, tempo %g, bar at %.6f, %d/%d, "
                          "flags 0x%X\n",
                          record.block, record.time.samplePos, record.time.sampleRate, record.time.ppqPos,
                          record.time.tempo, record.time.barStartPos, record.time.timeSigNumerator,
                          record.time.timeSigDenominator, static_cast<unsigned>(record.time.flags));
        text += line;
    }
    return text;
}

}  // namespace

std::string Session::probeLogText() {
    if (!probeLibrary) return "the plug-in was not loaded through the probe\n";
    const int32_t count = probeLibrary->instanceCount();
    std::string text = "plug-in " + pluginPath() + ": " + std::to_string(count) + " instances\n";
    for (int32_t index = 0; index < count; ++index) {
        const probe::InstanceLog* log = probeLibrary->log(index);
        if (!log) continue;
        text += "\ninstance " + std::to_string(index) + (probeLibrary->instance(index) ? "" : " (closed)") + "\n";
        text += counters(*log) + events(*log) + times(*log);
    }
    return text;
}

}  // namespace korvex_validate
