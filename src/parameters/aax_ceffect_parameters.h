// The effect-parameters base: every host slot answered from the parameter manager, plus the state chunk.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "host/aax_icontroller.h"
#include "host/aax_iautomation_delegate.h"
#include "host/aax_transport.h"
#include "parameters/aax_cchunk_data_parser.h"
#include "parameters/aax_ieffect_parameters.h"
#include "parameters/packet_dispatcher.h"
#include "parameters/parameter_manager.h"

// Derived classes create their parameters in InitializeEffect. Unless a slot says otherwise, an ID
// without a parameter answers -20001 with the outputs untouched, and a null output or required
// input pointer answers -20004 with nothing written.
class AAX_CEffectParameters : public AAX_IEffectParameters {
public:
    // "elck": the base's own state chunk, "Complete Controls State".
    static constexpr uint32_t kControlsStateChunkID = 0x656C636Bu;
    // "ASPv": the host's preview notification.
    static constexpr uint32_t kPreviewNotification = 0x41535076u;

    AAX_CEffectParameters();
    ~AAX_CEffectParameters() override;

    // 3 [main] proxies from the unknown (null is fine), then InitializeEffect; its failure is returned
    int32_t Initialize(IACFUnknown* hostUnknown) override;
    // 4 [main] deletes the parameters, then the proxies; always 0
    int32_t Uninitialize() override;
    // 5 [main] 'ASPv' sets "PreviewID" from the first 32-bit integer of the data; always 0
    int32_t ReceiveNotification(uint32_t type, const void* data, uint32_t size) override;
    // 6 [any] length of the parameter list
    int32_t GetNumberOfParameters(int32_t* count) const override;
    // 7 [any] "MasterBypassID" when such a parameter exists, else the empty text; 0
    int32_t GetMasterBypassID(AAX_IString* id) const override;
    // 8 [any] output 0 first, then the parameter's flag
    int32_t GetParameterIsAutomatable(const char* id, uint8_t* automatable) const override;
    // 9 [any]
    int32_t GetParameterNumberOfSteps(const char* id, int32_t* steps) const override;
    // 10 [any] the full name; empty text and 0 for an unknown ID
    int32_t GetParameterName(const char* id, AAX_IString* name) const override;
    // 11 [any] the longest line of the shortened name that fits; empty text and 0 for an unknown ID
    int32_t GetParameterNameOfLength(const char* id, AAX_IString* name, int32_t length) const override;
    // 12 [any]
    int32_t GetParameterDefaultNormalizedValue(const char* id, double* value) const override;
    // 13 [main]
    int32_t SetParameterDefaultNormalizedValue(const char* id, double value) override;
    // 14 [any]
    int32_t GetParameterType(const char* id, int32_t* type) const override;
    // 15 [any]
    int32_t GetParameterHostAttribute(const char* id, int32_t* attribute) const override;
    // 16 [any] the object stays ours; null and -20001 for an unknown ID
    int32_t GetParameter(const char* id, AAX_IParameter** parameter) override;
    // 17 [any] -1 and -20001 for an unknown ID
    int32_t GetParameterIndex(const char* id, int32_t* index) const override;
    // 18 [any] empty text and -20001 outside the list
    int32_t GetParameterIDFromIndex(int32_t index, AAX_IString* id) const override;
    // 19 [any] output 0; -20009
    int32_t QueryParameterInfo(const char* id, int32_t selector, int32_t* info) const override;
    // 20 [any] -20002 when the parameter refuses the text
    int32_t GetParameterValueFromString(const char* id, double* value, const AAX_IString* text) const override;
    // 21 [any] -20002 when the parameter refuses the value
    int32_t GetParameterStringFromValue(const char* id, double value, AAX_IString* text,
                                        int32_t limit) const override;
    // 22 [any]
    int32_t GetParameterValueString(const char* id, AAX_IString* text, int32_t limit) const override;
    // 23 [any]
    int32_t GetParameterNormalizedValue(const char* id, double* value) const override;
    // 24 [any] with an automation delegate this becomes a request to the host
    int32_t SetParameterNormalizedValue(const char* id, double value) override;
    // 25 [any] slot 23 + delta, clamped to [0, 1], through slot 24
    int32_t SetParameterNormalizedRelative(const char* id, double delta) override;
    // 26 [any]
    int32_t TouchParameter(const char* id) override;
    // 27 [any]
    int32_t ReleaseParameter(const char* id) override;
    // 28 kept for the slot order; 0
    int32_t Slot28(const char* id) override;
    // 29 [any] the host's delivery: stores the value, marks its packets, counts the change
    int32_t UpdateParameterNormalizedValue(const char* id, double value, int32_t source) override;
    // 30 [any] slot 23 + delta, clamped to [0, 1], through slot 29
    int32_t UpdateParameterNormalizedRelative(const char* id, double delta) override;
    // 31 [any] posts the dirty packets; the last post's result, -20004 before Initialize
    int32_t DispatchParameterPackets() override;
    // 32 [any] zeroes size bytes at data; 0
    int32_t ClearFieldData(uint32_t field, void* data, uint32_t size) override;
    // 33 [main] 1
    int32_t GetNumberOfChunks(int32_t* count) const override;
    // 34 [main] index 0: 'elck'; else output 0 and -20006
    int32_t GetChunkIDFromIndex(int32_t index, uint32_t* chunkId) const override;
    // 35 [main] rebuilds the state and caches its size; another ID: size 0, -20007
    int32_t GetChunkSize(uint32_t chunkId, uint32_t* size) const override;
    // 36 [main] writes exactly the size slot 35 answered; -20008 when that size is stale or unknown
    int32_t GetChunk(uint32_t chunkId, AAX_SPlugInChunk* chunk) const override;
    // 37 [main] restores every parameter with an entry; -20008 for a negative size field
    int32_t SetChunk(uint32_t chunkId, const AAX_SPlugInChunk* chunk) override;
    // 38 [main] 1 when every parameter matches its entry, or for a foreign chunk ID
    int32_t CompareChunk(const AAX_SPlugInChunk* chunk, uint8_t* isEqual) const override;
    // 39 [main] host deliveries applied by slot 29 (written while not negative)
    int32_t GetNumberOfChanges(int32_t* changes) const override;

