// AAXWrapper_Parameters in-process with a plug-in that misbehaves in ways our built plug-ins
// cannot: ID texts left unwritten or unterminated, parameter indices it does not have.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "parameters/aaxwrapper_parameters.h"
#include "simhost/vst_install.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {

// Four parameters: 0 writes no ID at all, 1 writes 40 characters without a terminator,
// 2 has no properties and writes no ID, 3 is well behaved. -15 answers 99 for every ID.
struct CarelessPlugIn {
    AEffect effect{};
    std::vector<int32_t> setIndices;

    CarelessPlugIn() {
        effect.magic = kEffectMagic;
        effect.dispatcher = &dispatch;
        effect.setParameter = &setParameter;
        effect.getParameter = [](AEffect*, int32_t) { return 0.5f; };
        effect.numParams = 4;
        effect.uniqueID = 0x43617265;
        effect.object = this;
    }

    static VstIntPtr dispatch(AEffect*, int32_t opcode, int32_t index, VstIntPtr, void* ptr, float) {
        switch (opcode) {
        case effCanBeAutomated:
            return 1;
        case effGetParameterProperties:
            if (index == 2) return 0;
            std::strcpy(static_cast<VstParameterProperties*>(ptr)->label, "Careless");
            return 1;
        case effGetParamName:
            std::memset(ptr, 'n', 8);  // no terminator, like many plug-ins at the 8-character limit
            return 0;
        case kPrivateGetParamID:
            if (index == 1) std::memset(ptr, 'x', 40);
            if (index == 3) std::strcpy(static_cast<char*>(ptr), "good");
            return 1;
        case kPrivateGetParamIndex:
            return 99;
        default:
            return 0;
        }
    }
    static void setParameter(AEffect* e, int32_t index, float) {
        static_cast<CarelessPlugIn*>(e->object)->setIndices.push_back(index);
    }
};

class WrapperWithCarelessPlugIn : public ::testing::Test {
protected:
    void SetUp() override {
        // No registry key: the object loads nothing, and this plug-in is planted instead.
        wrapper = new AAXWrapper_Parameters();
        wrapper->AddRef();
        ASSERT_EQ(wrapper->vstLoaded, 0);
        wrapper->vstInterface->effect = &plugIn.effect;
        plugIn.effect.user = wrapper->vstCallBack;
        wrapper->vstLoaded = 1;
        // Without a host unknown the controller answers nothing: the customary rate is used.
        ASSERT_EQ(wrapper->Initialize(nullptr), 0);
    }
    void TearDown() override { wrapper->Release(); }

    std::vector<std::string> ids() const {
        std::vector<std::string> out;
        int32_t count = 0;
        wrapper->GetNumberOfParameters(&count);
        for (int32_t i = 0; i < count; ++i) {
            AAX_CString id;
            wrapper->GetParameterIDFromIndex(i, &id);
            out.push_back(id.StdString());
        }
        return out;
    }

    simhost::VstInstall noRegistry = simhost::VstInstall::none();
    CarelessPlugIn plugIn;
    AAXWrapper_Parameters* wrapper = nullptr;
};

TEST_F(WrapperWithCarelessPlugIn, UnwrittenIdsAreEmptyAndLongOnesAreCut) {
    // 0's empty ID loses to the bypass; 2 has neither properties nor an ID; 1 is cut to 31.
    const std::vector<std::string> expected = {"", std::string(31, 'x'), "good"};
    EXPECT_EQ(ids(), expected);
}

TEST_F(WrapperWithCarelessPlugIn, IndexThePlugInDoesNotHaveIsNotSet) {
    EXPECT_EQ(wrapper->UpdateParameterNormalizedValue("good", 0.2, 0), 0);
    EXPECT_TRUE(plugIn.setIndices.empty());
    double value = 0.0;
    wrapper->GetParameterNormalizedValue("good", &value);
    EXPECT_FLOAT_EQ(static_cast<float>(value), 0.2f);
}

// Two deliveries of one parameter: the second (another thread's, here nested to fix the order)
// is stored after the first and reaches the plug-in before the first's call does. Plug-in and
// module must still end on the value stored last.
TEST_F(WrapperWithCarelessPlugIn, AValueDeliveredMeanwhileIsWhereModuleAndPlugInSettle) {
    static AAXWrapper_Parameters* target = nullptr;
    static std::vector<float> received;
    static bool nested = false;
    target = wrapper;
    received.clear();
    nested = false;
    plugIn.effect.dispatcher = [](AEffect* e, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                  float opt) -> VstIntPtr {
        if (opcode == kPrivateGetParamIndex) return std::strcmp(static_cast<const char*>(ptr), "good") == 0 ? 3 : -1;
        return CarelessPlugIn::dispatch(e, opcode, index, value, ptr, opt);
    };
    plugIn.effect.setParameter = [](AEffect*, int32_t, float value) {
        if (!nested) {
            nested = true;
            target->UpdateParameterNormalizedValue("good", 0.75, 0);
        }
        received.push_back(value);  // the plug-in takes the value as the call ends
    };
    ASSERT_EQ(wrapper->UpdateParameterNormalizedValue("good", 0.25, 0), 0);
    double stored = 0.0;
    wrapper->GetParameterNormalizedValue("good", &stored);
    EXPECT_FLOAT_EQ(static_cast<float>(stored), 0.75f);
    ASSERT_FALSE(received.empty());
    EXPECT_FLOAT_EQ(received.back(), 0.75f) << "the plug-in was left on the value delivered first";
}

// A host string that cannot grow: the failure is answered as a result, never thrown into the host.
TEST_F(WrapperWithCarelessPlugIn, AFailedAllocationIsAnErrorResultNotAnException) {
    class FullString final : public AAX_IString {
    public:
        uint32_t Length() const override { return 0; }
        uint32_t MaxLength() const override { return 0xFFFFFFFEu; }
        const char* Get() const override { return ""; }
        void Set(const char*) override { throw std::bad_alloc(); }
        AAX_IString& operator=(const char*) override { throw std::bad_alloc(); }
        AAX_IString& operator=(const AAX_IString&) override { throw std::bad_alloc(); }
    };
    FullString full;
    EXPECT_EQ(wrapper->GetParameterName("good", &full), kAcfUnexpected);
    EXPECT_EQ(wrapper->GetParameterNameOfLength("good", &full, 8), kAcfUnexpected);
    EXPECT_EQ(wrapper->GetParameterIDFromIndex(0, &full), kAcfUnexpected);
    EXPECT_EQ(wrapper->GetParameterValueString("good", &full, 8), kAcfUnexpected);
    EXPECT_EQ(wrapper->GetParameterStringFromValue("good", 0.5, &full, 8), kAcfUnexpected);
    EXPECT_EQ(wrapper->GetMasterBypassID(&full), kAcfUnexpected);
}

}  // namespace
