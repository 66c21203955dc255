#include "livetextdelegate.h"

#include <QApplication>
#include <QGlyphRun>
#include <QPainter>
#include <QStyle>

namespace {

// Characters the kept glyphs cover: Latin-1 without its control characters
// and the soft hyphen, which Qt shows only where it breaks a line.
bool drawnFromGlyphs(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u <= 0x7E) || (u >= 0xA0 && u <= 0xFF && u != 0xAD);
}

// A font that adds nothing to its glyphs: no lines through or under them,
// no spacing, no case change.
bool plainFont(const QFont &font)
{
    return font.pixelSize() > 0 && font.kerning() && !font.underline() && !font.overline() && !font.strikeOut()
           && font.letterSpacing() == 0 && font.wordSpacing() == 0 && font.capitalization() == QFont::MixedCase;
}

} // namespace

bool liveTextDelegate::drawGlyphs(QPainter *painter, const QFont &font, const QRect &area, const QString &text) const
{
    if (!plainFont(font))
        return false;
    for (int i = 0; i < text.size(); ++i) {
        if (!drawnFromGlyphs(text[i]))
            return false;
        // "fi", "fl", "ff", "ft"...: the font's layout may join them into one glyph.
        if (text[i] == QLatin1Char('f') && i + 1 < text.size()
            && QStringView(u"bfhijklt").contains(text[i + 1]))
            return false;
    }
    if (!m_looked || !(font == m_glyphFont)) {
        // Looked up once per font, also when it has no raw font to draw from.
        m_looked = true;
        m_glyphFont = font;
        m_rawFont = QRawFont::fromFont(font);
        m_glyphs.fill(0);
        QString chars;
        for (char16_t c = firstChar; c <= lastChar; ++c)
            chars += QChar(c);
        const QVector<quint32> found = m_rawFont.glyphIndexesForString(chars);
        const QVector<QPointF> advances = m_rawFont.advancesForGlyphIndexes(found, QRawFont::SeparateAdvances);
        for (int i = 0; i < found.size() && i < int(m_glyphs.size()); ++i) {
            m_glyphs[size_t(i)] = found[i];
            m_advances[size_t(i)] = advances.value(i).x();
        }
        // The raw font knows a font's kerning from its "kern" table only;
        // Qt's layout also applies the pairs of its "GPOS" table.
        m_kerningKnown = m_rawFont.isValid()
                         && (!m_rawFont.fontTable("kern").isEmpty() || m_rawFont.fontTable("GPOS").isEmpty());
    }
    if (!m_kerningKnown)
        return false;

    QVector<quint32> glyphs(text.size());
    QVector<QPointF> positions(text.size());
    qreal x = 0;
    for (int i = 0; i < text.size(); ++i) {
        const size_t kept = size_t(text[i].unicode() - firstChar);
        glyphs[i] = m_glyphs[kept];
        if (glyphs[i] == 0)
            return false; // not in this font: a fallback font draws it
        positions[i] = QPointF(x, 0);
        x += m_advances[kept];
    }
    if (x > area.width())
        return false; // cut with an ellipsis by the laid-out path
    // A kerned pair is left to the layout: it rounds the kerning to a finer
    // step than the raw font, and the glyph would land a pixel off.
    const QVector<QPointF> kerned = m_rawFont.advancesForGlyphIndexes(glyphs, QRawFont::KernedAdvances);
    for (int i = 0; i < text.size(); ++i) {
        if (kerned[i].x() != m_advances[size_t(text[i].unicode() - firstChar)])
            return false;
    }

    // Where Qt puts a single line centred in a rectangle: the line's ascent
    // and descent centred, the leading only ever goes between lines.
    const qreal ascent = m_rawFont.ascent();
    const qreal lineHeight = ascent + m_rawFont.descent();
    const qreal baseline = area.y() + (area.height() - lineHeight) / 2 + ascent;
    if (lineHeight > area.height())
        painter->setClipRect(area, Qt::IntersectClip); // as Qt cuts a line taller than its rectangle

    QGlyphRun run;
    run.setRawFont(m_rawFont);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter->drawGlyphRun(QPointF(area.x(), baseline), run);
    return true;
}

void liveTextDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget *widget = cell.widget;
    QStyle *style = widget ? widget->style() : QApplication::style();
    if (m_styleProbe.draws(cell, style))
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    if (text.isEmpty())
        return;

    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = cell.rect.adjusted(margin, 0, -margin, 0);
    const Qt::Alignment alignment = cell.displayAlignment;
    const QPalette::ColorGroup group = cell.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                                    : QPalette::Text));
    const bool leftCentred = (alignment & Qt::AlignHorizontal_Mask) == Qt::AlignLeft
                             && (alignment & Qt::AlignVertical_Mask) == Qt::AlignVCenter
                             && cell.direction == Qt::LeftToRight;
    if (!leftCentred || !drawGlyphs(painter, cell.font, area, text)) {
        const QFontMetrics &metrics = cell.fontMetrics;
        const QString shown = metrics.horizontalAdvance(text) <= area.width()
                                  ? text
                                  : metrics.elidedText(text, Qt::ElideRight, area.width());
        painter->drawText(area, int(alignment) | Qt::TextSingleLine, shown);
    }
    painter->restore();
}
