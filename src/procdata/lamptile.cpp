#include "lamptile.h"
#include "ui_lamptile.h"

#include <QPixmap>

LampTile::LampTile(QWidget *parent) : QWidget(parent), m_ui(new Ui::LampTile)
{
    m_ui->setupUi(this);
}

LampTile::~LampTile()
{
    delete m_ui;
}

void LampTile::setName(const QString &name)
{
    m_name = name;
    m_ui->label_name->setText(name);
    m_ui->label_name->setAlignment(Qt::AlignCenter);
    m_ui->label_name->setWordWrap(true);
    setToolTip(name);
    // Wide enough for the name on one line, measured in the font the window's
    // style sheet gives it, up to a limit: longer names wrap, so that a row
    // holds several tiles.
    m_ui->label_name->ensurePolished();
    const QMargins margins = layout()->contentsMargins();
    const int natural = m_ui->label_name->fontMetrics().horizontalAdvance(name) + 8;
    setMinimumWidth(qBound(minimumTileWidth, natural, maximumTileWidth) + margins.left() + margins.right());
}

namespace {

// The two lamp pictures, loaded and scaled once per process.
const QPixmap &lampPicture(bool on)
{
    static const auto scaled = [](const QString &path) {
        const QPixmap picture(path);
        return picture.isNull() ? picture : picture.scaled(50, 50, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    };
    static const QPixmap lit = scaled(QStringLiteral(":/images/link_ok.png"));
    static const QPixmap off = scaled(QStringLiteral(":/images/link_ng.png"));
    return on ? lit : off;
}

} // namespace

void LampTile::setState(bool on)
{
    // Polled every few hundred ms: only a change is drawn.
    if (m_hasState && m_state == on)
        return;
    m_state = on;
    m_hasState = true;
    const QPixmap &lamp = lampPicture(on);
    if (lamp.isNull())
        m_ui->label_image->clear();
    else
        m_ui->label_image->setPixmap(lamp);
}
