#include <gtest/gtest.h>

#include "crypto/scram.h"

namespace {
// RFC 7677, section 3.
constexpr char nonce[] = "rOprNGfwEbeRWgbNEkqO";
constexpr char server_first[] = "r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096";
constexpr char client_final[] =
    "c=biws,r=rOprNGfwEbeRWgbNEkqO%hvYDpWUa2RaTCAfuxFIlj)hNlF$k0,p=dHzbZapWIk4jUhN+Ute9ytag9zjfMHgsqmmiz7AndVQ=";
constexpr char server_final[] = "v=6rriTRBi23WpRR/wtup+mMhUZUn/dB5nLTJRsjl95G4=";

TEST(Scram, TheExampleExchangeOfTheStandard) {
    ScramClient scram("user", "pencil", nonce);
    EXPECT_EQ(scram.client_first(), "n,,n=user,r=rOprNGfwEbeRWgbNEkqO");
    std::string reply, error;
    ASSERT_TRUE(scram.answer(server_first, reply, error)) << error;
    EXPECT_EQ(reply, client_final);
    EXPECT_TRUE(scram.verify(server_final, error)) << error;
    EXPECT_EQ(ScramClient("a=b,c", "p", "n").client_first(), "n,,n=a=3Db=2Cc,r=n");
    EXPECT_NE(ScramClient("u", "p").client_first(), ScramClient("u", "p").client_first());
}

TEST(Scram, ABadServerIsRefused) {
    const struct {
        const char *server_first, *server_final, *error;
    } cases[] = {
        {"r=someoneelse,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", nullptr, "the server's nonce does not continue ours"},
        {"r=rOprNGfwEbeRWgbNEkqO,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=4096", nullptr, "the server's nonce does not continue ours"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=0", nullptr, "unacceptable iteration count"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=W22ZaJ0SNY7soEsUEjb6gQ==,i=99999999", nullptr, "unacceptable iteration count"},
        {"r=rOprNGfwEbeRWgbNEkqOx,s=not base64,i=4096", nullptr, "malformed challenge"},
        {"e=unknown-user", nullptr, "unknown-user"},
        {server_first, "v=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA=", "the server could not prove that it knows the password"},
        {server_first, "e=invalid-proof", "invalid-proof"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server_first);
        ScramClient scram("user", "pencil", nonce);
        std::string reply, error;
        const bool answered = scram.answer(c.server_first, reply, error);
        if (!c.server_final) {
            EXPECT_FALSE(answered);
        } else {
            ASSERT_TRUE(answered);
            EXPECT_FALSE(scram.verify(c.server_final, error));
        }
        EXPECT_EQ(error, c.error);
    }
}
}  // namespace
