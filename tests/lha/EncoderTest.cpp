// The encoder alone, without a reader: what it writes must not depend on how
// the input was handed over or how the worker threads ran.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "archive/lha/lzh_encoder.h"
#include "lha/PrintMethod.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::uint8_t> encode(const std::string& data, const lha::Method& method, std::size_t writeSize) {
    std::vector<std::uint8_t> out;
    lha::LzhEncoder enc(method, [&](const std::uint8_t* d, std::size_t n) { out.insert(out.end(), d, d + n); });
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data.data());
    for (std::size_t at = 0; at < data.size(); at += writeSize)
        enc.write(bytes + at, std::min(writeSize, data.size() - at));
    enc.finish();
    EXPECT_EQ(enc.bytesIn(), data.size());
    EXPECT_EQ(enc.bytesOut(), out.size());
    return out;
}

class Encoder : public ::testing::TestWithParam<lha::Method> {};

TEST_P(Encoder, OutputDoesNotDependOnWritesOrThreads) {
    // Several pieces, parsed two at a time.
    std::string data;
    for (int i = 0; i < 8; ++i) data += testsupport::sjisText(450000 + i) + testsupport::randomBytes(20000, 200 + i);
    const auto whole = encode(data, GetParam(), data.size());
    EXPECT_LT(whole.size(), data.size() / 2);
    for (int run = 0; run < 3; ++run) EXPECT_EQ(encode(data, GetParam(), data.size()), whole) << "run " << run;
    EXPECT_EQ(encode(data, GetParam(), 7777), whole);
    EXPECT_EQ(encode(data, GetParam(), 1), whole);
}

INSTANTIATE_TEST_SUITE_P(AllMethods, Encoder, ::testing::Values(lha::kLh5, lha::kLh6, lha::kLh7),
                         [](const auto& p) { return std::string(p.param.id.substr(1, 3)); });

}  // namespace
