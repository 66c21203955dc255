#ifndef ADAPTERVIEW_H
#define ADAPTERVIEW_H

#include <QWidget>

namespace Ui {
class AdapterView;
}

class AdapterView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterView)

public:
    explicit AdapterView(QWidget *parent = nullptr);
    ~AdapterView() override;

private:
    Ui::AdapterView *ui;
};

#endif // ADAPTERVIEW_H
