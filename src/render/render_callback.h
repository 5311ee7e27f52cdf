// The module's audio entry point, handed to the host by the effect description.
#pragma once

// [render] One call per host buffer for a batch of instances: each entry in
// [firstContext, pastLastContext) points at a RenderContext, null entries are skipped.
// Forwards MIDI, transport and the host's own buffers to each loaded plug-in; allocates nothing.
// One thread at a time per instance: its prepared channel arrays are rewritten by each call.
void RenderCallback(void* const* firstContext, const void* pastLastContext);
