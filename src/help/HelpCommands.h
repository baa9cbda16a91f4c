#pragma once

#include <cstdint>

// The classic help commands that the application's help machinery issues, and
// the HTML Help commands that the help viewer understands.
namespace pictavo::HelpCommands {

// Classic help commands.
inline constexpr unsigned kHelpContext = 1;
inline constexpr unsigned kHelpQuit = 2;
inline constexpr unsigned kHelpContents = 3;
inline constexpr unsigned kHelpContextPopup = 8;
inline constexpr unsigned kHelpFinder = 11;
inline constexpr unsigned kHelpSetPopupPos = 13;
inline constexpr unsigned kHelpKey = 257;

// HTML Help commands.
inline constexpr unsigned kDisplayTopic = 0;
inline constexpr unsigned kDisplayToc = 1;
inline constexpr unsigned kDisplayIndex = 2;
inline constexpr unsigned kHelpContextHH = 15;
inline constexpr unsigned kCloseAll = 18;

struct HtmlHelpCall {
    unsigned command = kDisplayTopic;
    std::uintptr_t data = 0;
    bool operator==(const HtmlHelpCall&) const = default;
};

// The HTML Help command and data for one classic command and its data.
HtmlHelpCall HtmlHelpCallFor(unsigned command, std::uintptr_t data);

}  // namespace pictavo::HelpCommands
