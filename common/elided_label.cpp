#include "common/elided_label.h"

#include <QComboBox>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

namespace common {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent, int maxWidth)
    : QLabel(text, parent), maxWidth_(maxWidth)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

QSize ElidedLabel::sizeHint() const
{
    const QSize full = QLabel::sizeHint();
    return {qMin(full.width(), maxWidth_), full.height()};
}

QSize ElidedLabel::minimumSizeHint() const
{
    const QSize full = QLabel::minimumSizeHint();
    return {qMin(full.width(), fontMetrics().horizontalAdvance(QStringLiteral("MMMM"))),
            full.height()};
}

bool ElidedLabel::isElided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width();
}

bool ElidedLabel::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty() && isElided()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        return true;
    }
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, area.width());
    style()->drawItemText(&painter, area, int(alignment()), palette(), isEnabled(), shown,
                          foregroundRole());
}

void setComboEntries(QComboBox* box, const QStringList& entries, int minimumChars)
{
    box->clear();
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(minimumChars);
    box->addItems(entries);
    for (int i = 0; i < entries.size(); ++i)
        box->setItemData(i, entries.at(i), Qt::ToolTipRole);
}

} // namespace common
