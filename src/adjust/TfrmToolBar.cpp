#include "adjust/TfrmToolBar.h"

#include <QBitmap>
#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

#include <utility>

#include "adjust/EffectSlider.h"
#include "adjust/RedEyeGlyph.h"
#include "adjust/RedEyeSettings.h"
#include "adjust/SelectionMapping.h"
#include "core/LetGo.h"
#include "core/RowBands.h"
#include "crop/ToolbarHost.h"
#include "settings/TFormStorage.h"

namespace {

const QColor kBackground(160, 160, 255);
// The colour key: pixels of exactly this colour are see-through, so no
// control of the strip uses it.
const QColor kColourKey(0, 255, 255);
constexpr int kNeutralBrightness = 0;
constexpr int kNeutralContrast = 0;
constexpr int kNeutralSaturation = 255;

// The "Modified" light: a yellow disc 12 pixels across with a white outline,
// centred in its 17 x 12 box.
QPixmap modifiedLight() {
    QImage image(17, 12, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1.0));
    painter.setBrush(Qt::yellow);
    painter.drawEllipse(QRectF(3.0, 0.5, 11.0, 11.0));
    painter.end();
    return QPixmap::fromImage(image);
}

EffectSlider* makeSlider(QWidget* parent, const char* name, const QRect& place, int minimum,
                         int maximum, int value) {
    auto* slider = new EffectSlider(parent);
    slider->setObjectName(QLatin1String(name));
    slider->setGeometry(place);
    slider->setRange(minimum, maximum);
    slider->setValue(value);
    return slider;
}

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(place);
    label->setAlignment(Qt::AlignCenter);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

}  // namespace

TfrmToolBar::TfrmToolBar(ToolbarHost& host, QWidget* parent) : QWidget(parent), m_host(host) {
    setWindowTitle(QStringLiteral("Pictavo"));
    // It comes up while the user holds Shift over the crop window, which
    // keeps the keyboard for its commands.
    setFocusPolicy(Qt::NoFocus);
    // The crop window's hints show while it is not the active window too.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // A click on the strip, or on a control that ignores it, is not a click
    // on the picture beneath: it never reaches the crop window.
    setAttribute(Qt::WA_NoMousePropagation);
    if (parent) {
        // A separate window would be at the mercy of each window manager's
        // stacking of the full-screen crop window; as a part of that window
        // the strip blends itself over the picture, compositor or not.
        m_translucency = new QGraphicsOpacityEffect(this);
        m_translucency->setOpacity(kOpacity);
        setGraphicsEffect(m_translucency);
        hide();
    }
    // The application's colours in every role, not the crop window's white
    // text on black that a part of it would inherit.
    QPalette colours = QGuiApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            colours.setBrush(g, r, colours.brush(g, r));
        }
    }
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::Button, kBackground);
    setPalette(colours);
    setAutoFillBackground(true);
    QFont font(QStringLiteral("Verdana"));
    font.setPixelSize(11);
    setFont(font);

    CreateControls();
    FormCreate();
    DropInputBetweenPictures();

    // The six texts come from the machine-wide "Language" section at every
    // show, and go back there at the end if the toolbar was shown.
    auto* fsLang = new TFormStorage(this);
    fsLang->setIniFileName(QStringLiteral("Software\\Vornholt\\Pictavo2"));
    fsLang->setIniSection(QStringLiteral("Language"));
    fsLang->setRegistryRoot(pictavo::RegRoot::LocalMachine);
    fsLang->setOptions({});
    fsLang->setStoredProps({
        QStringLiteral("m_btnAntiAlias.Caption"),
        QStringLiteral("m_lblBrigtness.Caption"),
        QStringLiteral("m_lblContrast.Caption"),
        QStringLiteral("m_lblSaturation.Caption"),
        QStringLiteral("m_gbRedEye.Caption"),
        QStringLiteral("m_btnApplyRedEye.Caption"),
    });
}

TfrmToolBar::~TfrmToolBar() {
    TFormStorage::windowDestroying(this);
}

