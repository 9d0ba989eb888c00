#include "ui/TwipsLayout.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace ui {

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

QRect textRect(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w)) {
        if (label->text().isEmpty()) return {};
        const QRect inside = label->contentsRect();
        const QRect drawn =
            label->fontMetrics().boundingRect(inside, int(label->alignment()) | Qt::TextShowMnemonic, label->text());
        return drawn.translated(label->pos());
    }
    if (qobject_cast<const QAbstractButton*>(w)) return w->geometry();
    return {};
}

QRect titleRect(const QGroupBox* box) {
    if (box->title().isEmpty()) return {};
    return {0, 0, box->width(), box->contentsRect().top()};
}

namespace {

// What no sibling may cover: a text, or a whole frame.
QRect keepClear(const QWidget* w) {
    return qobject_cast<const QGroupBox*>(w) ? w->geometry() : textRect(w);
}

bool holdsText(QWidget* w) {
    return qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w);
}

std::vector<QWidget*> shownChildren(QWidget* parent) {
    std::vector<QWidget*> out;
    for (QWidget* c : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (c->isVisibleTo(parent) || c->isVisible()) out.push_back(c);
    return out;
}

// Each text-holding control takes its text's size; neighbours to the right
// on the same row move along.
void widenToText(const std::vector<QWidget*>& children) {
    for (QWidget* c : children) {
        if (!holdsText(c)) continue;
        const QSize hint = c->sizeHint();
        if (!qobject_cast<QPushButton*>(c) && hint.height() > c->height()) c->resize(c->width(), hint.height());
        const int extra = hint.width() - c->width();
        if (extra <= 0) continue;
        const QRect before = c->geometry();
        c->resize(hint.width(), std::max(c->height(), hint.height()));
        for (QWidget* o : children) {
            if (o == c || o->x() < before.right()) continue;
            const bool sameRow = o->y() < before.bottom() && o->geometry().bottom() > before.top();
            if (sameRow) o->move(o->x() + extra, o->y());
        }
    }
}

// Moves `from` and everything that starts at or below it down by `by`.
void pushDown(const std::vector<QWidget*>& children, const QWidget* from, int by, const QWidget* keep) {
    const int top = from->y();
    for (QWidget* o : children)
        if (o != keep && o->y() >= top) o->move(o->x(), o->y() + by);
}

// No control may cover another's text: the lower of the two moves down, and
// everything below it with it. Bounded: each pass moves controls down only.
void clearTexts(const std::vector<QWidget*>& children) {
    for (int pass = 0; pass < 64; ++pass) {
        bool moved = false;
        for (QWidget* a : children) {
            const QRect text = keepClear(a);
            if (text.isEmpty()) continue;
            for (QWidget* b : children) {
                if (b == a || !b->geometry().intersects(text)) continue;
                if (b->y() > a->y()) {
                    pushDown(children, b, text.bottom() + 1 - b->y(), a);
                } else if (b->y() < a->y()) {
                    pushDown(children, a, b->geometry().bottom() + 1 - text.top(), b);
                } else {
                    continue;  // side by side: widening has parted them
                }
                moved = true;
            }
        }
        if (!moved) return;
    }
}

void fit(QWidget* parent, bool isForm) {
    const auto children = shownChildren(parent);
    for (QWidget* c : children) fit(c, false);
    widenToText(children);
    // A group box's contents start below its title.
    if (auto* box = qobject_cast<QGroupBox*>(parent); box && !children.empty()) {
        int top = children.front()->y();
        for (QWidget* c : children) top = std::min(top, c->y());
        const int below = titleRect(box).bottom() + 1;
        if (top < below)
            for (QWidget* c : children) c->move(c->x(), c->y() + below - top);
    }
    clearTexts(children);
    // The container holds its children, with the margin a frame gives them.
    if (!qobject_cast<QGroupBox*>(parent) && !isForm) return;
    int right = 0, bottom = 0;
    for (QWidget* c : children) {
        right = std::max(right, c->geometry().right());
        bottom = std::max(bottom, c->geometry().bottom());
    }
    const int margin = twips(105);
    // A form's own size until now means nothing (Qt's default); its caller
    // sets the design size or this, whichever is larger.
    if (isForm)
        parent->resize(right + 1 + margin, bottom + 1 + margin);
    else
        parent->resize(std::max(parent->width(), right + 1 + margin), std::max(parent->height(), bottom + 1 + margin));
}

}  // namespace

void growToFitText(QWidget* form) {
    fit(form, true);
}

}  // namespace ui
