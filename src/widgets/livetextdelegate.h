#ifndef LIVETEXTDELEGATE_H
#define LIVETEXTDELEGATE_H

#include "stylecellprobe.h"

#include <QFont>
#include <QRawFont>
#include <QStyledItemDelegate>

#include <array>

// Draws cells whose text changes with every poll: the cell as the style
// draws it (not at all where the style draws nothing for it), then the text
// on one line, cut with an ellipsis where it is wider than the cell. A value in Latin characters that fits, a number and its
// unit, is drawn from the glyphs of its characters, kept per font: no text
// layout is made for it, which was half the cost of a repaint. Texts whose
// layout could differ from their glyphs side by side (kerned pairs, "fi"),
// and all others, are laid out and drawn as Qt draws a line of text.
class liveTextDelegate : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    bool drawGlyphs(QPainter *painter, const QFont &font, const QRect &area, const QString &text) const;

    // Glyphs of U+0020 to U+00FF and their advances in the font they were
    // looked up for, and whether that font's kerning is all known to them.
    static constexpr char16_t firstChar = 0x20;
    static constexpr char16_t lastChar = 0xFF;
    mutable QFont m_glyphFont;
    mutable QRawFont m_rawFont;
    mutable std::array<quint32, lastChar - firstChar + 1> m_glyphs{};
    mutable std::array<qreal, lastChar - firstChar + 1> m_advances{};
    mutable bool m_kerningKnown = false;
    mutable bool m_looked = false; // m_glyphFont holds the font looked up
    mutable styleCellProbe m_styleProbe;
};

#endif // LIVETEXTDELEGATE_H
