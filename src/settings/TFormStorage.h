#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include "settings/SettingsStore.h"

class QWidget;

// Restores and saves listed properties of a window's components, and the
// window's placement, in one section of the settings store.
//
// Created as a child of its window, it hooks the window's show, close and
// destroy: on show it restores (if Active), after an allowed close it saves
// (if Active), and when the window is destroyed without having saved since
// its last restore it saves with "Visible" = "1". Of two storages on one
// window the later one is outermost: it restores first and saves last.
// Errors in these hooks are shown in the standard error box and the window
// goes on being shown, closed or destroyed.
//
// Qt has no hook that runs before a window's own destructor, so every window
// with a storage calls TFormStorage::windowDestroying(this) first thing in
// its destructor.
class TFormStorage : public QObject {
    Q_OBJECT
public:
    enum Option { fpState = 1, fpPosition = 2 };
    Q_DECLARE_FLAGS(Options, Option)

    explicit TFormStorage(QWidget* window);
    ~TFormStorage() override;

    void setIniFileName(const QString& path) { m_iniFileName = path; }
    void setIniSection(const QString& section) { m_iniSection = section; }
    void setRegistryRoot(pictavo::RegRoot root) { m_root = root; }
    // Entries "component.Property"; bound to the window's components the
    // first time the storage acts, dropping entries that do not fit.
    void setStoredProps(const QStringList& entries);
    void setOptions(Options options) { m_options = options; }
    void setActive(bool active) { m_active = active; }
    void setVersion(int version) { m_version = version; }
    // The main window minimises the whole application instead of itself.
    void setMainForm(bool mainForm) { m_mainForm = mainForm; }

    const QString& iniSection() const { return m_iniSection; }
    bool isActive() const { return m_active; }
    bool restored() const { return m_restored; }
    bool saved() const { return m_saved; }
    bool destroying() const { return m_destroying; }
    // The entries as bound: value name per bound entry.
    QStringList boundValueNames();

    void RestoreStoredState();
    void SaveStoredState();
    // One access to a value of this storage's section, outside restore and save.
    int ReadSectionInteger(const QString& name, int def);
    void WriteSectionInteger(const QString& name, int value);

    // The window is being destroyed: storages that have not saved since their
    // last restore save now, each guarded by the error box.
    static void windowDestroying(QWidget* window);

private:
    struct Bound {
        QPointer<QObject> component;
        QString property;   // the Qt property that holds the value
        QString valueName;  // component "_" property as the store knows it
    };

    void bind();
    void restorePlacement(const pictavo::SettingsStore& store);
    void savePlacement(pictavo::SettingsStore& store);
    void restoreProperty(const pictavo::SettingsStore& store, const Bound& bound);
    void saveProperty(pictavo::SettingsStore& store, const Bound& bound);
    QStringList readList(const pictavo::SettingsStore& store, const QString& name) const;

    QWidget* m_window;
    QString m_iniFileName;
    QString m_iniSection;
    pictavo::RegRoot m_root = pictavo::RegRoot::CurrentUser;
    QStringList m_entries;
    QList<Bound> m_bound;
    bool m_isBound = false;
    Options m_options = Options(fpState) | fpPosition;
    bool m_active = true;
    int m_version = 0;
    bool m_mainForm = false;
    bool m_restored = false;
    bool m_saved = false;
    bool m_destroying = false;

    friend class FormStorageHooks;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFormStorage::Options)
