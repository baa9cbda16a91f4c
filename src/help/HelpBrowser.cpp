#include "help/HelpBrowser.h"

#include "help/HelpFile.h"

HelpBrowser::HelpBrowser(const HelpFile& file, QWidget* parent)
    : QTextBrowser(parent), m_file(file) {
    // Links out of the help file (the maker's site) go to the desktop's browser.
    setOpenExternalLinks(true);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() == QLatin1String("qthelp")) {
        return m_file.fileData(name);
    }
    return QTextBrowser::loadResource(type, name);
}
