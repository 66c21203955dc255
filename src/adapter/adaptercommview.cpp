#include "adaptercommview.h"
#include "ui_adaptercommview.h"

AdapterCommView::AdapterCommView(QWidget *parent) : QWidget(parent), ui(new Ui::AdapterCommView)
{
    ui->setupUi(this);
}

AdapterCommView::~AdapterCommView()
{
    delete ui;
}
