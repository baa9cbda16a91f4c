#include "settings/TFormStorage.h"

#include <QGuiApplication>
#include <QLocale>
#include <QMetaProperty>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include <array>

#include "settings/Extended.h"
#include "settings/FormStorageHooks.h"
#include "settings/StoreError.h"
#include "settings/StoredText.h"

using pictavo::SettingsStore;

namespace {

enum class Kind { Integer, Boolean, Real, String, List, Unsupported };

struct PropertyType {
    Kind kind = Kind::Unsupported;
    int digits = 0;  // significant digits of a real
};

PropertyType typeOf(const QMetaProperty& property) {
    const QMetaType type = property.metaType();
    if (type == QMetaType::fromType<Extended>()) {
        return {Kind::Real, 18};
    }
    switch (type.id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return {Kind::Integer, 0};
        case QMetaType::Bool:
            return {Kind::Boolean, 0};
        case QMetaType::Double:
            return {Kind::Real, 15};
        case QMetaType::Float:
            return {Kind::Real, 7};
        case QMetaType::QString:
            return {Kind::String, 0};
        case QMetaType::QStringList:
            return {Kind::List, 0};
        default:
            return {};
    }
}

QMetaProperty findProperty(const QObject* object, const QString& name, Qt::CaseSensitivity cs) {
    const QMetaObject* meta = object->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty p = meta->property(i);
        if (QString::fromLatin1(p.name()).compare(name, cs) == 0 && p.isReadable() &&
            p.isWritable()) {
            return p;
        }
    }
    return {};
}

// The property names under which the program's values are stored, and the
// Qt properties of standard widgets that hold them.
struct Alias {
    const char* name;
    std::array<const char*, 2> qtNames;
};
constexpr Alias kAliases[] = {
    {"Caption", {"text", "title"}},  {"Hint", {"toolTip", nullptr}},
    {"Text", {"text", "plainText"}}, {"Checked", {"checked", nullptr}},
    {"Value", {"value", nullptr}},   {"Strings", {"strings", nullptr}},
};

QString currentText(const QVariant& value, const PropertyType& type) {
    switch (type.kind) {
        case Kind::Integer:
            return StoredText::fromInteger(value.toLongLong());
        case Kind::Boolean:
            return StoredText::fromBool(value.toBool());
        case Kind::Real:
            return StoredText::fromReal(value.metaType() == QMetaType::fromType<Extended>()
                                            ? value.value<Extended>().value
                                            : static_cast<long double>(value.toDouble()),
                                        type.digits);
        case Kind::String:
            return StoredText::trimmed(value.toString());
        case Kind::List:
        case Kind::Unsupported:
            break;
    }
    return {};
}

QString screenSuffix() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->geometry().size() : QSize();
    return StoredText::screenSuffix(size.width(), size.height());
}

int pixelsPerInch() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? qRound(screen->logicalDotsPerInch()) : 96;
}

// Placement values that cannot be read count as absent: a bad one never
// stops the window from coming up.
std::optional<QString> readQuietly(const SettingsStore& store, const QString& section,
                                   const QString& name) {
    try {
        return store.readString(section, name);
    } catch (const pictavo::StoreError&) {
        return std::nullopt;
    }
}

}  // namespace

TFormStorage::TFormStorage(QWidget* window) : QObject(window), m_window(window) {
    FormStorageHooks::of(window)->add(this);
}

TFormStorage::~TFormStorage() {
    if (FormStorageHooks* hooks = FormStorageHooks::find(m_window)) {
        hooks->remove(this);
    }
}

void TFormStorage::setStoredProps(const QStringList& entries) {
    m_entries = entries;
    m_isBound = false;
}

QStringList TFormStorage::boundValueNames() {
    bind();
    QStringList names;
    for (const Bound& b : m_bound) {
        names << b.valueName;
    }
    return names;
}

void TFormStorage::bind() {
    if (m_isBound) {
        return;
    }
    m_isBound = true;
    m_bound.clear();
    for (const QString& entry : m_entries) {
        const auto parts = StoredText::splitEntry(entry);
        if (!parts) {
            continue;
        }
        QObject* component = m_window->findChild<QObject*>(parts->first);
        if (!component) {
            continue;
        }
        // A property declared under its stored name wins; then the names of
        // standard widgets; then any property of that name.
        QString declared;
        QMetaProperty property = findProperty(component, parts->second, Qt::CaseInsensitive);
        if (property.isValid() && QChar::fromLatin1(property.name()[0]).isUpper()) {
            declared = QString::fromLatin1(property.name());
        } else {
            property = {};
            for (const Alias& alias : kAliases) {
                if (parts->second.compare(QLatin1String(alias.name), Qt::CaseInsensitive) != 0) {
                    continue;
                }
                for (const char* qtName : alias.qtNames) {
                    if (qtName && !property.isValid()) {
                        property =
                            findProperty(component, QLatin1String(qtName), Qt::CaseSensitive);
                    }
                }
                declared = QLatin1String(alias.name);
            }
            if (!property.isValid()) {
                property = findProperty(component, parts->second, Qt::CaseInsensitive);
                declared = QString::fromLatin1(property.name());
            }
        }
        if (!property.isValid() || typeOf(property).kind == Kind::Unsupported) {
            continue;
        }
        m_bound.append({component, QString::fromLatin1(property.name()),
                        StoredText::valueName(parts->first, declared)});
    }
}

