#include "adapterportview.h"
#include "ui_adapterportview.h"

AdapterPortView::AdapterPortView(QWidget *parent) : QWidget(parent), ui(new Ui::AdapterPortView)
{
    ui->setupUi(this);
}

AdapterPortView::~AdapterPortView()
{
    delete ui;
}
