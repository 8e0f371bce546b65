#include "Class/AppShell/KXDeviceInfo.h"

#include "Platform/Storage/UserDefaults.h"
#include "Support/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;

namespace {

void write(const fs::path& file, const std::string& text)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

// A machine: machine id, network interfaces (name, address, flags), os-release, DMI name, config.
struct FixtureMachine {
    fs::path root = testsupport::makeScratchDir("machine");
    KXDeviceInfo::Roots roots{root / "etc/machine-id", root / "sys/class/net", root / "etc/os-release",
                              root / "sys/class/dmi/id/product_name", root / "share/config.plist"};

    void interface(const std::string& name, const std::string& address, const std::string& flags = "0x1003")
    {
        write(roots.networkClass / name / "address", address + "\n");
        write(roots.networkClass / name / "flags", flags + "\n");
    }
};

} // namespace

TEST(KXDeviceInfo, DescribesTheMachineFromItsFiles)
{
    FixtureMachine machine;
    write(machine.roots.machineId, "4c2a1f0e9d8b7a6f5e4d3c2b1a098765\n");
    machine.interface("lo", "00:00:00:00:00:00", "0x9");
    machine.interface("wlp2s0", "3C:A9:F4:12:AB:CD");
    machine.interface("enp0s31f6", "54:e1:ad:00:11:22");
    machine.interface("docker0", "00:00:00:00:00:00");
    write(machine.roots.osRelease, "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n");
    write(machine.roots.productName, "ThinkPad X1 Carbon Gen 9\n");
    write(machine.roots.distribution, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                                      "<key>From</key><string>linux</string></dict></plist>\n");

    const auto description = KXDeviceInfo::read(machine.roots);
    ASSERT_TRUE(description.uiid);
    EXPECT_EQ(*description.uiid, KXDeviceInfo::uiidForMachineId("4c2a1f0e9d8b7a6f5e4d3c2b1a098765"));
    // Interfaces in name order: docker0 has no address, enp0s31f6 comes before wlp2s0.
    EXPECT_EQ(description.macAddress, "54:e1:ad:00:11:22");
    EXPECT_EQ(description.systemVersion, "12");
    EXPECT_EQ(description.macType, "ThinkPad X1 Carbon Gen 9");
    EXPECT_EQ(description.typeFrom, "linux");
}

TEST(KXDeviceInfo, TheIdIsAStableKeyedHashNotTheMachineId)
{
    const std::string id = KXDeviceInfo::uiidForMachineId("4c2a1f0e9d8b7a6f5e4d3c2b1a098765");
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(id, KXDeviceInfo::uiidForMachineId("4c2a1f0e9d8b7a6f5e4d3c2b1a098765"));
    EXPECT_NE(id, KXDeviceInfo::uiidForMachineId("4c2a1f0e9d8b7a6f5e4d3c2b1a098766"));
    EXPECT_NE(id, "4c2a1f0e9d8b7a6f5e4d3c2b1a098765");
}

TEST(KXDeviceInfo, MissingFilesGiveNoValueAndTheUnknownModel)
{
    FixtureMachine machine;
    write(machine.roots.machineId, "\n");
    machine.interface("lo", "00:00:00:00:00:00", "0x9");
    machine.interface("ib0", "80:00:02:08:fe:80:00:00:00:00:00:00:00:02:c9:03:00:0d:fe:71"); // not Ethernet
    machine.interface("tun0", "");
    write(machine.roots.osRelease, "NAME=Arch\n");
    const auto description = KXDeviceInfo::read(machine.roots);
    EXPECT_FALSE(description.uiid);
    EXPECT_FALSE(description.macAddress);
    EXPECT_FALSE(description.systemVersion);
    EXPECT_EQ(description.macType, KXDeviceInfo::kUnknownModel);
    EXPECT_FALSE(description.typeFrom);
}

TEST(KXDeviceInfo, AbsentValuesRemoveTheirKeys)
{
    foundation::UserDefaults defaults(testsupport::makeScratchDir("defaults") / "defaults.plist");
    for (const char* key : {"UIID", "macAddress", "SystemVersion", "macType", "typeFrom"})
        defaults.setObject(foundation::Id("stale"), key);
    KXDeviceInfo::Description description;
    description.macAddress = "54:e1:ad:00:11:22";
    description.macType = KXDeviceInfo::kUnknownModel;
    KXDeviceInfo::store(description, defaults);
    EXPECT_TRUE(defaults.objectForKey("UIID").isNil());
    EXPECT_EQ(defaults.objectForKey("macAddress").stringValue(), "54:e1:ad:00:11:22");
    EXPECT_TRUE(defaults.objectForKey("SystemVersion").isNil());
    EXPECT_EQ(defaults.objectForKey("macType").stringValue(), "Unknown Mac");
    EXPECT_EQ(defaults.objectForKey("typeFrom").stringValue(), "stale") << "typeFrom is stored later, before the launch report";
    KXDeviceInfo::storeTypeFrom(description, defaults);
    EXPECT_TRUE(defaults.objectForKey("typeFrom").isNil());
}
