// Parameter objects and their manager: identity, values, steps, the host request cycle, ownership.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "host/aax_iautomation_delegate.h"
#include "parameters/aax_cbinary_display_delegate.h"
#include "parameters/aax_cbinary_taper_delegate.h"
#include "parameters/aax_clinear_taper_delegate.h"
#include "parameters/aax_cnumber_display_delegate.h"
#include "parameters/aax_cparameter.h"
#include "parameters/parameter_manager.h"

namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::StrEq;

class MockAutomation : public AAX_IAutomationDelegate {
public:
    MOCK_METHOD(int32_t, RegisterControl, (const char* id), (override));
    MOCK_METHOD(int32_t, UnregisterControl, (const char* id), (override));
    MOCK_METHOD(int32_t, PostSetValueRequest, (const char* id, double normalized), (override));
    MOCK_METHOD(int32_t, PostCurrentValue, (const char* id, double normalized), (override));
    MOCK_METHOD(int32_t, PostTouchRequest, (const char* id), (override));
    MOCK_METHOD(int32_t, PostReleaseRequest, (const char* id), (override));
    MOCK_METHOD(int32_t, Slot7, (const char* id, uint32_t* a), (override));
};
using StrictAutomation = ::testing::StrictMock<MockAutomation>;

using FloatParameter = AAX_CParameter<float>;
using BoolParameter = AAX_CParameter<bool>;

FloatParameter* newFloat(const char* id = "gain", float defaultValue = 0.0f, float minimum = 0.0f, float maximum = 1.0f) {
    return new FloatParameter(id, "Gain", defaultValue, AAX_CLinearTaperDelegate<float, 0>(minimum, maximum),
                              AAX_CNumberDisplayDelegate<float, 2, 0>(), true);
}

BoolParameter* newBool(const char* id = "switch") {
    return new BoolParameter(id, "Switch", false, AAX_CBinaryTaperDelegate<bool>(),
                             AAX_CBinaryDisplayDelegate<bool>("off", "on"), true);
}

// Counts live copies, so a test can see a parameter (which owns one) being deleted.
class CountingDisplay final : public AAX_IDisplayDelegate<float> {
public:
    static int live;
    CountingDisplay() { ++live; }
    CountingDisplay(const CountingDisplay&) : AAX_IDisplayDelegate<float>() { ++live; }
    ~CountingDisplay() override { --live; }
    CountingDisplay* Clone() const override { return new CountingDisplay(*this); }
    bool ValueToString(float, int32_t, AAX_CString*) const override { return true; }
    bool ValueToString(float, AAX_CString*) const override { return true; }
    bool StringToValue(const AAX_CString&, float*) const override { return false; }
};
int CountingDisplay::live = 0;

TEST(Parameter, KeepsAtMost31CharactersOfItsIdentifier) {
    const std::string forty(40, 'x');
    const std::string thirtyOne(31, 'y');
    std::unique_ptr<FloatParameter> longId(newFloat(forty.c_str()));
    std::unique_ptr<FloatParameter> exact(newFloat(thirtyOne.c_str()));
    std::unique_ptr<FloatParameter> none(newFloat(nullptr));
    EXPECT_EQ(std::string(longId->Identifier()), forty.substr(0, 31));
    EXPECT_EQ(std::string(exact->Identifier()), thirtyOne);
    EXPECT_STREQ(none->Identifier(), "");
}

TEST(Parameter, StartsContinuousWith128StepsAndAConstrainedDefault) {
    std::unique_ptr<FloatParameter> parameter(newFloat("gain", 2.0f));
    EXPECT_EQ(parameter->GetNumberOfSteps(), 128u);
    EXPECT_EQ(parameter->GetType(), 1);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
}

TEST(Parameter, ShortenedNameIsTheLongestThatFits) {
    std::unique_ptr<FloatParameter> parameter(newFloat());
    parameter->SetName("Twelve chars");
    EXPECT_EQ(parameter->ShortenedName(3).StdString(), "Twelve chars");
    parameter->AddShortenedName("Tw12");
    parameter->AddShortenedName("Twelve12");
    for (int32_t n = -1; n <= 7; ++n) EXPECT_EQ(parameter->ShortenedName(n).StdString(), "Tw12") << n;
    for (int32_t n = 8; n <= 11; ++n) EXPECT_EQ(parameter->ShortenedName(n).StdString(), "Twelve12") << n;
    EXPECT_EQ(parameter->ShortenedName(12).StdString(), "Twelve chars");
    parameter->AddShortenedName("TW12");
    EXPECT_EQ(parameter->ShortenedName(5).StdString(), "TW12");
    parameter->ClearShortenedNames();
    EXPECT_EQ(parameter->ShortenedName(5).StdString(), "Twelve chars");
}

