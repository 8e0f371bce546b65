#include "Lib/Networking/NKDefaultHeaders.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Unicode.h"

#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <unistd.h>

namespace {

std::string languageTag(std::string locale)
{
    // "de_DE.UTF-8@euro" -> "de_DE"
    const auto cut = locale.find_first_of(".@");
    if (cut != std::string::npos)
        locale.resize(cut);
    if (locale.empty())
        return {};
    if (locale == "C" || locale == "POSIX")
        return "en";
    char tag[ULOC_FULLNAME_CAPACITY];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uloc_toLanguageTag(locale.c_str(), tag, sizeof tag, false, &status);
    if (U_FAILURE(status) || length <= 0)
        return locale;
    return std::string(tag, static_cast<std::size_t>(length));
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::string osReleaseField(const std::string& content, const std::string& key)
{
    std::istringstream lines(content);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind(key + "=", 0) != 0)
            continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\''))
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return {};
}

std::string systemVersion()
{
    std::ifstream file("/etc/os-release");
    std::stringstream content;
    content << file.rdbuf();
    const std::string name = osReleaseField(content.str(), "NAME");
    const std::string version = osReleaseField(content.str(), "VERSION_ID");
    if (name.empty())
        return "Linux";
    return version.empty() ? name : name + " " + version;
}

std::string executableName()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "corvane-fonts";
    const std::string full(path, static_cast<std::size_t>(length));
    const auto slash = full.rfind('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

} // namespace

std::vector<std::string> NKPreferredLanguages()
{
    std::vector<std::string> languages;
    const std::string list = environment("LANGUAGE");
    std::string primary;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        primary = environment(name);
        if (!primary.empty())
            break;
    }
    // LANGUAGE is ignored for the C locale, as gettext does.
    const bool posixLocale = (primary.rfind("C", 0) == 0 && (primary.size() == 1 || primary[1] == '.')) || primary == "POSIX";
    if (!list.empty() && !posixLocale) {
        std::size_t start = 0;
        while (start <= list.size()) {
            const auto end = list.find(':', start);
            const std::string tag = languageTag(list.substr(start, end == std::string::npos ? std::string::npos : end - start));
            if (!tag.empty())
                languages.push_back(tag);
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
    }
    if (languages.empty()) {
        const std::string tag = languageTag(primary);
        languages.push_back(tag.empty() ? "en" : tag);
    }
    return languages;
}

std::string NKAcceptLanguageValue(const std::vector<std::string>& languages)
{
    std::string value;
    for (std::size_t index = 0; index < languages.size(); ++index) {
        const float q = 1.0f + static_cast<float>(index) * -0.1f;
        if (!value.empty())
            value += ", ";
        value += foundation::format("%@;q=%0.1g", languages[index], static_cast<double>(q));
        if (q <= 0.5f)
            break;
    }
    return value;
}

bool NKTransliterateToASCII(std::string& text)
{
    return foundation::unicode::transliterateToASCII(text);
}

std::string NKUserAgentValue(const std::string& executable, const std::string& version, const std::string& system)
{
    std::string agent = foundation::format("%@/%@ (%@)", executable, version, system);
    bool ascii = true;
    for (const char ch : agent)
        ascii = ascii && static_cast<unsigned char>(ch) < 0x80;
    if (!ascii) {
        std::string transformed = agent;
        if (NKTransliterateToASCII(transformed))
            agent = std::move(transformed);
    }
    return agent;
}

std::string NKUserAgentValue()
{
#ifdef CORVANE_VERSION
    const std::string version = CORVANE_VERSION;
#else
    const std::string version = "0";
#endif
    return NKUserAgentValue(executableName(), version, systemVersion());
}