void TfrmToolBar::CreateControls() {
    m_lblBrigtness =
        makeLabel(this, "m_lblBrigtness", QStringLiteral("Brightness"), QRect(8, 2, 150, 15));
    m_lblContrast =
        makeLabel(this, "m_lblContrast", QStringLiteral("Contrast"), QRect(156, 2, 150, 15));
    m_lblSaturation =
        makeLabel(this, "m_lblSaturation", QStringLiteral("Saturation"), QRect(302, 2, 150, 15));

    m_shpModified = new QLabel(this);
    m_shpModified->setObjectName(QStringLiteral("m_shpModified"));
    m_shpModified->setGeometry(456, 3, 17, 12);
    m_shpModified->setPixmap(modifiedLight());
    m_shpModified->setToolTip(QStringLiteral("Modified"));
    m_shpModified->hide();

    m_slBrightness =
        makeSlider(this, "m_slBrightness", QRect(8, 15, 150, 33), -255, 255, kNeutralBrightness);
    m_slContrast =
        makeSlider(this, "m_slContrast", QRect(156, 15, 150, 33), -255, 255, kNeutralContrast);
    m_slSaturation =
        makeSlider(this, "m_slSaturation", QRect(302, 15, 150, 33), 0, 255, kNeutralSaturation);
    for (EffectSlider* slider : {m_slBrightness, m_slContrast, m_slSaturation}) {
        connect(slider, &EffectSlider::changed, this, &TfrmToolBar::m_EffectChanged);
    }

    m_btnAntiAlias = new QCheckBox(QStringLiteral("Antialias"), this);
    m_btnAntiAlias->setObjectName(QStringLiteral("m_btnAntiAlias"));
    m_btnAntiAlias->setGeometry(457, 21, 105, 17);
    QFont bold = m_btnAntiAlias->font();
    bold.setBold(true);
    m_btnAntiAlias->setFont(bold);
    connect(m_btnAntiAlias, &QCheckBox::clicked, this, &TfrmToolBar::m_EffectChanged);

    m_gbRedEye = new QGroupBox(QStringLiteral("Red Eye Reduction"), this);
    m_gbRedEye->setObjectName(QStringLiteral("m_gbRedEye"));
    m_gbRedEye->setGeometry(576, -2, 153, 57);

    m_btnRedEye = new QToolButton(m_gbRedEye);
    m_btnRedEye->setObjectName(QStringLiteral("m_btnRedEye"));
    m_btnRedEye->setGeometry(8, 16, 33, 33);
    m_btnRedEye->setCheckable(true);
    m_btnRedEye->setAutoRaise(true);
    m_btnRedEye->setIcon(QIcon(redEyeGlyph()));
    m_btnRedEye->setIconSize(QSize(30, 30));
    m_btnRedEye->setToolTip(QStringLiteral("Selection Tool"));
    connect(m_btnRedEye, &QToolButton::clicked, this, &TfrmToolBar::m_btnRedEyeClick);

    m_btnApplyRedEye = new QPushButton(QStringLiteral("&Apply"), m_gbRedEye);
    m_btnApplyRedEye->setObjectName(QStringLiteral("m_btnApplyRedEye"));
    m_btnApplyRedEye->setGeometry(48, 16, 97, 33);
    m_btnApplyRedEye->setFlat(true);
    m_btnApplyRedEye->setEnabled(false);
    connect(m_btnApplyRedEye, &QPushButton::clicked, this, &TfrmToolBar::m_btnApplyRedEyeClick);

    // Clicks on the strip never take the keyboard from the crop window.
    for (QWidget* control : findChildren<QWidget*>()) {
        control->setFocusPolicy(Qt::NoFocus);
    }
}

void TfrmToolBar::FormCreate() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    setGeometry(area.x(), area.y(), area.width(), kHeight);
    m_bmpOriginal = {};
    m_bmpResult = {};
    OnEffectChange = nullptr;
    m_Effects.Tuning = pictavo::ReadRedEyeSettings();
}

void TfrmToolBar::showOnScreen(const QRect& screen) {
    const QPoint topLeft =
        parentWidget() ? parentWidget()->mapFromGlobal(screen.topLeft()) : screen.topLeft();
    setGeometry(topLeft.x(), topLeft.y(), screen.width(), kHeight);
    if (!isVisible()) {
        show();
    }
    raise();
}

