#include "crop/X11KeyboardState.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "crop/LatinKeys.h"

namespace {

struct KeyboardFree {
    void operator()(XkbDescPtr desc) const { XkbFreeKeyboard(desc, 0, True); }
};
using Keymap = std::unique_ptr<XkbDescRec, KeyboardFree>;

// Read at every question: the user may switch or replace the keymap at any
// time (setxkbmap, a layout applet), and questions come at typing speed.
Keymap readKeymap(Display* display) {
    Keymap keymap(XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask, XkbUseCoreKbd));
    if (keymap && XkbGetNames(display, XkbKeyNamesMask, keymap.get()) != Success) {
        return nullptr;
    }
    return keymap;
}

bool hasLatinGroup(XkbDescPtr keymap) {
    for (int code = keymap->min_key_code; code <= keymap->max_key_code; ++code) {
        const auto key = static_cast<KeyCode>(code);
        for (int group = 0; group < XkbKeyNumGroups(keymap, key); ++group) {
            if (pictavo::keys::isLatinLetter(XkbKeySymEntry(keymap, key, 0, group))) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

_XDisplay* X11KeyboardState::applicationDisplay() {
#if QT_CONFIG(xcb)
    if (auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr) {
        return x11->display();
    }
#endif
    return nullptr;
}

X11KeyboardState::X11KeyboardState(_XDisplay* display) : m_display(display) {}

bool X11KeyboardState::isKeyDown(quint32 nativeScanCode) const {
    if (nativeScanCode == 0 || nativeScanCode > 255) {
        return false;
    }
    char keys[32] = {};
    XQueryKeymap(m_display, keys);
    return (static_cast<unsigned char>(keys[nativeScanCode / 8]) >> (nativeScanCode % 8)) & 1;
}

bool X11KeyboardState::isShiftDown(bool left) const {
    const KeyCode code = XKeysymToKeycode(m_display, left ? XK_Shift_L : XK_Shift_R);
    return code != 0 && isKeyDown(code);
}

char X11KeyboardState::latinLetter(quint32 nativeScanCode) const {
    const Keymap keymap = readKeymap(m_display);
    if (!keymap || nativeScanCode < keymap->min_key_code || nativeScanCode > keymap->max_key_code) {
        return 0;
    }
    const auto key = static_cast<KeyCode>(nativeScanCode);
    std::vector<std::uint32_t> groupKeysyms;
    for (int group = 0; group < XkbKeyNumGroups(keymap.get(), key); ++group) {
        groupKeysyms.push_back(
            static_cast<std::uint32_t>(XkbKeySymEntry(keymap.get(), key, 0, group)));
    }
    XkbStateRec state{};
    const int activeGroup =
        XkbGetState(m_display, XkbUseCoreKbd, &state) == Success ? state.group : 0;
    std::string_view name;
    if (keymap->names && keymap->names->keys) {
        const char* raw = keymap->names->keys[key].name;
        name = std::string_view(raw, ::strnlen(raw, XkbKeyNameLength));
    }
    return pictavo::keys::latinLetter(groupKeysyms, activeGroup, hasLatinGroup(keymap.get()), name);
}