TEST(Parameter, StepValuesFollowTheNormalizedPosition) {
    std::unique_ptr<FloatParameter> parameter(newFloat());
    parameter->SetNumberOfSteps(2);
    parameter->SetNormalizedValue(0.49);
    EXPECT_EQ(parameter->GetStepValue(), 0u);
    parameter->SetNormalizedValue(0.5);
    EXPECT_EQ(parameter->GetStepValue(), 1u);

    parameter->SetNumberOfSteps(5);
    parameter->SetStepValue(2);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 0.5f);
    parameter->SetStepValue(99);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
    EXPECT_EQ(parameter->GetStepValue(), 4u);

    parameter->SetNumberOfSteps(1);
    parameter->SetStepValue(0);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
    EXPECT_EQ(parameter->GetStepValue(), 0u);
}

TEST(Parameter, ANaNValueIsStepZero) {
    std::unique_ptr<FloatParameter> parameter(newFloat());
    parameter->SetNumberOfSteps(4);
    parameter->UpdateNormalizedValue(std::nan(""));
    EXPECT_EQ(parameter->GetStepValue(), 0u);
}

TEST(Parameter, WithoutADelegateChangesApplyAtOnce) {
    std::unique_ptr<FloatParameter> parameter(newFloat("freq", 20.0f, 20.0f, 20000.0f));
    parameter->SetNormalizedValue(0.5);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 10010.0f);
    parameter->SetNormalizedDefaultValue(1.0);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 10010.0f);
    EXPECT_DOUBLE_EQ(parameter->GetNormalizedDefaultValue(), 1.0);
    parameter->SetToDefaultValue();
    EXPECT_FLOAT_EQ(parameter->GetValue(), 20000.0f);
}

TEST(Parameter, WithADelegateChangesBecomeTouchRequestRelease) {
    StrictAutomation automation;
    std::unique_ptr<FloatParameter> parameter(newFloat());
    {
        InSequence order;
        EXPECT_CALL(automation, RegisterControl(StrEq("gain")));
        EXPECT_CALL(automation, PostTouchRequest(StrEq("gain")));
        EXPECT_CALL(automation, PostSetValueRequest(StrEq("gain"), 0.25));
        EXPECT_CALL(automation, PostReleaseRequest(StrEq("gain")));
        EXPECT_CALL(automation, PostCurrentValue(StrEq("gain"), 0.25));
        EXPECT_CALL(automation, UnregisterControl(StrEq("gain")));
    }
    parameter->SetAutomationDelegate(&automation);
    parameter->SetNormalizedValue(0.25);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 0.0f);
    parameter->UpdateNormalizedValue(0.25);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 0.25f);
    parameter->UpdateNormalizedValue(0.25);  // unchanged: neither stored nor posted
    parameter.reset();
}

TEST(Parameter, ReplacingTheDelegateMovesTheRegistration) {
    StrictAutomation first;
    StrictAutomation second;
    std::unique_ptr<FloatParameter> parameter(newFloat());
    EXPECT_CALL(first, RegisterControl(StrEq("gain")));
    EXPECT_CALL(first, UnregisterControl(StrEq("gain")));
    EXPECT_CALL(second, RegisterControl(StrEq("gain")));
    parameter->SetAutomationDelegate(&first);
    parameter->SetAutomationDelegate(&second);
    ::testing::Mock::VerifyAndClearExpectations(&first);
    EXPECT_CALL(second, UnregisterControl(StrEq("gain")));
    parameter->SetAutomationDelegate(nullptr);
    parameter->Touch();  // detached: nothing reaches either delegate
}

