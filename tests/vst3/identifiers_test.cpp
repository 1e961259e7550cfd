// Interface identifiers and result codes as hosts on each platform expect them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "Vst3Interfaces.h"

using namespace vst3;

namespace {

std::string hexOf(const Uid& uid) {
    std::ostringstream text;
    for (int i = 0; i < 16; ++i) {
        static const char digits[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(uid.bytes[i]);
        text << (i ? " " : "") << digits[byte >> 4] << digits[byte & 15];
    }
    return text.str();
}

struct IdentifierCase {
    const char* name;
    Uid native;
    uint32 words[4];
    const char* windowsBytes;
    const char* linuxBytes;
};

// Byte images as published for each platform, independent of the encoder.
const IdentifierCase kIdentifiers[] = {
    {"FUnknown", FUnknown::iid, {0x00000000, 0x00000000, 0xC0000000, 0x00000046},
     "00 00 00 00 00 00 00 00 C0 00 00 00 00 00 00 46", "00 00 00 00 00 00 00 00 C0 00 00 00 00 00 00 46"},
    {"IComponent", IComponent::iid, {0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802},
     "31 FF 31 E8 D5 F2 01 43 92 8E BB EE 25 69 78 02", "E8 31 FF 31 F2 D5 43 01 92 8E BB EE 25 69 78 02"},
    {"IAudioProcessor", IAudioProcessor::iid, {0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D},
     "99 3F 04 42 DA B7 3C 45 A5 69 E7 9D 9A AE C3 3D", "42 04 3F 99 B7 DA 45 3C A5 69 E7 9D 9A AE C3 3D"},
    {"IEditController", IEditController::iid, {0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E},
     "E3 BB D7 DC 42 77 8D 44 A8 74 AA CC 97 9C 75 9E", "DC D7 BB E3 77 42 44 8D A8 74 AA CC 97 9C 75 9E"},
    {"IPluginFactory2", IPluginFactory2::iid, {0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB},
     "50 B6 07 00 4B F2 0B 4C A4 64 ED B9 F0 0B 2A BB", "00 07 B6 50 F2 4B 4C 0B A4 64 ED B9 F0 0B 2A BB"},
    {"IPlugView", IPlugView::iid, {0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29},
     "07 25 C3 5B 60 D0 EA 49 A6 15 1B 52 2B 75 5B 29", "5B C3 25 07 D0 60 49 EA A6 15 1B 52 2B 75 5B 29"},
    {"IBStream", IBStream::iid, {0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B},
     "A2 6E BF C3 99 30 52 47 9B 6B F9 90 1E E3 3E 9B", "C3 BF 6E A2 30 99 47 52 9B 6B F9 90 1E E3 3E 9B"},
    {"IComponentHandler", IComponentHandler::iid, {0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6},
     "A3 BE A0 93 D0 0B DB 45 8E 89 0B 0C C1 E4 6A C6", "93 A0 BE A3 0B D0 45 DB 8E 89 0B 0C C1 E4 6A C6"},
    {"IParamValueQueue", IParamValueQueue::iid, {0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA},
     "18 3A 26 01 07 ED 6F 4F 98 C9 D3 56 46 86 F9 BA", "01 26 3A 18 ED 07 4F 6F 98 C9 D3 56 46 86 F9 BA"},
};

}  // namespace

TEST(Vst3Identifiers, NativeBytesMatchThePlatformsPublishedImage) {
    for (const auto& c : kIdentifiers) {
#ifdef _WIN32
        EXPECT_EQ(hexOf(c.native), c.windowsBytes) << c.name;
#else
        EXPECT_EQ(hexOf(c.native), c.linuxBytes) << c.name;
#endif
    }
}

TEST(Vst3Identifiers, BothLayoutsEncodeOnEitherPlatform) {
    for (const auto& c : kIdentifiers) {
        const uint32* w = c.words;
        EXPECT_EQ(hexOf(encodeUid(UidLayout::Com, w[0], w[1], w[2], w[3])), c.windowsBytes) << c.name;
        EXPECT_EQ(hexOf(encodeUid(UidLayout::BigEndian, w[0], w[1], w[2], w[3])), c.linuxBytes) << c.name;
    }
    // The plug-in's class id on Windows: maker id 'Zqmk' and unique id 'Zqbr' end it.
    EXPECT_EQ(hexOf(encodeUid(UidLayout::Com, 0x6B1D39A4, 0x5E20471C, 0x5A716D6B, 0x5A716272)),
              "A4 39 1D 6B 20 5E 1C 47 5A 71 6D 6B 5A 71 62 72");
}

TEST(Vst3Identifiers, MatchComparesAllSixteenBytes) {
    char bytes[16];
    IComponent::iid.copyTo(bytes);
    EXPECT_TRUE(IComponent::iid.matches(bytes));
    bytes[15] ^= 1;
    EXPECT_FALSE(IComponent::iid.matches(bytes));
    EXPECT_FALSE(IComponent::iid.matches(nullptr));
}

TEST(Vst3ResultCodes, HaveThePlatformsValues) {
#ifdef _WIN32
    const int64 expected[] = {-2147467262, 0, 1, -2147024809, -2147467263, -2147467259, -2147418113, -2147024882};
#else
    const int64 expected[] = {-1, 0, 1, 2, 3, 4, 5, 6};
#endif
    const tresult actual[] = {kNoInterface,    kResultOk,     kResultFalse,     kInvalidArgument,
                              kNotImplemented, kInternalError, kNotInitialized, kOutOfMemory};
    for (size_t i = 0; i < sizeof actual / sizeof actual[0]; ++i) EXPECT_EQ(actual[i], expected[i]) << i;
    EXPECT_EQ(kResultTrue, kResultOk);
}
