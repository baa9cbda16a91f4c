#include "help/HelpBrowser.h"

#include <QDesktopServices>

#include "help/HelpFile.h"
#include "help/HelpLinks.h"

using pictavo::HelpLinks::Target;

HelpBrowser::HelpBrowser(const HelpFile& file, DesktopOpener openOnDesktop, QWidget* parent)
    : QTextBrowser(parent), m_file(file), m_openOnDesktop(std::move(openOnDesktop)) {
    if (!m_openOnDesktop) {
        m_openOnDesktop = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    }
    // The browser's own link handling would give the help file's pages to
    // the desktop, which has no idea what to do with them: every link,
    // clicked or activated with Enter, comes here instead.
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &HelpBrowser::follow);
}

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme() == QLatin1String("qthelp")) {
        return m_file.fileData(name);
    }
    return QTextBrowser::loadResource(type, name);
}

void HelpBrowser::follow(const QUrl& link) {
    const QUrl resolved = source().resolved(link);
    switch (pictavo::HelpLinks::TargetOf(resolved)) {
        case Target::Page:
            // A page asked for twice (a click that also activates) is one
            // step in the history.
            if (resolved != source()) {
                setSource(resolved);
            }
            break;
        case Target::Desktop:
            // Without a browser or mail program nothing happens; the help
            // stays as it is.
            m_openOnDesktop(resolved);
            break;
        case Target::Ignore:
            break;
    }
}