TEST(Parameter, NewTaperKeepsNeedsNotifyUntilTheHostAnswers) {
    StrictAutomation automation;
    std::unique_ptr<FloatParameter> parameter(newFloat("gain", 0.5f));
    EXPECT_CALL(automation, RegisterControl(_));
    EXPECT_CALL(automation, UnregisterControl(_));
    parameter->SetAutomationDelegate(&automation);
    {
        InSequence order;
        EXPECT_CALL(automation, PostTouchRequest(_));
        EXPECT_CALL(automation, PostSetValueRequest(StrEq("gain"), 0.25));
        EXPECT_CALL(automation, PostReleaseRequest(_));
        EXPECT_CALL(automation, PostCurrentValue(StrEq("gain"), 0.25));
    }
    AAX_CLinearTaperDelegate<float, 0> wider(0.0f, 2.0f);
    parameter->SetTaperDelegate(wider, true);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 0.5f);
    parameter->UpdateNormalizedValue(0.25);  // same real value, posted because of the flag
    parameter->UpdateNormalizedValue(0.25);
}

TEST(Parameter, NewTaperWithoutPreserveKeepsThePosition) {
    std::unique_ptr<FloatParameter> parameter(newFloat("gain", 0.5f));
    AAX_CLinearTaperDelegate<float, 0> wider(0.0f, 2.0f);
    parameter->SetTaperDelegate(wider, false);
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
    AAX_CBinaryTaperDelegate<bool> foreign;
    parameter->SetTaperDelegate(foreign, false);  // another value type: ignored
    EXPECT_FLOAT_EQ(parameter->TaperDelegate().GetMaximumValue(), 2.0f);
}

TEST(Parameter, NewDisplayPostsTheCurrentValueForARedraw) {
    StrictAutomation automation;
    std::unique_ptr<FloatParameter> parameter(newFloat("gain", 0.5f));
    EXPECT_CALL(automation, RegisterControl(_));
    EXPECT_CALL(automation, PostCurrentValue(StrEq("gain"), 0.5));
    EXPECT_CALL(automation, UnregisterControl(_));
    parameter->SetAutomationDelegate(&automation);
    AAX_CNumberDisplayDelegate<float, 1, 0> oneDecimal;
    parameter->SetDisplayDelegate(oneDecimal);
    AAX_CString text;
    EXPECT_TRUE(parameter->GetValueString(&text));
    EXPECT_EQ(text.StdString(), "0.5");
}

TEST(Parameter, TextConversionsReportOutOfRangeValues) {
    std::unique_ptr<FloatParameter> parameter(newFloat("gain", 0.5f));
    AAX_CString text;
    EXPECT_TRUE(parameter->GetValueString(3, &text));
    EXPECT_EQ(text.StdString(), "0.50");
    EXPECT_TRUE(parameter->GetStringFromNormalizedValue(0.25, 3, text));
    EXPECT_EQ(text.StdString(), "0.2");
    EXPECT_TRUE(parameter->GetStringFromNormalizedValue(1.0, text));
    EXPECT_EQ(text.StdString(), "1.00");

    double normalized = -1.0;
    EXPECT_TRUE(parameter->GetNormalizedValueFromString("0.75", &normalized));
    EXPECT_DOUBLE_EQ(normalized, 0.75);
    EXPECT_FALSE(parameter->GetNormalizedValueFromString("3", &normalized));
    EXPECT_DOUBLE_EQ(normalized, 1.0);
    normalized = -1.0;
    EXPECT_FALSE(parameter->GetNormalizedValueFromString("loud", &normalized));
    EXPECT_DOUBLE_EQ(normalized, -1.0);

    EXPECT_TRUE(parameter->SetValueFromString("7"));
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
    EXPECT_FALSE(parameter->SetValueFromString("x"));
    EXPECT_FLOAT_EQ(parameter->GetValue(), 1.0f);
}

TEST(Parameter, TypedAccessorsAnswerOnlyForTheValueType) {
    std::unique_ptr<FloatParameter> number(newFloat("gain", 0.5f));
    std::unique_ptr<BoolParameter> toggle(newBool());
    float f = 0.0f;
    bool b = true;
    int32_t i = 7;
    EXPECT_TRUE(number->GetValueAsFloat(&f));
    EXPECT_FLOAT_EQ(f, 0.5f);
    EXPECT_FALSE(number->GetValueAsBool(&b) || number->GetValueAsInt32(&i) || toggle->GetValueAsInt32(&i));
    EXPECT_EQ(i, 7);
    EXPECT_FALSE(number->SetValueWithBool(true) || number->SetValueWithInt32(1) || number->SetValueWithDouble(1.0));
    EXPECT_FLOAT_EQ(number->GetValue(), 0.5f);
    EXPECT_TRUE(toggle->GetValueAsBool(&b));
    EXPECT_FALSE(b);
    EXPECT_FALSE(toggle->GetValueAsFloat(&f) || toggle->SetValueWithFloat(1.0f));
    EXPECT_TRUE(toggle->SetValueWithBool(true));
    EXPECT_TRUE(toggle->GetValue());
}

