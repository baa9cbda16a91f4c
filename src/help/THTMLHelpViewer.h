#pragma once

#include <QPoint>
#include <QString>

class TconHTMLHelp;

// The program's help viewer. It accepts every context request and shows it in
// two steps through the application's help handler: the pop-up position
// (which opens the help file at its default topic), then the context.
class THTMLHelpViewer {
public:
    explicit THTMLHelpViewer(TconHTMLHelp& handler) : m_handler(handler) {}

    static QString GetViewerName() { return QStringLiteral("D6OnHelpFix"); }
    bool UnderstandsContext(int /*context*/) const { return true; }

    // `popupAt`: the top-left corner, in screen coordinates, of the control
    // whose help is asked for.
    void DisplayHelpContext(int context, const QPoint& popupAt);

private:
    TconHTMLHelp& m_handler;
};