    // 40-47: host services this module does not offer; kept for the slot order.
    int32_t Slot40(const void* a) override;                                               // 40 0
    int32_t Slot41(const void* a) override;                                               // 41 -20009
    int32_t Slot42(const void* a, const void* b, const void* c, uint32_t* size) const override;  // 42 size 0, 0
    int32_t Slot43(const void* a) override;                                               // 43 0
    int32_t Slot44(const void* a) override;                                               // 44 0
    int32_t Slot45(const void* a) override;                                               // 45 -20009
    int32_t Slot46(const void* a) override;                                               // 46 0
    int32_t Slot47(const void* a) override;                                               // 47 0

    // 48 [main] nothing in the base; derived classes create their parameters here
    int32_t InitializeEffect() override;

protected:
    // Null before Initialize and after Uninitialize.
    AAX_IController* controller() const { return controllerProxy.get(); }
    AAX_ITransport* transport() const { return transportProxy.get(); }
    AAX_IAutomationDelegate* automationDelegate() const { return automationProxy.get(); }

    // The list the host's slots read, on any thread: a host may answer the plug-in's automation
    // by delivering the value at once, on the plug-in's thread, while its main thread
    // uninitialises. It names a complete list, or none while Initialize builds the next one.
    ParameterManager* list() const { return parameters.load(std::memory_order_acquire); }

    // [main] The list Initialize builds and the module's main-thread work changes.
    ParameterManager& parameterManager() { return *parametersOwned; }
    const ParameterManager& parameterManager() const { return *parametersOwned; }
    AAX_CPacketDispatcher& packetDispatcher() { return dispatcher; }
    // What Initialize made for the host it was given: the proxies and the parameters that report
    // to them. Destroyed parameters first, so they unregister through a live automation proxy.
    struct InstanceState {
        std::unique_ptr<AAX_IController> controller;
        std::unique_ptr<AAX_ITransport> transport;
        std::unique_ptr<AAX_IAutomationDelegate> automation;
        std::unique_ptr<ParameterManager> parameters;
    };
    // [main] Takes the instance state out, leaving no proxies and an empty parameter list; the
    // packet dispatcher no longer reaches any of it on return. The caller decides when it goes:
    // a derived class whose parameters other threads may still be inside keeps it alive.
    std::unique_ptr<InstanceState> detachInstanceState();

    // IDs left out of the state chunk; Initialize adds the master bypass ID.
    std::set<std::string>& filteredParameterIds() { return filteredIds; }
    const std::set<std::string>& filteredParameterIds() const { return filteredIds; }

private:
    struct ParameterValue;
    template <class Visit>
    void walkStateParameters(Visit&& visit) const;
    void rebuildChunkData() const;
    bool matchesEntry(const ParameterValue& current) const;

    // Host deliveries may arrive on any thread; a relaxed count is all the host reads back.
    std::atomic<int32_t> changeCount{0};
    // The chunk slots are const for the host but must rebuild the parser and remember the size.
    mutable uint32_t cachedChunkSize = 0;
    mutable AAX_CChunkDataParser chunkParser;
    AAX_CPacketDispatcher dispatcher;
    // [main] replaced whole by detachInstanceState, under the dispatcher's lock; never null
    std::unique_ptr<ParameterManager> parametersOwned;
    // [main: never changed] what the slots read between Uninitialize and the end of Initialize
    ParameterManager noParameters;
    // [any thread: atomic] written by [main] only; parametersOwned once complete, else noParameters
    std::atomic<ParameterManager*> parameters{nullptr};
    std::set<std::string> filteredIds;
    std::unique_ptr<AAX_IController> controllerProxy;
    std::unique_ptr<AAX_ITransport> transportProxy;
    std::unique_ptr<AAX_IAutomationDelegate> automationProxy;
};
