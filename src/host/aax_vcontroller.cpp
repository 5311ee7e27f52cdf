// Controller proxy: the host's two controller versions behind AAX_IController's slot order.
#include "host/aax_vcontroller.h"

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "host/host_query.h"

AAX_VController::AAX_VController(IACFUnknown* hostUnknown)
    : controller(queryHostInterface<IHostController>(hostUnknown, IID_HostController)),
      controllerV2(queryHostInterface<IHostControllerV2>(hostUnknown, IID_HostControllerV2)) {}

AAX_VController::~AAX_VController() {
    if (controllerV2) controllerV2->Release();
    if (controller) controller->Release();
}

int32_t AAX_VController::Slot1(int32_t* a) { return controller ? controller->Entry3(a) : kResultNotImplemented; }

int32_t AAX_VController::GetSampleRate(float* rate) {
    return controller ? controller->GetSampleRate(rate) : kResultNotImplemented;
}

int32_t AAX_VController::GetInputStemFormat(int32_t* format) {
    return controller ? controller->GetInputStemFormat(format) : kResultNotImplemented;
}

int32_t AAX_VController::GetOutputStemFormat(int32_t* format) {
    return controller ? controller->GetOutputStemFormat(format) : kResultNotImplemented;
}

int32_t AAX_VController::Slot5(int32_t* a) { return controller ? controller->Entry7(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot6(int32_t* a) { return controller ? controller->Entry8(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot7(int32_t* a) { return controller ? controller->Entry9(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot8(int32_t* a) { return controller ? controller->Entry10(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot9(int32_t* a) { return controller ? controller->Entry11(a) : kResultNotImplemented; }

int32_t AAX_VController::PostPacket(uint32_t field, const void* data, uint32_t size) {
    return controller ? controller->PostPacket(field, data, size) : kResultNotImplemented;
}

// From slot 11 on the module's order and the host's differ; each line names its host entry.
int32_t AAX_VController::Slot11(int32_t* a) { return controllerV2 ? controllerV2->Entry20(a) : kResultUnsupported; }
int32_t AAX_VController::Slot12(int32_t* a) { return controller ? controller->Entry13(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot13(int32_t* a) { return controller ? controller->Entry14(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot14(int32_t* a) { return controller ? controller->Entry15(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot15(int32_t* a) { return controller ? controller->Entry18(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot16(int32_t* a) { return controller ? controller->Entry16(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot17(int32_t* a) { return controller ? controller->Entry17(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot18(int32_t* a) { return controller ? controller->Entry19(a) : kResultNotImplemented; }
int32_t AAX_VController::Slot19(int32_t* a) { return controllerV2 ? controllerV2->Entry21(a) : kResultUnsupported; }

// Callers read the out value even on failure, so without the host it is cleared, never left stale.
int32_t AAX_VController::Slot20(int64_t* a) {
    if (controllerV2) return controllerV2->Entry22(a);
    if (a) *a = 0;
    return kResultUnsupported;
}

int32_t AAX_VController::Slot21(int32_t* a) { return controllerV2 ? controllerV2->Entry23(a) : kResultUnsupported; }
