#include "core/subnet.h"

#include <gtest/gtest.h>

namespace {

using core::SameSubnet;

TEST(SameSubnet, ComparesTheMaskedNetworks) {
  EXPECT_TRUE(SameSubnet("192.168.1.77", "192.168.1.20", "255.255.255.0"));
  EXPECT_TRUE(SameSubnet("10.20.30.40", "10.0.0.5", "255.0.0.0"));
  EXPECT_FALSE(SameSubnet("192.168.2.20", "192.168.1.20", "255.255.255.0"));
  EXPECT_TRUE(SameSubnet("8.8.8.8", "0.0.0.0", "0.0.0.0"));  // accepts every device
  EXPECT_TRUE(SameSubnet("172.16.5.1", "172.16.4.9", "255.255.254.0"));
  EXPECT_FALSE(SameSubnet("172.16.6.1", "172.16.4.9", "255.255.254.0"));
}

TEST(SameSubnet, ShortAddressesReuseTheirLastPart) {
  // A text with no "." left gives the same part again, as the device's
  // firmware-era tools did: "10.5" reads as 10.5.5.5.
  EXPECT_TRUE(SameSubnet("10.5", "10.5.5.5", "255.255.255.255"));
  EXPECT_FALSE(SameSubnet("10.5", "10.5.5.6", "255.255.255.255"));
}

TEST(SameSubnet, UnreadableAdapterWarnsOfNothingGarbageAddressDiffers) {
  EXPECT_TRUE(SameSubnet("192.168.1.5", "", ""));
  EXPECT_FALSE(SameSubnet("nas.local", "192.168.1.20", "255.255.255.0"));
  EXPECT_FALSE(SameSubnet("192.168.1.x", "192.168.1.20", "255.255.255.0"));
  EXPECT_FALSE(SameSubnet("", "192.168.1.20", "255.255.255.0"));
}

}  // namespace
