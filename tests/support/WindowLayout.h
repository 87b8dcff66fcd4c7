// A window's layout as a user sees it: every control lies inside the window, no two controls of
// one parent overlap, and every caption and column header fits its control in the control's font.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QRadioButton>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace vell::test {

inline int CaptionWidth(const QWidget* w, QString text) {
    text.replace("&&", "\x01").remove('&').replace("\x01", "&");
    return w->fontMetrics().horizontalAdvance(text);
}

// The room a caption takes inside its control: a label's text from its left edge, a push
// button's text with its frame, a check box's or radio button's text with its indicator.
inline QRect CaptionRect(const QWidget* w) {
    if (auto* l = qobject_cast<const QLabel*>(w))
        return {l->geometry().topLeft(), QSize(CaptionWidth(l, l->text()), l->height())};
    return w->geometry();
}

inline bool CaptionFits(const QWidget* w) {
    if (qobject_cast<const QCheckBox*>(w) || qobject_cast<const QRadioButton*>(w))
        return w->sizeHint().width() <= w->width();
    if (auto* b = qobject_cast<const QAbstractButton*>(w))
        return CaptionWidth(b, b->text()) + 8 <= b->width();
    if (auto* l = qobject_cast<const QLabel*>(w))
        return !l->parentWidget() ||
               l->x() + CaptionWidth(l, l->text()) <= l->parentWidget()->width();
    return true;
}

// Every fault found, as "name: what"; empty for a sound layout. Child windows and hidden
// controls are left out.
inline QStringList LayoutFaults(const QWidget* window) {
    QStringList faults;
    auto name = [](const QWidget* w) {
        return w->objectName().isEmpty() ? QString(w->metaObject()->className()) : w->objectName();
    };
    auto controlsOf = [window](const QWidget* parent) {
        QList<const QWidget*> controls;
        for (const QObject* o : parent->children()) {
            auto* w = qobject_cast<const QWidget*>(o);
            if (w && !w->isWindow() && w->isVisibleTo(window)) controls << w;
        }
        return controls;
    };
    QList<const QWidget*> parents{window};
    while (!parents.isEmpty()) {
        const QWidget* parent = parents.takeFirst();
        const QList<const QWidget*> controls = controlsOf(parent);
        for (int i = 0; i < controls.size(); ++i) {
            const QWidget* w = controls[i];
            parents << w;
            const QRect inWindow(w->mapTo(window, QPoint()), w->size());
            if (!QRect(QPoint(), window->size()).contains(inWindow))
                faults << name(w) + ": outside the window";
            if (!CaptionFits(w)) faults << name(w) + ": caption does not fit";
            // A column header is written from its cell's left edge with a pixel either side.
            if (auto* h = qobject_cast<const QHeaderView*>(w); h && h->model())
                for (int c = 0; c < h->count(); ++c)
                    if (!h->isSectionHidden(c) &&
                        CaptionWidth(h, h->model()->headerData(c, h->orientation()).toString()) +
                                2 >
                            h->sectionSize(c))
                        faults << name(h->parentWidget()) +
                                      QStringLiteral(": header %1 does not fit").arg(c);
            for (int j = i + 1; j < controls.size(); ++j)
                if (CaptionRect(w).intersects(CaptionRect(controls[j])))
                    faults << name(w) + ": overlaps " + name(controls[j]);
        }
    }
    return faults;
}

} // namespace vell::test
