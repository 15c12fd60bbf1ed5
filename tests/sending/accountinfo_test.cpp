#include "sending/accountinfo.h"

#include "platform/vb/error.h"

#include <gtest/gtest.h>

namespace {

TEST(AccountInformation, TheFirstLineIsTheCreditAndEachFurtherEndedLineAnOriginator) {
    const struct {
        const char* reply;
        const char* credit;
        QStringList originators;
    } cases[] = {
        {"1500\nQUILLMERE\nDEMO FIRMA\n", "1500", {"QUILLMERE", "DEMO FIRMA"}},
        {"1500\nQUILLMERE\nSON", "1500", {"QUILLMERE"}},   // the last piece has no line feed
        {"1500\n", "1500", {}},
        {"\n\n\n", "", {"", ""}},
        {"0\r\nA\r\n", "0\r", {"A\r"}},                      // only the line feed ends a line
    };
    for (const auto& c : cases) {
        const sending::AccountInformation info = sending::ParseAccountInformation(QString::fromUtf8(c.reply));
        EXPECT_EQ(info.credit, QString::fromUtf8(c.credit)) << c.reply;
        EXPECT_EQ(info.originators, c.originators) << c.reply;
    }
}

TEST(AccountInformation, AReplyWithoutALineFeedCannotBeRead) {
    for (const char* reply : {"", "1500", "13"}) {
        try {
            sending::ParseAccountInformation(QString::fromUtf8(reply));
            ADD_FAILURE() << reply;
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), vb::errInvalidCall) << reply;
        }
    }
}

} // namespace
