#include "statuslabel.h"

StatusLabel::StatusLabel(QWidget *parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void StatusLabel::setStatus(const QString &text)
{
    m_text = text;
    setToolTip(text);
    showElided();
}

QSize StatusLabel::minimumSizeHint() const
{
    return QSize(0, QLabel::minimumSizeHint().height());
}

void StatusLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    showElided();
}

void StatusLabel::showElided()
{
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideRight, qMax(0, contentsRect().width()));
    if (shown != text())
        setText(shown);
}
