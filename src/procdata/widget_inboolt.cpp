#include "widget_inboolt.h"
#include "ui_widget_inboolt.h"

#include <QPixmap>

widget_inBoolT::widget_inBoolT(QWidget *parent) : QWidget(parent), ui(new Ui::widget_inBoolT)
{
    ui->setupUi(this);
}

widget_inBoolT::~widget_inBoolT()
{
    delete ui;
}

void widget_inBoolT::setName(const QString &name)
{
    m_name = name;
    ui->label_name->setText(name);
    ui->label_name->setAlignment(Qt::AlignCenter);
    // Wide enough for the whole name, measured in the font the window's style
    // sheet gives it: the form's minimum width alone let long names be cut.
    ui->label_name->ensurePolished();
    const QMargins margins = layout()->contentsMargins();
    setMinimumWidth(qMax(minimumTileWidth, ui->label_name->sizeHint().width() + margins.left() + margins.right()));
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

void widget_inBoolT::setState(bool on)
{
    // Polled every few hundred ms: only a change is drawn.
    if (m_hasState && m_state == on)
        return;
    m_state = on;
    m_hasState = true;
    const QPixmap &lamp = lampPicture(on);
    if (lamp.isNull())
        ui->label_image->clear();
    else
        ui->label_image->setPixmap(lamp);
}
