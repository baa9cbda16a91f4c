#pragma once

#include <QObject>
#include <QStringList>

class MessageList;

// A window's message list as a component with a "Strings" property, so that
// a form storage can restore and save it like any other property. The list
// itself stays where the window keeps it.
class TStrHolder : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Strings READ strings WRITE setStrings)
public:
    // `list` must outlive the holder (a member of the same window).
    TStrHolder(MessageList* list, const QString& name, QObject* parent);

    QStringList strings() const;
    void setStrings(const QStringList& strings);

private:
    MessageList* m_list;
};
