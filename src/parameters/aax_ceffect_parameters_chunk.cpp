// Effect-parameters base: the "Complete Controls State" chunk, one entry per unfiltered parameter.
#include <cstring>
#include <limits>

#include "parameters/aax_ceffect_parameters.h"
#include "parameters/aax_iparameter.h"

namespace {

constexpr char kControlsStateName[] = "Complete Controls State";

// A record whose size field is negative, or too large for any record the host could have
// allocated, cannot be trusted to bound the data.
bool hasUsableSize(const AAX_SPlugInChunk& chunk) {
    return chunk.fSize >= 0 && chunk.fSize <= std::numeric_limits<int32_t>::max() - static_cast<int32_t>(kChunkHeaderSize);
}

}  // namespace

// One parameter's value, in the first kind it answers to (float, int32, bool, double, text).
struct AAX_CEffectParameters::ParameterValue {
    enum Kind { kFloat, kInt32, kBool, kDouble, kText };

    AAX_IParameter* parameter = nullptr;
    const char* id = nullptr;
    Kind kind = kFloat;
    float floatValue = 0.0f;
    int32_t intValue = 0;
    bool boolValue = false;
    double doubleValue = 0.0;
    AAX_CString textValue;

    // False when the parameter holds none of the five kinds.
    bool probe() {
        if (parameter->GetValueAsFloat(&floatValue)) kind = kFloat;
        else if (parameter->GetValueAsInt32(&intValue)) kind = kInt32;
        else if (parameter->GetValueAsBool(&boolValue)) kind = kBool;
        else if (parameter->GetValueAsDouble(&doubleValue)) kind = kDouble;
        else if (parameter->GetValueAsString(&textValue)) kind = kText;
        else return false;
        return true;
    }
};

// The count comes from slot 6 so a derived class's view of the list decides; visit returns false to stop.
template <class Visit>
void AAX_CEffectParameters::walkStateParameters(Visit&& visit) const {
    int32_t count = 0;
    if (GetNumberOfParameters(&count) != kResultSuccess) return;
    for (int32_t index = 0; index < count; ++index) {
        AAX_IParameter* parameter = list()->at(static_cast<size_t>(index));
        if (!parameter) continue;
        ParameterValue current;
        current.parameter = parameter;
        current.id = parameter->Identifier();
        if (filteredIds.count(current.id) != 0) continue;
        if (!current.probe()) continue;
        if (!visit(current)) return;
    }
}

void AAX_CEffectParameters::rebuildChunkData() const {
    chunkParser.setVersion(-1);
    chunkParser.ClearChunkData();
    walkStateParameters([this](const ParameterValue& current) {
        switch (current.kind) {
        case ParameterValue::kFloat: chunkParser.AddFloat(current.id, current.floatValue); break;
        case ParameterValue::kInt32: chunkParser.AddInt32(current.id, current.intValue); break;
        case ParameterValue::kBool: chunkParser.AddInt32(current.id, current.boolValue ? 1 : 0); break;
        case ParameterValue::kDouble: chunkParser.AddFloat(current.id, current.doubleValue); break;
        case ParameterValue::kText: chunkParser.AddString(current.id, current.textValue); break;
        }
        return true;
    });
}

// Floats and doubles are compared as floats, so a value that only went through the chunk's
// double entry still counts as unchanged; NaN never matches.
bool AAX_CEffectParameters::matchesEntry(const ParameterValue& current) const {
    double number = 0.0;
    int32_t integer = 0;
    switch (current.kind) {
    case ParameterValue::kFloat:
        return chunkParser.FindFloat(current.id, &number) && static_cast<float>(number) == current.floatValue;
    case ParameterValue::kInt32:
        return chunkParser.FindInt32(current.id, &integer) && integer == current.intValue;
    case ParameterValue::kBool:
        return chunkParser.FindInt32(current.id, &integer) && (integer != 0) == current.boolValue;
    case ParameterValue::kDouble:
        return chunkParser.FindFloat(current.id, &number) &&
               static_cast<float>(number) == static_cast<float>(current.doubleValue);
    case ParameterValue::kText: {
        AAX_CString text;
        return chunkParser.FindString(current.id, &text) && text.StdString() == current.textValue.StdString();
    }
    }
    return false;
}

