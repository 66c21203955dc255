#ifndef STATUSLABEL_H
#define STATUSLABEL_H

#include <QLabel>
#include <QString>

// A status line in a row of buttons: takes the room the row leaves, and a
// text longer than that ends in "…" instead of being cut off; the whole text
// is the tool tip.
class StatusLabel : public QLabel
{
    Q_OBJECT
    Q_DISABLE_COPY(StatusLabel)

public:
    explicit StatusLabel(QWidget *parent = nullptr);

    void setStatus(const QString &text);
    // The whole text, whatever is shown.
    QString status() const { return m_text; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showElided();

    QString m_text;
};

#endif // STATUSLABEL_H
