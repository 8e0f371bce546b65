// corvane-local-service: the local stand-in for the Corvane service, for tests and the run
// command. Prints its base URL as the first line, then what it serves, then one line per request.
#include "local-service/LocalService.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

void usage()
{
    std::fprintf(stderr,
                 "usage: corvane-local-service [--port N] [--http] [--state DIR] [--resources DIR]\n"
                 "                             [--wechat-auto-confirm POLLS] [--update-version V] [--quiet]\n"
                 "  --port N        listen on 127.0.0.1:N (default 0: a free port)\n"
                 "  --http          plain HTTP instead of HTTPS with the local test CA\n"
                 "  --state DIR     state folder (default $XDG_DATA_HOME/corvane-local-service)\n"
                 "  --resources DIR the folder corvane-catalogue wrote (default: the build's resources)\n"
                 "  --wechat-auto-confirm POLLS  a WeChat ticket signs in the demo user at that poll\n"
                 "  --update-version V  the version reply offers V (with the resources' update package)\n");
}

std::filesystem::path defaultResources()
{
    if (const char* env = std::getenv("CORVANE_RESOURCES_DIR"); env && *env)
        return env;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = '\0';
        // build/tools/local-service/corvane-local-service -> build/resources
        return std::filesystem::path(self).parent_path().parent_path().parent_path() / "resources";
    }
    return "resources";
}

} // namespace

int main(int argc, char** argv)
{
    localservice::ServiceOptions options;
    options.resourcesDir = defaultResources();
    std::string updateVersion;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--port" && hasValue) {
            const long port = std::strtol(argv[++i], nullptr, 10);
            if (port < 0 || port > 65535) {
                usage();
                return 2;
            }
            options.port = static_cast<uint16_t>(port);
        } else if (arg == "--http") {
            options.https = false;
        } else if (arg == "--state" && hasValue) {
            options.stateDir = argv[++i];
        } else if (arg == "--resources" && hasValue) {
            options.resourcesDir = argv[++i];
        } else if (arg == "--wechat-auto-confirm" && hasValue) {
            options.wechatAutoConfirmPolls = std::atoi(argv[++i]);
        } else if (arg == "--update-version" && hasValue) {
            updateVersion = argv[++i];
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else {
            usage();
            return 2;
        }
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr); // the server threads inherit the mask

    localservice::LocalService service(options);
    std::string error;
    if (!service.start(&error)) {
        std::fprintf(stderr, "corvane-local-service: %s\n", error.c_str());
        return 1;
    }
    if (!updateVersion.empty())
        service.setVersionInfo(updateVersion, "本地服务提供的新版本 " + updateVersion + "：示例更新包，只安装一份说明文件。", "");
    const std::string base = service.baseUrl();
    std::printf("%s\n", base.c_str());
    std::printf("  state folder:   %s\n", service.stateDir().c_str());
    if (options.https)
        std::printf("  CA certificate: %s (use it as SSL_CERT_FILE)\n", service.caCertificatePath().c_str());
    std::printf("  catalogue:      %s\n", (options.resourcesDir / "fonts.sqlite").c_str());
    std::printf("  API:            POST %s<operation>, form-encoded and signed\n", base.c_str());
    std::printf("  files:          %sfiles/{fonts,previews,covers,avatars,packages,update}/...\n", base.c_str());
    std::printf("  pages:          %spages/qq-login, %spages/agreement, %swechat/confirm?ticket=...\n",
                base.c_str(), base.c_str(), base.c_str());
    std::printf("  admin:          %s__admin/{fault,clear-faults,requests,data-state,version,expire-tokens,sms}\n",
                base.c_str());
    std::printf("  demo account:   demo / demo1234 (phone 13800000000)\n");
    if (!updateVersion.empty())
        std::printf("  update offered: %s (%sfiles/update/...)\n", updateVersion.c_str(), base.c_str());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    service.stop();
    return 0;
}
