// The bundle metadata writer: class id text in both byte orders, snapshot names and
// scales, and the JSON written for the built brindle3 module.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BrindleVersion.h"
#include "ModuleInfo.h"
#include "Vst3Module.h"

using namespace vst3;
using namespace vst3host;
namespace fs = std::filesystem;

TEST(ModuleInfo, ClassIdTextIsTheFourWordsInEitherByteOrder) {
    // Brindle's class: 6B1D39A4 5E20471C 'Zqmk' 'Zqbr' ('Z' 5A, 'q' 71, 'm' 6D, 'k' 6B, 'b' 62, 'r' 72).
    const unsigned char com[16] = {0xA4, 0x39, 0x1D, 0x6B, 0x20, 0x5E, 0x1C, 0x47,
                                   0x5A, 0x71, 0x6D, 0x6B, 0x5A, 0x71, 0x62, 0x72};
    const unsigned char bigEndian[16] = {0x6B, 0x1D, 0x39, 0xA4, 0x5E, 0x20, 0x47, 0x1C,
                                         0x5A, 0x71, 0x6D, 0x6B, 0x5A, 0x71, 0x62, 0x72};
    EXPECT_EQ(classIdText(reinterpret_cast<const char*>(com), UidLayout::Com), "6B1D39A45E20471C5A716D6B5A716272");
    EXPECT_EQ(classIdText(reinterpret_cast<const char*>(bigEndian), UidLayout::BigEndian),
              "6B1D39A45E20471C5A716D6B5A716272");
}

TEST(ModuleInfo, SnapshotsAreTheClassFilesWithTheirScales) {
    const fs::path bundle = fs::temp_directory_path() / "brindle-moduleinfo-test.vst3";
    const fs::path folder = bundle / "Contents" / "Resources" / "Snapshots";
    fs::remove_all(bundle);
    fs::create_directories(folder);
    const std::string id = "6B1D39A45E20471C5A716D6B5A716272";
    const std::vector<std::string> names = {id + "_snapshot_2.0x.png", id + "_snapshot.png", id + "_snapshot_big.png",
                                            id + "_snapshot.jpg", "00000000000000000000000000000000_snapshot.png"};
    for (const std::string& name : names) {
        std::ofstream(folder / name) << "x";
    }
    const std::vector<ModuleSnapshot> found = findSnapshots(bundle.u8string(), id);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].path, "Contents/Resources/Snapshots/" + id + "_snapshot.png");
    EXPECT_EQ(found[0].scale, 1.0);
    EXPECT_EQ(found[1].path, "Contents/Resources/Snapshots/" + id + "_snapshot_2.0x.png");
    EXPECT_EQ(found[1].scale, 2.0);
    EXPECT_TRUE(findSnapshots((bundle / "missing").u8string(), id).empty());
    fs::remove_all(bundle);
}

TEST(ModuleInfo, BuiltBundleCarriesTheFactorysDescription) {
    std::ifstream in(fs::u8path(BRINDLE3_BUNDLE) / "Contents" / "Resources" / "moduleinfo.json", std::ios::binary);
    ASSERT_TRUE(in) << "the build writes moduleinfo.json into " << BRINDLE3_BUNDLE;
    const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::string> expectedLines = {std::string("\"Name\": \"brindle3\""), std::string("\"Version\": \"") + BRINDLE_VERSION_STRING + "\"",
          std::string("\"CID\": \"6B1D39A45E20471C5A716D6B5A716272\""), std::string("\"Vendor\": \"Orvane\""),
          std::string("\"Sub Categories\": [\"Fx\", \"Spatial\"]"), std::string("\"Cardinality\": 2147483647"),
          std::string("\"Class Flags\": 2"), std::string("\"Unicode\": true"),
          std::string("\"Path\": \"Contents/Resources/Snapshots/6B1D39A45E20471C5A716D6B5A716272_snapshot.png\"")};
    for (const std::string& expected : expectedLines) {
        EXPECT_NE(written.find(expected), std::string::npos) << expected;
    }
    // The writer run now on the module gives the same text: the file is not stale.
    std::string error;
    std::unique_ptr<Vst3Module> module = Vst3Module::load(BRINDLE3_BUNDLE, error);
    ASSERT_TRUE(module) << error;
    EXPECT_EQ(moduleInfoJson(module->factory(), "brindle3", BRINDLE_VERSION_STRING, BRINDLE3_BUNDLE, error), written);
}
