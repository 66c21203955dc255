#ifndef ADAPTERCOMMPAGE_H
#define ADAPTERCOMMPAGE_H

#include <QWidget>

namespace Ui {
class AdapterCommPage;
}

// "适配器通信参数": how the tool talks to the adapter, read-only (the adapter
// has no command to change any of it): the link's settings and the waits the
// pages keep between writing an ISDU request and reading its response.
class AdapterCommPage : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY(AdapterCommPage)

public:
    // Waits of the pages of higher layers, handed in by the window that
    // builds them. Zero shows as not known.
    struct PageTimings
    {
        int parameterItemReadMs = 0;
        int parameterRecordReadMs = 0;
        int parameterItemWriteMs = 0;
        int parameterRecordWriteMs = 0;
        int processDataInPollMs = 0;
        int processDataOutSettleMs = 0;
    };

    explicit AdapterCommPage(QWidget *parent = nullptr);
    ~AdapterCommPage() override;

    void setPageTimings(const PageTimings &timings);

protected:
    // A switch of language: the form's texts and the shown values again.
    void changeEvent(QEvent *event) override;

private:
    void showValues();

    PageTimings m_timings;
    Ui::AdapterCommPage *m_ui;
};

#endif // ADAPTERCOMMPAGE_H
