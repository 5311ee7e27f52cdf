// Tapers and displays: range conversions, cut-never-rounds texts and the reading of typed numbers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "parameters/aax_cbinary_display_delegate.h"
#include "parameters/aax_cbinary_taper_delegate.h"
#include "parameters/aax_clinear_taper_delegate.h"
#include "parameters/aax_cnumber_display_delegate.h"

namespace {

using LinearTaper = AAX_CLinearTaperDelegate<float, 0>;
using NumberDisplay = AAX_CNumberDisplayDelegate<float, 2, 0>;

std::string shown(float value, int32_t limit) {
    AAX_CString text("unchanged");
    EXPECT_TRUE(NumberDisplay().ValueToString(value, limit, &text));
    return text.StdString();
}

TEST(LinearTaper, ConvertsAndConstrainsBothWays) {
    const LinearTaper unit(0.0f, 1.0f);
    EXPECT_FLOAT_EQ(unit.NormalizedToReal(1.5), 1.0f);
    EXPECT_FLOAT_EQ(unit.NormalizedToReal(-0.2), 0.0f);
    EXPECT_DOUBLE_EQ(unit.RealToNormalized(2.0f), 1.0);
    EXPECT_DOUBLE_EQ(unit.RealToNormalized(0.25f), 0.25);
    EXPECT_FLOAT_EQ(unit.ConstrainRealValue(-3.0f), 0.0f);

    const LinearTaper audio(20.0f, 20000.0f);
    EXPECT_FLOAT_EQ(audio.NormalizedToReal(0.5), 10010.0f);
    EXPECT_DOUBLE_EQ(audio.RealToNormalized(20.0f), 0.0);
    EXPECT_DOUBLE_EQ(audio.RealToNormalized(20000.0f), 1.0);
    EXPECT_NEAR(audio.RealToNormalized(audio.NormalizedToReal(0.3)), 0.3, 1e-6);
}

TEST(LinearTaper, HostValuesFarOutsideFloatRangeLandOnTheBounds) {
    const LinearTaper audio(20.0f, 20000.0f);
    EXPECT_FLOAT_EQ(audio.NormalizedToReal(1e300), 20000.0f);
    EXPECT_FLOAT_EQ(audio.NormalizedToReal(-1e300), 20.0f);
    EXPECT_TRUE(std::isnan(audio.ConstrainRealValue(std::nanf(""))));
}

TEST(LinearTaper, EmptyRangeAnswersZeroInsteadOfNaN) {
    EXPECT_DOUBLE_EQ(LinearTaper(3.0f, 3.0f).RealToNormalized(3.0f), 0.0);
}

TEST(BinaryTaper, OnlyStrictlyPositiveValuesAreTrue) {
    const AAX_CBinaryTaperDelegate<bool> taper;
    EXPECT_FALSE(taper.NormalizedToReal(0.0));
    EXPECT_FALSE(taper.NormalizedToReal(-0.5));
    EXPECT_TRUE(taper.NormalizedToReal(0.0001));
    EXPECT_DOUBLE_EQ(taper.RealToNormalized(true), 1.0);
    EXPECT_DOUBLE_EQ(taper.RealToNormalized(false), 0.0);
    EXPECT_TRUE(taper.GetMaximumValue());
    EXPECT_FALSE(taper.GetMinimumValue());
}

TEST(NumberDisplay, CutsWithoutRoundingAndDropsADanglingPoint) {
    AAX_CString text;
    EXPECT_TRUE(NumberDisplay().ValueToString(0.5f, &text));
    EXPECT_EQ(text.StdString(), "0.50");
    EXPECT_EQ(shown(0.5f, 3), "0.5");
    EXPECT_EQ(shown(0.5f, 2), "0");
    EXPECT_EQ(shown(0.5f, 1), "0");
    EXPECT_EQ(shown(0.5f, 10), "0.50");
    EXPECT_EQ(shown(123.456f, 4), "123");
    EXPECT_EQ(shown(123.456f, 5), "123.4");
    EXPECT_EQ(shown(-0.5f, 1), "-");
}

TEST(NumberDisplay, LimitsBelowOneGiveTheEmptyText) {
    EXPECT_EQ(shown(0.5f, 0), "");
    EXPECT_EQ(shown(0.5f, -1), "");
    EXPECT_EQ(shown(123.456f, std::numeric_limits<int32_t>::min()), "");
}

TEST(NumberDisplay, ReadsNumbersWithSpacesAndUnitsAndRefusesTheRest) {
    const NumberDisplay display;
    float value = -1.0f;
    EXPECT_TRUE(display.StringToValue("   0.75", &value));
    EXPECT_FLOAT_EQ(value, 0.75f);
    EXPECT_TRUE(display.StringToValue("-2e1 dB", &value));
    EXPECT_FLOAT_EQ(value, -20.0f);
    EXPECT_FALSE(display.StringToValue("loud", &value));
    EXPECT_FLOAT_EQ(value, 0.0f);
    value = -1.0f;
    EXPECT_FALSE(display.StringToValue("", &value));
    EXPECT_FLOAT_EQ(value, 0.0f);
}

TEST(NumberDisplay, NumbersBeyondFloatBecomeInfinity) {
    float value = 0.0f;
    EXPECT_TRUE(NumberDisplay().StringToValue("1e39", &value));
    EXPECT_TRUE(std::isinf(value) && value > 0);
    EXPECT_TRUE(NumberDisplay().StringToValue("-1e39", &value));
    EXPECT_TRUE(std::isinf(value) && value < 0);
}

TEST(BinaryDisplay, ShowsFullLabelsAndParsesThemExactly) {
    const AAX_CBinaryDisplayDelegate<bool> display("off", "on");
    AAX_CString text;
    EXPECT_TRUE(display.ValueToString(true, 1, &text));
    EXPECT_EQ(text.StdString(), "on");
    EXPECT_TRUE(display.ValueToString(false, &text));
    EXPECT_EQ(text.StdString(), "off");

    bool value = true;
    EXPECT_TRUE(display.StringToValue("off", &value));
    EXPECT_FALSE(value);
    EXPECT_TRUE(display.StringToValue("on", &value));
    EXPECT_TRUE(value);
    EXPECT_FALSE(display.StringToValue("On", &value));
    EXPECT_FALSE(value);
    EXPECT_FALSE(display.StringToValue("1", &value));
    EXPECT_FALSE(display.StringToValue(" on", &value));
}

TEST(BinaryDisplay, ANullFalseLabelIsTheEmptyText) {
    const AAX_CBinaryDisplayDelegate<bool> unnamed(nullptr, "on");
    AAX_CString text("x");
    unnamed.ValueToString(false, &text);
    EXPECT_EQ(text.StdString(), "");
    bool value = true;
    EXPECT_TRUE(unnamed.StringToValue("", &value));
    EXPECT_FALSE(value);
}

}  // namespace
