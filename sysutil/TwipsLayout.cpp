#include "sysutil/TwipsLayout.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <algorithm>

namespace sysutil {

void placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twips(left), twips(top), twips(width), twips(height));
}

void setTabOrderChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* w : widgets) {
        if (previous) QWidget::setTabOrder(previous, w);
        previous = w;
    }
}

namespace {

bool holdsText(QWidget* w) {
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
}

void growChildren(QWidget* parent) {
    auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : children) {
        if (!c->isVisibleTo(parent) && !c->isVisible()) continue;
        growChildren(c);
        if (!holdsText(c)) continue;
        const QSize hint = c->sizeHint();
        // A label's text may also need more height than the design's (descenders).
        if (qobject_cast<QLabel*>(c) && hint.height() > c->height()) c->resize(c->width(), hint.height());
        const int extra = hint.width() - c->width();
        if (extra <= 0) continue;
        const QRect before = c->geometry();
        c->resize(hint.width(), std::max(c->height(), hint.height()));
        // Neighbours to the right on the same row move along.
        for (QWidget* o : children) {
            if (o == c || o->x() < before.right()) continue;
            const bool sameRow = o->y() < before.bottom() && o->geometry().bottom() > before.top();
            if (sameRow) o->move(o->x() + extra, o->y());
        }
    }
    // The container holds every visible child with the margin it had.
    int right = 0, bottom = 0;
    for (QWidget* c : children) {
        right = std::max(right, c->geometry().right());
        bottom = std::max(bottom, c->geometry().bottom());
    }
    if (qobject_cast<QGroupBox*>(parent)) {
        if (right + twips(105) > parent->width()) parent->resize(right + twips(105), parent->height());
    }
}

}  // namespace

void growToFitText(QWidget* form) {
    growChildren(form);
}

}  // namespace sysutil
