#include "help/THTMLHelpViewer.h"

#include "help/HelpCommands.h"
#include "help/TconHTMLHelp.h"

using namespace pictavo;

void THTMLHelpViewer::DisplayHelpContext(int context, const QPoint& popupAt) {
    // The position travels by address, as the command expects; it is only
    // read during the call.
    QPoint position = popupAt;
    m_handler.ApplicationHelp(HelpCommands::kHelpSetPopupPos,
                              reinterpret_cast<std::uintptr_t>(&position));
    m_handler.ApplicationHelp(HelpCommands::kHelpContext, static_cast<std::uintptr_t>(context));
}
