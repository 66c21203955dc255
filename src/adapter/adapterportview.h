#ifndef ADAPTERPORTVIEW_H
#define ADAPTERPORTVIEW_H

#include <QWidget>

namespace Ui {
class AdapterPortView;
}

class AdapterPortView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterPortView)

public:
    explicit AdapterPortView(QWidget *parent = nullptr);
    ~AdapterPortView() override;

private:
    Ui::AdapterPortView *ui;
};

#endif // ADAPTERPORTVIEW_H
