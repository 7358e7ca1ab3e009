// Windows' own network drives, as far as Wine has them: the calls are
// made, and what they answer becomes a message of the drive dialog.

#include <gtest/gtest.h>

#include "desktop/wnet_drives.h"
#include "device/drives.h"

namespace {

TEST(WNetDrives, TheCallsAnswerAndTheirResultsAreTheDialogsMessages) {
  desktop::WNetNetworkDrives drives;
  EXPECT_EQ(drives.GetDriveType("C:\\"), desktop::DriveType::Fixed);
  EXPECT_EQ(drives.GetDriveType("Q:\\"), desktop::DriveType::NoRootDir);
  EXPECT_EQ(drives.GetConnection("Q:"), std::nullopt);
  // No share answers here (Wine has no SMB client): each call fails with a
  // result the dialog has words for, and leaves no drive behind.
  const std::string share = "\\\\10.77.0.11\\PUBLIC";
  for (const int result :
       {drives.ProbeShare(share, "pw"), drives.MapDrivePersistently("Q:", share, "pw"),
        drives.Reconnect("Q:")}) {
    EXPECT_NE(result, 0);
    EXPECT_NE(device::DriveResultKey(result), "Exception Error.") << result;
  }
  EXPECT_EQ(drives.GetConnection("Q:"), std::nullopt);
  EXPECT_TRUE(drives.ListDrives().empty());
}

}  // namespace
