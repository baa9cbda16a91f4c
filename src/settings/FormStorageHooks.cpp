#include "settings/FormStorageHooks.h"

#include <QCloseEvent>
#include <QWidget>

#include "ui/ErrorBox.h"
#include "settings/TFormStorage.h"

FormStorageHooks::FormStorageHooks(QWidget* window) : QObject(window), m_window(window) {
    window->installEventFilter(this);
}

FormStorageHooks* FormStorageHooks::find(QWidget* window) {
    return window->findChild<FormStorageHooks*>(QString(), Qt::FindDirectChildrenOnly);
}

FormStorageHooks* FormStorageHooks::of(QWidget* window) {
    FormStorageHooks* hooks = find(window);
    return hooks ? hooks : new FormStorageHooks(window);
}

void FormStorageHooks::add(TFormStorage* storage) {
    m_storages.append(storage);
}

void FormStorageHooks::remove(TFormStorage* storage) {
    m_storages.removeAll(storage);
}

void FormStorageHooks::destroying() {
    const QList<QPointer<TFormStorage>> storages = m_storages;
    for (auto it = storages.crbegin(); it != storages.crend(); ++it) {
        TFormStorage* storage = *it;
        if (!storage || !storage->isActive() || storage->saved()) {
            continue;
        }
        storage->m_destroying = true;
        ErrorBox::guard([storage] { storage->SaveStoredState(); });
        storage->m_destroying = false;
    }
}

bool FormStorageHooks::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_window) {
        return false;
    }
    const QList<QPointer<TFormStorage>> storages = m_storages;
    if (event->type() == QEvent::Show && !event->spontaneous()) {
        // Before the window's own show handler, and before it is on screen.
        for (auto it = storages.crbegin(); it != storages.crend(); ++it) {
            TFormStorage* storage = *it;
            if (storage && storage->isActive()) {
                ErrorBox::guard([storage] { storage->RestoreStoredState(); }, m_window);
            }
        }
        return false;
    }
    if (event->type() == QEvent::Close && !m_inClose) {
        // The window's own close handler decides first; only an allowed close
        // of a window on screen saves.
        m_inClose = true;
        static_cast<QObject*>(m_window)->event(event);
        m_inClose = false;
        if (event->isAccepted() && m_window->isVisible()) {
            for (const QPointer<TFormStorage>& storage : storages) {
                if (storage && storage->isActive()) {
                    TFormStorage* s = storage;
                    ErrorBox::guard([s] { s->SaveStoredState(); }, m_window);
                    // A save that failed here is not tried again when the
                    // window is destroyed: the user has seen its error once.
                    s->m_saved = true;
                }
            }
        }
        return true;
    }
    return false;
}
