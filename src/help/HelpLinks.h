#pragma once

#include <QUrl>

// Where a link followed in the help window leads.
namespace pictavo::HelpLinks {

enum class Target {
    Page,     // a page of the help file: shown in the help window
    Desktop,  // the web or mail: handed to the desktop
    Ignore,   // anything else: a help page must not start programs or open local files
};

// `link` as resolved against the page it is on.
Target TargetOf(const QUrl& link);

}  // namespace pictavo::HelpLinks
