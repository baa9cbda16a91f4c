#include "app/SessionPlatform.h"

#include <gtest/gtest.h>

using pictavo::choosePlatform;
using pictavo::PlatformChoice;
using pictavo::SessionEnvironment;

namespace {

struct PlatformCase {
    const char* what;
    SessionEnvironment env;
    PlatformChoice choice;
};

class SessionPlatformTest : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(SessionPlatformTest, Chooses) {
    EXPECT_EQ(choosePlatform(GetParam().env), GetParam().choice) << GetParam().what;
}

const auto none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    Sessions, SessionPlatformTest,
    ::testing::Values(
        PlatformCase{"X11 desktop", {none, none, "x11", ":0"}, PlatformChoice::Default},
        PlatformCase{
            "Wayland with XWayland", {none, "wayland-0", "wayland", ":0"}, PlatformChoice::Xcb},
        PlatformCase{"only the session type says Wayland",
                     {none, none, "wayland", ":1"},
                     PlatformChoice::Xcb},
        PlatformCase{
            "only the Wayland socket is set", {none, "wayland-0", none, ":1"}, PlatformChoice::Xcb},
        PlatformCase{"Wayland without an X server",
                     {none, "wayland-0", "wayland", none},
                     PlatformChoice::NeedsX11},
        PlatformCase{"an empty DISPLAY is no X server",
                     {none, "wayland-0", "wayland", ""},
                     PlatformChoice::NeedsX11},
        PlatformCase{"the user's platform stands",
                     {"wayland", "wayland-0", "wayland", none},
                     PlatformChoice::Default},
        PlatformCase{
            "an empty platform is none", {"", "wayland-0", "wayland", ":0"}, PlatformChoice::Xcb},
        PlatformCase{"-platform on the command line",
                     {none, "wayland-0", "wayland", none, true},
                     PlatformChoice::Default},
        PlatformCase{
            "an empty Wayland socket on X11", {none, "", "x11", ":0"}, PlatformChoice::Default},
        PlatformCase{
            "no session at all is left to Qt", {none, none, none, none}, PlatformChoice::Default}));

TEST(SessionPlatform, ReadsThePlatformArgument) {
    const char* args[] = {"pictavo", "--platform", "offscreen"};
    EXPECT_TRUE(pictavo::readSessionEnvironment(3, args).platformArgument);
    const char* plain[] = {"pictavo", "offscreen"};
    EXPECT_FALSE(pictavo::readSessionEnvironment(2, plain).platformArgument);
}

}  // namespace
