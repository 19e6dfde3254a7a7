#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "crypto/sealed/cpace.h"

namespace {

Bytes hex(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i + 1 < text.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
    return out;
}
template <typename A>
Bytes bytes_of(const A& a) { return Bytes(a.begin(), a.end()); }
template <typename A>
A array_of(const std::string& text) {
    A out{};
    const Bytes b = hex(text);
    std::copy(b.begin(), b.end(), out.begin());
    return out;
}
Bytes text(const char* s) { return Bytes(s, s + strlen(s)); }

// The published vectors of the suite's definition.
const Bytes prs = text("Password");
const Bytes ci = hex("0b415f696e69746961746f720b425f726573706f6e646572");
const Bytes sid = hex("7e4b4791d6a8ef019b936c79fb7f2c57");
const Bytes ada = text("ADa"), adb = text("ADb");
const Scalar ya = array_of<Scalar>("da3d23700a9e5699258aef94dc060dfda5ebb61f02a5ea77fad53f4ff0976d08");
const Scalar yb = array_of<Scalar>("d2316b454718c35362d83d69df6320f38578ed5984651435e2949762d900b80d");
const Point Ya = array_of<Point>("d6bac480f2c386c394efc7c47adb9925dcd2630b64f240c50f8d0eec482b9157");
const Point Yb = array_of<Point>("3ea7e0b19560d7c0b0f5734f63b955286dfa8232b5ebe63324e2d9e7433f7258");
const Point K = array_of<Point>("80b69a8a76457ab6a4d7f887a4bf6b55a2f80ac19c333f917a05fc9887c8b40f");

Bytes or_empty(const std::optional<Point>& p) { return p ? bytes_of(*p) : Bytes{}; }

struct Vector {
    const char* name;
    std::function<Bytes()> compute;
    std::string expected;  // empty: the step must refuse
};

TEST(CPace, ComputesThePublishedVectors) {
    ASSERT_TRUE(sealed_crypto_ready());
    const Point g = cpace_generator(prs, ci, sid);
    const Vector vectors[] = {
        {"lv_cat with an empty field", [] { Bytes a = text("1234"), b = text("5"), c, d = text("678"); return lv_cat({&a, &b, &c, &d}); },
         "043132333401350003363738"},
        {"two-byte length", [] { Bytes b = prepend_len(Bytes(128, 7)); b.resize(2); return b; }, "8001"},
        {"generator string", [] { return generator_string(prs, ci, sid); },
         "11435061636552697374726574746f3235350850617373776f726464" + std::string(200, '0') +
             "180b415f696e69746961746f720b425f726573706f6e646572107e4b4791d6a8ef019b936c79fb7f2c57"},
        {"generator", [&] { return bytes_of(g); }, "222b6b195fe84b1652badb6f6a3ae3d24341e7306967f0b8115b40d5698c7e56"},
        {"initiator share", [&] { return or_empty(cpace_share(ya, g)); }, "d6bac480f2c386c394efc7c47adb9925dcd2630b64f240c50f8d0eec482b9157"},
        {"responder share", [&] { return or_empty(cpace_share(yb, g)); }, "3ea7e0b19560d7c0b0f5734f63b955286dfa8232b5ebe63324e2d9e7433f7258"},
        {"K seen by the initiator", [] { return or_empty(cpace_shared_point(ya, Yb)); }, "80b69a8a76457ab6a4d7f887a4bf6b55a2f80ac19c333f917a05fc9887c8b40f"},
        {"K seen by the responder", [] { return or_empty(cpace_shared_point(yb, Ya)); }, "80b69a8a76457ab6a4d7f887a4bf6b55a2f80ac19c333f917a05fc9887c8b40f"},
        {"transcript", [] { return transcript_ir(Ya, ada, Yb, adb); },
         "20d6bac480f2c386c394efc7c47adb9925dcd2630b64f240c50f8d0eec482b915703414461203ea7e0b19560d7c0b0f5734f63b955286dfa"
         "8232b5ebe63324e2d9e7433f725803414462"},
        {"ISK", [] { return bytes_of(intermediate_session_key(sid, K, transcript_ir(Ya, ada, Yb, adb))); },
         "b69effbf61b51d56401c0f65601abe428de8206feaaf0e32198896dcae7b35cd2b38950a39dfd5d4a79164614c2984f7daa460b588c1e80c"
         "3fa2068af7900447"},
        {"scalar times a point", [] { return or_empty(cpace_shared_point(array_of<Scalar>("7cd0e075fa7955ba52c02759a6c90dbbfc10e6d40aea8d283e407d88cf538a05"),
                                                                         array_of<Point>("2c3c6b8c4f3800e7aef6864025b4ed79bd599117e427c41bd47d93d654b4a51c"))); },
         "7c13645fe790a468f62c39beb7388e541d8405d1ade69d1778c5fe3e7f6b600e"},
        {"share that does not decode", [] { return or_empty(cpace_shared_point(ya, array_of<Point>("2b3c6b8c4f3800e7aef6864025b4ed79bd599117e427c41bd47d93d654b4a51c"))); }, ""},
        {"identity share", [] { return or_empty(cpace_shared_point(ya, Point{})); }, ""},
    };
    for (const Vector& v : vectors) EXPECT_EQ(v.compute(), hex(v.expected)) << v.name;
}

}  // namespace
