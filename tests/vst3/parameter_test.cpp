// Parameter conversions between normalized values, entries and texts.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "Parameter.h"
#include "Vst3Strings.h"

using namespace vst3;

namespace {
std::string shown(const Parameter& parameter, ParamValue value) {
    String128 text;
    parameter.toString(value, text);
    return narrow(text, 128);
}
}  // namespace

TEST(Vst3Parameter, SetNormalizedLimitsAndRefusesNonFiniteValues) {
    Parameter parameter(u"Level", 3, u"dB", 0.25);
    EXPECT_EQ(parameter.getNormalized(), 0.25);
    EXPECT_EQ(parameter.getInfo().defaultNormalizedValue, 0.25);
    EXPECT_EQ(narrow(parameter.getInfo().units), "dB");
    struct Case {
        double in;
        double stored;
        bool changed;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {{0.5, 0.5, true},   {0.5, 0.5, false}, {1.5, 1.0, true},  {-2.0, 0.0, true},
                          {std::nan(""), 0.0, false}, {inf, 0.0, false},  {-inf, 0.0, false}, {0.75, 0.75, true}};
    for (const auto& c : cases) {
        EXPECT_EQ(parameter.setNormalized(c.in), c.changed) << c.in;
        EXPECT_EQ(parameter.getNormalized(), c.stored) << c.in;
    }
}

TEST(Vst3Parameter, TextsOfPlainParameters) {
    Parameter continuous(u"Mix", 1);
    EXPECT_EQ(shown(continuous, 0.5), "0.5000");
    EXPECT_EQ(shown(continuous, 1.0), "1.0000");
    EXPECT_EQ(shown(continuous, 0.123456), "0.1235");
    continuous.setPrecision(1);
    EXPECT_EQ(shown(continuous, 0.26), "0.3");
    Parameter toggle(u"Mute", 2, nullptr, 0.0, 1);
    EXPECT_EQ(shown(toggle, 0.5), "Off");
    EXPECT_EQ(shown(toggle, 0.51), "On");

    struct Parse {
        const char16* text;
        bool ok;
        double value;
    };
    const Parse parses[] = {{u"0.25", true, 0.25}, {u"  0.5 units", true, 0.5}, {u"-3e-1", true, -0.3},
                            {u"abc", false, 9.0},  {u"", false, 9.0},          {u"nan", false, 9.0},
                            {nullptr, false, 9.0}};
    for (const auto& p : parses) {
        double value = 9.0;
        EXPECT_EQ(continuous.fromString(p.text, value), p.ok);
        EXPECT_DOUBLE_EQ(value, p.value);
    }
}

TEST(Vst3StringList, EntriesStepsAndConversions) {
    StringListParameter list(u"Mode", 7);
    EXPECT_EQ(list.getInfo().stepCount, -1);
    EXPECT_EQ(list.getInfo().flags, kCanAutomate | kIsList);
    EXPECT_EQ(shown(list, 0.5), "");  // an empty list shows nothing rather than failing
    const char16* entries[] = {u"Stereo", u"Mid", u"Side"};
    for (int i = 0; i < 3; ++i) {
        list.appendString(entries[i]);
        EXPECT_EQ(list.getInfo().stepCount, i);
    }
    // Three entries: index = truncation of v × 3, limited to 2.
    struct Case {
        double normalized;
        double index;
        const char* text;
    };
    const Case cases[] = {{0.0, 0, "Stereo"}, {0.33, 0, "Stereo"}, {0.34, 1, "Mid"},   {0.66, 1, "Mid"},
                          {0.67, 2, "Side"},  {1.0, 2, "Side"},    {-0.5, 0, "Stereo"}, {std::nan(""), 0, "Stereo"},
                          {7.0, 2, "Side"}};
    for (const auto& c : cases) {
        EXPECT_EQ(list.toPlain(c.normalized), c.index) << c.normalized;
        EXPECT_EQ(shown(list, c.normalized), c.text) << c.normalized;
    }
    EXPECT_EQ(list.toNormalized(0), 0.0);
    EXPECT_EQ(list.toNormalized(1), 0.5);
    EXPECT_EQ(list.toNormalized(2), 1.0);

    double value = -1;
    EXPECT_TRUE(list.fromString(u"Side", value));
    EXPECT_EQ(value, 1.0);
    value = -1;
    EXPECT_FALSE(list.fromString(u"side", value));  // exact, case-sensitive
    EXPECT_FALSE(list.fromString(u"0.5", value));   // no numeric parsing
    EXPECT_EQ(value, -1);

    EXPECT_TRUE(list.replaceString(1, u"Centre"));
    EXPECT_EQ(shown(list, 0.5), "Centre");
    EXPECT_FALSE(list.replaceString(3, u"Nope"));
    EXPECT_FALSE(list.replaceString(-1, u"Nope"));
    list.clear();
    EXPECT_EQ(list.getInfo().stepCount, -1);
    EXPECT_EQ(list.toPlain(1.0), 0.0);
}

TEST(Vst3ParameterContainer, OwnsItsParametersAndFindsThemByIndexAndId) {
    auto* first = new Parameter(u"A", 10);
    auto* second = new Parameter(u"B", 20);
    auto* duplicate = new Parameter(u"C", 10);
    first->addRef();  // keep an eye on its count after the container lets go
    {
        ParameterContainer container;
        container.addParameter(first);
        container.addParameter(second);
        EXPECT_EQ(container.addParameter(nullptr), nullptr);
        EXPECT_EQ(container.getParameter(10), first);
        container.addParameter(duplicate);
        EXPECT_EQ(container.getParameterCount(), 3);
        EXPECT_EQ(container.getParameter(10), duplicate);
        EXPECT_EQ(container.getParameterByIndex(0), first);
        EXPECT_EQ(container.getParameterByIndex(3), nullptr);
        EXPECT_EQ(container.getParameterByIndex(-1), nullptr);
        EXPECT_EQ(container.getParameter(30), nullptr);
        EXPECT_EQ(first->referenceCount(), 2);
    }
    EXPECT_EQ(first->referenceCount(), 1);
    first->release();
}
