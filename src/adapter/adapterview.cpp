#include "adapterview.h"
#include "ui_adapterview.h"

AdapterView::AdapterView(QWidget *parent) : QWidget(parent), ui(new Ui::AdapterView)
{
    ui->setupUi(this);
}

AdapterView::~AdapterView()
{
    delete ui;
}
