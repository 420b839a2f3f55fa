#include <gtest/gtest.h>

#include "core/base/Base64.h"

using namespace corvane;

TEST(Base64, encodes_the_standard_test_vectors)
{
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
}

TEST(Base64, every_byte_value_survives_a_round_trip)
{
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    for (std::size_t length : {0u, 1u, 2u, 3u, 255u, 256u})
        EXPECT_EQ(base64Decode(base64Encode(bytes.substr(0, length))), bytes.substr(0, length));
}

TEST(Base64, decoding_refuses_anything_but_the_padded_standard_alphabet)
{
    for (const char* text : {"Zg=", "Zg", "Zm9v!A==", "Z===", "====", "=Zg=", "Zg==Zg==", "Zm9v\n", "Zm-_"})
        EXPECT_EQ(base64Decode(text), std::nullopt) << text;
}
