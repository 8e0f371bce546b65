#include "Class/AppShell/KXDeviceInfo.h"

#include "Class/AppShell/KXDefaults.h"

#include "Platform/Crypto/Digest.h"
#include "Platform/Foundation/Data.h"
#include "Platform/Foundation/String.h"
#include "Platform/Serialization/PropertyListSerialization.h"
#include "Platform/Storage/Paths.h"
#include "Platform/Storage/UserDefaults.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;
using foundation::Id;

namespace {

// The application's own key: the same on every build, so a machine keeps its id across updates.
constexpr std::array<std::uint8_t, 16> kApplicationId = {0x6b, 0x1f, 0xc4, 0x92, 0x3e, 0xa7, 0x58, 0x0d,
                                                          0xe1, 0x74, 0x29, 0xb6, 0x83, 0x5a, 0xcf, 0x17};

std::optional<std::string> readSmallFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string text;
    text.resize(64 * 1024);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    return text;
}

std::string trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// Six colon-separated pairs of hex digits, lower-cased; nullopt for anything else.
std::optional<std::string> ethernetAddress(std::string_view text)
{
    if (text.size() != 17)
        return std::nullopt;
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (i % 3 == 2 ? c != ':' : !isHex(c))
            return std::nullopt;
        out += (c >= 'A' && c <= 'F') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

bool isLoopback(const fs::path& interface)
{
    constexpr long kLoopbackFlag = 0x8; // IFF_LOOPBACK
    if (auto flags = readSmallFile(interface / "flags")) {
        try {
            if (std::stol(trimmed(*flags), nullptr, 16) & kLoopbackFlag)
                return true;
        } catch (const std::exception&) {
        }
    }
    return interface.filename() == "lo";
}

void setOrRemove(foundation::UserDefaults& defaults, const char* key, const std::optional<std::string>& value)
{
    kx_storeDefault(defaults, key, value ? Id(*value) : Id());
}

} // namespace

KXDeviceInfo::Roots KXDeviceInfo::systemRoots()
{
    Roots roots;
    roots.machineId = "/etc/machine-id";
    roots.networkClass = "/sys/class/net";
    roots.osRelease = fs::exists("/etc/os-release") ? fs::path("/etc/os-release") : fs::path("/usr/lib/os-release");
    roots.productName = "/sys/class/dmi/id/product_name";
    roots.distribution = foundation::Paths::resourceDirectory() / "config.plist";
    return roots;
}

std::string KXDeviceInfo::uiidForMachineId(std::string_view machineId)
{
    return crypto::hmacSha256Hex(kApplicationId, machineId).substr(0, 32);
}

std::optional<std::string> KXDeviceInfo::firstHardwareAddress(const fs::path& networkClass)
{
    std::error_code error;
    std::vector<fs::path> interfaces;
    for (const auto& entry : fs::directory_iterator(networkClass, error))
        interfaces.push_back(entry.path());
    std::sort(interfaces.begin(), interfaces.end());
    for (const auto& interface : interfaces) {
        if (isLoopback(interface))
            continue;
        auto text = readSmallFile(interface / "address");
        auto address = text ? ethernetAddress(trimmed(*text)) : std::nullopt;
        if (address && *address != "00:00:00:00:00:00")
            return address;
    }
    return std::nullopt;
}

std::optional<std::string> KXDeviceInfo::osReleaseVersion(const fs::path& file)
{
    auto text = readSmallFile(file);
    if (!text)
        return std::nullopt;
    std::istringstream lines(*text);
    std::string line;
    while (std::getline(lines, line)) {
        line = trimmed(line);
        if (!line.starts_with("VERSION_ID="))
            continue;
        std::string value = line.substr(11);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (value.empty())
            return std::nullopt;
        return value;
    }
    return std::nullopt;
}

std::optional<std::string> KXDeviceInfo::distributionSource(const fs::path& configPlist)
{
    auto data = foundation::Data::dataWithContentsOfFile(configPlist);
    if (!data)
        return std::nullopt;
    const Id from = foundation::PropertyListSerialization::propertyListWithData(data, 0)["From"];
    if (!from.string())
        return std::nullopt;
    return from.stringValue();
}

KXDeviceInfo::Description KXDeviceInfo::read(const Roots& roots)
{
    Description description;
    if (auto machineId = readSmallFile(roots.machineId)) {
        const std::string id = trimmed(machineId->substr(0, machineId->find('\n')));
        if (!id.empty())
            description.uiid = uiidForMachineId(id);
    }
    description.macAddress = firstHardwareAddress(roots.networkClass);
    description.systemVersion = osReleaseVersion(roots.osRelease);
    auto product = readSmallFile(roots.productName);
    description.macType = product ? trimmed(*product) : std::string();
    if (description.macType.empty())
        description.macType = kUnknownModel;
    description.typeFrom = distributionSource(roots.distribution);
    return description;
}

void KXDeviceInfo::store(const Description& description, foundation::UserDefaults& defaults)
{
    setOrRemove(defaults, "UIID", description.uiid);
    setOrRemove(defaults, "macAddress", description.macAddress);
    setOrRemove(defaults, "SystemVersion", description.systemVersion);
    setOrRemove(defaults, "macType", description.macType);
    defaults.synchronize();
}

void KXDeviceInfo::storeTypeFrom(const Description& description, foundation::UserDefaults& defaults)
{
    setOrRemove(defaults, "typeFrom", description.typeFrom);
    defaults.synchronize();
}