int32_t AAX_CEffectParameters::GetNumberOfChunks(int32_t* count) const {
    if (!count) return kResultNotImplemented;
    *count = 1;
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetChunkIDFromIndex(int32_t index, uint32_t* chunkId) const {
    if (!chunkId) return kResultNotImplemented;
    if (index != 0) {
        *chunkId = 0;
        return kResultChunkIndexOutOfRange;
    }
    *chunkId = kControlsStateChunkID;
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetChunkSize(uint32_t chunkId, uint32_t* size) const {
    try {
        if (!size) return kResultNotImplemented;
        if (chunkId != kControlsStateChunkID) {
            *size = 0;
            return kResultChunkIdUnknown;
        }
        rebuildChunkData();
        cachedChunkSize = static_cast<uint32_t>(chunkParser.GetChunkDataSize());
        *size = cachedChunkSize;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

// The host sized the record from the last GetChunkSize; a rebuild that comes out at another size
// would write past it, so the host is sent back for a fresh size instead.
int32_t AAX_CEffectParameters::GetChunk(uint32_t chunkId, AAX_SPlugInChunk* chunk) const {
    try {
        if (!chunk) return kResultNotImplemented;
        if (chunkId != kControlsStateChunkID) return kResultChunkIdUnknown;
        rebuildChunkData();
        const auto size = static_cast<uint32_t>(chunkParser.GetChunkDataSize());
        if (cachedChunkSize == 0 || size != cachedChunkSize) return kResultChunkSizeMismatch;

        chunk->fVersion = chunkParser.version();
        std::memset(chunk->fName, 0, sizeof chunk->fName);
        static_assert(sizeof kControlsStateName <= sizeof chunk->fName, "the name fits with its NUL");
        std::memcpy(chunk->fName, kControlsStateName, sizeof kControlsStateName);
        return chunkParser.WriteChunk(chunk);
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::SetChunk(uint32_t chunkId, const AAX_SPlugInChunk* chunk) {
    try {
        if (!chunk) return kResultNotImplemented;
        if (chunkId != kControlsStateChunkID) return kResultChunkIdUnknown;
        if (!hasUsableSize(*chunk)) return kResultChunkSizeMismatch;
        chunkParser.LoadChunk(chunk, kChunkHeaderSize + static_cast<size_t>(chunk->fSize));

        walkStateParameters([this](const ParameterValue& current) {
            double number = 0.0;
            int32_t integer = 0;
            AAX_CString text;
            switch (current.kind) {
            case ParameterValue::kFloat:
                if (chunkParser.FindFloat(current.id, &number)) current.parameter->SetValueWithFloat(static_cast<float>(number));
                break;
            case ParameterValue::kInt32:
                if (chunkParser.FindInt32(current.id, &integer)) current.parameter->SetValueWithInt32(integer);
                break;
            case ParameterValue::kBool:
                if (chunkParser.FindInt32(current.id, &integer)) current.parameter->SetValueWithBool(integer != 0);
                break;
            case ParameterValue::kDouble:
                if (chunkParser.FindFloat(current.id, &number)) current.parameter->SetValueWithDouble(number);
                break;
            case ParameterValue::kText:
                if (chunkParser.FindString(current.id, &text)) current.parameter->SetValueWithString(text);
                break;
            }
            return true;
        });
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAX_CEffectParameters::CompareChunk(const AAX_SPlugInChunk* chunk, uint8_t* isEqual) const {
    try {
        if (!chunk || !isEqual) return kResultNotImplemented;
        // Another object's chunk (the wrapped plug-in's, say) is not ours to judge.
        if (chunk->fChunkID != kControlsStateChunkID) {
            *isEqual = 1;
            return kResultSuccess;
        }
        *isEqual = 0;
        if (!hasUsableSize(*chunk)) return kResultChunkSizeMismatch;
        chunkParser.LoadChunk(chunk, kChunkHeaderSize + static_cast<size_t>(chunk->fSize));

        bool allMatch = true;
        walkStateParameters([this, &allMatch](const ParameterValue& current) {
            allMatch = matchesEntry(current);
            return allMatch;
        });
        if (allMatch) *isEqual = 1;
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}