void TFormStorage::RestoreStoredState() {
    m_saved = false;
    bind();
    SettingsStore store(m_root, m_iniFileName, SettingsStore::Access::ReadOnly);
    const QString version = StoredText::trimmed(
        store.readString(m_iniSection, QStringLiteral("FormVersion")).value_or(QString()));
    if (StoredText::toInteger(version).value_or(0) >= m_version) {
        if (m_options & (fpState | fpPosition)) {
            restorePlacement(store);
        }
        for (const Bound& bound : m_bound) {
            try {
                restoreProperty(store, bound);
            } catch (const pictavo::StoreError&) {
                // A value of another type leaves this property as it is.
            }
        }
    }
    m_restored = true;
}

void TFormStorage::restoreProperty(const SettingsStore& store, const Bound& bound) {
    QObject* component = bound.component;
    if (!component) {
        return;
    }
    const QMetaProperty property = findProperty(component, bound.property, Qt::CaseSensitive);
    const PropertyType type = typeOf(property);
    if (type.kind == Kind::List) {
        const QStringList list = readList(store, bound.valueName);
        if (!list.isEmpty()) {
            property.write(component, list);
        }
        return;
    }
    const QVariant current = property.read(component);
    const QString text = StoredText::trimmed(
        store.readString(m_iniSection, bound.valueName).value_or(currentText(current, type)));
    switch (type.kind) {
        case Kind::Integer:
            property.write(component, StoredText::toInteger(text).value_or(0));
            break;
        case Kind::Boolean:
            if (const auto b = StoredText::toBool(text)) {
                property.write(component, *b);
            }
            break;
        case Kind::Real: {
            const QString point = QLocale().decimalPoint();
            const auto value = StoredText::toReal(text, point.isEmpty() ? QChar(u'.') : point[0]);
            if (!value) {
                break;
            }
            if (property.metaType() == QMetaType::fromType<Extended>()) {
                property.write(component, QVariant::fromValue(Extended{*value}));
            } else {
                property.write(component, static_cast<double>(*value));
            }
            break;
        }
        case Kind::String:
            property.write(component, text);
            break;
        case Kind::List:
        case Kind::Unsupported:
            break;
    }
}

QStringList TFormStorage::readList(const SettingsStore& store, const QString& name) const {
    const QString section = StoredText::listSection(m_iniSection, name);
    const QString countText =
        StoredText::trimmed(store.readString(section, QStringLiteral("Count")).value_or(QString()));
    const int count = qMin(StoredText::toInteger(countText).value_or(0), StoredText::kMaxListCount);
    QStringList list;
    for (int i = 0; i < count; ++i) {
        list << store.readString(section, QStringLiteral("Item%1").arg(i)).value_or(QString());
    }
    return list;
}

void TFormStorage::restorePlacement(const SettingsStore& store) {
    const QString suffix = screenSuffix();
    auto lookup = [&](const QString& name) {
        return readQuietly(store, m_iniSection, name + suffix)
            .value_or(readQuietly(store, m_iniSection, name).value_or(QString()));
    };
    if (m_options & fpPosition) {
        const QRect frame = m_window->frameGeometry();
        const QString normPos = lookup(QStringLiteral("NormPos"));
        bool found = !lookup(QStringLiteral("MinMaxPos")).isEmpty();
        std::array<int, 4> rect{frame.left(), frame.top(), frame.left() + frame.width(),
                                frame.top() + frame.height()};
        if (!normPos.isEmpty()) {
            rect = StoredText::toQuad(normPos, rect);
            found = true;
        }
        const int ppi =
            StoredText::toInteger(StoredText::trimmed(readQuietly(store, m_iniSection,
                                                                  QStringLiteral("PixelsPerInch"))
                                                          .value_or(QString())))
                .value_or(pixelsPerInch());
        if (found && ppi == pixelsPerInch()) {
            const bool fixed = m_window->minimumSize() == m_window->maximumSize();
            if (fixed) {
                rect[2] = rect[0] + frame.width();
                rect[3] = rect[1] + frame.height();
            }
            if (rect[0] < rect[2]) {
                m_window->move(rect[0], rect[1]);
                if (!fixed && rect[1] < rect[3]) {
                    m_window->resize(rect[2] - rect[0] - (frame.width() - m_window->width()),
                                     rect[3] - rect[1] - (frame.height() - m_window->height()));
                }
            }
        }
    }
    if (m_options & fpState) {
        const int code =
            StoredText::toInteger(
                StoredText::trimmed(readQuietly(store, m_iniSection, QStringLiteral("ShowCmd"))
                                        .value_or(QString())))
                .value_or(0);
        const auto state =
            StoredText::showStateFromCode(code).value_or(StoredText::ShowState::Normal);
        Qt::WindowStates states =
            m_window->windowState() &
            ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen);
        if (state == StoredText::ShowState::Minimized && m_mainForm) {
            // The whole application goes to the task bar once it is up.
            m_window->setWindowState(states);
            QPointer<QWidget> window = m_window;
            QTimer::singleShot(0, m_window, [window] {
                if (window) {
                    window->showMinimized();
                }
            });
        } else if (state == StoredText::ShowState::Maximized) {
            m_window->setWindowState(states | Qt::WindowMaximized);
        } else {
            // Also "minimised" on another window: the options dialog shares the
            // main window's placement values, and coming up minimised it would
            // hide a modal dialog from its user.
            m_window->setWindowState(states);
        }
    }
    m_window->update();
}

