#ifndef ADAPTERCOMMVIEW_H
#define ADAPTERCOMMVIEW_H

#include <QWidget>

namespace Ui {
class AdapterCommView;
}

class AdapterCommView : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterCommView)

public:
    explicit AdapterCommView(QWidget *parent = nullptr);
    ~AdapterCommView() override;

private:
    Ui::AdapterCommView *ui;
};

#endif // ADAPTERCOMMVIEW_H
