#include "gateway/replies.h"
#include "platform/vb/error.h"

#include <gtest/gtest.h>

namespace {

using quillmere::replies::ParseAccountInfo;

TEST(AccountInfo, TheCreditThenOneOriginatorPerEndedLine) {
    const struct {
        const char* reply;
        const char* credit;
        QStringList originators;
    } cases[] = {
        {"1500\nQUILLMERE\nDEMO FIRMA\n", "1500", {"QUILLMERE", "DEMO FIRMA"}},
        {"1500\nQUILLMERE\nYARIM", "1500", {"QUILLMERE"}},
        {"1500\n", "1500", {}},
        {"0\n\n\nA\n", "0", {"", "", "A"}},
        {"\nA\n", "", {"A"}},
        // Line ends of a Windows server.
        {"250\r\nQUILLMERE\r\n", "250", {"QUILLMERE"}},
        {"250\r\nQUILLMERE\r\nDEMO FIRMA\nYARIM\r", "250", {"QUILLMERE", "DEMO FIRMA"}},
        {"\r\n\r\n", "", {""}},
        // Only the carriage return right before a line feed.
        {"2\r50\r\r\nA\rB\r\n", "2\r50\r", {"A\rB"}},
    };
    for (const auto& c : cases) {
        const auto info = ParseAccountInfo(QString::fromUtf8(c.reply));
        EXPECT_EQ(info.credit, QString::fromUtf8(c.credit)) << c.reply;
        EXPECT_EQ(info.originators, c.originators) << c.reply;
    }
}

TEST(AccountInfo, AReplyWithoutALineFeedCannotBeRead) {
    for (const char* reply : {"", "1500", "ID 12"}) {
        try {
            ParseAccountInfo(QString::fromUtf8(reply));
            ADD_FAILURE() << reply;
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), vb::errInvalidCall) << reply;
        }
    }
}

} // namespace
