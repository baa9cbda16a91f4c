#include "help/TconHTMLHelp.h"

#include "help/HelpCommands.h"

TconHTMLHelp::TconHTMLHelp(QString helpFile, HtmlHelpFunction htmlHelp)
    : m_helpFile(std::move(helpFile)), m_htmlHelp(std::move(htmlHelp)) {}

bool TconHTMLHelp::ApplicationHelp(unsigned command, std::uintptr_t data) {
    const auto call = pictavo::HelpCommands::HtmlHelpCallFor(command, data);
    // What the viewer makes of it is its business; the request is handled.
    if (m_htmlHelp) {
        m_htmlHelp(m_helpFile, call.command, call.data);
    }
    return true;
}