TEST(BoolParameter, AnyPositivePositionIsOn) {
    std::unique_ptr<BoolParameter> parameter(newBool());
    parameter->SetNormalizedValue(0.3);
    EXPECT_TRUE(parameter->GetValue());
    EXPECT_DOUBLE_EQ(parameter->GetNormalizedValue(), 1.0);
    parameter->SetNormalizedValue(-0.5);
    EXPECT_FALSE(parameter->GetValue());

    AAX_CString text;
    EXPECT_TRUE(parameter->GetStringFromNormalizedValue(0.0, 1, text));
    EXPECT_EQ(text.StdString(), "off");
}

TEST(BoolParameter, EchoesTheDeliveredValueNotItsTaperedForm) {
    StrictAutomation automation;
    std::unique_ptr<BoolParameter> parameter(newBool());
    EXPECT_CALL(automation, RegisterControl(_));
    EXPECT_CALL(automation, PostCurrentValue(StrEq("switch"), 0.7));
    EXPECT_CALL(automation, UnregisterControl(_));
    parameter->SetAutomationDelegate(&automation);
    parameter->UpdateNormalizedValue(0.7);
    EXPECT_TRUE(parameter->GetValue());
    parameter->UpdateNormalizedValue(0.9);  // still true: nothing posted
}

TEST(ParameterManager, RefusesDuplicatesAndDeletesThem) {
    ParameterManager manager;
    const int before = CountingDisplay::live;
    auto make = [](const char* id) {
        return new FloatParameter(id, "n", 0.0f, AAX_CLinearTaperDelegate<float, 0>(0.0f, 1.0f), CountingDisplay(), true);
    };
    EXPECT_TRUE(manager.AddParameter(make("a")));
    EXPECT_TRUE(manager.AddParameter(make("b")));
    EXPECT_EQ(CountingDisplay::live, before + 2);
    AAX_IParameter* first = manager.FindParameter("a");
    EXPECT_FALSE(manager.AddParameter(make("a")));
    EXPECT_EQ(CountingDisplay::live, before + 2);
    EXPECT_EQ(manager.count(), 2u);
    EXPECT_EQ(manager.FindParameter("a"), first);
    EXPECT_FALSE(manager.AddParameter(nullptr));
    manager.RemoveAllParameters();
    EXPECT_EQ(CountingDisplay::live, before);
    EXPECT_EQ(manager.count(), 0u);
    EXPECT_EQ(manager.FindParameter("a"), nullptr);
}

TEST(ParameterManager, FindsByIdAndIndexInInsertionOrder) {
    ParameterManager manager;
    manager.AddParameter(newFloat("zeta"));
    manager.AddParameter(newBool("alpha"));
    EXPECT_EQ(manager.FindParameterIndex("zeta"), 0);
    EXPECT_EQ(manager.FindParameterIndex("alpha"), 1);
    EXPECT_EQ(manager.FindParameterIndex("Alpha"), -1);
    EXPECT_EQ(manager.FindParameterIndex(nullptr), -1);
    EXPECT_EQ(manager.FindParameter(nullptr), nullptr);
    EXPECT_STREQ(manager.at(1)->Identifier(), "alpha");
    EXPECT_EQ(manager.at(2), nullptr);
    EXPECT_EQ(manager.FindParameter("zeta"), manager.at(0));
}

TEST(ParameterManager, AttachesItsDelegateAndUnregistersOnRemoval) {
    StrictAutomation automation;
    ParameterManager manager;
    manager.setAutomationDelegate(&automation);
    {
        InSequence order;
        EXPECT_CALL(automation, RegisterControl(StrEq("one")));
        EXPECT_CALL(automation, RegisterControl(StrEq("two")));
        EXPECT_CALL(automation, UnregisterControl(StrEq("one")));
        EXPECT_CALL(automation, UnregisterControl(StrEq("two")));
    }
    manager.AddParameter(newFloat("one"));
    manager.AddParameter(newFloat("two"));
    manager.AddParameter(newFloat("one"));  // refused before any delegate sees it
    manager.RemoveAllParameters();
}

}  // namespace
