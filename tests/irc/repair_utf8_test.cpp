#include <gtest/gtest.h>

#include "irc/repair_utf8.h"

namespace {

struct RepairCase {
    std::wstring misread;
    std::wstring repaired;
};

TEST(RepairUtf8, DecodesTheBytesAgain) {
    const RepairCase cases[] = {
        {L"\u00C3\u00A9", L"\u00E9"},                             // é
        {L"plain ascii", L"plain ascii"},
        {L"\u00C3\u00A9t\u00C3\u00A9", L"\u00E9t\u00E9"},         // été
        {L"\u00C2\u00A0", L"\u00A0"},                             // no-break space
        {L"\u00E2\u201A\u00AC", L"\u20AC"},                       // € : E2 82 AC, 0x82 read as U+201A
        {L"\u00E2\u20AC\u2122", L"\u2019"},                       // ’ : E2 80 99
        {L"\u00C3\u20AC", L"\u00C0"},                             // À : C3 80
        {L"\u00F0\u0178\u02DC\u20AC", L"\U0001F600"},             // 😀 : F0 9F 98 80, a surrogate pair
        {L"\u00ED\u00A0\u20AC", L""},                             // ED A0 80 would be U+D800: dropped
        {L"\u00F4\u0090\u20AC\u20AC", L""},                       // F4 90 80 80 is beyond U+10FFFF: dropped
        {L"\u00C3", L"\u0003"},                                   // a lead byte alone keeps its low bits
        {L"\u00A9", L"\u0029"},                                   // a stray continuation byte likewise
        {L"x\u0416y", L"x\u0416y"},                               // not from the code page: kept
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(repair_utf8(c.misread), c.repaired);
    }
}

TEST(RepairUtf8, LongContinuationRunsStayBounded) {
    std::wstring text = L"\u00F0" + std::wstring(5000, L'\u00BF');
    std::wstring repaired = repair_utf8(text);
    EXPECT_LE(repaired.size(), 2u);
}

}  // namespace
