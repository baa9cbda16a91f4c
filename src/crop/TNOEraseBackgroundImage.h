#pragma once

// The crop window's picture view. It shows the working picture stretched to
// its own size, which may be far larger than the window when zoomed in, and
// the frame's two strips over it. Only the exposed part is painted, from a
// display copy made once per picture and per size, never by scaling the full
// picture on a paint; nothing is erased before painting. On a screen with
// several device pixels per logical pixel the copy, the strips' edges and
// everything painted are at device pixels, so the picture is as sharp there.

#include <QImage>
#include <QRegion>
#include <QSize>
#include <QWidget>

#include <array>
#include <vector>

#include "core/Rect.h"
#include "crop/PicturePyramid.h"

class TNOEraseBackgroundImage : public QWidget {
    Q_OBJECT
public:
    // How the parts of the picture outside the frame are shown.
    enum class StripMode { None, Inverted, Black };

    explicit TNOEraseBackgroundImage(QWidget* parent = nullptr);

    // Shows `picture`, which stays owned by the caller and must live, unchanged,
    // until the next setPicture (call it again after changing the picture).
    // nullptr shows black.
    // `halvings` are the picture's first halvings if they were made ahead;
    // `display`, the display copy made ahead by displayCopy (taken if it
    // fits the view's device size when first painted).
    void setPicture(const pictavo::Picture* picture, std::vector<pictavo::Picture> halvings = {},
                    QImage display = QImage());

    // The display copy a view of logical size `view` at `ratio` device pixels
    // per logical pixel, in a window of size `window`, shows of the picture
    // of `pyramid`: null when such a view scales its exposed part on each
    // paint instead. Callable from any thread; what the view makes itself.
    static QImage displayCopy(pictavo::PicturePyramid& pyramid, QSize view, qreal ratio,
                              QSize window);
    // The same copy of `picture` where it has no halvings: only the one the
    // copy is scaled from is made, a band of rows at a time, and none is kept.
    static QImage displayCopyWithoutHalvings(const pictavo::Picture& picture, QSize view,
                                             qreal ratio, QSize window);

    // Two rectangles in source-picture pixels drawn over the picture: each
    // channel inverted (255 - c) or filled black. Parts outside the picture
    // and strips without area draw nothing. Returns the part of the view that
    // changes (all of it while a new picture or size waits to be painted),
    // for which an update is scheduled.
    QRegion setStrips(const pictavo::Rect& a, const pictavo::Rect& b, StripMode mode);
    void clearStrips() { setStrips({}, {}, StripMode::None); }

    // How many display copies were made so far (tests check that painting
    // reuses them).
    int displayCopiesMade() const { return m_copiesMade; }
    // How many display copies made ahead were shown.
    int displayCopiesTaken() const { return m_copiesTaken; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The view's size in device pixels.
    QSize deviceSize() const;
    // The device pixels of the view that a source rectangle covers.
    QRect toDevice(const pictavo::Rect& source) const;
    // The logical part of the view that holds device rectangle `device`.
    QRect toLogical(const QRect& device) const;
    void ensureDisplayCopy();
    void paintPicture(QPainter& painter, const QRect& exposed);

    const pictavo::Picture* m_picture = nullptr;
    pictavo::PicturePyramid m_pyramid;
    // The picture at exactly the view's device size, when that is small
    // enough to keep; otherwise the pyramid level scaled per paint, exposed
    // part only.
    QImage m_display;
    QSize m_displayFor;  // device size
    QImage m_level;
    int m_copiesMade = 0;
    int m_copiesTaken = 0;
    // The copy made ahead, until the first paint takes or drops it.
    QImage m_ahead;

    std::array<pictavo::Rect, 2> m_strips{};
    StripMode m_stripMode = StripMode::None;
    // A new picture or size has not been painted in full yet.
    bool m_wholeViewDirty = true;
};
