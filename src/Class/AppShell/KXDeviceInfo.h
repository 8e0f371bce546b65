#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {
class UserDefaults;
}

// The device description that the transport sends with every request, read from files only (no
// commands run): "UIID" from the machine id, "macAddress" from the first real network interface,
// "SystemVersion" from os-release, "macType" from the DMI product name, "typeFrom" from the
// distribution config. The roots are parameters so that tests read fixture trees.
class KXDeviceInfo {
public:
    struct Roots {
        std::filesystem::path machineId;      // /etc/machine-id
        std::filesystem::path networkClass;   // /sys/class/net
        std::filesystem::path osRelease;      // /etc/os-release
        std::filesystem::path productName;    // /sys/class/dmi/id/product_name
        std::filesystem::path distribution;   // <resources>/config.plist
    };
    static Roots systemRoots();

    // Each absent value removes its key when stored.
    struct Description {
        std::optional<std::string> uiid;
        std::optional<std::string> macAddress;
        std::optional<std::string> systemVersion;
        std::string macType;
        std::optional<std::string> typeFrom;
    };

    static constexpr const char* kUnknownModel = "Unknown Mac";

    static Description read(const Roots& roots);
    // 32 lower-case hex digits: an HMAC-SHA256 of the machine id under the application's own key,
    // so the service gets a stable id that no other program can link to the machine id.
    static std::string uiidForMachineId(std::string_view machineId);
    // The colon form of the first interface, in name order, that is not a loopback and has a
    // non-zero hardware address.
    static std::optional<std::string> firstHardwareAddress(const std::filesystem::path& networkClass);
    // VERSION_ID of an os-release file, unquoted.
    static std::optional<std::string> osReleaseVersion(const std::filesystem::path& file);
    // "From" of the distribution config.
    static std::optional<std::string> distributionSource(const std::filesystem::path& configPlist);

    // "UIID", "macAddress", "SystemVersion" and "macType"; "typeFrom" is stored later in the
    // start-up, before the launch report (storeTypeFrom).
    static void store(const Description& description, foundation::UserDefaults& defaults);
    static void storeTypeFrom(const Description& description, foundation::UserDefaults& defaults);
};
