#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QWidget;
class TFormStorage;

// The storages of one window, in the order they were declared, and the event
// filter that runs their show and close hooks around the window's own
// handlers. A child of the window; at most one per window.
class FormStorageHooks : public QObject {
    Q_OBJECT
public:
    // The window's hooks, created on first use.
    static FormStorageHooks* of(QWidget* window);
    static FormStorageHooks* find(QWidget* window);

    void add(TFormStorage* storage);
    void remove(TFormStorage* storage);
    // Destroy hooks: outermost (latest) first.
    void destroying();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit FormStorageHooks(QWidget* window);

    QWidget* m_window;
    QList<QPointer<TFormStorage>> m_storages;
    bool m_inClose = false;
};