void TfrmToolBar::keepOnTop() {
    if (parentWidget()) {
        raise();
    }
}

void TfrmToolBar::DropInputBetweenPictures() {
    installEventFilter(this);
    for (QWidget* control : findChildren<QWidget*>()) {
        control->installEventFilter(this);
    }
}

bool TfrmToolBar::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            if (!m_host.waitsForUser()) {
                return true;
            }
            break;
        default:
            break;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmToolBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TfrmToolBar::FormShow() {
    UpdateModifiedIndicator();
    UpdateColourKey();
}

void TfrmToolBar::UpdateColourKey() {
    // The key is looked for in the strip's own colours, not blended ones.
    if (m_translucency) {
        m_translucency->setEnabled(false);
    }
    const QImage shot = grab().toImage().scaled(size());
    if (m_translucency) {
        m_translucency->setEnabled(true);
    }
    setMask(QBitmap::fromImage(shot.createMaskFromColor(kColourKey.rgb(), Qt::MaskOutColor)));
}

// ---------------------------------------------------------------- adjustments

void TfrmToolBar::SetSourceBitmap(const pictavo::Picture& picture) {
    m_bmpOriginal = picture;
    // The last picture's result is let go by the crop window with the last
    // picture: the first change of this one writes into it. Anything older
    // goes.
    // What is let go is freed on another thread: tens of megabytes take
    // milliseconds to hand back, at the moment the next picture comes up.
    pictavo::letGo(std::exchange(m_spare, std::exchange(m_bmpResult, picture)));
    m_ahead.drop();
}

void TfrmToolBar::PrepareSpare() {
    if (!m_spare.isWritableAs(m_bmpOriginal.width(), m_bmpOriginal.height())) {
        m_spare = m_ahead.take(m_bmpOriginal.width(), m_bmpOriginal.height());
    }
}

void TfrmToolBar::MakeSpareAhead() {
    // The cuts waiting to be written each hold a picture of this size; one
    // more made ahead would raise the run's peak by a whole picture. The
    // next change then takes a fresh raster, as the first one of a picture
    // does while they wait.
    if (m_host.cutsWaiting()) {
        return;
    }
    if (!m_spare.isWritableAs(m_bmpOriginal.width(), m_bmpOriginal.height())) {
        m_ahead.prepare(m_bmpOriginal.width(), m_bmpOriginal.height());
    }
}

void TfrmToolBar::m_EffectChanged() {
    Rebuild();
    UpdateModifiedIndicator();
}

void TfrmToolBar::Rebuild() {
    const pictavo::ColourAmounts colours{m_slBrightness->value(), m_slContrast->value(),
                                         m_slSaturation->value()};
    const bool neutral = colours.brightness == kNeutralBrightness &&
                         colours.contrast == kNeutralContrast &&
                         colours.saturation == kNeutralSaturation;
    const bool smooth = m_btnAntiAlias->isChecked();
    // Built aside: if a filter runs out of memory, the crop window keeps the
    // picture it has and the last result stays whole.
    pictavo::Picture result;
    if (neutral && !smooth) {
        result = m_bmpOriginal;
    } else {
        PrepareSpare();
        result = std::move(m_spare);
        m_Effects.Bitmap = &result;
        // Brightness, contrast and saturation in this order, in one pass.
        m_Effects.Colours(m_bmpOriginal, colours);
        if (smooth) {
            m_Effects.AntiAlias();
        }
    }
    pictavo::Picture previous = std::exchange(m_bmpResult, std::move(result));
    // A neutral result is the untouched copy itself, no raster to write into.
    if (!previous.sharesRasterWith(m_bmpOriginal)) {
        m_spare = std::move(previous);
    }
    m_Effects.Bitmap = &m_bmpResult;
    if (OnEffectChange) {
        OnEffectChange(this);
    }
    // The crop window has let go of the result before this one by now.
    MakeSpareAhead();
}

