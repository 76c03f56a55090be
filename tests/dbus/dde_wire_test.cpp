// Names and texts as they travel on the bus.
#include <gtest/gtest.h>

#include "platform/qt/dde_wire.h"

namespace pv::dde {
namespace {

struct NameRow {
    const char *name, *given, *escaped;
};

class NameEscaping : public testing::TestWithParam<NameRow> {};

TEST_P(NameEscaping, GivesAValidBusNameElement) {
    EXPECT_EQ(EscapeName(GetParam().given).toStdString(), GetParam().escaped);
}

INSTANTIATE_TEST_SUITE_P(
    Dde, NameEscaping,
    testing::Values(NameRow{"Plain", "Portivox", "Portivox"},
                    NameRow{"BlankAndPunctuation", "Scale 1.a-b", "Scale_1_a_b"},
                    NameRow{"Empty", "", "_"}, NameRow{"LeadingDigit", "1abc", "_1abc"},
                    NameRow{"HighByte", "K\xF6ln", "K_ln"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DdeWire, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    QString wire = ToWire(all);
    EXPECT_FALSE(wire.contains(QChar(0))) << "D-Bus strings cannot hold NUL";
    EXPECT_EQ(FromWire(wire), all);
    EXPECT_EQ(ToWire("caf\xE9"), QString::fromUtf8("café"));
}

TEST(DdeWire, CharactersBeyondLatin1BecomeOneQuestionMark) {
    EXPECT_EQ(FromWire(QString::fromUtf8("5€")), "5?");
    EXPECT_EQ(FromWire(QString::fromUtf8("a😀b")), "a?b");
}

} // namespace
} // namespace pv::dde
