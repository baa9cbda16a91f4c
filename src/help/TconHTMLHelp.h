#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The application's help handler: every help command the application issues
// is turned into an HTML Help command for the application's help file and
// handed to the viewer. It always reports the request handled, so no other
// help mechanism is tried.
class TconHTMLHelp {
public:
    using HtmlHelpFunction =
        std::function<void(const QString& helpFile, unsigned command, std::uintptr_t data)>;

    TconHTMLHelp(QString helpFile, HtmlHelpFunction htmlHelp);

    bool ApplicationHelp(unsigned command, std::uintptr_t data);

    const QString& helpFile() const { return m_helpFile; }

private:
    QString m_helpFile;
    HtmlHelpFunction m_htmlHelp;
};
