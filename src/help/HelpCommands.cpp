#include "help/HelpCommands.h"

namespace pictavo::HelpCommands {

HtmlHelpCall HtmlHelpCallFor(unsigned command, std::uintptr_t data) {
    switch (command) {
        case kHelpContext:
        case kHelpContextPopup:
            return {kHelpContextHH, data};
        case kHelpQuit:
            return {kCloseAll, 0};
        case kHelpContents:
            return {kDisplayToc, 0};
        case kHelpFinder:
            return {kDisplayTopic, data};
        case kHelpKey:
            return {kDisplayIndex, data};
        default:
            return {kDisplayTopic, 0};
    }
}

}  // namespace pictavo::HelpCommands
