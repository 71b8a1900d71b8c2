#include "models_section.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const WindowsVersion kWindows7 = {6, 1, 7601, 1, 0x100};
const WindowsVersion kWindows10 = {10, 0, 19045, 1, 0x100};
const WindowsVersion kWindows10_1709 = {10, 0, 16299, 1, 0x100};
const WindowsVersion kWindows10_1703 = {10, 0, 15063, 1, 0x100};
const WindowsVersion kServer2022 = {10, 0, 20348, 3, 0x110};

// Each row: the decorations of one [Manufacturer] entry, the platform, and the one Windows reads.
TEST(ChooseDecoration, TheClosestForThisPlatform) {
  struct {
    std::vector<const char*> decorations;
    const char* architecture;
    WindowsVersion version;
    int chosen;
  } cases[] = {
      {{"NTx86", "NTamd64", "NTarm64"}, "amd64", kWindows10, 1},
      {{"NTx86", "NTamd64", "NTarm64"}, "arm64", kWindows10, 2},
      {{"NTx86", "NTamd64", "NTarm64"}, "x86", kWindows10, 0},
      {{"ntAMD64"}, "amd64", kWindows10, 0},  // case does not count
      {{"NTx86"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{}, "amd64", kWindows10, NO_MODELS_SECTION},  // 64-bit Windows needs a decoration
      {{}, "x86", kWindows10, UNDECORATED},
      {{"NT"}, "x86", kWindows10, 0},
      {{"NT"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NT", "NTx86"}, "x86", kWindows10, 1},  // the architecture is the closer match
      {{"NTamd64", "NTamd64.10.0"}, "amd64", kWindows10, 1},
      {{"NTamd64.10.0", "NTamd64"}, "amd64", kWindows10, 0},
      {{"NTamd64.6.1", "NTamd64.10.0...22000"}, "amd64", kWindows10, 0},  // built for Windows 11
      {{"NTamd64.10.0...22000"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NTamd64.10.0...16299", "NTamd64.10.0...19041"}, "amd64", kWindows10, 1},
      {{"NTx86.10.0...16299"}, "x86", kWindows10, 0},
      {{"NTarm64.10.0...16299"}, "arm64", kWindows10, 0},
      {{"NTamd64.10.0...16299"}, "amd64", kWindows10_1709, 0},  // the build itself
      {{"NTamd64.10.0...16299"}, "amd64", kWindows10_1703, NO_MODELS_SECTION},
      {{"NTamd64.10.0...99999"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NTamd64.10.0...16299"}, "amd64", kWindows7, NO_MODELS_SECTION},
      {{"NTx86.10.0...16299"}, "x86", kWindows7, UNDECORATED},
      {{"NTamd64.6.1"}, "amd64", kWindows7, 0},
      {{"NTamd64.6.2"}, "amd64", kWindows7, NO_MODELS_SECTION},
      {{"NTamd64.6.1", "NTamd64.10.0...16299"}, "amd64", kWindows7, 0},
      {{"NTamd64.6.1", "NTamd64.10.0...16299"}, "amd64", kWindows10, 1},
      {{"NTamd64.6.1", "NTamd64.10.0...99999"}, "amd64", kWindows10, 0},
      {{}, "amd64", kWindows7, NO_MODELS_SECTION},
      {{}, "x86", kWindows7, UNDECORATED},
      {{"NTamd64.10.0.3"}, "amd64", kWindows10, NO_MODELS_SECTION},  // servers only
      {{"NTamd64.10.0.3"}, "amd64", kServer2022, 0},
      {{"NTamd64.10.0.0x3"}, "amd64", kServer2022, 0},
      {{"NTamd64.10.0..0x10"}, "amd64", kServer2022, 0},  // a suite the system has
      {{"NTamd64.10.0..0x10"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NTamd64.11.0"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NTia64", "NTamd64x", "NTamd64.ten", "X86"}, "amd64", kWindows10, NO_MODELS_SECTION},
      {{"NTia64", "NTamd64x", "X86"}, "x86", kWindows10, UNDECORATED},
  };
  for (const auto& c : cases) {
    std::string all;
    for (const char* d : c.decorations) all += std::string(d) + ",";
    SCOPED_TRACE(all + " on " + c.architecture);
    EXPECT_EQ(ChooseDecoration(c.decorations.data(), static_cast<int>(c.decorations.size()), c.architecture,
                               c.version),
              c.chosen);
  }
}

TEST(SameDeviceId, AsciiCaseAloneIsIgnored) {
  EXPECT_TRUE(SameDeviceId("PCI\\VEN_8086&DEV_1234", "pci\\ven_8086&dev_1234"));
  EXPECT_TRUE(SameDeviceId("", ""));
  EXPECT_FALSE(SameDeviceId("PCI\\VEN_8086", "PCI\\VEN_8086&DEV_1234"));
  EXPECT_FALSE(SameDeviceId("PCI\\VEN_8086&DEV_1234", "PCI\\VEN_8086"));
  EXPECT_FALSE(SameDeviceId("USB\\VID_1234 ", "USB\\VID_1234"));
  EXPECT_FALSE(SameDeviceId("HW\xc0", "HW\xe0"));  // outside ASCII, as typed
  EXPECT_EQ(std::string(DecorationArchitecture("x64")), "amd64");
  EXPECT_EQ(std::string(DecorationArchitecture("arm64")), "arm64");
}

}  // namespace