void TFormStorage::SaveStoredState() {
    if (!m_restored && m_active) {
        return;  // an active storage whose window was never shown has nothing to say
    }
    bind();
    SettingsStore store(m_root, m_iniFileName, SettingsStore::Access::ReadWrite);
    store.writeString(m_iniSection, QStringLiteral("FormVersion"),
                      StoredText::fromInteger(m_version));
    if (m_options & (fpState | fpPosition)) {
        savePlacement(store);
    }
    for (const Bound& bound : m_bound) {
        saveProperty(store, bound);
    }
    store.close();
    m_saved = true;
}

void TFormStorage::savePlacement(SettingsStore& store) {
    StoredText::ShowState state = StoredText::ShowState::Normal;
    if (m_window->isMinimized()) {
        state = StoredText::ShowState::Minimized;
    } else if (m_window->isMaximized()) {
        state = StoredText::ShowState::Maximized;
    }
    QRect frame = m_window->frameGeometry();
    if (state != StoredText::ShowState::Normal) {
        // The restored rectangle, with the frame the window has now.
        const QRect normal = m_window->normalGeometry();
        const QPoint margin = m_window->geometry().topLeft() - frame.topLeft();
        frame = QRect(normal.topLeft() - margin,
                      normal.size() + (frame.size() - m_window->geometry().size()));
    }
    const QString suffix = screenSuffix();
    const QString minMax = StoredText::fromQuad({-1, -1, -1, -1});
    const QString norm = StoredText::fromQuad(
        {frame.left(), frame.top(), frame.left() + frame.width(), frame.top() + frame.height()});
    store.writeString(m_iniSection, QStringLiteral("Flags"), QStringLiteral("0"));
    store.writeString(m_iniSection, QStringLiteral("ShowCmd"),
                      StoredText::fromInteger(StoredText::codeFromShowState(state)));
    store.writeString(m_iniSection, QStringLiteral("PixelsPerInch"),
                      StoredText::fromInteger(pixelsPerInch()));
    store.writeString(m_iniSection, QStringLiteral("MinMaxPos") + suffix, minMax);
    store.writeString(m_iniSection, QStringLiteral("MinMaxPos"), minMax);
    store.writeString(m_iniSection, QStringLiteral("NormPos") + suffix, norm);
    store.writeString(m_iniSection, QStringLiteral("NormPos"), norm);
    store.writeString(m_iniSection, QStringLiteral("Visible"),
                      m_destroying ? QStringLiteral("1") : QStringLiteral("0"));
}

void TFormStorage::saveProperty(SettingsStore& store, const Bound& bound) {
    QObject* component = bound.component;
    if (!component) {
        return;
    }
    const QMetaProperty property = findProperty(component, bound.property, Qt::CaseSensitive);
    const PropertyType type = typeOf(property);
    const QVariant value = property.read(component);
    if (type.kind != Kind::List) {
        store.writeString(m_iniSection, bound.valueName, currentText(value, type));
        return;
    }
    const QString section = StoredText::listSection(m_iniSection, bound.valueName);
    const QStringList list = value.toStringList();
    store.deleteSection(section);
    if (list.isEmpty()) {
        return;
    }
    store.writeString(section, QStringLiteral("Count"), StoredText::fromInteger(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i) {
        store.writeString(section, QStringLiteral("Item%1").arg(i), list[i]);
    }
}

int TFormStorage::ReadSectionInteger(const QString& name, int def) {
    SettingsStore store(m_root, m_iniFileName, SettingsStore::Access::ReadOnly);
    const std::optional<QString> text = store.readString(m_iniSection, name);
    return text ? StoredText::toInteger(StoredText::trimmed(*text)).value_or(def) : def;
}

void TFormStorage::WriteSectionInteger(const QString& name, int value) {
    SettingsStore store(m_root, m_iniFileName, SettingsStore::Access::ReadWrite);
    store.writeString(m_iniSection, name, StoredText::fromInteger(value));
    store.close();
}

void TFormStorage::windowDestroying(QWidget* window) {
    if (FormStorageHooks* hooks = FormStorageHooks::find(window)) {
        hooks->destroying();
    }
}