void TfrmToolBar::CancelPresses() {
    for (EffectSlider* slider : {m_slBrightness, m_slContrast, m_slSaturation}) {
        slider->cancelPress();
    }
    // A button whose release was dropped would stay drawn pressed.
    for (QAbstractButton* button :
         {static_cast<QAbstractButton*>(m_btnAntiAlias), static_cast<QAbstractButton*>(m_btnRedEye),
          static_cast<QAbstractButton*>(m_btnApplyRedEye)}) {
        button->setDown(false);
    }
}

void TfrmToolBar::ResetEffects() {
    // A press begun on the last picture ends with it.
    CancelPresses();
    // Set by the program: the sliders report nothing and nothing is rebuilt.
    m_slBrightness->setValue(kNeutralBrightness);
    m_slContrast->setValue(kNeutralContrast);
    m_slSaturation->setValue(kNeutralSaturation);
    if (m_btnAntiAlias->isChecked()) {
        m_btnAntiAlias->setChecked(false);
        m_EffectChanged();
    }
}

void TfrmToolBar::EnableEffectControls(bool enabled) {
    for (QWidget* control :
         {static_cast<QWidget*>(m_slBrightness), static_cast<QWidget*>(m_slContrast),
          static_cast<QWidget*>(m_slSaturation), static_cast<QWidget*>(m_btnAntiAlias)}) {
        control->setEnabled(enabled);
    }
}

void TfrmToolBar::UpdateModifiedIndicator() {
    m_shpModified->setVisible(m_host.modified());
}

// ---------------------------------------------------------------- red eye

void TfrmToolBar::m_btnRedEyeClick() {
    const bool down = m_btnRedEye->isChecked();
    EnableEffectControls(!down);
    m_host.SetRedEyeMode(down);
    if (!down) {
        m_btnApplyRedEye->setEnabled(false);
    }
}

void TfrmToolBar::pressRedEyeTool() {
    m_btnRedEye->setChecked(true);
    m_btnRedEyeClick();
}

bool TfrmToolBar::applyRedEyeEnabled() const {
    return m_btnApplyRedEye->isEnabled();
}

void TfrmToolBar::clickApplyRedEye() {
    m_btnApplyRedEye->click();  // nothing while it is disabled
}

bool TfrmToolBar::triggerAccessKey(int key, int latinKey) {
    // The captions come from the Language texts, so any letter may be one.
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(m_btnApplyRedEye),
                                    static_cast<QAbstractButton*>(m_btnAntiAlias)}) {
        const QKeySequence access = QKeySequence::mnemonic(button->text());
        if (access.isEmpty() || !button->isEnabled()) {
            continue;
        }
        const int letter = access[0].key();
        if (letter == key || letter == latinKey) {
            button->click();
            return true;
        }
    }
    return false;
}

void TfrmToolBar::CancelRedEyeSelection() {
    m_btnRedEye->setChecked(false);
    m_btnRedEyeClick();
}

void TfrmToolBar::SetRedEyeSelection(const pictavo::Rect& clientRect) {
    const QSize size = m_host.GetImageSize();
    const QPoint pos = m_host.GetImagePos();
    m_rcRedEye =
        pictavo::selectionToPicture(clientRect, m_bmpOriginal.width(), m_bmpOriginal.height(),
                                    {pos.x(), pos.y(), size.width(), size.height()});
    m_btnApplyRedEye->setEnabled(true);
}

void TfrmToolBar::m_btnApplyRedEyeClick() {
    // The correction becomes part of the untouched copy: later adjustments
    // start from it and cannot undo it. While the crop window still shows
    // that copy, it is corrected in a copy of its own.
    if (!m_bmpOriginal.isDetached()) {
        PrepareSpare();
        pictavo::Picture corrected = std::move(m_spare);
        pictavo::CopyPixels(m_bmpOriginal, corrected);
        m_spare = std::exchange(m_bmpOriginal, std::move(corrected));
    }
    m_Effects.Bitmap = &m_bmpOriginal;
    m_Effects.ReduceRedEye(m_rcRedEye);
    // The active adjustments stay on the corrected picture, so what is shown
    // and cut agrees with the controls.
    Rebuild();
    m_host.SetRedEyeMode(true);
    UpdateModifiedIndicator();
}
