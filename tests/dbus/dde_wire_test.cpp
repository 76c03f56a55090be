// Names and texts as they travel on the bus.
#include <gtest/gtest.h>

#include "platform/qt/dde_wire.h"

namespace pv::dde {
namespace {

TEST(DdeWire, NamesBecomeValidBusNameElements) {
    struct Row {
        const char *rule, *given, *escaped;
    };
    for (const Row& r :
         {Row{"Plain", "Portivox", "Portivox"},
          Row{"BlankAndPunctuation", "Scale 1.a-b", "Scale_1_a_b"}, Row{"Empty", "", "_"},
          Row{"LeadingDigit", "1abc", "_1abc"}, Row{"HighByte", "K\xF6ln", "K_ln"}}) {
        SCOPED_TRACE(r.rule);
        EXPECT_EQ(EscapeName(r.given).toStdString(), r.escaped);
    }
}

TEST(DdeWire, EveryByteSurvivesTheRoundTripAndWiderCharactersBecomeQuestionMarks) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    QString wire = ToWire(all);
    EXPECT_FALSE(wire.contains(QChar(0))) << "D-Bus strings cannot hold NUL";
    EXPECT_EQ(FromWire(wire), all);
    EXPECT_EQ(ToWire("caf\xE9"), QString::fromUtf8("café"));
    // Characters beyond Latin-1 become one question mark each.
    EXPECT_EQ(FromWire(QString::fromUtf8("5€")), "5?");
    EXPECT_EQ(FromWire(QString::fromUtf8("a😀b")), "a?b");
}

} // namespace
} // namespace pv::dde
