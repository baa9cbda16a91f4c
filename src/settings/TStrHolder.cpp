#include "settings/TStrHolder.h"

#include "settings/MessageList.h"

TStrHolder::TStrHolder(MessageList* list, const QString& name, QObject* parent)
    : QObject(parent), m_list(list) {
    setObjectName(name);
}

QStringList TStrHolder::strings() const {
    return m_list->strings();
}

void TStrHolder::setStrings(const QStringList& strings) {
    m_list->setStrings(strings);
}
