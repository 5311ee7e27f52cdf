// DescribeEffect and DescribeComponent against mocked descriptors: the early stops when the
// host gives no component descriptor or no property map.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "acf/result_codes.h"
#include "host/aax_icomponent_descriptor.h"
#include "host/aax_ieffect_descriptor.h"
#include "host/aax_iproperty_map.h"
#include "module/describe_effect.h"

namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrictMock;

class MockEffectDescriptor : public AAX_IEffectDescriptor {
public:
    MOCK_METHOD(AAX_IComponentDescriptor*, CreateComponentDescriptor, (), (override));
    MOCK_METHOD(int32_t, AttachComponent, (AAX_IComponentDescriptor*), (override));
    MOCK_METHOD(int32_t, AddEffectName, (const char*), (override));
    MOCK_METHOD(int32_t, AddCategoryBits, (uint32_t), (override));
    MOCK_METHOD(int32_t, Slot5, (uint32_t, const char*), (override));
    MOCK_METHOD(int32_t, AddFactoryCallback, (void*, int32_t), (override));
    MOCK_METHOD(AAX_IPropertyMap*, CreatePropertyMap, (), (override));
    MOCK_METHOD(int32_t, Slot8, (AAX_IPropertyMap*), (override));
    MOCK_METHOD(int32_t, AddResourceEntry, (int32_t, const char*), (override));
    MOCK_METHOD(int32_t, Slot10, (int32_t, const char*), (override));
    MOCK_METHOD(int32_t, Slot11, (int32_t, int32_t, int32_t, const char*), (override));
};

class MockComponentDescriptor : public AAX_IComponentDescriptor {
public:
    MOCK_METHOD(int32_t, Clear, (), (override));
    MOCK_METHOD(int32_t, AddAudioInputField, (uint32_t), (override));
    MOCK_METHOD(int32_t, AddAudioOutputField, (uint32_t), (override));
    MOCK_METHOD(int32_t, AddBufferLengthField, (uint32_t), (override));
    MOCK_METHOD(int32_t, Slot5, (uint32_t), (override));
    MOCK_METHOD(int32_t, Slot6, (uint32_t), (override));
    MOCK_METHOD(int32_t, ComponentOperation7, (uint32_t), (override));
    MOCK_METHOD(int32_t, AddDataPortField, (uint32_t, uint32_t, int32_t), (override));
    MOCK_METHOD(int32_t, Slot9, (uint32_t, uint32_t), (override));
    MOCK_METHOD(int32_t, Slot10, (uint32_t, uint32_t), (override));
    MOCK_METHOD(int32_t, Slot11, (uint32_t, uint32_t), (override));
    MOCK_METHOD(int32_t, Slot12, (uint32_t, uint32_t), (override));
    MOCK_METHOD(int32_t, Slot13, (uint32_t, uint32_t), (override));
    MOCK_METHOD(int32_t, AddMidiNodeField, (uint32_t, int32_t, const char*, uint32_t), (override));
    MOCK_METHOD(int32_t, Slot15, (uint32_t), (override));
    MOCK_METHOD(AAX_IPropertyMap*, CreatePropertyMap, (), (override));
    MOCK_METHOD(AAX_IPropertyMap*, CopyPropertyMap, (AAX_IPropertyMap*), (override));
    MOCK_METHOD(int32_t, AddRenderCallback, (void*, AAX_IPropertyMap*, void*, void*, void*), (override));
    MOCK_METHOD(int32_t, Slot19, (void*, AAX_IPropertyMap*), (override));
};

TEST(DescribeEffect, WithoutAComponentDescriptorDescribesNothingElse) {
    StrictMock<MockEffectDescriptor> effect;
    EXPECT_CALL(effect, CreateComponentDescriptor()).WillOnce(Return(nullptr));
    EXPECT_EQ(DescribeEffect(&effect), kResultNotImplemented);
    EXPECT_EQ(DescribeEffect(nullptr), kResultNotImplemented);
}

TEST(DescribeEffect, HostFailuresDuringTheDescriptionAreIgnored) {
    StrictMock<MockEffectDescriptor> effect;
    ::testing::NiceMock<MockComponentDescriptor> component;
    EXPECT_CALL(effect, CreateComponentDescriptor()).WillOnce(Return(&component));
    EXPECT_CALL(effect, AddEffectName(_)).Times(3).WillRepeatedly(Return(-1));
    EXPECT_CALL(effect, AddCategoryBits(0x2000u)).WillOnce(Return(-1));
    EXPECT_CALL(effect, AttachComponent(&component)).Times(2).WillRepeatedly(Return(-1));
    {
        InSequence order;
        EXPECT_CALL(effect, AddFactoryCallback(_, 0)).WillOnce(Return(-1));
        EXPECT_CALL(effect, AddResourceEntry(0, ::testing::StrEq(""))).WillOnce(Return(-1));
        EXPECT_CALL(effect, AddFactoryCallback(_, 1)).WillOnce(Return(-1));
    }
    EXPECT_CALL(component, Clear()).Times(2);
    EXPECT_EQ(DescribeEffect(&effect), kResultSuccess);
}

TEST(DescribeComponent, WithoutAPropertyMapRegistersFieldsButNoRenderCallback) {
    StrictMock<MockComponentDescriptor> component;
    EXPECT_CALL(component, AddAudioInputField(0));
    EXPECT_CALL(component, AddBufferLengthField(5));
    EXPECT_CALL(component, AddAudioOutputField(2));
    EXPECT_CALL(component, ComponentOperation7(4));
    EXPECT_CALL(component, AddDataPortField(_, _, 1)).Times(5);
    EXPECT_CALL(component, AddMidiNodeField(_, _, _, 0xFFFFu)).Times(2);
    EXPECT_CALL(component, CreatePropertyMap()).WillOnce(Return(nullptr));
    DescribeComponent(kStemFormatStereo, &component);
    DescribeComponent(kStemFormatMono, nullptr);
}

}  // namespace
