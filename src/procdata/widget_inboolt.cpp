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
}

void widget_inBoolT::setState(bool on)
{
    m_state = on;
    m_hasState = true;
    const QPixmap lamp(on ? QStringLiteral(":/images/link_ok.png") : QStringLiteral(":/images/link_ng.png"));
    if (lamp.isNull())
        ui->label_image->clear();
    else
        ui->label_image->setPixmap(lamp.scaled(50, 50, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    ui->label_image->setAlignment(Qt::AlignCenter);
}
