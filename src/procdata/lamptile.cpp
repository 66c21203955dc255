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
    // Wide enough for the whole name, measured in the font the window's style
    // sheet gives it: the form's minimum width alone let long names be cut.
    m_ui->label_name->ensurePolished();
    const QMargins margins = layout()->contentsMargins();
    setMinimumWidth(qMax(minimumTileWidth, m_ui->label_name->sizeHint().width() + margins.left() + margins.right()));
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
