#include "Platform/Desktop/ScriptRunner.h"

namespace desktop {

std::optional<std::string> UnavailableScriptRunner::run(const std::string&)
{
    return std::string(kUnavailableMessage);
}

std::shared_ptr<ScriptRunner> ScriptRunner::systemScriptRunner()
{
    return std::make_shared<UnavailableScriptRunner>();
}

} // namespace desktop
