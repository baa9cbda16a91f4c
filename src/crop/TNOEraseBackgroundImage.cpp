#include "crop/TNOEraseBackgroundImage.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
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

}  // namespace

TNOEraseBackgroundImage::TNOEraseBackgroundImage(QWidget* parent) : QWidget(parent) {
    // The whole exposed area is always painted, so nothing is erased first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void TNOEraseBackgroundImage::setPicture(const pictavo::Picture* picture,
                                         std::vector<pictavo::Picture> halvings) {
    m_picture = picture && !picture->isNull() ? picture : nullptr;
    m_pyramid.reset(m_picture, std::move(halvings));
    m_display = QImage();
    m_level = QImage();
    m_displayFor = QSize();
    m_wholeViewDirty = true;
    update();
}

QRegion TNOEraseBackgroundImage::setStrips(const pictavo::Rect& a, const pictavo::Rect& b,
                                           StripMode mode) {
    // A sliding frame changes only the thin bands between the old and the
    // new strip edges: only those are painted again, at any zoom.
    QRegion changed;
    if (m_wholeViewDirty || mode != m_stripMode) {
        changed = rect();
    } else if (mode != StripMode::None) {
        const std::array<pictavo::Rect, 2> strips{a, b};
        for (std::size_t i = 0; i < strips.size(); ++i) {
            changed += QRegion(toView(m_strips[i])).xored(QRegion(toView(strips[i])));
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
    if (m_displayFor != size()) {
        m_display = QImage();
        m_level = QImage();
        m_displayFor = QSize();
    }
}

QRect TNOEraseBackgroundImage::toView(const pictavo::Rect& source) const {
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
    // One mapping for every edge, so strips and frame meet without gap or overlap.
    const auto x = [&](std::int64_t v) { return static_cast<int>(v * width() / pw); };
    const auto y = [&](std::int64_t v) { return static_cast<int>(v * height() / ph); };
    return QRect(QPoint(x(left), y(top)), QPoint(x(right) - 1, y(bottom) - 1));
}

void TNOEraseBackgroundImage::ensureDisplayCopy() {
    if (!m_picture || size().isEmpty() || m_displayFor == size()) {
        return;
    }
    m_displayFor = size();
    m_display = QImage();
    m_level = QImage();
    const QSize windowSize = window()->size();
    const qint64 windowArea =
        std::max<qint64>(qint64{windowSize.width()} * windowSize.height(), qint64{1024} * 768);
    try {
        const QImage image = wrap(m_pyramid.levelFor(width(), height()));
        if (qint64{width()} * height() <= kCopyAreaFactor * windowArea) {
            // QImage reports a failed allocation with a null image.
            m_display = (image.size() == size() ? image
                                                : image.scaled(size(), Qt::IgnoreAspectRatio,
                                                               Qt::SmoothTransformation))
                            .convertToFormat(QImage::Format_RGB32);
            m_copiesMade += m_display.isNull() ? 0 : 1;
        }
        m_level = m_display.isNull() ? image : QImage();
    } catch (const std::bad_alloc&) {
        // Short of memory for a halving: draw from the picture itself, which
        // is slower but shows the same.
        m_display = QImage();
        m_level = wrap(*m_picture);
    }
}

void TNOEraseBackgroundImage::paintPicture(QPainter& painter, const QRect& exposed) {
    if (!m_display.isNull()) {
        painter.drawImage(exposed.topLeft(), m_display, exposed);
        return;
    }
    if (m_level.isNull()) {
        painter.fillRect(exposed, Qt::black);
        return;
    }
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
    for (const pictavo::Rect& strip : m_strips) {
        const QRect area = toView(strip) & event->rect();
        if (area.isEmpty()) {
            continue;
        }
        if (m_stripMode == StripMode::Black) {
            painter.fillRect(area, Qt::black);
        } else {
            // The difference with white is exactly 255 - c in every channel.
            painter.setCompositionMode(QPainter::CompositionMode_Difference);
            painter.fillRect(area, Qt::white);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        }
    }
}
