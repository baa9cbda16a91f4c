#include "crop/TNOEraseBackgroundImage.h"

#include "core/Downscale.h"
#include "core/LetGo.h"
#include "crop/Prefetcher.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>
#include <utility>

namespace {

// The picture at the view's size is kept as one copy while it is at most this
// many times the window's area (the fit and the first zoom steps, where the
// frame is moved most); larger views scale their exposed part on each paint.
constexpr qint64 kCopyAreaFactor = 4;

QImage wrap(const pictavo::Picture& picture) {
    return QImage(picture.scanLine(0), picture.width(), picture.height(),
                  static_cast<qsizetype>(picture.bytesPerLine()), QImage::Format_BGR888);
}

QSize deviceSizeOf(QSize view, qreal ratio) {
    return {static_cast<int>(std::ceil(view.width() * ratio)),
            static_cast<int>(std::ceil(view.height() * ratio))};
}

bool keepsCopy(QSize view, QSize window) {
    const qint64 windowArea =
        std::max<qint64>(qint64{window.width()} * window.height(), qint64{1024} * 768);
    return qint64{view.width()} * view.height() <= kCopyAreaFactor * windowArea;
}

}  // namespace

TNOEraseBackgroundImage::TNOEraseBackgroundImage(QWidget* parent) : QWidget(parent) {
    // The whole exposed area is always painted, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TNOEraseBackgroundImage::setPicture(const pictavo::Picture* picture,
                                         std::vector<pictavo::Picture> halvings, QImage display) {
    m_picture = picture && !picture->isNull() ? picture : nullptr;
    m_pyramid.reset(m_picture, std::move(halvings));
    // The last picture's copies go on another thread: freeing them takes
    // longer than painting the next.
    pictavo::letGo(std::exchange(m_ahead, m_picture ? std::move(display) : QImage()));
    pictavo::letGo(std::exchange(m_display, QImage()));
    m_level = QImage();
    m_displayFor = QSize();
    m_wholeViewDirty = true;
    update();
}

QRegion TNOEraseBackgroundImage::setStrips(const pictavo::Rect& a, const pictavo::Rect& b,
                                           StripMode mode) {
    // A sliding frame changes only the thin bands between the old and the
    // new strip edges: only those are painted again, at any zoom. Strips
    // that change how they are drawn (black at a click, gone in red-eye
    // mode) change only where they are, old and new.
    QRegion changed;
    if (m_wholeViewDirty) {
        changed = rect();
    } else {
        const std::array<pictavo::Rect, 2> strips{a, b};
        QRegion device;
        for (std::size_t i = 0; i < strips.size(); ++i) {
            const QRegion before =
                m_stripMode == StripMode::None ? QRegion() : QRegion(toDevice(m_strips[i]));
            const QRegion after =
                mode == StripMode::None ? QRegion() : QRegion(toDevice(strips[i]));
            device += mode == m_stripMode ? before.xored(after) : before.united(after);
        }
        for (const QRect& band : device) {
            changed += toLogical(band);
        }
    }
    m_strips = {a, b};
    m_stripMode = mode;
    update(changed);
    return changed;
}

void TNOEraseBackgroundImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_wholeViewDirty = true;
    // The copy for the old size is of no further use.
    if (m_displayFor != deviceSize()) {
        m_display = QImage();
        m_level = QImage();
        m_displayFor = QSize();
    }
}

QSize TNOEraseBackgroundImage::deviceSize() const {
    return deviceSizeOf(size(), devicePixelRatio());
}

QRect TNOEraseBackgroundImage::toDevice(const pictavo::Rect& source) const {
    if (!m_picture) {
        return QRect();
    }
    const std::int64_t pw = m_picture->width();
    const std::int64_t ph = m_picture->height();
    const std::int64_t left = std::clamp<std::int64_t>(source.left, 0, pw);
    const std::int64_t right = std::clamp<std::int64_t>(source.right, 0, pw);
    const std::int64_t top = std::clamp<std::int64_t>(source.top, 0, ph);
    const std::int64_t bottom = std::clamp<std::int64_t>(source.bottom, 0, ph);
    if (right <= left || bottom <= top) {
        return QRect();
    }
    // One mapping for every edge, so strips and frame meet without gap or
    // overlap, on the device pixel the source edge falls on.
    const QSize device = deviceSize();
    const auto x = [&](std::int64_t v) { return static_cast<int>(v * device.width() / pw); };
    const auto y = [&](std::int64_t v) { return static_cast<int>(v * device.height() / ph); };
    return QRect(QPoint(x(left), y(top)), QPoint(x(right) - 1, y(bottom) - 1));
}

