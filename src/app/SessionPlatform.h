#pragma once

// Which window system the program asks Qt for. It reads the pointer
// anywhere on the screen, keeps a strip at the top of the screen and asks the
// keyboard which Shift key is down; a native Wayland client may do none of
// that, so on a Wayland desktop it runs through the X server the desktop
// provides (XWayland).

#include <optional>
#include <string>

namespace pictavo {

// The parts of the environment that decide. An unset variable and an empty
// one mean the same, as they do to Qt.
struct SessionEnvironment {
    std::optional<std::string> qtQpaPlatform;   // QT_QPA_PLATFORM
    std::optional<std::string> waylandDisplay;  // WAYLAND_DISPLAY
    std::optional<std::string> xdgSessionType;  // XDG_SESSION_TYPE
    std::optional<std::string> display;         // DISPLAY
    bool platformArgument = false;              // "-platform" on the command line
};

enum class PlatformChoice {
    Default,   // leave the choice to Qt (or to the user, who made it)
    Xcb,       // a Wayland session with an X server: use it
    NeedsX11,  // a Wayland session without one: the program cannot run
};

PlatformChoice choosePlatform(const SessionEnvironment& env);

// The process's own environment and command line.
SessionEnvironment readSessionEnvironment(int argc, const char* const* argv);

// The one line printed when the choice is NeedsX11.
inline constexpr const char* kNeedsX11Message =
    "Pictavo needs X11 or XWayland, but this Wayland session has no X display (DISPLAY is not "
    "set).";

}  // namespace pictavo
