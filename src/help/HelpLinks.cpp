#include "help/HelpLinks.h"

namespace pictavo::HelpLinks {

Target TargetOf(const QUrl& link) {
    if (!link.isValid()) {
        return Target::Ignore;
    }
    // QUrl keeps schemes in lower case.
    const QString scheme = link.scheme();
    if (scheme == QLatin1String("qthelp")) {
        return Target::Page;
    }
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        return link.host().isEmpty() ? Target::Ignore : Target::Desktop;
    }
    if (scheme == QLatin1String("mailto")) {
        return link.path().isEmpty() ? Target::Ignore : Target::Desktop;
    }
    return Target::Ignore;
}

}  // namespace pictavo::HelpLinks
