#include "app/SessionPlatform.h"

#include <cstdlib>
#include <cstring>

namespace pictavo {

namespace {

bool given(const std::optional<std::string>& value) {
    return value && !value->empty();
}

std::optional<std::string> variable(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

}  // namespace

PlatformChoice choosePlatform(const SessionEnvironment& env) {
    // Whoever names a platform knows what they want.
    if (given(env.qtQpaPlatform) || env.platformArgument) {
        return PlatformChoice::Default;
    }
    const bool wayland = given(env.waylandDisplay) || env.xdgSessionType == "wayland";
    if (!wayland) {
        return PlatformChoice::Default;
    }
    return given(env.display) ? PlatformChoice::Xcb : PlatformChoice::NeedsX11;
}

SessionEnvironment readSessionEnvironment(int argc, const char* const* argv) {
    SessionEnvironment env;
    env.qtQpaPlatform = variable("QT_QPA_PLATFORM");
    env.waylandDisplay = variable("WAYLAND_DISPLAY");
    env.xdgSessionType = variable("XDG_SESSION_TYPE");
    env.display = variable("DISPLAY");
    for (int i = 1; i < argc; ++i) {
        // Qt takes "-platform name" and "--platform name".
        if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0) {
            env.platformArgument = true;
        }
    }
    return env;
}

}  // namespace pictavo