QRect TNOEraseBackgroundImage::toLogical(const QRect& device) const {
    if (device.isEmpty()) {
        return QRect();
    }
    const qreal ratio = devicePixelRatio();
    const int left = static_cast<int>(std::floor(device.left() / ratio));
    const int top = static_cast<int>(std::floor(device.top() / ratio));
    const int right = static_cast<int>(std::ceil((device.right() + 1) / ratio));
    const int bottom = static_cast<int>(std::ceil((device.bottom() + 1) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

QImage TNOEraseBackgroundImage::displayCopy(pictavo::PicturePyramid& pyramid, QSize view,
                                            qreal ratio, QSize window) {
    const QSize device = deviceSizeOf(view, ratio);
    if (!pyramid.source() || device.isEmpty() || !keepsCopy(view, window)) {
        return QImage();
    }
    const pictavo::Picture& level = pyramid.levelFor(device.width(), device.height());
    QImage copy;
    if (device.width() <= level.width() && device.height() <= level.height()) {
        // Area means written straight in the screen's layout: a fraction of
        // the time of a smooth scale, with no copy in another format between.
        copy = QImage(device, QImage::Format_RGB32);
        // QImage reports a failed allocation with a null image.
        if (copy.isNull()) {
            return copy;
        }
        pictavo::downscaleToRgb32(level, device.width(), device.height(), copy.bits(),
                                  copy.bytesPerLine());
    } else {
        // A picture smaller than the view is enlarged smoothly.
        copy = wrap(level)
                   .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                   .convertToFormat(QImage::Format_RGB32);
    }
    copy.setDevicePixelRatio(ratio);
    return copy;
}

QImage TNOEraseBackgroundImage::displayCopyWithoutHalvings(const pictavo::Picture& picture,
                                                           QSize view, qreal ratio, QSize window) {
    const QSize device = deviceSizeOf(view, ratio);
    const pictavo::Picture level = pictavo::halvedToCover(picture, device.width(), device.height());
    pictavo::PicturePyramid pyramid;
    pyramid.reset(&level);
    return displayCopy(pyramid, view, ratio, window);
}

void TNOEraseBackgroundImage::ensureDisplayCopy() {
    const QSize device = deviceSize();
    if (!m_picture || device.isEmpty() || m_displayFor == device) {
        return;
    }
    m_displayFor = device;
    m_display = QImage();
    m_level = QImage();
    const QImage ahead = std::exchange(m_ahead, QImage());
    if (!ahead.isNull() && ahead.size() == device &&
        ahead.devicePixelRatio() == devicePixelRatio() && keepsCopy(size(), window()->size())) {
        m_display = ahead;
        ++m_copiesTaken;
        return;
    }
    try {
        m_display = displayCopy(m_pyramid, size(), devicePixelRatio(), window()->size());
        m_copiesMade += m_display.isNull() ? 0 : 1;
        m_level = m_display.isNull() ? wrap(m_pyramid.levelFor(device.width(), device.height()))
                                     : QImage();
    } catch (const std::bad_alloc&) {
        // Short of memory for a halving: draw from the picture itself, which
        // is slower but shows the same.
        m_display = QImage();
        m_level = wrap(*m_picture);
    }
}

void TNOEraseBackgroundImage::paintPicture(QPainter& painter, const QRect& exposed) {
    if (!m_display.isNull()) {
        // Device pixel for device pixel.
        const qreal ratio = m_display.devicePixelRatio();
        painter.drawImage(QRectF(exposed), m_display,
                          QRectF(exposed.x() * ratio, exposed.y() * ratio, exposed.width() * ratio,
                                 exposed.height() * ratio));
        return;
    }
    if (m_level.isNull()) {
        painter.fillRect(exposed, Qt::black);
        return;
    }
    // The painter scales to device pixels, from the level's full resolution.
    const double sx = static_cast<double>(m_level.width()) / width();
    const double sy = static_cast<double>(m_level.height()) / height();
    const QRectF source(exposed.x() * sx, exposed.y() * sy, exposed.width() * sx,
                        exposed.height() * sy);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(exposed), m_level, source);
}

void TNOEraseBackgroundImage::paintEvent(QPaintEvent* event) {
    if (event->region().contains(rect())) {
        m_wholeViewDirty = false;
    }
    QPainter painter(this);
    ensureDisplayCopy();
    for (const QRect& exposed : event->region()) {
        paintPicture(painter, exposed);
    }
    if (m_stripMode == StripMode::None) {
        return;
    }
    painter.setClipRegion(event->region());
    // From here on one unit is one device pixel.
    const qreal ratio = devicePixelRatio();
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    const QRect exposed =
        QRectF(QPointF(event->rect().topLeft()) * ratio, QSizeF(event->rect().size()) * ratio)
            .toAlignedRect();
    for (const pictavo::Rect& strip : m_strips) {
        const QRect area = toDevice(strip) & exposed;
        if (area.isEmpty()) {
            continue;
        }
        if (m_stripMode == StripMode::Black) {
            painter.fillRect(area, Qt::black);
        } else {
            // Flipping every colour bit is exactly 255 - c in every channel,
            // and a plain loop where a difference blend works per channel.
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.fillRect(area, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
}
