// Transport proxy: the host's two transport versions behind AAX_ITransport's slot order.
#include "host/aax_vtransport.h"

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "host/host_query.h"

AAX_VTransport::AAX_VTransport(IACFUnknown* hostUnknown)
    : transport(queryHostInterface<IHostTransport>(hostUnknown, IID_HostTransport)),
      transportV2(queryHostInterface<IHostTransportV2>(hostUnknown, IID_HostTransportV2)) {}

AAX_VTransport::~AAX_VTransport() {
    if (transportV2) transportV2->Release();
    if (transport) transport->Release();
}

int32_t AAX_VTransport::GetTempo(double* tempo) const {
    return transport ? transport->GetCurrentTempo(tempo) : kResultNotImplemented;
}

int32_t AAX_VTransport::GetMeter(int32_t* numerator, int32_t* denominator) const {
    return transport ? transport->GetCurrentMeter(numerator, denominator) : kResultNotImplemented;
}

int32_t AAX_VTransport::IsPlaying(uint8_t* playing) const {
    return transport ? transport->IsTransportPlaying(playing) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot4(int64_t* a) const { return transport ? transport->Entry6(a) : kResultNotImplemented; }
int32_t AAX_VTransport::Slot5(int64_t* a) const { return transport ? transport->Entry7(a) : kResultNotImplemented; }

int32_t AAX_VTransport::GetSampleLocation(int64_t* location) const {
    return transport ? transport->GetCurrentNativeSampleLocation(location) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot7(int64_t* a, int64_t b) const {
    return transport ? transport->Entry9(a, b) : kResultNotImplemented;
}

int32_t AAX_VTransport::GetBarBeatAtLocation(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) const {
    return transport ? transport->GetBarBeatPosition(bars, beats, ticks, location) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot9(int32_t* a, int64_t b) const {
    return transport ? transport->Entry11(a, b) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot10(int64_t* a, int32_t b) const {
    return transport ? transport->Entry12(a, b) : kResultNotImplemented;
}

// The last three exist only in the second version of the host's transport.
int32_t AAX_VTransport::Slot11(int64_t* a, int64_t* b) const {
    return transportV2 ? transportV2->Entry13(a, b) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot12(uint8_t* a) const {
    return transportV2 ? transportV2->Entry14(a) : kResultNotImplemented;
}

int32_t AAX_VTransport::Slot13(int64_t* a) const {
    return transportV2 ? transportV2->Entry15(a) : kResultNotImplemented;
}
