// Object model: identity, interface lookup, reference counts and the live-object count.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "acf/cacf_unknown.h"
#include "acf/result_codes.h"
#include "host/host_iids.h"

namespace {

class ITestPrimary : public IACFUnknown {
public:
    virtual int32_t Answer() = 0;

protected:
    ~ITestPrimary() = default;
};

class TestObject : public ITestPrimary, public CACFUnknown {
public:
    explicit TestObject(bool* destroyedFlag) : destroyed(destroyedFlag) {}
    ~TestObject() override { *destroyed = true; }
    KORVEX_ACF_THUNKS
    int32_t Answer() override { return 42; }
    int32_t NondelegatingQueryInterface(const GUID& iid, void** out) override {
        if (out && iid == IID_IACFEffectGUI) {
            *out = static_cast<ITestPrimary*>(this);
            AddRef();
            return kResultSuccess;
        }
        return CACFUnknown::NondelegatingQueryInterface(iid, out);
    }

private:
    bool* destroyed;
};

TEST(Acf, GuidsCompareFieldByField) {
    GUID a = IID_IACFEffectParameters;
    EXPECT_TRUE(a == IID_IACFEffectParameters);
    a.d4[7] ^= 1;
    EXPECT_FALSE(a == IID_IACFEffectParameters);
    EXPECT_FALSE(IID_IACFEffectParameters == IID_IACFEffectParametersV2);
}

TEST(Acf, UnknownQueryAnswersThePrivateUnknownAndCounts) {
    bool destroyed = false;
    const int32_t before = gObjectCount.load();
    auto* object = new TestObject(&destroyed);
    EXPECT_EQ(gObjectCount.load(), before + 1);
    EXPECT_EQ(object->referenceCount(), 0);

    void* unknown = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IACFUnknown, &unknown), kResultSuccess);
    EXPECT_EQ(unknown, object->privateUnknown());
    EXPECT_NE(unknown, static_cast<void*>(static_cast<ITestPrimary*>(object)));
    EXPECT_EQ(object->referenceCount(), 1);

    void* primary = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IACFEffectGUI, &primary), kResultSuccess);
    EXPECT_EQ(primary, static_cast<void*>(static_cast<ITestPrimary*>(object)));
    EXPECT_EQ(object->referenceCount(), 2);

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(object->QueryInterface(IID_IACFEffectParameters, &none), kAcfNoInterface);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(object->referenceCount(), 2);

    EXPECT_EQ(static_cast<ITestPrimary*>(primary)->Release(), 1u);
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(static_cast<IACFUnknown*>(unknown)->Release(), 0u);
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(gObjectCount.load(), before);
}

TEST(Acf, ConcurrentReleasesDeleteExactlyOnce) {
    bool destroyed = false;
    auto* object = new TestObject(&destroyed);
    constexpr int kRefs = 4000;
    for (int i = 0; i < kRefs; ++i) object->AddRef();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([object] {
            for (int i = 0; i < kRefs / 4; ++i) object->Release();
        });
    for (auto& thread : threads) thread.join();
    EXPECT_TRUE(destroyed);
}

}  // namespace
