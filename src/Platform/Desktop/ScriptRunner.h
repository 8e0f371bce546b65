#pragma once

#include <memory>
#include <optional>
#include <string>

namespace desktop {

// Runs a script that drives another application and reports how it went.
class ScriptRunner {
public:
    virtual ~ScriptRunner() = default;
    // nullopt when the script ran; otherwise the error text.
    virtual std::optional<std::string> run(const std::string& scriptText) = 0;

    // The runner of this system.
    static std::shared_ptr<ScriptRunner> systemScriptRunner();
};

// No scripting host exists on this system: every script fails with kUnavailableMessage.
class UnavailableScriptRunner final : public ScriptRunner {
public:
    static constexpr const char* kUnavailableMessage = "Application scripting is not available on this system.";
    std::optional<std::string> run(const std::string& scriptText) override;
};

} // namespace desktop
