// A component descriptor (one stem format's render-context layout) as the description code sees it.
#pragma once

#include <cstdint>

class AAX_IPropertyMap;

class AAX_IComponentDescriptor {
public:
    virtual ~AAX_IComponentDescriptor() = default;                            // 0 deletes the maps it made
    virtual int32_t Clear() = 0;                                              // 1 [main] entry 3
    virtual int32_t AddAudioInputField(uint32_t field) = 0;                   // 2 [main] entry 5
    virtual int32_t AddAudioOutputField(uint32_t field) = 0;                  // 3 [main] entry 6
    virtual int32_t AddBufferLengthField(uint32_t field) = 0;                 // 4 [main] entry 7
    virtual int32_t Slot5(uint32_t field) = 0;                                // 5 entry 8, kept for the slot order
    virtual int32_t Slot6(uint32_t field) = 0;                                // 6 entry 9, kept for the slot order
    virtual int32_t ComponentOperation7(uint32_t field) = 0;                  // 7 [main] entry 10: host-filled field
    virtual int32_t AddDataPortField(uint32_t field, uint32_t size, int32_t kind) = 0;  // 8 [main] entry 11
    // Kept for the slot order; -20004 without a host interface.
    virtual int32_t Slot9(uint32_t a, uint32_t b) = 0;                        // 9 entry 12
    virtual int32_t Slot10(uint32_t a, uint32_t b) = 0;                       // 10 entry 13
    virtual int32_t Slot11(uint32_t a, uint32_t b) = 0;                       // 11 second interface entry 19; -20009 without it
    virtual int32_t Slot12(uint32_t a, uint32_t b) = 0;                       // 12 entry 14
    virtual int32_t Slot13(uint32_t a, uint32_t b) = 0;                       // 13 entry 18
    // 14 [main] entry 15: MIDI node at field
    virtual int32_t AddMidiNodeField(uint32_t field, int32_t nodeKind, const char* name, uint32_t channelMask) = 0;
    virtual int32_t Slot15(uint32_t a) = 0;                                   // 15 entry 4, kept for the slot order
    virtual AAX_IPropertyMap* CreatePropertyMap() = 0;                        // 16 [main] owned by this descriptor; null only without memory
    // 17 [main] a new map (owned by this descriptor) holding the given map's properties 10 to 307
    virtual AAX_IPropertyMap* CopyPropertyMap(AAX_IPropertyMap* source) = 0;
    // 18 [main] entry 16: render callback with its property map (the map stays ours)
    virtual int32_t AddRenderCallback(void* callback, AAX_IPropertyMap* properties, void* a, void* b, void* c) = 0;
    virtual int32_t Slot19(void* a, AAX_IPropertyMap* properties) = 0;        // 19 entry 17, kept for the slot order
};
